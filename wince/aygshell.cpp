// The Windows Mobile shell calls on the simulated device: soft-key bars are our own windows,
// the task bar's "ok" button and full-screen state belong to the device shell process.
#define WINCE_NO_REDIRECT
#include "aygshell.h"

#include <commctrl.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "Win32Owners.h"
#include "cedialog.h"
#include "softkeys.h"

namespace {

constexpr wchar_t kMenuBarClass[] = L"menu_worker";
using wince::kMenuBarProperty;
constexpr COLORREF kBarColour = RGB(0x1E, 0x2C, 0x48);
constexpr COLORREF kPressedColour = RGB(0x3C, 0x5A, 0x8C);
constexpr COLORREF kKeyTextColour = RGB(0xFF, 0xFF, 0xFF);

struct Key {
  std::wstring text;
  UINT commandId;
};

struct MenuBar {
  HWND owner = nullptr;
  std::vector<Key> keys;
  int pressed = -1;
  qzr::GdiObject font;
};

MenuBar* BarOf(HWND hwnd) { return reinterpret_cast<MenuBar*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA)); }

int KeyUnder(HWND hwnd, const MenuBar& bar, LPARAM lParam) {
  RECT client;
  GetClientRect(hwnd, &client);
  POINT p{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
  return wince::SoftKeyAt(client.right, client.bottom, static_cast<int>(bar.keys.size()), p);
}

void PaintBar(HWND hwnd, HDC dc, const MenuBar& bar) {
  RECT client;
  GetClientRect(hwnd, &client);
  qzr::GdiObject background(CreateSolidBrush(kBarColour));
  FillRect(dc, &client, static_cast<HBRUSH>(background.get()));
  HGDIOBJ oldFont = bar.font ? SelectObject(dc, bar.font.get()) : nullptr;
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, kKeyTextColour);
  int count = static_cast<int>(bar.keys.size());
  for (int i = 0; i < count; ++i) {
    RECT key = wince::SoftKeyRect(client.right, client.bottom, count, i);
    if (i == bar.pressed) {
      qzr::GdiObject pressed(CreateSolidBrush(kPressedColour));
      FillRect(dc, &key, static_cast<HBRUSH>(pressed.get()));
    }
    DrawTextW(dc, bar.keys[i].text.c_str(), -1, &key, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
  }
  if (oldFont) SelectObject(dc, oldFont);
}

LRESULT CALLBACK MenuBarProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  MenuBar* bar = BarOf(hwnd);
  switch (msg) {
    case WM_NCCREATE: {
      // The window takes the bar from its creator here; from now on WM_NCDESTROY frees it, also
      // when the creation fails later on.
      auto* created = static_cast<std::unique_ptr<MenuBar>*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
      SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(created ? created->release() : nullptr));
      break;
    }
    case WM_MOUSEACTIVATE:
      // A tap on a soft key must not take activation from the window the keys belong to.
      return MA_NOACTIVATE;
    case WM_LBUTTONDOWN:
      if (bar) {
        bar->pressed = KeyUnder(hwnd, *bar, lParam);
        SetCapture(hwnd);
        InvalidateRect(hwnd, nullptr, FALSE);
      }
      return 0;
    case WM_LBUTTONUP:
      if (bar) {
        int key = KeyUnder(hwnd, *bar, lParam);
        bool fire = key >= 0 && key == bar->pressed;
        bar->pressed = -1;
        if (GetCapture() == hwnd) ReleaseCapture();
        InvalidateRect(hwnd, nullptr, FALSE);
        // Posted, so the owner's handler may run a modal dialog or destroy this bar.
        if (fire) PostMessageW(bar->owner, WM_COMMAND, MAKEWPARAM(bar->keys[key].commandId, 0), 0);
      }
      return 0;
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(hwnd, &ps);
      if (bar) PaintBar(hwnd, dc, *bar);
      EndPaint(hwnd, &ps);
      return 0;
    }
    case WM_DESTROY:
      if (bar && GetPropW(bar->owner, kMenuBarProperty) == hwnd) RemovePropW(bar->owner, kMenuBarProperty);
      break;
    case WM_NCDESTROY:
      if (bar) {
        delete bar;
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
      }
      break;
  }
  return DefWindowProcW(hwnd, msg, wParam, lParam);
}

bool RegisterMenuBarClass() {
  static ATOM atom = [] {
    WNDCLASSW wc{};
    wc.lpfnWndProc = MenuBarProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.lpszClassName = kMenuBarClass;
    return RegisterClassW(&wc);
  }();
  return atom != 0;
}

bool LoadKeys(HINSTANCE module, UINT resourceId, std::vector<Key>* keys) {
  HRSRC res = FindResourceW(module, MAKEINTRESOURCEW(resourceId), MAKEINTRESOURCEW(10 /*RT_RCDATA*/));
  if (!res) return false;
  HGLOBAL loaded = LoadResource(module, res);
  const void* data = loaded ? LockResource(loaded) : nullptr;
  std::vector<wince::SoftKey> parsed;
  if (!wince::ParseSoftKeys(data, SizeofResource(module, res), &parsed)) return false;
  for (const wince::SoftKey& k : parsed) {
    wchar_t text[64] = {};
    // A text missing from the string table leaves the key blank but still working.
    LoadStringW(module, k.textId, text, static_cast<int>(std::size(text)));
    keys->push_back({text, k.commandId});
  }
  return true;
}

constexpr UINT_PTR kOwnerSubclass = 0x515A54;

// The bar's owner: whatever size the owner asks for, it ends above its visible bar.
LRESULT CALLBACK OwnerProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR) {
  if (msg == WM_WINDOWPOSCHANGING) {
    auto* pos = reinterpret_cast<WINDOWPOS*>(lParam);
    HWND bar = static_cast<HWND>(GetPropW(hwnd, kMenuBarProperty));
    RECT barRect{}, now{};
    // A move alone (centring, say) can push the window's bottom over the bar as well.
    if (bar && (pos->flags & (SWP_NOSIZE | SWP_NOMOVE)) != (SWP_NOSIZE | SWP_NOMOVE) && IsWindowVisible(bar) &&
        GetWindowRect(bar, &barRect) && GetWindowRect(hwnd, &now)) {
      const int top = (pos->flags & SWP_NOMOVE) ? now.top : pos->y;
      const int width = (pos->flags & SWP_NOSIZE) ? now.right - now.left : pos->cx;
      const int height = (pos->flags & SWP_NOSIZE) ? now.bottom - now.top : pos->cy;
      const int fits = wince::HeightAboveMenuBar(top, height, barRect.top);
      if (fits != height) {
        pos->cx = width;
        pos->cy = fits;
        pos->flags &= ~SWP_NOSIZE;
      }
    }
  }
  if (msg == WM_WINDOWPOSCHANGED) {
    // Wine lets an owner that is shown or raised after its bar cover it: the bar goes back on top.
    const auto* pos = reinterpret_cast<const WINDOWPOS*>(lParam);
    HWND bar = static_cast<HWND>(GetPropW(hwnd, kMenuBarProperty));
    if (bar && IsWindowVisible(hwnd) && (!(pos->flags & SWP_NOZORDER) || (pos->flags & SWP_SHOWWINDOW)))
      SetWindowPos(bar, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_NOOWNERZORDER);
  }
  if (msg == WM_NCDESTROY) RemoveWindowSubclass(hwnd, OwnerProc, kOwnerSubclass);
  return DefSubclassProc(hwnd, msg, wParam, lParam);
}

HWND FindTaskBar() { return FindWindowW(wince::taskbar::kClassName, nullptr); }

}  // namespace

namespace wince {

DWORD DoneButtonState(HWND window) {
  return static_cast<DWORD>(reinterpret_cast<UINT_PTR>(GetPropW(window, kDoneButtonProperty)));
}

int ShellBarHeight(int screenWidth, int screenHeight) {
  int side = std::min(screenWidth, screenHeight);
  return side > 240 ? 26 * side / 240 : 26;
}

RECT SoftKeyRect(int barWidth, int barHeight, int keyCount, int index) {
  if (keyCount <= 0 || index < 0 || index >= keyCount || index >= kMaxSoftKeys) return RECT{0, 0, 0, 0};
  int half = barWidth / 2;
  return index == 0 ? RECT{0, 0, half, barHeight} : RECT{half, 0, barWidth, barHeight};
}

int SoftKeyAt(int barWidth, int barHeight, int keyCount, POINT point) {
  for (int i = 0; i < keyCount; ++i) {
    RECT r = SoftKeyRect(barWidth, barHeight, keyCount, i);
    if (PtInRect(&r, point)) return i;
  }
  return -1;
}

int HeightAboveMenuBar(int windowTop, int windowHeight, int barTop) {
  if (windowTop >= barTop || windowTop + windowHeight <= barTop) return windowHeight;
  return barTop - windowTop;
}

}  // namespace wince

extern "C" {

BOOL WINAPI SHCreateMenuBar(SHMENUBARINFO* info) {
  if (!info || info->cbSize < sizeof(SHMENUBARINFO) || !IsWindow(info->hwndParent) || (info->dwFlags & SHCMBF_HMENU)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  info->hwndMB = nullptr;
  auto bar = std::make_unique<MenuBar>();
  bar->owner = info->hwndParent;
  if (!(info->dwFlags & SHCMBF_EMPTYBAR) && !LoadKeys(info->hInstRes, info->nToolBarId, &bar->keys)) {
    SetLastError(ERROR_RESOURCE_DATA_NOT_FOUND);
    return FALSE;
  }
  if (!RegisterMenuBarClass()) return FALSE;
  int width = GetSystemMetrics(SM_CXSCREEN), height = GetSystemMetrics(SM_CYSCREEN);
  int barHeight = wince::ShellBarHeight(width, height);
  bar->font.reset(CreateFontW(-barHeight / 2, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                              CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, VARIABLE_PITCH | FF_SWISS, L"Tahoma"));
  DWORD style = WS_POPUP | ((info->dwFlags & SHCMBF_HIDDEN) ? 0 : WS_VISIBLE);
  // Owned by the dialog: stays above it and goes with it.
  HWND hwnd = CreateWindowExW(WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE, kMenuBarClass, L"", style, 0, height - barHeight,
                              width, barHeight, info->hwndParent, nullptr, GetModuleHandleW(nullptr), &bar);
  if (!hwnd) return FALSE;
  SetPropW(info->hwndParent, kMenuBarProperty, hwnd);
  // The owner's client area ends above the bar, now and whenever it is sized again.
  SetWindowSubclass(info->hwndParent, OwnerProc, kOwnerSubclass, 0);
  RECT owner{};
  if (GetWindowRect(info->hwndParent, &owner))
    SetWindowPos(info->hwndParent, nullptr, 0, 0, owner.right - owner.left, owner.bottom - owner.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  info->hwndMB = hwnd;
  return TRUE;
}

HWND WINAPI SHFindMenuBar(HWND owner) {
  HWND bar = owner ? static_cast<HWND>(GetPropW(owner, kMenuBarProperty)) : nullptr;
  if (!bar || !IsWindow(bar) || GetWindow(bar, GW_OWNER) != owner) return nullptr;
  return bar;
}

BOOL WINAPI SHDoneButton(HWND window, DWORD state) {
  if (!IsWindow(window) || (state != SHDB_SHOW && state != SHDB_HIDE)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  SetPropW(window, wince::kDoneButtonProperty, reinterpret_cast<HANDLE>(static_cast<UINT_PTR>(state)));
  // The task bar also looks again on its own; this only saves it the wait.
  if (HWND taskBar = FindTaskBar())
    PostMessageW(taskBar, wince::taskbar::kDoneButtonMessage, state, reinterpret_cast<LPARAM>(window));
  return TRUE;
}

BOOL WINAPI SHFullScreen(HWND window, DWORD state) {
  // A window that asked the task bar away has its client area from the screen's top edge.
  if (IsWindow(window) && (state & (SHFS_HIDETASKBAR | SHFS_SHOWTASKBAR))) {
    if (state & SHFS_HIDETASKBAR) SetPropW(window, wince::kHidesTaskBarProperty, reinterpret_cast<HANDLE>(1));
    else RemovePropW(window, wince::kHidesTaskBarProperty);
    SetWindowPos(window, nullptr, 0, 0, 0, 0, SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
  HWND taskBar = FindTaskBar();
  if (!taskBar) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  DWORD_PTR result = 0;
  // Sent, not posted: callers look at the task bar right after.
  if (!SendMessageTimeoutW(taskBar, wince::taskbar::kFullScreenMessage, state, reinterpret_cast<LPARAM>(window),
                           SMTO_ABORTIFHUNG, 2000, &result))
    return FALSE;
  return result ? TRUE : FALSE;
}

HBITMAP WINAPI SHLoadDIBitmap(LPCWSTR fileName) {
  if (!fileName || !*fileName) return nullptr;
  return static_cast<HBITMAP>(LoadImageW(nullptr, fileName, IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE | LR_CREATEDIBSECTION));
}

}  // extern "C"
