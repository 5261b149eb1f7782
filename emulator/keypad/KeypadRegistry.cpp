// The keypad tables in the registry. Wine keeps HKLM\HARDWARE volatile: keys there can only be
// created volatile.
#include "KeypadRegistry.h"

#include <string>
#include <vector>

#include "DeviceProfile.h"
#include "Win32Owners.h"

namespace keypad {

namespace {

bool CreateVolatile(qzr::RegKey& key, const std::wstring& path) {
  return key.Create(HKEY_LOCAL_MACHINE, path, KEY_ALL_ACCESS, REG_OPTION_VOLATILE);
}

// A string value whatever its stored length and type: cut at the first null, never read past
// the data.
std::optional<std::wstring> StringOf(const qzr::RegKey& key, const wchar_t* name) {
  auto bytes = key.ReadBinary(name);
  if (!bytes) return std::nullopt;
  std::wstring text(bytes->size() / sizeof(wchar_t), L'\0');
  if (!text.empty()) memcpy(text.data(), bytes->data(), text.size() * sizeof(wchar_t));
  text.resize(wcsnlen(text.c_str(), text.size()));
  return text;
}

bool WriteBytes(qzr::RegKey& key, const wchar_t* name, const std::vector<BYTE>& data) {
  return key.WriteBinary(name, data.data(), static_cast<DWORD>(data.size()));
}

}  // namespace

bool WriteFactoryTables(const Keypad& keypad) {
  const Tables& t = keypad.tables;
  RegDeleteTreeW(HKEY_LOCAL_MACHINE, kKeybdKey);
  qzr::RegKey keybd, config, layout;
  if (!CreateVolatile(keybd, kKeybdKey) || !CreateVolatile(config, std::wstring(kKeybdKey) + L"\\" + t.activeConfig) ||
      !CreateVolatile(layout, t.layoutKey))
    return false;
  bool ok = keybd.WriteString(kActiveConfig, t.activeConfig) && keybd.WriteString(kLayoutId, t.layoutId) &&
            keybd.WriteString(kLayoutKey, t.layoutKey);
  ok = WriteBytes(config, kVkeyGold, t.vkeyGold) && WriteBytes(config, kVkey, t.vkey) &&
       WriteBytes(config, kVflags, t.vflags) && ok;
  for (int i = 0; i < 3; ++i) ok = WriteBytes(layout, kPlaneNames[i], t.planes[i]) && ok;
  return ok;
}

std::optional<Tables> ReadTables() {
  qzr::RegKey keybd;
  if (!keybd.Open(HKEY_LOCAL_MACHINE, kKeybdKey)) return std::nullopt;
  auto active = StringOf(keybd, kActiveConfig);
  if (!active || active->empty()) return std::nullopt;
  Tables t;
  t.activeConfig = *active;
  t.layoutId = StringOf(keybd, kLayoutId).value_or(L"");
  t.layoutKey = StringOf(keybd, kLayoutKey).value_or(L"");
  // A leading backslash names the same key on the device; Wine refuses it.
  while (!t.layoutKey.empty() && t.layoutKey[0] == L'\\') t.layoutKey.erase(0, 1);
  qzr::RegKey config;
  if (config.Open(HKEY_LOCAL_MACHINE, std::wstring(kKeybdKey) + L"\\" + t.activeConfig)) {
    t.vkeyGold = config.ReadBinary(kVkeyGold).value_or(std::vector<BYTE>());
    t.vkey = config.ReadBinary(kVkey).value_or(std::vector<BYTE>());
    t.vflags = config.ReadBinary(kVflags).value_or(std::vector<BYTE>());
  }
  qzr::RegKey layout;
  if (!t.layoutKey.empty() && layout.Open(HKEY_LOCAL_MACHINE, t.layoutKey))
    for (int i = 0; i < 3; ++i) t.planes[i] = layout.ReadBinary(kPlaneNames[i]).value_or(std::vector<BYTE>());
  return t;
}

Keypad KeypadOfProfile() {
  return KeypadForDevice(wince::ReadProfileString(wince::profile::kPalModel).value_or(L""),
                         wince::ReadProfileString(wince::profile::kOemInfo).value_or(L""));
}

}  // namespace keypad
