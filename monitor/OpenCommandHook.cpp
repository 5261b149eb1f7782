// The resident monitor's registry edit: "<quoted monitor path> <old command>" while it runs.
#include "OpenCommandHook.h"

#include "SystemCalls.h"
#include "Win32Owners.h"

namespace qzr::monitor {

std::optional<std::wstring> ComposeHookedCommand(const std::wstring& command, const std::wstring& quotedPath) {
  if (command.find(quotedPath) != std::wstring::npos) return command;
  // One below the plain limit: the hooked command, with its NUL, must still fit the buffer
  // that unhooking reads it into, or the hook could never be taken out again.
  if (command.size() + quotedPath.size() + 1 >= kCommandLimit - 1) return std::nullopt;
  return quotedPath + L" " + command;
}

std::optional<std::wstring> ComposeUnhookedCommand(const std::wstring& command, const std::wstring& quotedPath) {
  size_t at = command.find(quotedPath);
  if (quotedPath.empty() || at == std::wstring::npos) return std::nullopt;
  // Skips the blank that hooking inserted; a value that ends right after the path has none.
  size_t start = at + quotedPath.size() + 1;
  return start < command.size() ? command.substr(start) : std::wstring();
}

namespace {

class OpenKey {
 public:
  OpenKey(const RegistryCalls& calls, HKEY root, const std::wstring& path) : calls_(calls) {
    if (calls_.open(root, RegKey::DevicePath(path).c_str(), 0, KEY_READ | KEY_SET_VALUE, &key_) != ERROR_SUCCESS)
      key_ = nullptr;
  }
  ~OpenKey() {
    if (key_) calls_.close(key_);
  }
  OpenKey(const OpenKey&) = delete;
  OpenKey& operator=(const OpenKey&) = delete;
  HKEY get() const { return key_; }

 private:
  const RegistryCalls& calls_;
  HKEY key_ = nullptr;
};

}  // namespace

bool RegistryString(HKEY root, const std::wstring& keyPath, const wchar_t* valueName, std::wstring* read,
                    DWORD bufferBytes, const std::wstring* write) {
  const RegistryCalls& reg = Registry();
  if (!reg.complete) return false;
  OpenKey key(reg, root, keyPath);
  if (!key.get()) return false;
  if (read) {
    DWORD type = 0, size = 0;
    if (reg.query(key.get(), valueName, nullptr, &type, nullptr, &size) != ERROR_SUCCESS || size >= bufferBytes)
      return false;
    if (type != REG_SZ && type != REG_EXPAND_SZ && type != REG_MULTI_SZ) return false;
    std::wstring text(size / sizeof(wchar_t) + 1, L'\0');
    if (reg.query(key.get(), valueName, nullptr, &type, reinterpret_cast<BYTE*>(text.data()), &size) != ERROR_SUCCESS)
      return false;
    text.resize(size / sizeof(wchar_t));
    while (!text.empty() && text.back() == L'\0') text.pop_back();
    *read = text;
  }
  if (write)
    return reg.set(key.get(), valueName, 0, REG_SZ, reinterpret_cast<const BYTE*>(write->c_str()),
                   static_cast<DWORD>((write->size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
  return true;
}

namespace {

bool HookKey(HKEY root, const std::wstring& keyPath, const std::wstring& quotedPath) {
  std::wstring command;
  if (!RegistryString(root, keyPath, kDefaultValueName, &command, kCommandBufferBytes, nullptr)) return false;
  auto hooked = ComposeHookedCommand(command, quotedPath);
  if (!hooked) return false;
  if (*hooked == command) return true;
  return RegistryString(root, keyPath, kDefaultValueName, nullptr, 0, &*hooked);
}

void UnhookKey(HKEY root, const std::wstring& keyPath, const std::wstring& quotedPath) {
  std::wstring command;
  if (!RegistryString(root, keyPath, kDefaultValueName, &command, kCommandBufferBytes, nullptr)) return;
  if (auto original = ComposeUnhookedCommand(command, quotedPath))
    RegistryString(root, keyPath, kDefaultValueName, nullptr, 0, &*original);
}

template <typename Fn>
void ForEachCommandKey(HKEY root, const std::wstring& extension, Fn fn) {
  std::wstring fileClass;
  if (!RegistryString(root, extension, kDefaultValueName, &fileClass, kClassNameBufferBytes, nullptr)) return;
  for (const wchar_t* suffix : {kOpenCommandKey, kOpenDocCommandKey})
    if (fileClass.size() + wcslen(suffix) < kKeyPathLimit) fn(fileClass + suffix);
}

}  // namespace

bool HookOpenCommand(HKEY root, const std::wstring& extension, const std::wstring& quotedPath) {
  bool any = false;
  ForEachCommandKey(root, extension, [&](const std::wstring& key) { any = HookKey(root, key, quotedPath) || any; });
  return any;
}

void UnhookOpenCommand(HKEY root, const std::wstring& extension, const std::wstring& quotedPath) {
  ForEachCommandKey(root, extension, [&](const std::wstring& key) { UnhookKey(root, key, quotedPath); });
}

}  // namespace qzr::monitor
