// Test helper for the start-key cycle: the launcher's and the shell's registry values saved and
// put back.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "../MessageBoxRecorder.h"
#include "StartKey.h"
#include "Win32Owners.h"

namespace testing_support {

inline std::wstring WideKey(const char* path) { return std::wstring(path, path + strlen(path)); }

// Saves the three values of the cycle (and whether their keys exist) and restores them.
class StartKeyRegistryScope {
 public:
  StartKeyRegistryScope() {
    for (Saved& s : saved_) {
      qzr::RegKey key;
      s.keyExisted = key.Open(HKEY_LOCAL_MACHINE, WideKey(s.key));
      if (s.keyExisted) s.data = key.ReadBinary(s.value, &s.type);
    }
  }
  ~StartKeyRegistryScope() {
    for (const Saved& s : saved_) {
      if (!s.keyExisted) {
        RegDeleteTreeW(HKEY_LOCAL_MACHINE, WideKey(s.key).c_str());
        continue;
      }
      qzr::RegKey key;
      key.Create(HKEY_LOCAL_MACHINE, WideKey(s.key));
      if (s.data) key.WriteBinary(s.value, s.data->data(), static_cast<DWORD>(s.data->size()), s.type);
      else key.DeleteValue(s.value);
    }
  }
  StartKeyRegistryScope(const StartKeyRegistryScope&) = delete;
  StartKeyRegistryScope& operator=(const StartKeyRegistryScope&) = delete;

  // Sets the shell's start key and the two launcher flags as REG_DWORD.
  void Set(DWORD hardwareStartKeyEnabled, DWORD startButtonSettingChanged, DWORD cleanUpRebootFlag) {
    Write(qzr::kBubbletilesKey, L"HardwareStartKeyEnabled", hardwareStartKeyEnabled);
    Write(qzr::kLauncherKey, L"StartButtonSettingChanged", startButtonSettingChanged);
    Write(qzr::kLauncherKey, L"CleanUpRebootFlag", cleanUpRebootFlag);
  }
  static void Write(const char* path, const wchar_t* value, DWORD data) {
    qzr::RegKey key;
    key.Create(HKEY_LOCAL_MACHINE, WideKey(path));
    key.WriteDword(value, data);
  }
  static std::optional<DWORD> Read(const char* path, const wchar_t* value) {
    qzr::RegKey key;
    if (!key.Open(HKEY_LOCAL_MACHINE, WideKey(path))) return std::nullopt;
    return key.ReadDword(value);
  }
  static std::optional<DWORD> HardwareStartKeyEnabled() { return Read(qzr::kBubbletilesKey, L"HardwareStartKeyEnabled"); }
  static std::optional<DWORD> StartButtonSettingChanged() { return Read(qzr::kLauncherKey, L"StartButtonSettingChanged"); }
  static std::optional<DWORD> CleanUpRebootFlag() { return Read(qzr::kLauncherKey, L"CleanUpRebootFlag"); }

 private:
  struct Saved {
    const char* key;
    const wchar_t* value;
    bool keyExisted = false;
    DWORD type = REG_DWORD;
    std::optional<std::vector<BYTE>> data;
  };
  Saved saved_[3] = {{qzr::kBubbletilesKey, L"HardwareStartKeyEnabled"},
                     {qzr::kLauncherKey, L"StartButtonSettingChanged"},
                     {qzr::kLauncherKey, L"CleanUpRebootFlag"}};
};

}  // namespace testing_support
