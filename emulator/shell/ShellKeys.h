// The device shell's keys: the hot keys it holds, how other programs talk to it about keys,
// and the rules behind the application buttons and the Today soft keys.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

namespace devshell {

// Top-level windows of the shell that tests and scripts look for (FindWindow + IsWindowVisible).
inline constexpr wchar_t kStartMenuClass[] = L"QZRStartMenu";      // title "Start"
inline constexpr wchar_t kSwitcherClass[] = L"QZRTaskSwitcher";    // "Running Programs" / "Task Manager"
inline constexpr wchar_t kNoticeClass[] = L"QZRNotice";            // title: the notice's text
inline constexpr wchar_t kKeypadDriverClass[] = L"QZRKeypadDriver";  // hidden; the keypad driver

// To the task bar: give up the hot key wParam = modifiers, lParam = virtual key (CoreDLL's
// UnregisterFunc1 sends it). Returns 1 when the shell held it and let it go, 0 when it did not hold it.
inline constexpr UINT kReleaseHotKeyMessage = WM_APP + 20;
// To the keypad driver's window: press and release application button wParam (1..6), as the
// physical button does (translated through the keypad tables).
inline constexpr UINT kPressButtonMessage = WM_APP + 21;
// To the task bar: what the shell shows now, as kShows* bits.
inline constexpr UINT kShellStateMessage = WM_APP + 22;
inline constexpr LRESULT kShowsStartMenu = 0x1, kShowsSwitcher = 0x2, kShowsNotice = 0x4, kShowsToday = 0x8;

// What a shell hot key does.
enum class HotKeyAction { kPhoneTalk, kPhoneEnd, kVolumeUp, kVolumeDown, kStartMenu, kDeviceLock, kBack, kToday,
                          kTaskSwitcher, kTaskManager };

struct ShellHotKey {
  int id;           // the WM_HOTKEY id on the task bar window
  UINT modifiers;   // MOD_*
  UINT vk;
  HotKeyAction action;
  const wchar_t* name;  // as the journal names it
};

// The hot keys the shell registers on its task bar window at start:
//   id 1  F3            phone: "Phone" notice          id 6  F22          device lock notice
//   id 2  F4            phone: "Call ended" notice     id 7  Escape       back: closes the Start menu,
//   id 3  F6            volume up notice                                  switcher or notice, else Today
//   id 4  Ctrl+Esc      opens the Start menu           id 8  Win+F6       Today (desktop in front)
//   id 5  F7            volume down notice             id 9  Alt+Tab      task switcher
//                                                      id 10 Ctrl+Alt+Del task manager
const std::vector<ShellHotKey>& ShellHotKeys();
// The shell hot key with these modifiers (MOD_NOREPEAT ignored) and key, if any.
const ShellHotKey* FindShellHotKey(UINT modifiers, UINT vk);
const ShellHotKey* FindShellHotKeyById(int id);

// A command line split into the program and its parameters: a quoted program runs to its
// closing quote; an unquoted one to the first blank after ".exe", else the whole text.
struct CommandLine {
  std::wstring file;
  std::wstring parameters;
};
CommandLine SplitCommandLine(const std::wstring& text);

// The target of a shortcut file in the device's text form "N#target" (N the target's length
// in characters). Nothing when the text has no "N#" head. A length that disagrees with the text
// is not trusted: the target is the text after '#' up to the end of its first line.
std::optional<std::wstring> ShortcutTarget(const std::string& fileText);

// A registry text without surrounding double quotes and blanks.
std::wstring StripQuotes(const std::wstring& text);

// The shell key of application button n (1..6): "Software\Microsoft\Shell\Keys\40Cn".
std::wstring ButtonKeyPath(int n);
// The button a virtual key stands for (0xC1..0xC6 -> 1..6), or 0.
int ButtonOfVk(UINT vk);

// HKCU "Software\Microsoft\Today\Keys\112" and "\113": soft keys 1 and 2 of the Today screen.
std::wstring TodaySoftKeyPath(int softKey);

}  // namespace devshell
