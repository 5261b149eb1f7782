// The simulated shell's windows and what they share: one shell per device, on one thread.
// Each window's procedure and drawing live in the file named after it below.
#pragma once

#include <windows.h>

#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "DeviceProfile.h"
#include "Win32Owners.h"
#include "aygshell.h"

namespace devshell::app {

namespace tb = wince::taskbar;

inline constexpr UINT_PTR kForegroundTimer = 1;
inline constexpr UINT kForegroundPollMs = 250;
inline constexpr UINT_PTR kNoticeTimer = 2;
inline constexpr UINT kNoticeMs = 2500;
// The device shell's "activate" request: wParam 8, lParam the window to bring to the front.
inline constexpr WPARAM kActivateRequest = 8;
inline constexpr COLORREF kMenuColour = RGB(0xFF, 0xFF, 0xFF);
inline constexpr COLORREF kMenuTextColour = RGB(0x10, 0x10, 0x10);
inline constexpr COLORREF kMenuLineColour = RGB(0xB0, 0xB8, 0xC8);
inline constexpr COLORREF kBarColour = RGB(0x10, 0x24, 0x5A);
inline constexpr COLORREF kBarTextColour = RGB(0xFF, 0xFF, 0xFF);
inline constexpr COLORREF kKeyColour = RGB(0xE8, 0xE8, 0xE8);
inline constexpr COLORREF kKeyTextColour = RGB(0x10, 0x10, 0x10);

// Everything the shell keeps: one shell per device, one thread.
struct Shell {
  HWND taskBar = nullptr;
  HWND desktop = nullptr;
  HWND sip = nullptr;
  bool startIconShown = true;
  bool sipButtonShown = true;
  HWND okTarget = nullptr;  // the foreground window that asked for the "ok" button
  std::wstring title;
  qzr::GdiObject font;  // the bars' and headings' text
  qzr::GdiObject itemFont;  // menu and switcher rows
  HWND startMenu = nullptr;
  HWND switcher = nullptr;
  HWND notice = nullptr;
  bool startTapPending = false;  // a tap's button-down opened or closed the menu; its button-up does nothing
  bool todayInFront = false;     // the desktop shows over the programs until another window comes forward
  HWND foregroundUnderToday = nullptr;
  std::vector<HWND> switcherWindows;
  std::vector<int> heldHotKeys;  // ids the shell holds
};
extern Shell shell;

struct StartItem {
  const wchar_t* label;
  const wchar_t* program;  // opened through the open operation; null: the Today screen or a notice
  COLORREF icon;
};
inline constexpr StartItem kStartItems[] = {
    {L"Today", nullptr, RGB(0x30, 0x80, 0xE8)},
    {L"Scanner", L"\\Windows\\demoscan.exe", RGB(0xE8, 0x40, 0x20)},
    {L"Notes", L"\\Windows\\demonotes.exe", RGB(0xF8, 0xC0, 0x20)},
    {L"Programs", nullptr, RGB(0x40, 0xB0, 0x30)},
    {L"Settings", nullptr, RGB(0x80, 0x80, 0x90)},
    {L"Help", nullptr, RGB(0x60, 0x60, 0xC0)},
};
inline constexpr int kStartItemCount = static_cast<int>(std::size(kStartItems));

// ---- The shell process: journal notes, the bars kept above the foreground window, window classes (DeviceShell.cpp)
void Note(const std::wstring& line);
// WM_PAINT for every shell window: `paint` draws into the window's paint DC.
LRESULT PaintWith(HWND hwnd, void (*paint)(HWND, HDC));
// What every shell window answers alike: taps never activate it, it paints itself with `paint`,
// and the rest goes to DefWindowProc.
LRESULT ShellWindowDefault(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, void (*paint)(HWND, HDC));
void Fill(HDC dc, const RECT& r, COLORREF colour);
int ScreenWidth();
int ScreenHeight();
// The task bar's height on this screen, the unit of the Start menu's and the panels' rows.
int BarHeight();
// Where a mouse message's pen is, in the window's client coordinates (signed: a capture reports
// points left of or above the window).
POINT TapPoint(LPARAM lParam);
void KeepBarsAbove(HWND fg);
void FollowForeground();
bool Register(const wchar_t* name, WNDPROC proc, HINSTANCE instance);

// ---- Task bar (TaskBar.cpp)
void DrawStartIcon(HDC dc, RECT r);
void DrawSipIcon(HDC dc, RECT r);
void DrawVolumeIcon(HDC dc, const RECT& r);
void DrawOkButton(HDC dc, RECT r);
void PaintTaskBar(HWND hwnd, HDC dc);
void TapTaskBar(HWND hwnd, POINT p, bool down);
void OnTaskBarKey(UINT vk, LPARAM lParam);
void Activate(HWND window);
LRESULT ApplyFullScreen(DWORD flags);
LRESULT CALLBACK TaskBarProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

// ---- Desktop with the Today soft keys, and the on-screen keyboard (DesktopAndSip.cpp)
void ShowSip(bool show);
void PaintDesktop(HWND hwnd, HDC dc);
LRESULT CALLBACK DesktopProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
void SendKey(wchar_t key);
void PaintSip(HWND hwnd, HDC dc);
LRESULT CALLBACK SipProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

// ---- Start menu, Today, task switcher, notices (ShellPanels.cpp)
void BringUp(HWND window);
void CloseStartMenu();
void OpenStartMenu(const std::wstring& reason);
void ToggleStartMenu(const std::wstring& reason);
void LeaveToday();
void ShowToday(const std::wstring& reason);
void ShowNotice(const std::wstring& text);
BOOL CALLBACK CollectProgram(HWND window, LPARAM);
void OpenSwitcher(const wchar_t* title, const std::wstring& reason);
void Back(const std::wstring& reason);
void PaintStartMenu(HWND hwnd, HDC dc);
LRESULT CALLBACK StartMenuProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
void PaintPanel(HWND hwnd, HDC dc, const std::wstring& heading, RECT* body);
std::wstring WindowText(HWND window);
void PaintSwitcher(HWND hwnd, HDC dc);
LRESULT CALLBACK SwitcherProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
void PaintNotice(HWND hwnd, HDC dc);
LRESULT CALLBACK NoticeProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

// ---- Opening programs: application buttons, Today soft keys, Start menu items (ShellOpen.cpp)
std::optional<std::wstring> ReadShellText(HKEY root, const std::wstring& path, const wchar_t* name);
std::wstring FileOnDevice(const std::wstring& path);
bool OpenCommand(const std::wstring& commandLine, std::wstring* failure);
std::wstring ResolveShortcut(const std::wstring& file);
void PressApplicationButton(int n);
std::wstring TodaySoftKeyLabel(int key);
void PressTodaySoftKey(int key);
void ChooseStartItem(int index);

// ---- Hot keys (ShellHotKeys.cpp)
void RegisterShellHotKeys();
LRESULT ReleaseHotKey(UINT modifiers, UINT vk);
void OnHotKey(int id);

}  // namespace devshell::app
