// The launcher's start-up and leaving, side by side. Start-up's order matters: the monitor
// starts first and its outcome (with the box when it failed) is known before the single-instance
// test, the task bar is hidden before that test, the shared block is prepared before menu.ini is
// loaded (which publishes the lists into it), and SignalStarted comes only once everything is in
// place. Leaving runs from the password dialog, while the launcher's screens still stand.
#include "LauncherApp.h"

#include <algorithm>

#include "device/DeviceIdentity.h"
#include "EventLogLines.h"
#include "lockdown/Lockdown.h"
#include "lockdown/LockdownRules.h"
#include "lockdown/StartKey.h"
#include "Text.h"
#include "ui/LauncherDialog.h"
#include "wince.h"

namespace qzr {
namespace {

struct WindowSearch {
  std::wstring moduleFileName;
  HWND found = nullptr;
};

BOOL CALLBACK FindLauncherWindow(HWND window, LPARAM param) {
  auto* search = reinterpret_cast<WindowSearch*>(param);
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  if (pid == 0 || pid == GetCurrentProcessId()) return TRUE;
  KernelHandle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid));
  if (!process) return TRUE;
  wchar_t path[261] = {};
  DWORD size = 260;
  BOOL ok = QueryFullProcessImageNameW(process.get(), 0, path, &size);
  if (ok && EqualsNoCase(path, search->moduleFileName)) {
    search->found = window;
    return FALSE;
  }
  return TRUE;
}

// The per-program-file mutex stays open for the life of the process.
KernelHandle g_instanceMutex;

}  // namespace

std::wstring InstanceMutexName(const std::wstring& moduleFileName) {
  // Kernel object names are case-sensitive, file names are not: the launcher started again
  // through its application button arrives with the path the whitelist monitor lower-cased, and
  // must still meet the running one's mutex.
  std::wstring name = LowerCase(moduleFileName);
  std::replace(name.begin(), name.end(), L'\\', L'/');
  return name;
}

bool ActivateRunningInstance() {
  std::wstring module = ModuleFileName(260);
  g_instanceMutex.reset(CreateMutexW(nullptr, FALSE, InstanceMutexName(module).c_str()));
  if (!g_instanceMutex || GetLastError() != ERROR_ALREADY_EXISTS) return false;

  HANDLE thread = GetCurrentThread();
  int priority = GetThreadPriority(thread);
  for (int attempt = 0; attempt < 3; ++attempt) {
    WindowSearch search{module};
    EnumWindows(FindLauncherWindow, reinterpret_cast<LPARAM>(&search));
    if (search.found) {
      // The low bit brings the window's owned windows forward too.
      SetForegroundWindow(reinterpret_cast<HWND>(reinterpret_cast<ULONG_PTR>(search.found) | 1));
      return true;
    }
    // Let the other instance get its window up.
    SetThreadPriority(thread, 7);  // the platform's idle priority
    Sleep(1000);
    SetThreadPriority(thread, priority);
  }
  return false;
}

int LauncherApp::InitInstance(const wchar_t* commandLine) {
  // Gatewarden takes longest to come up; its process is created on a thread while the event
  // log, the clean-up test and the task-bar filter run (about 10 ms of the main thread's time).
  config.whitelist.Construct();

  WORD facility = eventlog::RegisterFacility(eventlog::kFacilityName);
  eventlog::SetFacilityNumber(facility);
  eventlog::Write(eventlog::lines::kLauncherStarts);
  eventlog::Write(eventlog::lines::kLauncherFacility, facility);

  launchCode = static_cast<DWORD>(_wtol(commandLine ? commandLine : L""));

  if (TakeCleanUpStart()) return kExitCode;

  // menu.ini is not read yet, so full-screen mode has its default (on) here.
  int volumeAllowance = config.fullScreen ? InstallTaskbarFilter() : 0;
  HCURSOR previousCursor = SetCursor(LoadCursorW(nullptr, IDC_WAIT));
  config.whitelist.AwaitMonitorStart();

  if (ActivateRunningInstance()) {
    config.whitelist.PrepareSharedCache(false);
    if (config.fullScreen) RestoreTaskbar();
    SetCursor(previousCursor);
    return kExitCode;
  }
  config.whitelist.PrepareSharedCache(true);

  std::wstring moduleFileName = ModuleFileName(256);
  size_t slash = moduleFileName.find_last_of(L'\\');
  launcherFolder = slash == std::wstring::npos ? std::wstring() : LowerCase(moduleFileName.substr(0, slash + 1));

  LoadConfiguration();
  // The shell's icon work overlaps the rest of start-up.
  ProgramIcons icons;
  icons.Start(ProgramIconSources(config));

  if (!config.EnableSk1AndSk2) RedirectTodaySoftKeys();
  if (!config.fullScreen) RestoreTaskbar();
  DisableSessionTimeout();

  // The main dialog's window reaches the filter later, when the dialog initialises.
  SetTaskbarFilterSettings(lockdown::EffectiveVolumeAllowance(volumeAllowance, config.EnableVolumeKeys),
                           config.EnableWindowsKey);
  ApplyKeyboardRemaps(config);
  LockKeys(config);
  SetupApplicationKeys(config, launcherFolder, moduleFileName);

  SetCursor(previousCursor);
  SignalStarted(launchCode);

  RunLauncherDialog(config, [this](HWND owner) { Leave(owner); }, icons);
  return kExitCode;
}

void LauncherApp::LoadConfiguration() {
  MenuLocation where = ProductMenuLocation();
  IniSnapshot ini;
  config.Assign(ReadMenuConfig(where, ini));
  config.whitelist.PublishWhitelist(WhitelistSourcesOf(config, where, ini, GetModelId()));
  SyncStartKeySetting(config);
}

void LauncherApp::Leave(HWND owner) {
  if (config.fullScreen) RestoreTaskbar();
  RestoreStartKeySetting(config);
  RestoreSoftKeySetting(config);
  CleanUpCheckOnLeaving(owner);
}

}  // namespace qzr
