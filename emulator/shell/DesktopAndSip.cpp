// The simulated shell's desktop (the Today screen with its two soft keys) and on-screen keyboard.
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

void ShowSip(bool show) {
  if (!shell.sip) return;
  ShowWindow(shell.sip, show ? SW_SHOWNOACTIVATE : SW_HIDE);
  if (show) SetWindowPos(shell.sip, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void PaintDesktop(HWND hwnd, HDC dc) {
  RECT client;
  GetClientRect(hwnd, &client);
  // A Today-like background: a vertical blend from deep blue to pale blue in bands.
  const int bands = 32;
  for (int i = 0; i < bands; ++i) {
    int top = client.bottom * i / bands, bottom = client.bottom * (i + 1) / bands;
    Fill(dc, {0, top, client.right, bottom},
         RGB(0x20 + i * 5, 0x40 + i * 5, 0x90 + i * 3));
  }
  SYSTEMTIME now;
  GetLocalTime(&now);
  wchar_t date[64] = {};
  GetDateFormatW(LOCALE_USER_DEFAULT, DATE_LONGDATE, &now, nullptr, date, static_cast<int>(std::size(date)));
  int bar = BarHeight();
  RECT line = {bar / 2, bar + bar / 2, client.right, bar * 3};
  qzr::ScopedSelectObject useFont(dc, shell.font.get());
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, RGB(0xFF, 0xFF, 0xFF));
  DrawTextW(dc, date, -1, &line, DT_LEFT | DT_TOP | DT_SINGLELINE | DT_NOPREFIX);
  // The Today screen's soft keys, named by the shell's Today key entries.
  for (int key = 1; key <= 2; ++key) {
    RECT r = devshell::TodaySoftKeyRect(ScreenWidth(), ScreenHeight(), key);
    Fill(dc, r, kBarColour);
    if (key == 2) Fill(dc, {r.left, r.top + bar / 5, r.left + 1, r.bottom - bar / 5}, kMenuLineColour);
    std::wstring label = TodaySoftKeyLabel(key);
    DrawTextW(dc, label.c_str(), -1, &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS);
  }
}

LRESULT CALLBACK DesktopProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_WINDOWPOSCHANGING: {
      // Behind everything, except while the Today screen is asked for.
      auto* pos = reinterpret_cast<WINDOWPOS*>(lParam);
      if (!(pos->flags & SWP_NOZORDER) && !shell.todayInFront) pos->hwndInsertAfter = HWND_BOTTOM;
      return 0;
    }
    case WM_LBUTTONUP: {
      POINT p = TapPoint(lParam);
      ClientToScreen(hwnd, &p);
      if (int key = devshell::TodaySoftKeyAt(ScreenWidth(), ScreenHeight(), p)) PressTodaySoftKey(key);
      return 0;
    }
  }
  return ShellWindowDefault(hwnd, msg, wParam, lParam, PaintDesktop);
}

// A key of the keyboard goes to the focused window of the foreground window's thread, as typed.
void SendKey(wchar_t key) {
  HWND fg = GetForegroundWindow();
  if (!fg) return;
  HWND target = fg;
  GUITHREADINFO info{sizeof info};
  if (GetGUIThreadInfo(GetWindowThreadProcessId(fg, nullptr), &info) && info.hwndFocus) target = info.hwndFocus;
  if (key == L'\r') {
    // As a key, so that a dialog's manager turns it into its default button.
    PostMessageW(target, WM_KEYDOWN, VK_RETURN, 0x001C0001);
    PostMessageW(target, WM_KEYUP, VK_RETURN, 0xC01C0001);
    return;
  }
  PostMessageW(target, WM_CHAR, key, 1);
}

void PaintSip(HWND hwnd, HDC dc) {
  RECT client;
  GetClientRect(hwnd, &client);
  Fill(dc, client, RGB(0x60, 0x68, 0x78));
  qzr::ScopedSelectObject useFont(dc, shell.font.get());
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, kKeyTextColour);
  for (int row = 0; row < devshell::kSipRows; ++row)
    for (int column = 0; column < devshell::kSipColumns; ++column) {
      RECT key = devshell::SipKeyRect(client.right, client.bottom, row, column);
      InflateRect(&key, -1, -1);
      Fill(dc, key, kKeyColour);
      std::wstring label = devshell::SipKeyLabel(row, column);
      DrawTextW(dc, label.c_str(), static_cast<int>(label.size()), &key, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    }
}

LRESULT CALLBACK SipProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_LBUTTONUP: {
      RECT client;
      GetClientRect(hwnd, &client);
      wchar_t key = devshell::SipKeyUnder(client.right, client.bottom, TapPoint(lParam));
      if (key) SendKey(key);
      return 0;
    }
    case tb::kSipShowMessage:
      ShowSip(wParam != 0);
      return TRUE;
  }
  return ShellWindowDefault(hwnd, msg, wParam, lParam, PaintSip);
}

// The Start menu: a white panel under the Start icon, a header with the Start flag, one row per item.

}  // namespace devshell::app
