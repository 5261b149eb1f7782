// Hot keys the configuration locks, and the six hardware application buttons.
#include "core/LauncherConfig.h"
#include "core/MessageBoxes.h"
#include "device/CoreLibrary.h"
#include "device/DeviceIdentity.h"
#include "lockdown/Lockdown.h"
#include "lockdown/LockdownRules.h"
#include "Win32Owners.h"
#include "wince.h"

namespace qzr {
namespace {

namespace ld = lockdown;

constexpr char kUnregisterFunc1[] = "UnregisterFunc1";
constexpr wchar_t kShellKeysPath[] = L"\\Software\\Microsoft\\Shell\\Keys\\";
constexpr wchar_t kShortcutFailedText[] = L"Creating Shortcut Failed!";
constexpr wchar_t kErrorCaption[] = L"Error";
constexpr WPARAM kShellKeysChanged = 0xE4;

using UnregisterFunc1Fn = BOOL(WINAPI*)(UINT modifiers, UINT virtualKey);

ld::KeyLockFlags FlagsOf(const LauncherConfig& c) {
  ld::KeyLockFlags f;
  f.EnableTaskManagerKeys = c.EnableTaskManagerKeys;
  f.EnablePhoneKeys = c.EnablePhoneKeys;
  f.EnableVolumeKeys = c.EnableVolumeKeys;
  f.EnableDeviceLockKeys = c.EnableDeviceLockKeys;
  f.EnableWindowsKey = c.EnableWindowsKey;
  f.EnableOrangePlaneVolumeUp = c.EnableOrangePlaneVolumeUp;
  return f;
}

void WriteShellKeyText(const RegKey& key, const wchar_t* name, const std::wstring& text) {
  std::vector<BYTE> data = ld::FixedShellKeyText(text);
  RegSetValueExW(key.get(), name, 0, REG_SZ, data.data(), static_cast<DWORD>(data.size()));
}

bool ValueIs(const RegKey& key, const wchar_t* name, DWORD type, const std::vector<BYTE>& data) {
  DWORD foundType = 0, size = static_cast<DWORD>(data.size()) + 1;
  std::vector<BYTE> found(size);
  if (RegQueryValueExW(key.get(), name, nullptr, &foundType, found.data(), &size) != ERROR_SUCCESS) return false;
  found.resize(size);
  return foundType == type && found == data;
}

// The key as WriteApplicationKey leaves it: no subkeys, and these four values only.
bool ShellKeyHolds(const std::wstring& keyPath, const std::wstring& shortcut, const std::wstring& program) {
  RegKey key;
  if (!key.Open(HKEY_LOCAL_MACHINE, keyPath)) return false;
  DWORD subkeys = 0, values = 0;
  if (RegQueryInfoKeyW(key.get(), nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values, nullptr, nullptr,
                       nullptr, nullptr) != ERROR_SUCCESS ||
      subkeys != 0 || values != 4)
    return false;
  const std::vector<BYTE> shortcutText = ld::FixedShellKeyText(shortcut);
  return ValueIs(key, L"Default", REG_SZ, shortcutText) && ValueIs(key, L"ResetCmd", REG_SZ, shortcutText) &&
         ValueIs(key, L"Icon", REG_SZ, ld::FixedShellKeyText(program)) &&
         ValueIs(key, L"Flags", REG_DWORD, std::vector<BYTE>(sizeof(DWORD), 0));
}

bool ShortcutLeadsTo(const std::wstring& shortcut, const std::wstring& target) {
  std::wstring found(target.size() + 2, L'\0');
  if (!SHGetShortcutTarget(shortcut.c_str(), found.data(), static_cast<int>(found.size()))) return false;
  return found.c_str() == target;
}

}  // namespace

void LockKeys(const LauncherConfig& config) {
  auto unregister = CoreEntry<UnregisterFunc1Fn>(kUnregisterFunc1);
  if (!unregister) return;
  for (const ld::HotKeyRow& row : ld::HotKeysToLock(GetPlatformType(), FlagsOf(config))) {
    unregister(row.modifiers, row.virtualKey);
    RegisterHotKey(nullptr, row.id, row.modifiers, row.virtualKey);
  }
}

void SetupApplicationKeys(const LauncherConfig& config, const std::wstring& launcherFolder,
                          const std::wstring& moduleFileName) {
  bool written = false;
  for (int n = 1; n <= ld::kApplicationKeyCount; ++n) {
    const AppKeySlot& key = config.appKeys[static_cast<size_t>(n - 1)];
    const std::wstring keyName = ld::ApplicationKeyName(n);
    switch (ld::ApplicationKeyAction(key.appKeyConfigured, key.appKeyExe)) {
      case ld::AppKeyAction::BindLauncher:
        written |= WriteApplicationKey(launcherFolder, keyName, moduleFileName, L"");
        break;
      case ld::AppKeyAction::BindConfigured:
        written |= WriteApplicationKey(launcherFolder, keyName, key.appKeyExe, key.appKeyShortcut);
        break;
      case ld::AppKeyAction::LeaveAlone:
        break;
    }
  }
  // The shell reads all its keys again on one notice, and each notice is a round trip to every
  // top-level window: one after the last key leaves the shell exactly where one per key would.
  if (written) NotifyShellKeysChanged();
}

void AssignApplicationKey(const std::wstring& launcherFolder, const std::wstring& keyName,
                          const std::wstring& programPath, const std::wstring& shortcutPath) {
  if (WriteApplicationKey(launcherFolder, keyName, programPath, shortcutPath)) NotifyShellKeysChanged();
}

bool WriteApplicationKey(const std::wstring& launcherFolder, const std::wstring& keyName,
                         const std::wstring& programPath, const std::wstring& shortcutPath) {
  if (GetPlatformType() != platform::kPocketPc) return false;
  std::wstring program = programPath;
  std::wstring shortcut = shortcutPath;
  if (shortcut.empty()) {
    shortcut = launcherFolder + keyName + L".lnk";
    program = ld::QuotedPath(program);
    if (!ShortcutLeadsTo(shortcut, program)) {
      DeleteFileW(shortcut.c_str());
      if (!SHCreateShortcut(shortcut.data(), program.data()))
        ShowMessageBox(nullptr, kShortcutFailedText, kErrorCaption, MB_OK);
    }
  }
  const std::wstring keyPath = kShellKeysPath + keyName;
  shortcut = ld::QuotedPath(shortcut);
  // Every start binds the same keys: one that holds them already is not written again, and
  // the shell, which has read it, needs no notice for it.
  if (ShellKeyHolds(keyPath, shortcut, program)) return false;

  // CE's RegDeleteKey takes subkeys with it.
  RegDeleteTreeW(HKEY_LOCAL_MACHINE, RegKey::DevicePath(keyPath).c_str());
  RegKey key;
  key.Create(HKEY_LOCAL_MACHINE, keyPath);
  if (!key.Open(HKEY_LOCAL_MACHINE, keyPath, KEY_SET_VALUE)) return false;
  WriteShellKeyText(key, L"Default", shortcut);
  WriteShellKeyText(key, L"ResetCmd", shortcut);
  WriteShellKeyText(key, L"Icon", program);
  key.WriteDword(L"Flags", 0);
  return true;
}

void NotifyShellKeysChanged() { PostMessageW(HWND_BROADCAST, WM_SETTINGCHANGE, kShellKeysChanged, 0); }

}  // namespace qzr
