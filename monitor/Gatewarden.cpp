// Gatewarden's start-up order: tell the resident from a per-launch instance, hook, open
// the cache, decide, write the log lines (a per-launch instance once its program is on its
// way), wait, unhook.
#include "Gatewarden.h"

#include "EventLogLines.h"
#include "LaunchLog.h"
#include "OpenCommandHook.h"
#include "Text.h"
#include "Win32Owners.h"
#include "WhitelistCache.h"
#include "WhitelistView.h"
#include "wince.h"

namespace qzr::monitor {
namespace {


}  // namespace

std::wstring OwnCommandPath() { return LowerCase(ModuleFolder(nullptr, MAX_PATH)) + kProgramFileName; }

std::wstring QuotedCommandPath(const std::wstring& ownCommandPath) { return L"\"" + ownCommandPath + L"\""; }

int RunGatewarden(int argc, const wchar_t* const* argv) {
  // A start that names a program gets it on its way before the event log is bound and written.
  LaunchLog log(argc > 1);
  log.Plain(eventlog::lines::kMonitorStarts);
  log.Facility(eventlog::lines::kMonitorFacility);

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

  // Only the resident instance edits the open command.
  const std::wstring quotedPath = resident ? QuotedCommandPath(OwnCommandPath()) : std::wstring();
  if (resident) HookOpenCommand(HKEY_CLASSES_ROOT, kHookedExtension, quotedPath);
  {
    WhitelistView view;
    view.CreateWhitelistEvents();
    view.Open();
    // No launcher block: nothing to guard, so the shell gets its own command back at once.
    if (resident && !view.valid()) UnhookOpenCommand(HKEY_CLASSES_ROOT, kHookedExtension, quotedPath);
    view.Enforce(argv, argc, log);
    // Before the singleton goes: the next launch's lines come after these.
    log.Flush();
    view.WaitForLauncherExit(resident, holdsSingleton ? singleton.get() : nullptr);
    if (resident) UnhookOpenCommand(HKEY_CLASSES_ROOT, kHookedExtension, quotedPath);
  }
  log.Plain(eventlog::lines::kMonitorExits);
  return 0;
}

}  // namespace qzr::monitor
