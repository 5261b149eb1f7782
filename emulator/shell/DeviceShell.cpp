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
#include "aygshell.h"
#include "shellexec.h"

namespace {

namespace tb = wince::taskbar;

constexpr UINT_PTR kForegroundTimer = 1;
constexpr UINT kForegroundPollMs = 250;
constexpr UINT_PTR kNoticeTimer = 2;
constexpr UINT kNoticeMs = 2500;
// The device shell's "activate" request: wParam 8, lParam the window to bring to the front.
constexpr WPARAM kActivateRequest = 8;
constexpr COLORREF kMenuColour = RGB(0xFF, 0xFF, 0xFF);
constexpr COLORREF kMenuTextColour = RGB(0x10, 0x10, 0x10);
constexpr COLORREF kMenuLineColour = RGB(0xB0, 0xB8, 0xC8);
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
  HFONT itemFont = nullptr;
  HWND startMenu = nullptr;
  HWND switcher = nullptr;
  HWND notice = nullptr;
  bool startTapPending = false;  // a tap's button-down opened or closed the menu; its button-up does nothing
  bool todayInFront = false;     // the desktop shows over the programs until another window comes forward
  HWND foregroundUnderToday = nullptr;
  std::vector<HWND> switcherWindows;
  std::vector<int> heldHotKeys;  // ids the shell holds
} shell;

void Note(const std::wstring& line) { wince::AppendJournal(L"shell: " + line); }

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

// ---- Start menu, Today, task switcher, notices -------------------------------------------

struct StartItem {
  const wchar_t* label;
  const wchar_t* program;  // opened through the open operation; null: the Today screen or a notice
  COLORREF icon;
};
const StartItem kStartItems[] = {
    {L"Today", nullptr, RGB(0x30, 0x80, 0xE8)},
    {L"Scanner", L"\\Windows\\demoscan.exe", RGB(0xE8, 0x40, 0x20)},
    {L"Notes", L"\\Windows\\demonotes.exe", RGB(0xF8, 0xC0, 0x20)},
    {L"Programs", nullptr, RGB(0x40, 0xB0, 0x30)},
    {L"Settings", nullptr, RGB(0x80, 0x80, 0x90)},
    {L"Help", nullptr, RGB(0x60, 0x60, 0xC0)},
};
constexpr int kStartItemCount = static_cast<int>(std::size(kStartItems));

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

// ---- Opening programs: application buttons, Today soft keys, Start menu items ----------------

std::optional<std::wstring> ReadRegText(HKEY root, const std::wstring& path, const wchar_t* name) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return std::nullopt;
  std::optional<std::wstring> result;
  DWORD type = 0, size = 0;
  if (RegQueryValueExW(key, name, nullptr, &type, nullptr, &size) == ERROR_SUCCESS &&
      (type == REG_SZ || type == REG_EXPAND_SZ)) {
    std::vector<BYTE> data(size + sizeof(wchar_t));
    if (RegQueryValueExW(key, name, nullptr, &type, data.data(), &size) == ERROR_SUCCESS) {
      const auto* text = reinterpret_cast<const wchar_t*>(data.data());
      result = std::wstring(text, wcsnlen(text, size / sizeof(wchar_t)));
    }
  }
  RegCloseKey(key);
  return result;
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
  HANDLE f = CreateFileW(FileOnDevice(file).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                         OPEN_EXISTING, 0, nullptr);
  if (f == INVALID_HANDLE_VALUE) return L"\"" + file + L"\"";
  std::string text(4096, '\0');
  DWORD read = 0;
  ReadFile(f, text.data(), static_cast<DWORD>(text.size()), &read, nullptr);
  CloseHandle(f);
  text.resize(read);
  auto target = devshell::ShortcutTarget(text);
  return target ? *target : L"\"" + file + L"\"";
}

void PressApplicationButton(int n) {
  std::wstring who = L"button " + std::to_wstring(n);
  auto value = ReadRegText(HKEY_LOCAL_MACHINE, devshell::ButtonKeyPath(n), L"Default");
  std::wstring file = value ? devshell::StripQuotes(*value) : L"";
  if (file.empty()) {
    Note(who + L": nothing assigned");
    return;
  }
  std::wstring target = ResolveShortcut(file), failure;
  if (OpenCommand(target, &failure)) Note(who + L": opened " + file + L" -> " + target);
  else Note(who + L": could not open " + file + L" -> " + target + L" (" + failure + L")");
}

std::wstring TodaySoftKeyLabel(int key) {
  auto label = ReadRegText(HKEY_CURRENT_USER, devshell::TodaySoftKeyPath(key), nullptr);
  if (label && !label->empty()) return *label;
  return key == 1 ? L"Calendar" : L"Contacts";
}

void PressTodaySoftKey(int key) {
  std::wstring who = L"Today soft key " + std::to_wstring(key);
  auto command = ReadRegText(HKEY_CURRENT_USER, devshell::TodaySoftKeyPath(key), L"Open");
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

// ---- Hot keys ---------------------------------------------------------------------------------

void RegisterShellHotKeys() {
  for (const devshell::ShellHotKey& k : devshell::ShellHotKeys()) {
    if (RegisterHotKey(shell.taskBar, k.id, k.modifiers, k.vk)) shell.heldHotKeys.push_back(k.id);
    else Note(std::wstring(L"hot key ") + k.name + L" is held by another program");
  }
}

LRESULT ReleaseHotKey(UINT modifiers, UINT vk) {
  const devshell::ShellHotKey* k = devshell::FindShellHotKey(modifiers, vk);
  if (!k) return 0;
  auto held = std::find(shell.heldHotKeys.begin(), shell.heldHotKeys.end(), k->id);
  if (held == shell.heldHotKeys.end()) return 0;
  UnregisterHotKey(shell.taskBar, k->id);
  shell.heldHotKeys.erase(held);
  Note(std::wstring(L"hot key ") + k->name + L" given up");
  return 1;
}

void OnHotKey(int id) {
  const devshell::ShellHotKey* k = devshell::FindShellHotKeyById(id);
  if (!k) return;
  Note(std::wstring(L"hot key ") + k->name);
  using A = devshell::HotKeyAction;
  switch (k->action) {
    case A::kPhoneTalk: ShowNotice(L"Phone: no network"); break;
    case A::kPhoneEnd: ShowNotice(L"Phone: call ended"); break;
    case A::kVolumeUp: ShowNotice(L"Volume up"); break;
    case A::kVolumeDown: ShowNotice(L"Volume down"); break;
    case A::kStartMenu: OpenStartMenu(k->name); break;
    case A::kDeviceLock: ShowNotice(L"Device locked"); break;
    case A::kBack: Back(k->name); break;
    case A::kToday: ShowToday(k->name); break;
    case A::kTaskSwitcher: OpenSwitcher(L"Running Programs", k->name); break;
    case A::kTaskManager: OpenSwitcher(L"Task Manager", k->name); break;
  }
}

// ---- Task bar ---------------------------------------------------------------------------------

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
    case WM_MOUSEACTIVATE:
      return MA_NOACTIVATE;  // a tap must leave the foreground window in front: "ok" goes to it
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
      TapTaskBar(hwnd, {static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))}, msg == WM_LBUTTONDOWN);
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
  // The Today screen's soft keys, named by the shell's Today key entries.
  for (int key = 1; key <= 2; ++key) {
    RECT r = devshell::TodaySoftKeyRect(ScreenWidth(), ScreenHeight(), key);
    Fill(dc, r, kBarColour);
    if (key == 2) Fill(dc, {r.left, r.top + bar / 5, r.left + 1, r.bottom - bar / 5}, kMenuLineColour);
    std::wstring label = TodaySoftKeyLabel(key);
    DrawTextW(dc, label.c_str(), -1, &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS);
  }
  SelectObject(dc, oldFont);
}

LRESULT CALLBACK DesktopProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_MOUSEACTIVATE:
      return MA_NOACTIVATE;
    case WM_WINDOWPOSCHANGING: {
      // Behind everything, except while the Today screen is asked for.
      auto* pos = reinterpret_cast<WINDOWPOS*>(lParam);
      if (!(pos->flags & SWP_NOZORDER) && !shell.todayInFront) pos->hwndInsertAfter = HWND_BOTTOM;
      return 0;
    }
    case WM_LBUTTONUP: {
      POINT p = {static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
      ClientToScreen(hwnd, &p);
      if (int key = devshell::TodaySoftKeyAt(ScreenWidth(), ScreenHeight(), p)) PressTodaySoftKey(key);
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

// The Start menu: a white panel under the Start icon, a header with the Start flag, one row per item.
void PaintStartMenu(HWND hwnd, HDC dc) {
  RECT client;
  GetClientRect(hwnd, &client);
  Fill(dc, client, RGB(0x40, 0x48, 0x60));
  RECT inner = client;
  InflateRect(&inner, -1, -1);
  Fill(dc, inner, kMenuColour);
  const int bar = wince::ShellBarHeight(ScreenWidth(), ScreenHeight());
  RECT header = devshell::StartMenuItemRect(client.right, bar, -1);
  Fill(dc, header, kBarColour);
  RECT flag = {header.left, header.top, header.left + (header.bottom - header.top), header.bottom};
  DrawStartIcon(dc, flag);
  SetBkMode(dc, TRANSPARENT);
  HGDIOBJ oldFont = SelectObject(dc, shell.font);
  SetTextColor(dc, kBarTextColour);
  RECT caption = header;
  caption.left = flag.right + 2;
  DrawTextW(dc, L"Start", -1, &caption, DT_LEFT | DT_VCENTER | DT_SINGLELINE);
  SelectObject(dc, shell.itemFont);
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
  SelectObject(dc, oldFont);
}

LRESULT CALLBACK StartMenuProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_MOUSEACTIVATE:
      return MA_NOACTIVATE;
    case WM_LBUTTONUP: {
      RECT client;
      GetClientRect(hwnd, &client);
      ChooseStartItem(devshell::StartMenuItemAt(client.right, wince::ShellBarHeight(ScreenWidth(), ScreenHeight()),
                                                kStartItemCount, {static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))}));
      return 0;
    }
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(hwnd, &ps);
      PaintStartMenu(hwnd, dc);
      EndPaint(hwnd, &ps);
      return 0;
    }
  }
  return DefWindowProcW(hwnd, msg, wParam, lParam);
}

// A panel with a title row in the bar's colour; the switcher and notices share it.
void PaintPanel(HWND hwnd, HDC dc, const std::wstring& heading, RECT* body) {
  RECT client;
  GetClientRect(hwnd, &client);
  const int bar = wince::ShellBarHeight(ScreenWidth(), ScreenHeight());
  Fill(dc, client, RGB(0x40, 0x48, 0x60));
  RECT inner = client;
  InflateRect(&inner, -2, -2);
  Fill(dc, inner, kMenuColour);
  RECT title = {inner.left, inner.top, inner.right, inner.top + bar * 3 / 4};
  Fill(dc, title, kBarColour);
  SetBkMode(dc, TRANSPARENT);
  HGDIOBJ oldFont = SelectObject(dc, shell.font);
  SetTextColor(dc, kBarTextColour);
  RECT text = title;
  text.left += bar / 4;
  DrawTextW(dc, heading.c_str(), -1, &text, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS);
  SelectObject(dc, oldFont);
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
  const int bar = wince::ShellBarHeight(ScreenWidth(), ScreenHeight());
  HGDIOBJ oldFont = SelectObject(dc, shell.itemFont);
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
  SelectObject(dc, oldFont);
}

LRESULT CALLBACK SwitcherProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_MOUSEACTIVATE:
      return MA_NOACTIVATE;
    case WM_LBUTTONUP: {
      RECT client;
      GetClientRect(hwnd, &client);
      int row = devshell::SwitcherRowAt(client.right, wince::ShellBarHeight(ScreenWidth(), ScreenHeight()),
                                        static_cast<int>(shell.switcherWindows.size()),
                                        {static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))});
      if (row >= 0) {
        HWND chosen = shell.switcherWindows[row];
        Note(L"switched to \"" + WindowText(chosen) + L"\"");
        Activate(chosen);
      }
      ShowWindow(hwnd, SW_HIDE);
      return 0;
    }
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(hwnd, &ps);
      PaintSwitcher(hwnd, dc);
      EndPaint(hwnd, &ps);
      return 0;
    }
  }
  return DefWindowProcW(hwnd, msg, wParam, lParam);
}

LRESULT CALLBACK NoticeProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_MOUSEACTIVATE:
      return MA_NOACTIVATE;
    case WM_LBUTTONUP:
      ShowWindow(hwnd, SW_HIDE);
      return 0;
    case WM_TIMER:
      KillTimer(hwnd, kNoticeTimer);
      ShowWindow(hwnd, SW_HIDE);
      return 0;
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(hwnd, &ps);
      RECT body;
      PaintPanel(hwnd, dc, L"Notification", &body);
      HGDIOBJ oldFont = SelectObject(dc, shell.font);
      SetTextColor(dc, kMenuTextColour);
      std::wstring text = WindowText(hwnd);
      DrawTextW(dc, text.c_str(), -1, &body, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS);
      SelectObject(dc, oldFont);
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
      !Register(tb::kSipClassName, SipProc, instance) || !Register(devshell::kStartMenuClass, StartMenuProc, instance) ||
      !Register(devshell::kSwitcherClass, SwitcherProc, instance) || !Register(devshell::kNoticeClass, NoticeProc, instance))
    return 1;
  const int width = ScreenWidth(), height = ScreenHeight();
  const int bar = wince::ShellBarHeight(width, height);
  shell.font = CreateFontW(-bar * 4 / 10, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                           CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, VARIABLE_PITCH | FF_SWISS, L"Tahoma");
  shell.itemFont = CreateFontW(-bar * 4 / 10, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                               CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, VARIABLE_PITCH | FF_SWISS, L"Tahoma");

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
  DeleteObject(shell.font);
  DeleteObject(shell.itemFont);
  return 0;
}
