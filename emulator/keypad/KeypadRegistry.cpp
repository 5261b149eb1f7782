// The keypad tables in the registry. Wine keeps HKLM\HARDWARE volatile: keys there can only be
// created volatile.
#include "KeypadRegistry.h"

#include <string>
#include <vector>

#include "DeviceProfile.h"

namespace keypad {

namespace {

class Key {
 public:
  Key() = default;
  ~Key() {
    if (key_) RegCloseKey(key_);
  }
  Key(const Key&) = delete;
  Key& operator=(const Key&) = delete;
  bool Create(const std::wstring& path) {
    return RegCreateKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, REG_OPTION_VOLATILE, KEY_ALL_ACCESS, nullptr,
                           &key_, nullptr) == ERROR_SUCCESS;
  }
  bool Open(const std::wstring& path) {
    return RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, &key_) == ERROR_SUCCESS;
  }
  bool SetString(const wchar_t* name, const std::wstring& text) {
    return RegSetValueExW(key_, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                          static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
  }
  bool SetBinary(const wchar_t* name, const std::vector<BYTE>& data) {
    return RegSetValueExW(key_, name, 0, REG_BINARY, data.data(), static_cast<DWORD>(data.size())) == ERROR_SUCCESS;
  }
  std::optional<std::vector<BYTE>> Bytes(const wchar_t* name) const {
    DWORD type = 0, size = 0;
    if (RegQueryValueExW(key_, name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS) return std::nullopt;
    std::vector<BYTE> data(size);
    if (size && RegQueryValueExW(key_, name, nullptr, &type, data.data(), &size) != ERROR_SUCCESS) return std::nullopt;
    data.resize(size);
    return data;
  }
  // A string value whatever its stored length: cut at the first null, never read past the data.
  std::optional<std::wstring> String(const wchar_t* name) const {
    auto bytes = Bytes(name);
    if (!bytes) return std::nullopt;
    std::wstring text(bytes->size() / sizeof(wchar_t), L'\0');
    if (!text.empty()) memcpy(text.data(), bytes->data(), text.size() * sizeof(wchar_t));
    text.resize(wcsnlen(text.c_str(), text.size()));
    return text;
  }

 private:
  HKEY key_ = nullptr;
};

}  // namespace

bool WriteFactoryTables(const Keypad& keypad) {
  const Tables& t = keypad.tables;
  RegDeleteTreeW(HKEY_LOCAL_MACHINE, kKeybdKey);
  Key keybd, config, layout;
  if (!keybd.Create(kKeybdKey) || !config.Create(std::wstring(kKeybdKey) + L"\\" + t.activeConfig) ||
      !layout.Create(t.layoutKey))
    return false;
  bool ok = keybd.SetString(kActiveConfig, t.activeConfig) && keybd.SetString(kLayoutId, t.layoutId) &&
            keybd.SetString(kLayoutKey, t.layoutKey);
  ok = config.SetBinary(kVkeyGold, t.vkeyGold) && config.SetBinary(kVkey, t.vkey) &&
       config.SetBinary(kVflags, t.vflags) && ok;
  for (int i = 0; i < 3; ++i) ok = layout.SetBinary(kPlaneNames[i], t.planes[i]) && ok;
  return ok;
}

std::optional<Tables> ReadTables() {
  Key keybd;
  if (!keybd.Open(kKeybdKey)) return std::nullopt;
  auto active = keybd.String(kActiveConfig);
  if (!active || active->empty()) return std::nullopt;
  Tables t;
  t.activeConfig = *active;
  t.layoutId = keybd.String(kLayoutId).value_or(L"");
  t.layoutKey = keybd.String(kLayoutKey).value_or(L"");
  // A leading backslash names the same key on the device; Wine refuses it.
  while (!t.layoutKey.empty() && t.layoutKey[0] == L'\\') t.layoutKey.erase(0, 1);
  Key config;
  if (config.Open(std::wstring(kKeybdKey) + L"\\" + t.activeConfig)) {
    t.vkeyGold = config.Bytes(kVkeyGold).value_or(std::vector<BYTE>());
    t.vkey = config.Bytes(kVkey).value_or(std::vector<BYTE>());
    t.vflags = config.Bytes(kVflags).value_or(std::vector<BYTE>());
  }
  Key layout;
  if (!t.layoutKey.empty() && layout.Open(t.layoutKey))
    for (int i = 0; i < 3; ++i) t.planes[i] = layout.Bytes(kPlaneNames[i]).value_or(std::vector<BYTE>());
  return t;
}

Keypad KeypadOfProfile() {
  return KeypadForDevice(wince::ReadProfileString(wince::profile::kPalModel).value_or(L""),
                         wince::ReadProfileString(wince::profile::kOemInfo).value_or(L""));
}

}  // namespace keypad
