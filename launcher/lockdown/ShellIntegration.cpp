// The launcher's changes to the device shell outside its own window: the task bar and its
// filter, "SessionTimeout", and the Today screen's two soft keys.
#include "device/DeviceIdentity.h"
#include "EventLog.h"
#include "lockdown/Lockdown.h"
#include "lockdown/LockdownRules.h"
#include "lockdown/TaskbarFilterSettings.h"
#include "Text.h"
#include "Win32Owners.h"
#include "wince.h"

namespace qzr {
namespace {

namespace ld = lockdown;

constexpr wchar_t kRaiKey[] = L"\\Software\\Microsoft\\Shell\\Rai";
constexpr wchar_t kSessionTimeout[] = L"SessionTimeout";
constexpr wchar_t kTodayKeys[] = L"\\Software\\Microsoft\\Today\\Keys";
constexpr wchar_t kTodayKeyNames[2][4] = {L"112", L"113"};
constexpr wchar_t kOpenValue[] = L"Open";
constexpr wchar_t kLauncherText[] = L"Launcher";
constexpr wchar_t kLauncherOpenCommand[] = L"\"\\Flash File Store\\launcher\\QZRShell.exe\"";
constexpr char kFilterProcedure[] = "TaskbarFilterProc";

// The task bar filter as the launcher holds it, from InstallTaskbarFilter to RestoreTaskbar.
struct TaskbarFilterRecord {
  HWND taskBar = nullptr;
  HWND desktop = nullptr;
  HFOREIGNPROC filter = nullptr;  // the task bar's own procedure comes back when this goes
  ld::TapLimits limits;
  KernelHandle section;
  MappedView view;
};

// What RedirectTodaySoftKeys found, for RestoreTodaySoftKeys to put back.
struct TodaySoftKeyRecord {
  bool todayKeysExisted = false;
  ld::TodayKeyFlags keys[2];
  ld::SavedValue savedOpen[2];
  ld::SavedValue savedDefault[2];
};

struct ShellIntegrationState {
  TaskbarFilterRecord taskbar;
  TodaySoftKeyRecord today;
};
ShellIntegrationState g_shell;

ld::SharedFilterSettings* Settings() {
  TaskbarFilterRecord& t = g_shell.taskbar;
  if (!t.view) {
    t.section.reset(CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                       sizeof(ld::SharedFilterSettings), ld::kFilterSettingsSection));
    if (t.section) t.view.reset(MapViewOfFile(t.section.get(), FILE_MAP_WRITE, 0, 0, sizeof(ld::SharedFilterSettings)));
  }
  return static_cast<ld::SharedFilterSettings*>(t.view.get());
}

bool Running(DWORD processId) {
  KernelHandle process(OpenProcess(SYNCHRONIZE, FALSE, processId));
  return process && WaitForSingleObject(process.get(), 0) == WAIT_TIMEOUT;
}

// The settings belong to the launcher that installed the filter first. A second launcher, which
// only passes through on its way to activating the first, leaves them alone.
ld::SharedFilterSettings* OwnSettings() {
  ld::SharedFilterSettings* s = Settings();
  if (!s) return nullptr;
  const DWORD self = GetCurrentProcessId();
  if (s->size == sizeof *s && s->ownerProcessId != self && s->ownerProcessId != 0 && Running(s->ownerProcessId))
    return nullptr;
  return s;
}

std::wstring FilterLibraryPath() { return ModuleFolder(nullptr, MAX_PATH) + kTaskbarFilterLibrary; }

std::wstring TodayKeyPath(int i) { return std::wstring(kTodayKeys) + L"\\" + kTodayKeyNames[i]; }

// CE's RegDeleteKey takes the key's subkeys with it.
bool DeleteKeyTree(HKEY root, const std::wstring& path) {
  return RegDeleteTreeW(root, RegKey::DevicePath(path).c_str()) == ERROR_SUCCESS;
}

ld::SavedValue SaveValue(const RegKey& key, const wchar_t* name) {
  ld::SavedValue saved;
  DWORD type = REG_NONE;
  if (auto data = key.ReadBinary(name, &type)) {
    saved.present = true;
    saved.type = type;
    saved.data = std::move(*data);
  }
  return saved;
}

// A string goes back through SetRegString as at redirection; any other value with its own type
// and bytes; one that was not there is taken away again.
void RestoreValue(const std::wstring& path, const wchar_t* name, const ld::SavedValue& saved) {
  if (auto text = ld::SavedValueAsText(saved)) {
    SetRegString(HKEY_CURRENT_USER, path, name, *text);
    return;
  }
  RegKey key;
  if (!key.Open(HKEY_CURRENT_USER, path, KEY_SET_VALUE)) return;
  if (saved.present)
    key.WriteBinary(name, saved.data.data(), static_cast<DWORD>(saved.data.size()), saved.type);
  else
    key.DeleteValue(name);
}

}  // namespace

void ShowTaskbar(bool show) {
  // The task bar belongs to the shell's thread: showing it is a round trip there, and every
  // activation asks for the state it already has.
  HWND bar = FindWindowW(kTaskbarClass, nullptr);
  if (bar && (IsWindowVisible(bar) != FALSE) != show) ShowWindow(bar, show ? SW_SHOWNA : SW_HIDE);
}

int InstallTaskbarFilter() {
  ShowTaskbar(false);
  TaskbarFilterRecord& t = g_shell.taskbar;
  t.desktop = FindWindowW(kDesktopClass, nullptr);
  t.taskBar = FindWindowW(kTaskbarClass, nullptr);
  if (!t.taskBar) return 0;

  const int platformType = GetPlatformType();
  const int modelId = GetModelId();
  RECT bar;
  const bool haveRect = platformType == platform::kPocketPc && GetWindowRect(t.taskBar, &bar);
  t.limits = ld::ComputeTapLimits(platformType, modelId, haveRect ? GetOsReleaseCode() : 0, haveRect ? &bar : nullptr);

  // Until start-up hands over the configuration, the filter locks the most.
  if (ld::SharedFilterSettings* s = OwnSettings()) {
    // The section outlives a launcher while the filter library holds it, so the count goes on
    // rising across launchers.
    s->installCount = s->installCount + 1;
    s->platformType = platformType;
    s->modelId = modelId;
    s->tapThreshold = t.limits.tapThreshold;
    s->volumeAllowance = 0;
    s->enableWindowsKey = 0;
    s->facility = eventlog::FacilityNumber();
    s->desktopWindow = reinterpret_cast<uintptr_t>(t.desktop);
    s->mainWindow = 0;  // the main dialog has no window yet: SetTaskbarFilterMainWindow hands it over
    s->ownerProcessId = GetCurrentProcessId();
    s->size = sizeof *s;
  }
  if (!t.filter) t.filter = CeSetForeignWindowProc(t.taskBar, FilterLibraryPath().c_str(), kFilterProcedure);
  return t.limits.volumeAllowance;
}

void SetTaskbarFilterSettings(int volumeAllowance, int windowsKeyEnabled) {
  if (!g_shell.taskbar.view) return;
  ld::SharedFilterSettings* s = OwnSettings();
  if (!s) return;
  s->volumeAllowance = volumeAllowance;
  s->enableWindowsKey = windowsKeyEnabled;
}

void SetTaskbarFilterMainWindow(HWND mainWindow) {
  if (!g_shell.taskbar.view) return;
  if (ld::SharedFilterSettings* s = OwnSettings()) s->mainWindow = reinterpret_cast<uintptr_t>(mainWindow);
}

void RestoreTaskbar() {
  TaskbarFilterRecord& t = g_shell.taskbar;
  if (t.filter) {
    CeRemoveForeignWindowProc(t.filter);
    t.filter = nullptr;
  }
  ShowTaskbar(true);
}

void DisableSessionTimeout() {
  if (GetPlatformType() != platform::kPocketPc) return;
  RegKey key;
  if (key.Open(HKEY_LOCAL_MACHINE, kRaiKey, KEY_SET_VALUE)) key.WriteDword(kSessionTimeout, 0);
}

bool SetRegString(HKEY root, const std::wstring& subkey, const wchar_t* valueName, const std::wstring& text) {
  RegKey key;
  if (!key.Open(root, subkey, KEY_SET_VALUE)) return false;
  std::vector<BYTE> data = ld::RegStringData(text);
  return key.WriteBinary(valueName, data.data(), static_cast<DWORD>(data.size()), REG_SZ);
}

void RedirectTodaySoftKeys() {
  TodaySoftKeyRecord& r = g_shell.today;
  r = TodaySoftKeyRecord{};
  RegKey keys;
  r.todayKeysExisted = keys.Open(HKEY_CURRENT_USER, kTodayKeys);
  bool failed = false;
  for (int i = 0; i < 2; ++i) {
    const std::wstring path = TodayKeyPath(i);
    RegKey key;
    if (key.Open(HKEY_CURRENT_USER, path)) {
      // Saved whole, whatever their length or type: the administrator's own setting comes back.
      r.savedOpen[i] = SaveValue(key, kOpenValue);
      r.savedDefault[i] = SaveValue(key, nullptr);
    } else if (key.Create(HKEY_CURRENT_USER, path)) {
      r.keys[i].created = true;
    } else {
      failed = true;
    }
    if (failed) continue;
    SetRegString(HKEY_CURRENT_USER, path, nullptr, kLauncherText);
    SetRegString(HKEY_CURRENT_USER, path, kOpenValue, kLauncherOpenCommand);
    r.keys[i].written = true;
  }
  RegFlushKey(HKEY_CURRENT_USER);
}

void RestoreTodaySoftKeys() {
  TodaySoftKeyRecord& r = g_shell.today;
  if (r.todayKeysExisted) {
    for (int i = 0; i < 2; ++i) {
      const std::wstring path = TodayKeyPath(i);
      switch (ld::TodayKeyRestoreAction(r.todayKeysExisted, r.keys[i])) {
        case ld::TodayKeyRestore::DeleteKey:
          if (!DeleteKeyTree(HKEY_CURRENT_USER, path)) {
            SetRegString(HKEY_CURRENT_USER, path, nullptr, L"");
            SetRegString(HKEY_CURRENT_USER, path, kOpenValue, L"");
          }
          break;
        case ld::TodayKeyRestore::WriteBackSaved:
          RestoreValue(path, nullptr, r.savedDefault[i]);
          RestoreValue(path, kOpenValue, r.savedOpen[i]);
          r.keys[i].written = false;
          break;
        case ld::TodayKeyRestore::Nothing:
          break;
      }
    }
  } else {
    DeleteKeyTree(HKEY_CURRENT_USER, kTodayKeys);
  }
  RegFlushKey(HKEY_CURRENT_USER);
}

}  // namespace qzr
