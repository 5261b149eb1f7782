// The simulated shell's task bar: its icons, taps and keys, activation and full-screen requests.
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

void DrawStartIcon(HDC dc, RECT r) {
  InflateRect(&r, -(r.bottom - r.top) / 4, -(r.bottom - r.top) / 4);
  int mx = (r.left + r.right) / 2, my = (r.top + r.bottom) / 2;
  Fill(dc, {r.left, r.top, mx - 1, my - 1}, RGB(0xE8, 0x40, 0x20));
  Fill(dc, {mx + 1, r.top, r.right, my - 1}, RGB(0x40, 0xB0, 0x30));
  Fill(dc, {r.left, my + 1, mx - 1, r.bottom}, RGB(0x30, 0x80, 0xE8));
  Fill(dc, {mx + 1, my + 1, r.right, r.bottom}, RGB(0xF8, 0xC0, 0x20));
}

void DrawSipIcon(HDC dc, RECT r) {
  int h = r.bottom - r.top;
  InflateRect(&r, -h / 6, -h / 3);
  Fill(dc, r, kBarTextColour);
  RECT inner = r;
  InflateRect(&inner, -1, -1);
  Fill(dc, inner, kBarColour);
  for (int row = 0; row < 2; ++row)
    for (int x = inner.left + 2; x + 2 <= inner.right - 1; x += 4) {
      int y = inner.top + 2 + row * (inner.bottom - inner.top) / 2;
      Fill(dc, {x, y, x + 2, y + 2}, kBarTextColour);
    }
}

void DrawVolumeIcon(HDC dc, const RECT& r) {
  int h = r.bottom - r.top, w = r.right - r.left;
  POINT cone[] = {{r.left + w / 4, r.top + h * 2 / 5}, {r.left + w / 2, r.top + h / 4},
                  {r.left + w / 2, r.bottom - h / 4}, {r.left + w / 4, r.bottom - h * 2 / 5}};
  qzr::GdiObject brush(CreateSolidBrush(kBarTextColour));
  qzr::ScopedSelectObject useBrush(dc, brush.get());
  qzr::ScopedSelectObject usePen(dc, GetStockObject(WHITE_PEN));
  Polygon(dc, cone, 4);
}

void DrawOkButton(HDC dc, RECT r) {
  int h = r.bottom - r.top;
  InflateRect(&r, -h / 8, -h / 8);
  {
    qzr::GdiObject brush(CreateSolidBrush(kBarTextColour));
    qzr::ScopedSelectObject useBrush(dc, brush.get());
    qzr::ScopedSelectObject usePen(dc, GetStockObject(WHITE_PEN));
    Ellipse(dc, r.left, r.top, r.right, r.bottom);
  }
  SetTextColor(dc, kBarColour);
  DrawTextW(dc, L"ok", -1, &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
}

void PaintTaskBar(HWND hwnd, HDC dc) {
  RECT client;
  GetClientRect(hwnd, &client);
  Fill(dc, client, kBarColour);
  devshell::TaskBarLayout l = devshell::LayoutTaskBar(client.right, client.bottom);
  qzr::ScopedSelectObject useFont(dc, shell.font.get());
  SetBkMode(dc, TRANSPARENT);
  if (shell.startIconShown) DrawStartIcon(dc, l.startIcon);
  SetTextColor(dc, kBarTextColour);
  RECT title = l.title;
  title.left += 4;
  DrawTextW(dc, shell.title.c_str(), -1, &title, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS | DT_NOPREFIX);
  if (shell.sipButtonShown) DrawSipIcon(dc, l.sipButton);
  DrawVolumeIcon(dc, l.volumeIcon);
  if (shell.okTarget) DrawOkButton(dc, l.okButton);
}



void TapTaskBar(HWND hwnd, POINT p, bool down) {
  RECT client;
  GetClientRect(hwnd, &client);
  devshell::TaskBarLayout l = devshell::LayoutTaskBar(client.right, client.bottom);
  if (PtInRect(&l.startIcon, p)) {
    // The menu drops on the pen going down, as on the device; a lone button-up opens it too.
    if (!shell.startIconShown) return;
    if (down) {
      ToggleStartMenu(L"Start tap");
      shell.startTapPending = true;
    } else if (shell.startTapPending) {
      shell.startTapPending = false;
    } else if (!IsWindowVisible(shell.startMenu)) {
      OpenStartMenu(L"Start tap");
    }
    return;
  }
  if (down) return;
  FollowForeground();
  if (shell.okTarget && PtInRect(&l.okButton, p)) {
    PostMessageW(shell.okTarget, WM_COMMAND, MAKEWPARAM(IDOK, 0), 0);
  } else if (shell.sipButtonShown && PtInRect(&l.sipButton, p)) {
    ShowSip(!IsWindowVisible(shell.sip));
  } else if (PtInRect(&l.volumeIcon, p)) {
    ShowNotice(L"Volume");
  }
}

void OnTaskBarKey(UINT vk, LPARAM lParam) {
  const bool repeat = (lParam & 0x40000000) != 0;
  if (vk == VK_LWIN || vk == VK_RWIN) {
    if (!repeat) ToggleStartMenu(L"Windows key");
  } else if (vk == VK_ESCAPE) {
    Back(L"Escape key");
  } else if (int button = devshell::ButtonOfVk(vk)) {
    if (!repeat) PressApplicationButton(button);
  } else if (vk == VK_RETURN) {
    // Only while button 1 is held does the driver hand Enter to the bar (a maintenance sequence);
    // the shell itself does nothing with it.
    Note(L"Enter key");
  }
}

void Activate(HWND window) {
  if (!IsWindow(window)) return;
  if (window == shell.desktop) {
    // The desktop asking for itself: the Today screen.
    ShowToday(L"activate request");
    return;
  }
  CloseStartMenu();
  ShowWindow(shell.switcher, SW_HIDE);
  LeaveToday();
  SetForegroundWindow(window);
}

LRESULT ApplyFullScreen(DWORD flags) {
  // Answer first: hiding a window can wait on the X server for seconds, and the caller (the
  // launcher's UI thread) must not hang on it.
  ReplyMessage(TRUE);
  if (flags & SHFS_HIDETASKBAR) ShowWindow(shell.taskBar, SW_HIDE);
  if (flags & SHFS_SHOWTASKBAR) ShowWindow(shell.taskBar, SW_SHOWNOACTIVATE);
  if (flags & SHFS_HIDESIPBUTTON) shell.sipButtonShown = false;
  if (flags & SHFS_SHOWSIPBUTTON) shell.sipButtonShown = true;
  if (flags & SHFS_HIDESTARTICON) shell.startIconShown = false;
  if (flags & SHFS_SHOWSTARTICON) shell.startIconShown = true;
  InvalidateRect(shell.taskBar, nullptr, FALSE);
  return TRUE;
}

LRESULT CALLBACK TaskBarProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
      TapTaskBar(hwnd, TapPoint(lParam), msg == WM_LBUTTONDOWN);
      return 0;
    case WM_KEYDOWN:
      // Keys typed while the bar has the focus are not the keypad driver's: the driver has
      // already handed the shell's keys over (sent), and the rest are no business of the bar.
      if (GetFocus() == hwnd && InSendMessageEx(nullptr) == ISMEX_NOSEND) return 0;
      OnTaskBarKey(static_cast<UINT>(wParam), lParam);
      return 0;
    case WM_HOTKEY:
      OnHotKey(static_cast<int>(wParam));
      return 0;
    case WM_INITMENUPOPUP:
    case WM_ENTERMENULOOP:
      // The shell's own menus are the Start menu.
      OpenStartMenu(msg == WM_INITMENUPOPUP ? L"menu popup" : L"menu loop");
      return 0;
    case WM_USER:
      if (wParam == kActivateRequest) Activate(reinterpret_cast<HWND>(lParam));
      return 0;
    case devshell::kReleaseHotKeyMessage:
      return ReleaseHotKey(static_cast<UINT>(wParam), static_cast<UINT>(lParam));
    case devshell::kShellStateMessage:
      return (IsWindowVisible(shell.startMenu) ? devshell::kShowsStartMenu : 0) |
             (IsWindowVisible(shell.switcher) ? devshell::kShowsSwitcher : 0) |
             (IsWindowVisible(shell.notice) ? devshell::kShowsNotice : 0) | (shell.todayInFront ? devshell::kShowsToday : 0);
    case WM_TIMER:
      if (wParam == kForegroundTimer) {
        FollowForeground();
        if (shell.todayInFront && GetForegroundWindow() != shell.foregroundUnderToday) LeaveToday();
        HWND fg = GetForegroundWindow();
        KeepBarsAbove(fg == shell.taskBar || fg == shell.desktop || fg == shell.sip ? nullptr : fg);
      }
      return 0;
    case tb::kDoneButtonMessage:
      FollowForeground();
      return 0;
    case tb::kFullScreenMessage:
      return ApplyFullScreen(static_cast<DWORD>(wParam));
    case tb::kQueryStateMessage:
      FollowForeground();
      return (shell.startIconShown ? tb::kShowsStartIcon : 0) | (shell.sipButtonShown ? tb::kShowsSipButton : 0) |
             (shell.okTarget ? tb::kShowsOkButton : 0);
    case WM_CLOSE:
      // Closing the task bar shuts the whole shell down (tests and scripts end it this way).
      DestroyWindow(shell.startMenu);
      DestroyWindow(shell.switcher);
      DestroyWindow(shell.notice);
      DestroyWindow(shell.sip);
      DestroyWindow(shell.desktop);
      DestroyWindow(hwnd);
      return 0;
    case WM_DESTROY:
      KillTimer(hwnd, kForegroundTimer);
      PostQuitMessage(0);
      return 0;
  }
  return ShellWindowDefault(hwnd, msg, wParam, lParam, PaintTaskBar);
}

}  // namespace devshell::app
