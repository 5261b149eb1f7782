// The device shell's hot-key table and the rules behind buttons, shortcuts and soft keys.
#include "ShellKeys.h"

#include <cstdlib>
#include <cwctype>

#include "Text.h"

namespace devshell {

const std::vector<ShellHotKey>& ShellHotKeys() {
  static const std::vector<ShellHotKey> keys = {
      {1, 0, VK_F3, HotKeyAction::kPhoneTalk, L"F3 (phone)"},
      {2, 0, VK_F4, HotKeyAction::kPhoneEnd, L"F4 (end call)"},
      {3, 0, VK_F6, HotKeyAction::kVolumeUp, L"F6 (volume up)"},
      {4, MOD_CONTROL, VK_ESCAPE, HotKeyAction::kStartMenu, L"Ctrl+Esc (Start menu)"},
      {5, 0, VK_F7, HotKeyAction::kVolumeDown, L"F7 (volume down)"},
      {6, 0, VK_F22, HotKeyAction::kDeviceLock, L"F22 (device lock)"},
      {7, 0, VK_ESCAPE, HotKeyAction::kBack, L"Escape (back)"},
      {8, MOD_WIN, VK_F6, HotKeyAction::kToday, L"Win+F6 (Today)"},
      {9, MOD_ALT, VK_TAB, HotKeyAction::kTaskSwitcher, L"Alt+Tab (task switcher)"},
      {10, MOD_ALT | MOD_CONTROL, VK_DELETE, HotKeyAction::kTaskManager, L"Ctrl+Alt+Del (task manager)"},
  };
  return keys;
}

const ShellHotKey* FindShellHotKey(UINT modifiers, UINT vk) {
  modifiers &= ~static_cast<UINT>(MOD_NOREPEAT);
  for (const ShellHotKey& k : ShellHotKeys())
    if (k.modifiers == modifiers && k.vk == vk) return &k;
  return nullptr;
}

const ShellHotKey* FindShellHotKeyById(int id) {
  for (const ShellHotKey& k : ShellHotKeys())
    if (k.id == id) return &k;
  return nullptr;
}

CommandLine SplitCommandLine(const std::wstring& text) {
  std::wstring s = qzr::TrimWhite(text);
  CommandLine c;
  if (!s.empty() && s[0] == L'"') {
    size_t close = s.find(L'"', 1);
    if (close == std::wstring::npos) {
      c.file = s.substr(1);
      return c;
    }
    c.file = s.substr(1, close - 1);
    c.parameters = qzr::TrimWhite(s.substr(close + 1));
    return c;
  }
  std::wstring lower = s;
  for (auto& ch : lower) ch = static_cast<wchar_t>(towlower(ch));
  for (size_t at = lower.find(L".exe"); at != std::wstring::npos; at = lower.find(L".exe", at + 1)) {
    size_t end = at + 4;
    if (end == s.size() || iswspace(s[end])) {
      c.file = s.substr(0, end);
      c.parameters = qzr::TrimWhite(s.substr(end));
      return c;
    }
  }
  c.file = s;
  return c;
}

std::optional<std::wstring> ShortcutTarget(const std::string& fileText) {
  size_t hash = fileText.find('#');
  if (hash == std::string::npos || hash == 0 || hash > 10) return std::nullopt;
  for (size_t i = 0; i < hash; ++i)
    if (fileText[i] < '0' || fileText[i] > '9') return std::nullopt;
  std::string rest = fileText.substr(hash + 1);
  size_t eol = rest.find_first_of("\r\n");
  if (eol != std::string::npos) rest.resize(eol);
  int n = MultiByteToWideChar(CP_ACP, 0, rest.data(), static_cast<int>(rest.size()), nullptr, 0);
  std::wstring target(n > 0 ? n : 0, L'\0');
  if (n > 0) MultiByteToWideChar(CP_ACP, 0, rest.data(), static_cast<int>(rest.size()), target.data(), n);
  // The stated length cuts the target only when the text really is that long.
  unsigned long stated = strtoul(fileText.substr(0, hash).c_str(), nullptr, 10);
  if (stated > 0 && stated < target.size()) target.resize(stated);
  target = qzr::TrimWhite(target);
  if (target.empty()) return std::nullopt;
  return target;
}

std::wstring StripQuotes(const std::wstring& text) {
  std::wstring s = qzr::TrimWhite(text);
  if (s.size() >= 2 && s.front() == L'"' && s.back() == L'"') s = s.substr(1, s.size() - 2);
  else if (!s.empty() && s.front() == L'"') s = s.substr(1);
  return qzr::TrimWhite(s);
}

std::wstring ButtonKeyPath(int n) { return L"Software\\Microsoft\\Shell\\Keys\\40C" + std::to_wstring(n); }

int ButtonOfVk(UINT vk) { return vk >= 0xC1 && vk <= 0xC6 ? static_cast<int>(vk - 0xC0) : 0; }

std::wstring TodaySoftKeyPath(int softKey) {
  return L"Software\\Microsoft\\Today\\Keys\\" + std::to_wstring(softKey == 1 ? VK_F1 : VK_F2);
}

}  // namespace devshell
