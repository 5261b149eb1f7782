// What the simulated shell opens: application buttons, Today soft keys, Start menu items.
#include <windows.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "DeviceProfile.h"
#include "Win32Owners.h"
#include "KeypadDriver.h"
#include "ShellKeys.h"
#include "ShellLayout.h"
#include "ShellWindows.h"
#include "aygshell.h"
#include "shellexec.h"

namespace devshell::app {

// A string value of the shell's keys, or nothing when the key or a string is not there.
std::optional<std::wstring> ReadShellText(HKEY root, const std::wstring& path, const wchar_t* name) {
  qzr::RegKey key;
  return key.Open(root, path) ? key.ReadString(name) : std::nullopt;
}

// A device path ("\x\y") on the device's drive, as the shell's own file calls need it.
std::wstring FileOnDevice(const std::wstring& path) {
  if (path.size() >= 2 && path[0] == L'\\' && path[1] != L'\\') {
    wchar_t windows[MAX_PATH] = {};
    GetWindowsDirectoryW(windows, MAX_PATH);
    return std::wstring(1, windows[0] ? windows[0] : L'C') + L":" + path;
  }
  return path;
}

// Opens a command line (program and parameters) through the open operation, as the shell does.
bool OpenCommand(const std::wstring& commandLine, std::wstring* failure) {
  devshell::CommandLine c = devshell::SplitCommandLine(commandLine);
  SHELLEXECUTEINFOW info{sizeof info};
  info.lpVerb = L"open";
  info.lpFile = c.file.c_str();
  info.lpParameters = c.parameters.empty() ? nullptr : c.parameters.c_str();
  info.nShow = SW_SHOWNORMAL;
  if (ShellExecuteEx(&info)) {
    // The program opened comes up over the Today screen, even one that was in front before.
    LeaveToday();
    return true;
  }
  *failure = L"error " + std::to_wstring(GetLastError());
  return false;
}

// A shortcut file's target; a file that is no shortcut is opened itself.
std::wstring ResolveShortcut(const std::wstring& file) {
  qzr::FileHandle f(CreateFileW(FileOnDevice(file).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, 0, nullptr));
  if (!f) return L"\"" + file + L"\"";
  std::string text(4096, '\0');
  DWORD read = 0;
  ReadFile(f.get(), text.data(), static_cast<DWORD>(text.size()), &read, nullptr);
  text.resize(read);
  auto target = devshell::ShortcutTarget(text);
  return target ? *target : L"\"" + file + L"\"";
}

void PressApplicationButton(int n) {
  std::wstring who = L"button " + std::to_wstring(n);
  auto value = ReadShellText(HKEY_LOCAL_MACHINE, devshell::ButtonKeyPath(n), L"Default");
  std::wstring file = value ? devshell::StripQuotes(*value) : std::wstring();
  if (file.empty()) {
    Note(who + L": nothing assigned");
    return;
  }
  std::wstring target = ResolveShortcut(file), failure;
  if (OpenCommand(target, &failure)) Note(who + L": opened " + file + L" -> " + target);
  else Note(who + L": could not open " + file + L" -> " + target + L" (" + failure + L")");
}

std::wstring TodaySoftKeyLabel(int key) {
  auto label = ReadShellText(HKEY_CURRENT_USER, devshell::TodaySoftKeyPath(key), nullptr);
  if (label && !label->empty()) return *label;
  return key == 1 ? L"Calendar" : L"Contacts";
}

void PressTodaySoftKey(int key) {
  std::wstring who = L"Today soft key " + std::to_wstring(key);
  auto command = ReadShellText(HKEY_CURRENT_USER, devshell::TodaySoftKeyPath(key), L"Open");
  if (!command || devshell::StripQuotes(*command).empty()) {
    Note(who + L": no command");
    return;
  }
  std::wstring failure;
  if (OpenCommand(*command, &failure)) Note(who + L": opened " + *command);
  else Note(who + L": could not open " + *command + L" (" + failure + L")");
}

void ChooseStartItem(int index) {
  if (index < 0 || index >= kStartItemCount) return;
  CloseStartMenu();
  const StartItem& item = kStartItems[index];
  if (index == 0) {
    ShowToday(L"Start menu");
  } else if (item.program) {
    std::wstring failure;
    if (OpenCommand(L"\"" + std::wstring(item.program) + L"\"", &failure)) Note(L"Start menu: opened " + std::wstring(item.program));
    else Note(L"Start menu: could not open " + std::wstring(item.program) + L" (" + failure + L")");
  } else {
    ShowNotice(std::wstring(item.label) + L" is not on this handheld");
  }
}

}  // namespace devshell::app
