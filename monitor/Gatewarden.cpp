// Gatewarden's start-up order: log, tell the resident from a per-launch instance, hook, open
// the cache, decide, wait, unhook.
#include "Gatewarden.h"

#include "EventLog.h"
#include "OpenCommandHook.h"
#include "Win32Owners.h"
#include "WhitelistCache.h"
#include "WhitelistView.h"
#include "wince.h"

namespace qzr::monitor {
namespace {

constexpr char kStartsLine[] = "Gatewarden starts";
constexpr char kFacilityLine[] = ".\\Gatewarden (%d), wFacilityNumber = %d";
constexpr int kFacilitySourceLine = 688;
constexpr char kExitsLine[] = "Gatewarden exits";

}  // namespace

std::wstring OwnCommandPath() {
  wchar_t module[MAX_PATH + 1] = {};
  DWORD n = GetModuleFileNameW(nullptr, module, MAX_PATH);
  std::wstring path(module, n < MAX_PATH ? n : MAX_PATH);
  size_t slash = path.find_last_of(L'\\');
  std::wstring folder = slash == std::wstring::npos ? std::wstring() : path.substr(0, slash + 1);
  return whitelist::LowerCase(folder) + kProgramFileName;
}

std::wstring QuotedCommandPath(const std::wstring& ownCommandPath) { return L"\"" + ownCommandPath + L"\""; }

int RunGatewarden(int argc, const wchar_t* const* argv) {
  WORD facility = eventlog::RegisterFacility(eventlog::kFacilityName);
  eventlog::SetFacilityNumber(facility);
  eventlog::Log(eventlog::kCategoryInfo, kStartsLine);
  eventlog::Log(eventlog::kCategoryInfo, kFacilityLine, kFacilitySourceLine, static_cast<int>(facility));

  const std::wstring quotedPath = QuotedCommandPath(OwnCommandPath());

  KernelHandle singleton(CreateMutexW(nullptr, TRUE, kSingletonMutexName));
  const bool resident = singleton && GetLastError() != ERROR_ALREADY_EXISTS;
  bool holdsSingleton = resident;
  if (singleton && !resident) {
    // Per-launch decisions are taken one at a time.
    DWORD rc;
    do rc = WaitForSingleObject(singleton.get(), kSingletonWaitMs);
    while (rc == WAIT_TIMEOUT);
    holdsSingleton = rc == WAIT_OBJECT_0 || rc == WAIT_ABANDONED;
  }
  KernelHandle monitorEvent(CreateEventW(nullptr, FALSE, FALSE, kMonitorEventName));

  if (resident) HookOpenCommand(HKEY_CLASSES_ROOT, kHookedExtension, quotedPath);
  {
    WhitelistView view;
    view.CreateWhitelistEvents();
    view.Open();
    // No launcher block: nothing to guard, so the shell gets its own command back at once.
    if (resident && !view.valid()) UnhookOpenCommand(HKEY_CLASSES_ROOT, kHookedExtension, quotedPath);
    view.Enforce(argv, argc);
    view.WaitForLauncherExit(resident, holdsSingleton ? singleton.get() : nullptr);
    if (resident) UnhookOpenCommand(HKEY_CLASSES_ROOT, kHookedExtension, quotedPath);
  }
  eventlog::Log(eventlog::kCategoryInfo, kExitsLine);
  return 0;
}

}  // namespace qzr::monitor
