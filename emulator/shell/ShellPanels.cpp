// The simulated shell's Start menu, Today screen, task switcher and notices.
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

void BringUp(HWND window) {
  ShowWindow(window, SW_SHOWNOACTIVATE);
  SetWindowPos(window, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
  InvalidateRect(window, nullptr, TRUE);
  UpdateWindow(window);
}

void CloseStartMenu() {
  if (IsWindowVisible(shell.startMenu)) ShowWindow(shell.startMenu, SW_HIDE);
}

void OpenStartMenu(const std::wstring& reason) {
  if (IsWindowVisible(shell.switcher)) ShowWindow(shell.switcher, SW_HIDE);
  BringUp(shell.startMenu);
  Note(L"Start menu opened (" + reason + L")");
}

void ToggleStartMenu(const std::wstring& reason) {
  if (IsWindowVisible(shell.startMenu)) CloseStartMenu();
  else OpenStartMenu(reason);
}

void LeaveToday() {
  if (!shell.todayInFront) return;
  shell.todayInFront = false;
  SetWindowPos(shell.desktop, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  SetWindowPos(shell.desktop, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

// The Today screen: the desktop in front of every program (under the task bar).
void ShowToday(const std::wstring& reason) {
  CloseStartMenu();
  ShowWindow(shell.switcher, SW_HIDE);
  shell.todayInFront = true;
  shell.foregroundUnderToday = GetForegroundWindow();
  // Above the programs of other processes takes the topmost band; the task bar goes back over it.
  SetWindowPos(shell.desktop, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  SetWindowPos(shell.taskBar, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  InvalidateRect(shell.desktop, nullptr, FALSE);
  Note(L"Today screen (" + reason + L")");
}

void ShowNotice(const std::wstring& text) {
  SetWindowTextW(shell.notice, text.c_str());
  BringUp(shell.notice);
  SetTimer(shell.notice, kNoticeTimer, kNoticeMs, nullptr);
  Note(L"notice \"" + text + L"\"");
}

// Programs the switcher offers: visible, titled top-level windows that are not the shell's.
BOOL CALLBACK CollectProgram(HWND window, LPARAM) {
  if (!IsWindowVisible(window) || GetWindow(window, GW_OWNER)) return TRUE;
  if (GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_TOOLWINDOW) return TRUE;
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  if (pid == GetCurrentProcessId() || GetWindowTextLengthW(window) == 0) return TRUE;
  shell.switcherWindows.push_back(window);
  return TRUE;
}

void OpenSwitcher(const wchar_t* title, const std::wstring& reason) {
  CloseStartMenu();
  shell.switcherWindows.clear();
  EnumWindows(CollectProgram, 0);
  int rows = static_cast<int>(shell.switcherWindows.size());
  RECT r = devshell::SwitcherRect(ScreenWidth(), ScreenHeight(), rows < 1 ? 1 : rows);
  SetWindowTextW(shell.switcher, title);
  SetWindowPos(shell.switcher, HWND_TOPMOST, r.left, r.top, r.right - r.left, r.bottom - r.top, SWP_NOACTIVATE);
  BringUp(shell.switcher);
  Note(std::wstring(title) + L" opened (" + reason + L"), " + std::to_wstring(rows) + L" programs");
}

// Escape and the Back key: closes what the shell shows, else goes to the Today screen.
void Back(const std::wstring& reason) {
  if (IsWindowVisible(shell.startMenu) || IsWindowVisible(shell.switcher) || IsWindowVisible(shell.notice)) {
    CloseStartMenu();
    ShowWindow(shell.switcher, SW_HIDE);
    ShowWindow(shell.notice, SW_HIDE);
    Note(L"closed (" + reason + L")");
    return;
  }
  ShowToday(reason);
}


void PaintStartMenu(HWND hwnd, HDC dc) {
  RECT client;
  GetClientRect(hwnd, &client);
  Fill(dc, client, RGB(0x40, 0x48, 0x60));
  RECT inner = client;
  InflateRect(&inner, -1, -1);
  Fill(dc, inner, kMenuColour);
  const int bar = BarHeight();
  RECT header = devshell::StartMenuItemRect(client.right, bar, -1);
  Fill(dc, header, kBarColour);
  RECT flag = {header.left, header.top, header.left + (header.bottom - header.top), header.bottom};
  DrawStartIcon(dc, flag);
  SetBkMode(dc, TRANSPARENT);
  qzr::ScopedSelectObject useFont(dc, shell.font.get());
  SetTextColor(dc, kBarTextColour);
  RECT caption = header;
  caption.left = flag.right + 2;
  DrawTextW(dc, L"Start", -1, &caption, DT_LEFT | DT_VCENTER | DT_SINGLELINE);
  SelectObject(dc, shell.itemFont.get());
  SetTextColor(dc, kMenuTextColour);
  for (int i = 0; i < kStartItemCount; ++i) {
    RECT row = devshell::StartMenuItemRect(client.right, bar, i);
    int h = row.bottom - row.top;
    if (i == 3) Fill(dc, {row.left + h / 4, row.top, row.right - h / 4, row.top + 1}, kMenuLineColour);
    Fill(dc, {row.left + h / 4, row.top + h / 4, row.left + h * 3 / 4, row.bottom - h / 4}, kStartItems[i].icon);
    RECT text = row;
    text.left += h;
    DrawTextW(dc, kStartItems[i].label, -1, &text, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
  }
}

LRESULT CALLBACK StartMenuProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_LBUTTONUP: {
      RECT client;
      GetClientRect(hwnd, &client);
      ChooseStartItem(devshell::StartMenuItemAt(client.right, BarHeight(), kStartItemCount, TapPoint(lParam)));
      return 0;
    }
  }
  return ShellWindowDefault(hwnd, msg, wParam, lParam, PaintStartMenu);
}

// A panel with a title row in the bar's colour; the switcher and notices share it.
void PaintPanel(HWND hwnd, HDC dc, const std::wstring& heading, RECT* body) {
  RECT client;
  GetClientRect(hwnd, &client);
  const int bar = BarHeight();
  Fill(dc, client, RGB(0x40, 0x48, 0x60));
  RECT inner = client;
  InflateRect(&inner, -2, -2);
  Fill(dc, inner, kMenuColour);
  RECT title = {inner.left, inner.top, inner.right, inner.top + bar * 3 / 4};
  Fill(dc, title, kBarColour);
  SetBkMode(dc, TRANSPARENT);
  qzr::ScopedSelectObject useFont(dc, shell.font.get());
  SetTextColor(dc, kBarTextColour);
  RECT text = title;
  text.left += bar / 4;
  DrawTextW(dc, heading.c_str(), -1, &text, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS);
  *body = {inner.left, title.bottom, inner.right, inner.bottom};
}

std::wstring WindowText(HWND window) {
  wchar_t text[256] = {};
  GetWindowTextW(window, text, static_cast<int>(std::size(text)));
  return text;
}

void PaintSwitcher(HWND hwnd, HDC dc) {
  RECT body;
  PaintPanel(hwnd, dc, WindowText(hwnd), &body);
  RECT client;
  GetClientRect(hwnd, &client);
  const int bar = BarHeight();
  qzr::ScopedSelectObject useFont(dc, shell.itemFont.get());
  SetTextColor(dc, kMenuTextColour);
  if (shell.switcherWindows.empty()) {
    RECT row = devshell::SwitcherRowRect(client.right, bar, 0);
    DrawTextW(dc, L"(no programs running)", -1, &row, DT_LEFT | DT_VCENTER | DT_SINGLELINE);
  }
  for (size_t i = 0; i < shell.switcherWindows.size(); ++i) {
    RECT row = devshell::SwitcherRowRect(client.right, bar, static_cast<int>(i));
    if (row.bottom > body.bottom) break;
    int h = row.bottom - row.top;
    Fill(dc, {row.left, row.top + h / 5, row.left + h * 3 / 5, row.bottom - h / 5}, RGB(0x30, 0x80, 0xE8));
    RECT text = row;
    text.left += h;
    std::wstring title = WindowText(shell.switcherWindows[i]);
    DrawTextW(dc, title.c_str(), -1, &text, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS);
    Fill(dc, {row.left, row.bottom - 1, row.right, row.bottom}, kMenuLineColour);
  }
}

LRESULT CALLBACK SwitcherProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_LBUTTONUP: {
      RECT client;
      GetClientRect(hwnd, &client);
      int row = devshell::SwitcherRowAt(client.right, BarHeight(), static_cast<int>(shell.switcherWindows.size()),
                                        TapPoint(lParam));
      if (row >= 0) {
        HWND chosen = shell.switcherWindows[row];
        Note(L"switched to \"" + WindowText(chosen) + L"\"");
        Activate(chosen);
      }
      ShowWindow(hwnd, SW_HIDE);
      return 0;
    }
  }
  return ShellWindowDefault(hwnd, msg, wParam, lParam, PaintSwitcher);
}

void PaintNotice(HWND hwnd, HDC dc) {
  RECT body;
  PaintPanel(hwnd, dc, L"Notification", &body);
  qzr::ScopedSelectObject useFont(dc, shell.font.get());
  SetTextColor(dc, kMenuTextColour);
  std::wstring text = WindowText(hwnd);
  DrawTextW(dc, text.c_str(), -1, &body, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS);
}

LRESULT CALLBACK NoticeProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_LBUTTONUP:
      ShowWindow(hwnd, SW_HIDE);
      return 0;
    case WM_TIMER:
      KillTimer(hwnd, kNoticeTimer);
      ShowWindow(hwnd, SW_HIDE);
      return 0;
  }
  return ShellWindowDefault(hwnd, msg, wParam, lParam, PaintNotice);
}

}  // namespace devshell::app
