// qzrdeviceshell: the simulated handheld's shell: the "HHTaskBar" task bar across the top with
// its Start menu, the "DesktopExplorerWindow" desktop (the Today screen with its two soft keys)
// behind everything, the on-screen keyboard (SIP), the shell's hot keys, the task switcher and
// notices, and the keypad driver.
#include <windows.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "DeviceProfile.h"
#include "KeypadDriver.h"
#include "ShellKeys.h"
#include "ShellLayout.h"
#include "ShellWindows.h"
#include "aygshell.h"
#include "shellexec.h"

namespace devshell::app {

Shell shell;

void Note(const std::wstring& line) { wince::AppendJournal(L"shell: " + line); }

LRESULT PaintWith(HWND hwnd, void (*paint)(HWND, HDC)) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(hwnd, &ps);
  paint(hwnd, dc);
  EndPaint(hwnd, &ps);
  return 0;
}

LRESULT ShellWindowDefault(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, void (*paint)(HWND, HDC)) {
  switch (msg) {
    case WM_MOUSEACTIVATE:
      // A tap must leave the foreground window in front and focused: the task bar's "ok" and
      // the SIP's keys go to it.
      return MA_NOACTIVATE;
    case WM_ERASEBKGND:
      return 1;  // the paint covers the whole client area
    case WM_PAINT:
      return PaintWith(hwnd, paint);
  }
  return DefWindowProcW(hwnd, msg, wParam, lParam);
}

void Fill(HDC dc, const RECT& r, COLORREF colour) {
  qzr::GdiObject brush(CreateSolidBrush(colour));
  FillRect(dc, &r, static_cast<HBRUSH>(brush.get()));
}

int ScreenWidth() { return GetSystemMetrics(SM_CXSCREEN); }
int ScreenHeight() { return GetSystemMetrics(SM_CYSCREEN); }
int BarHeight() { return wince::ShellBarHeight(ScreenWidth(), ScreenHeight()); }
POINT TapPoint(LPARAM lParam) { return {static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))}; }

// For a while after a window comes forward, the task bar and that window's soft-key bar are
// put back on top: the desktop shows a newly raised window over them although the window list
// keeps them above it.
constexpr int kRaiseTicks = 8;
HWND g_lastForeground = nullptr;
int g_raiseTicks = 0;

void KeepBarsAbove(HWND fg) {
  constexpr UINT kOrderOnly = SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE;
  if (fg != g_lastForeground) {
    g_lastForeground = fg;
    g_raiseTicks = kRaiseTicks;
  }
  if (g_raiseTicks <= 0 || !fg) return;
  --g_raiseTicks;
  HWND bar = static_cast<HWND>(GetPropW(fg, wince::kMenuBarProperty));
  if (bar && IsWindowVisible(bar)) SetWindowPos(bar, HWND_TOP, 0, 0, 0, 0, kOrderOnly);
  if (IsWindowVisible(shell.taskBar)) {
    SetWindowPos(shell.taskBar, HWND_NOTOPMOST, 0, 0, 0, 0, kOrderOnly);
    SetWindowPos(shell.taskBar, HWND_TOPMOST, 0, 0, 0, 0, kOrderOnly);
  }
}

// Looks at the foreground window: its title shows in the bar, and its SHDoneButton wish decides
// whether the "ok" button shows.
void FollowForeground() {
  HWND fg = GetForegroundWindow();
  HWND target = nullptr;
  std::wstring title;
  if (fg && fg != shell.taskBar && fg != shell.desktop && fg != shell.sip) {
    if (wince::DoneButtonState(fg) == SHDB_SHOW) target = fg;
    wchar_t text[128] = {};
    GetWindowTextW(fg, text, static_cast<int>(std::size(text)));
    title = text;
  }
  if (target != shell.okTarget || title != shell.title) {
    shell.okTarget = target;
    shell.title = title;
    InvalidateRect(shell.taskBar, nullptr, FALSE);
  }
}


bool Register(const wchar_t* name, WNDPROC proc, HINSTANCE instance) {
  WNDCLASSW wc{};
  wc.lpfnWndProc = proc;
  wc.hInstance = instance;
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.lpszClassName = name;
  return RegisterClassW(&wc) != 0;
}

}  // namespace devshell::app

using namespace devshell::app;

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, LPWSTR, int) {
  // One shell per device.
  if (FindWindowW(tb::kClassName, nullptr)) return 0;
  if (!Register(tb::kClassName, TaskBarProc, instance) || !Register(tb::kDesktopClassName, DesktopProc, instance) ||
      !Register(tb::kSipClassName, SipProc, instance) || !Register(devshell::kStartMenuClass, StartMenuProc, instance) ||
      !Register(devshell::kSwitcherClass, SwitcherProc, instance) || !Register(devshell::kNoticeClass, NoticeProc, instance))
    return 1;
  const int width = ScreenWidth(), height = ScreenHeight();
  const int bar = wince::ShellBarHeight(width, height);
  shell.font.reset(CreateFontW(-bar * 4 / 10, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                                CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, VARIABLE_PITCH | FF_SWISS, L"Tahoma"));
  shell.itemFont.reset(CreateFontW(-bar * 4 / 10, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                                    OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, VARIABLE_PITCH | FF_SWISS,
                                    L"Tahoma"));

  shell.desktop = CreateWindowExW(WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE, tb::kDesktopClassName, L"Desktop",
                                  WS_POPUP | WS_VISIBLE, 0, 0, width, height, nullptr, nullptr, instance, nullptr);
  shell.taskBar = CreateWindowExW(WS_EX_TOOLWINDOW | WS_EX_TOPMOST | WS_EX_NOACTIVATE, tb::kClassName, L"",
                                  WS_POPUP | WS_VISIBLE, 0, 0, width, bar, nullptr, nullptr, instance, nullptr);
  RECT sip = devshell::SipWindowRect(width, height);
  shell.sip = CreateWindowExW(WS_EX_TOOLWINDOW | WS_EX_TOPMOST | WS_EX_NOACTIVATE, tb::kSipClassName, L"SIP", WS_POPUP,
                              sip.left, sip.top, sip.right - sip.left, sip.bottom - sip.top, nullptr, nullptr, instance,
                              nullptr);
  RECT menu = devshell::StartMenuRect(width, height, kStartItemCount);
  const DWORD panelExStyle = WS_EX_TOOLWINDOW | WS_EX_TOPMOST | WS_EX_NOACTIVATE;
  shell.startMenu = CreateWindowExW(panelExStyle, devshell::kStartMenuClass, L"Start", WS_POPUP, menu.left, menu.top,
                                    menu.right - menu.left, menu.bottom - menu.top, nullptr, nullptr, instance, nullptr);
  RECT panel = devshell::SwitcherRect(width, height, 1);
  shell.switcher = CreateWindowExW(panelExStyle, devshell::kSwitcherClass, L"Running Programs", WS_POPUP, panel.left,
                                   panel.top, panel.right - panel.left, panel.bottom - panel.top, nullptr, nullptr, instance,
                                   nullptr);
  RECT notice = devshell::NoticeRect(width, height);
  shell.notice = CreateWindowExW(panelExStyle, devshell::kNoticeClass, L"", WS_POPUP, notice.left, notice.top,
                                 notice.right - notice.left, notice.bottom - notice.top, nullptr, nullptr, instance, nullptr);
  if (!shell.desktop || !shell.taskBar || !shell.sip || !shell.startMenu || !shell.switcher || !shell.notice) return 1;
  SetTimer(shell.taskBar, kForegroundTimer, kForegroundPollMs, nullptr);
  RegisterShellHotKeys();
  if (!devshell::StartKeypadDriver(shell.taskBar)) Note(L"no keypad driver");

  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  // The windows that drew with the fonts are gone with the loop.
  shell.font.reset();
  shell.itemFont.reset();
  return 0;
}
