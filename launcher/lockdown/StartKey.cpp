// Start key, reboot flags and the clean-up warm boot: the registry cycle across device restarts.
#include "lockdown/StartKey.h"

#include "wince.h"

#include <string>

#include "core/LauncherConfig.h"
#include "core/MessageBoxes.h"
#include "device/Pal.h"
#include "lockdown/Lockdown.h"
#include "Text.h"
#include "Win32Owners.h"

namespace qzr {
namespace {

constexpr char kHardwareStartKeyEnabled[] = "HardwareStartKeyEnabled";
constexpr char kStartButtonSettingChanged[] = "StartButtonSettingChanged";
constexpr char kCleanUpRebootFlag[] = "CleanUpRebootFlag";

constexpr wchar_t kWarmBootNeeded[] = L"Korvanex Launcher detects a configuration change which requires a warm boot.";
constexpr wchar_t kWarmBootFailed[] = L"Warm boot failed.";

}  // namespace

bool ReadLauncherFlag(const char* keyPath, const char* valueName, DWORD* value) {
  if (!keyPath || !valueName || !value) return false;
  RegKey key;
  if (!key.Open(HKEY_LOCAL_MACHINE, WideFromAnsi(keyPath), KEY_QUERY_VALUE)) return false;
  // Whatever the value's type, up to four bytes of it are the flag; a shorter value is
  // zero-extended rather than mixed with what the buffer held before.
  DWORD data = 0, size = sizeof data;
  if (RegQueryValueExW(key.get(), WideFromAnsi(valueName).c_str(), nullptr, nullptr, reinterpret_cast<BYTE*>(&data), &size) != ERROR_SUCCESS)
    return false;
  *value = data;
  return true;
}

bool WriteLauncherFlag(const char* keyPath, const char* valueName, DWORD value) {
  if (!keyPath || !valueName) return false;
  RegKey key;
  if (!key.Open(HKEY_LOCAL_MACHINE, WideFromAnsi(keyPath), KEY_SET_VALUE)) return false;
  return key.WriteDword(WideFromAnsi(valueName).c_str(), value);
}

bool ToggleHardwareStartKey() {
  DWORD current = 0;
  return ReadLauncherFlag(kBubbletilesKey, kHardwareStartKeyEnabled, &current) &&
         WriteLauncherFlag(kBubbletilesKey, kHardwareStartKeyEnabled, current == 0 ? 1 : 0);
}

bool TakeCleanUpStart() {
  DWORD flag = 0;
  if (!ReadLauncherFlag(kLauncherKey, kCleanUpRebootFlag, &flag) || flag == 0) return false;
  WriteLauncherFlag(kLauncherKey, kCleanUpRebootFlag, 0);
  return true;
}

void SyncStartKeySetting(LauncherConfig& config) {
  DWORD enabled = 0;
  if (!ReadLauncherFlag(kBubbletilesKey, kHardwareStartKeyEnabled, &enabled)) enabled = 0;
  if (enabled == static_cast<DWORD>(config.startIconHidden)) return;
  if (!ToggleHardwareStartKey()) return;
  WriteLauncherFlag(kLauncherKey, kStartButtonSettingChanged, 1);
  // During start-up the main window does not exist yet, so the prompt has no owner.
  PromptWarmBoot(nullptr);
}

void PromptWarmBoot(HWND owner) {
  ShowMessageBox(owner, kWarmBootNeeded, kLauncherTitle, MB_OK);
  // On success the device restarts; should the call come back anyway, the caller carries on.
  if (CQZRPal::BootTerminal(kPalWarmBoot) < 0) ShowMessageBox(nullptr, kWarmBootFailed, kLauncherTitle, MB_OK);
}

void RestoreStartKeySetting(const LauncherConfig& config) {
  DWORD changed = 0;
  if (!ReadLauncherFlag(kLauncherKey, kStartButtonSettingChanged, &changed)) return;
  // The toggle inverts the shell's current value; nothing saved is written back.
  if (config.restoreOnTermination == 1 && changed != 0 && ToggleHardwareStartKey()) {
    WriteLauncherFlag(kLauncherKey, kStartButtonSettingChanged, 0);
    WriteLauncherFlag(kLauncherKey, kCleanUpRebootFlag, 1);
  }
}

void RestoreSoftKeySetting(const LauncherConfig& config) {
  if (config.EnableSk1AndSk2 != 0 || config.restoreOnTermination != 1) return;
  RestoreTodaySoftKeys();
  // The restored soft keys take effect only after a restart.
  WriteLauncherFlag(kLauncherKey, kCleanUpRebootFlag, 1);
}

void CleanUpCheckOnLeaving(HWND owner) {
  DWORD flag = 0;
  if (ReadLauncherFlag(kLauncherKey, kCleanUpRebootFlag, &flag) && flag != 0) PromptWarmBoot(owner);
}

}  // namespace qzr
