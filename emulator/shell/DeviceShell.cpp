// qzrdeviceshell: the simulated handheld's shell: the "HHTaskBar" task bar across the top, the
// "DesktopExplorerWindow" desktop behind everything, and the on-screen keyboard (SIP).
#include <windows.h>

#include <string>

#include "ShellLayout.h"
#include "aygshell.h"

namespace {

namespace tb = wince::taskbar;

constexpr UINT_PTR kForegroundTimer = 1;
constexpr UINT kForegroundPollMs = 250;
constexpr COLORREF kBarColour = RGB(0x10, 0x24, 0x5A);
constexpr COLORREF kBarTextColour = RGB(0xFF, 0xFF, 0xFF);
constexpr COLORREF kKeyColour = RGB(0xE8, 0xE8, 0xE8);
constexpr COLORREF kKeyTextColour = RGB(0x10, 0x10, 0x10);

// Everything the shell keeps: one shell per device, one thread.
struct Shell {
  HWND taskBar = nullptr;
  HWND desktop = nullptr;
  HWND sip = nullptr;
  bool startIconShown = true;
  bool sipButtonShown = true;
  HWND okTarget = nullptr;  // the foreground window that asked for the "ok" button
  std::wstring title;
  HFONT font = nullptr;
} shell;

void Fill(HDC dc, const RECT& r, COLORREF colour) {
  HBRUSH brush = CreateSolidBrush(colour);
  FillRect(dc, &r, brush);
  DeleteObject(brush);
}

int ScreenWidth() { return GetSystemMetrics(SM_CXSCREEN); }
int ScreenHeight() { return GetSystemMetrics(SM_CYSCREEN); }

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
  HBRUSH brush = CreateSolidBrush(kBarTextColour);
  HGDIOBJ oldBrush = SelectObject(dc, brush);
  HGDIOBJ oldPen = SelectObject(dc, GetStockObject(WHITE_PEN));
  Polygon(dc, cone, 4);
  SelectObject(dc, oldPen);
  SelectObject(dc, oldBrush);
  DeleteObject(brush);
}

void DrawOkButton(HDC dc, RECT r) {
  int h = r.bottom - r.top;
  InflateRect(&r, -h / 8, -h / 8);
  HBRUSH brush = CreateSolidBrush(kBarTextColour);
  HGDIOBJ oldBrush = SelectObject(dc, brush);
  HGDIOBJ oldPen = SelectObject(dc, GetStockObject(WHITE_PEN));
  Ellipse(dc, r.left, r.top, r.right, r.bottom);
  SelectObject(dc, oldPen);
  SelectObject(dc, oldBrush);
  DeleteObject(brush);
  SetTextColor(dc, kBarColour);
  DrawTextW(dc, L"ok", -1, &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
}

void PaintTaskBar(HWND hwnd, HDC dc) {
  RECT client;
  GetClientRect(hwnd, &client);
  Fill(dc, client, kBarColour);
  devshell::TaskBarLayout l = devshell::LayoutTaskBar(client.right, client.bottom);
  HGDIOBJ oldFont = SelectObject(dc, shell.font);
  SetBkMode(dc, TRANSPARENT);
  if (shell.startIconShown) DrawStartIcon(dc, l.startIcon);
  SetTextColor(dc, kBarTextColour);
  RECT title = l.title;
  title.left += 4;
  DrawTextW(dc, shell.title.c_str(), -1, &title, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS | DT_NOPREFIX);
  if (shell.sipButtonShown) DrawSipIcon(dc, l.sipButton);
  DrawVolumeIcon(dc, l.volumeIcon);
  if (shell.okTarget) DrawOkButton(dc, l.okButton);
  SelectObject(dc, oldFont);
}

void ShowSip(bool show) {
  if (!shell.sip) return;
  ShowWindow(shell.sip, show ? SW_SHOWNOACTIVATE : SW_HIDE);
  if (show) SetWindowPos(shell.sip, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void TapTaskBar(HWND hwnd, POINT p) {
  RECT client;
  GetClientRect(hwnd, &client);
  devshell::TaskBarLayout l = devshell::LayoutTaskBar(client.right, client.bottom);
  FollowForeground();
  if (shell.okTarget && PtInRect(&l.okButton, p)) {
    PostMessageW(shell.okTarget, WM_COMMAND, MAKEWPARAM(IDOK, 0), 0);
  } else if (shell.sipButtonShown && PtInRect(&l.sipButton, p)) {
    ShowSip(!IsWindowVisible(shell.sip));
  }
  // The Start menu and the volume slider are not part of the simulated device.
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
    case WM_MOUSEACTIVATE:
      return MA_NOACTIVATE;  // a tap must leave the foreground window in front: "ok" goes to it
    case WM_LBUTTONUP:
      TapTaskBar(hwnd, {static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))});
      return 0;
    case WM_TIMER:
      if (wParam == kForegroundTimer) {
        FollowForeground();
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
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(hwnd, &ps);
      PaintTaskBar(hwnd, dc);
      EndPaint(hwnd, &ps);
      return 0;
    }
    case WM_CLOSE:
      // Closing the task bar shuts the whole shell down (tests and scripts end it this way).
      DestroyWindow(shell.sip);
      DestroyWindow(shell.desktop);
      DestroyWindow(hwnd);
      return 0;
    case WM_DESTROY:
      KillTimer(hwnd, kForegroundTimer);
      PostQuitMessage(0);
      return 0;
  }
  return DefWindowProcW(hwnd, msg, wParam, lParam);
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
  int bar = wince::ShellBarHeight(ScreenWidth(), ScreenHeight());
  RECT line = {bar / 2, bar + bar / 2, client.right, bar * 3};
  HGDIOBJ oldFont = SelectObject(dc, shell.font);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, RGB(0xFF, 0xFF, 0xFF));
  DrawTextW(dc, date, -1, &line, DT_LEFT | DT_TOP | DT_SINGLELINE | DT_NOPREFIX);
  SelectObject(dc, oldFont);
}

LRESULT CALLBACK DesktopProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_MOUSEACTIVATE:
      return MA_NOACTIVATE;
    case WM_WINDOWPOSCHANGING: {
      auto* pos = reinterpret_cast<WINDOWPOS*>(lParam);
      if (!(pos->flags & SWP_NOZORDER)) pos->hwndInsertAfter = HWND_BOTTOM;  // always behind everything
      return 0;
    }
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(hwnd, &ps);
      PaintDesktop(hwnd, dc);
      EndPaint(hwnd, &ps);
      return 0;
    }
  }
  return DefWindowProcW(hwnd, msg, wParam, lParam);
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
  HGDIOBJ oldFont = SelectObject(dc, shell.font);
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
  SelectObject(dc, oldFont);
}

LRESULT CALLBACK SipProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_MOUSEACTIVATE:
      return MA_NOACTIVATE;  // typing must not take the focus from the window typed into
    case WM_LBUTTONUP: {
      RECT client;
      GetClientRect(hwnd, &client);
      wchar_t key = devshell::SipKeyUnder(client.right, client.bottom,
                                          {static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))});
      if (key) SendKey(key);
      return 0;
    }
    case tb::kSipShowMessage:
      ShowSip(wParam != 0);
      return TRUE;
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(hwnd, &ps);
      PaintSip(hwnd, dc);
      EndPaint(hwnd, &ps);
      return 0;
    }
  }
  return DefWindowProcW(hwnd, msg, wParam, lParam);
}

bool Register(const wchar_t* name, WNDPROC proc, HINSTANCE instance) {
  WNDCLASSW wc{};
  wc.lpfnWndProc = proc;
  wc.hInstance = instance;
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.lpszClassName = name;
  return RegisterClassW(&wc) != 0;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, LPWSTR, int) {
  // One shell per device.
  if (FindWindowW(tb::kClassName, nullptr)) return 0;
  if (!Register(tb::kClassName, TaskBarProc, instance) || !Register(tb::kDesktopClassName, DesktopProc, instance) ||
      !Register(tb::kSipClassName, SipProc, instance))
    return 1;
  const int width = ScreenWidth(), height = ScreenHeight();
  const int bar = wince::ShellBarHeight(width, height);
  shell.font = CreateFontW(-bar * 4 / 10, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                           CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, VARIABLE_PITCH | FF_SWISS, L"Tahoma");

  shell.desktop = CreateWindowExW(WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE, tb::kDesktopClassName, L"Desktop",
                                  WS_POPUP | WS_VISIBLE, 0, 0, width, height, nullptr, nullptr, instance, nullptr);
  shell.taskBar = CreateWindowExW(WS_EX_TOOLWINDOW | WS_EX_TOPMOST | WS_EX_NOACTIVATE, tb::kClassName, L"",
                                  WS_POPUP | WS_VISIBLE, 0, 0, width, bar, nullptr, nullptr, instance, nullptr);
  RECT sip = devshell::SipWindowRect(width, height);
  shell.sip = CreateWindowExW(WS_EX_TOOLWINDOW | WS_EX_TOPMOST | WS_EX_NOACTIVATE, tb::kSipClassName, L"SIP", WS_POPUP,
                              sip.left, sip.top, sip.right - sip.left, sip.bottom - sip.top, nullptr, nullptr, instance,
                              nullptr);
  if (!shell.desktop || !shell.taskBar || !shell.sip) return 1;
  SetTimer(shell.taskBar, kForegroundTimer, kForegroundPollMs, nullptr);

  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  DeleteObject(shell.font);
  return 0;
}
