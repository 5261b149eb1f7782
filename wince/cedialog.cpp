// Top-level dialogs on the simulated device: captionless templates, the client area below the
// task bar in windowed screens, and list views that ask the dialog manager for the Enter key.
#define WINCE_NO_REDIRECT
#include "cedialog.h"

#include <commctrl.h>

#include <algorithm>
#include <cstring>
#include <utility>
#include <vector>

#include "aygshell.h"

namespace {

constexpr DWORD kFrameStyles = WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | DS_MODALFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX;
constexpr DWORD kFrameExStyles = WS_EX_DLGMODALFRAME | WS_EX_WINDOWEDGE | WS_EX_CLIENTEDGE | WS_EX_STATICEDGE;

struct DialogCall {
  DLGPROC proc;
  LPARAM param;
};

// The call being created on this thread: messages before WM_INITDIALOG find it here.
thread_local DialogCall* g_creating = nullptr;

// Per-window records of this layer, kept per thread (a window's messages all come on its own
// thread). They are looked up on every message a window gets: kept in window properties, as
// comctl32's subclassing keeps its chain, each lookup was a round trip to the server under Wine.
template <typename T>
class WindowTable {
 public:
  T Find(HWND hwnd) const {
    for (const auto& [window, value] : entries_)
      if (window == hwnd) return value;
    return T{};
  }
  void Add(HWND hwnd, T value) { entries_.emplace_back(hwnd, value); }
  void Forget(HWND hwnd) {
    auto gone = [hwnd](const std::pair<HWND, T>& entry) { return entry.first == hwnd; };
    entries_.erase(std::remove_if(entries_.begin(), entries_.end(), gone), entries_.end());
  }

 private:
  std::vector<std::pair<HWND, T>> entries_;
};

// The dialogs made here, with their calls.
thread_local WindowTable<DialogCall*> g_dialogs;
// The dialogs and list views whose window procedures this layer stands in front of, with the
// procedures they pass on to.
thread_local WindowTable<WNDPROC> g_wrapped;

void Wrap(HWND hwnd, WNDPROC proc) {
  auto previous = reinterpret_cast<WNDPROC>(SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(proc)));
  if (previous) g_wrapped.Add(hwnd, previous);
}

LRESULT CallWrapped(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  WNDPROC previous = g_wrapped.Find(hwnd);
  if (msg == WM_NCDESTROY) g_wrapped.Forget(hwnd);
  return previous ? CallWindowProcW(previous, hwnd, msg, wParam, lParam) : DefWindowProcW(hwnd, msg, wParam, lParam);
}

HWND VisibleTaskBar(RECT* where) {
  HWND bar = FindWindowW(wince::taskbar::kClassName, nullptr);
  if (!bar || !IsWindowVisible(bar) || !GetWindowRect(bar, where)) return nullptr;
  return bar;
}

LRESULT CALLBACK FrameProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_NCCALCSIZE) {
    LRESULT result = CallWrapped(hwnd, msg, wParam, lParam);
    RECT* client = wParam ? &reinterpret_cast<NCCALCSIZE_PARAMS*>(lParam)->rgrc[0] : reinterpret_cast<RECT*>(lParam);
    RECT bar{};
    bool shown = VisibleTaskBar(&bar) != nullptr;
    bool hides = GetPropW(hwnd, wince::kHidesTaskBarProperty) != nullptr;
    client->top = wince::ClientTopBelowTaskBar(client->top, client->bottom, shown, bar.bottom, hides);
    return result;
  }
  return CallWrapped(hwnd, msg, wParam, lParam);
}

// The device's list view handles Enter (NM_RETURN) instead of letting the dialog turn it into OK.
LRESULT CALLBACK ListProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_GETDLGCODE) {
    LRESULT code = CallWrapped(hwnd, msg, wParam, lParam);
    const MSG* key = reinterpret_cast<const MSG*>(lParam);
    if (key && (key->message == WM_KEYDOWN || key->message == WM_CHAR) && key->wParam == VK_RETURN)
      code |= DLGC_WANTALLKEYS;
    return code;
  }
  return CallWrapped(hwnd, msg, wParam, lParam);
}

BOOL CALLBACK PrepareControl(HWND child, LPARAM) {
  wchar_t cls[32] = {};
  GetClassNameW(child, cls, 32);
  if (!wcscmp(cls, WC_LISTVIEWW)) Wrap(child, ListProc);
  // A group box paints only its frame: the dialog, which clips its children, still paints
  // the inside of the box.
  if (!_wcsicmp(cls, WC_BUTTONW) && (GetWindowLongW(child, GWL_STYLE) & BS_TYPEMASK) == BS_GROUPBOX)
    SetWindowLongW(child, GWL_EXSTYLE, GetWindowLongW(child, GWL_EXSTYLE) | WS_EX_TRANSPARENT);
  return TRUE;
}

INT_PTR CALLBACK DeviceDialogProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  DialogCall* call = g_dialogs.Find(hwnd);
  if (!call && g_creating) {
    call = std::exchange(g_creating, nullptr);
    g_dialogs.Add(hwnd, call);
    Wrap(hwnd, FrameProc);
  }
  if (!call) return FALSE;
  if (msg == WM_INITDIALOG) {
    SetWindowPos(hwnd, nullptr, 0, 0, 0, 0, SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    EnumChildWindows(hwnd, PrepareControl, 0);
    lParam = call->param;
  }
  INT_PTR result = call->proc ? call->proc(hwnd, msg, wParam, lParam) : FALSE;
  if (msg == WM_NCDESTROY) g_dialogs.Forget(hwnd);
  return result;
}

}  // namespace

namespace wince {

std::vector<BYTE> DeviceDialogTemplate(const BYTE* data, size_t size) {
  std::vector<BYTE> copy(data, data + size);
  if (size < 18) return copy;
  WORD version = 0, signature = 0;
  memcpy(&version, data, 2);
  memcpy(&signature, data + 2, 2);
  const bool extended = version == 1 && signature == 0xFFFF;
  // DLGTEMPLATEEX: version, signature, help id, ex style, style; DLGTEMPLATE: style, ex style.
  const size_t styleAt = extended ? 12 : 0, exStyleAt = extended ? 8 : 4;
  if (size < styleAt + 4 || size < exStyleAt + 4) return copy;
  DWORD style = 0, exStyle = 0;
  memcpy(&style, data + styleAt, 4);
  memcpy(&exStyle, data + exStyleAt, 4);
  if (style & WS_CHILD) return copy;
  // The device's windows always clip their children: a dialog repaint never covers a control.
  style = (style & ~kFrameStyles) | WS_CLIPCHILDREN;
  exStyle &= ~kFrameExStyles;
  memcpy(copy.data() + styleAt, &style, 4);
  memcpy(copy.data() + exStyleAt, &exStyle, 4);
  return copy;
}

int ClientTopBelowTaskBar(int windowTop, int windowBottom, bool taskBarShown, int taskBarBottom, bool hidesTaskBar) {
  if (!taskBarShown || hidesTaskBar || windowTop >= taskBarBottom) return windowTop;
  return std::min(taskBarBottom, windowBottom);
}

}  // namespace wince

extern "C" INT_PTR WINAPI CeDialogBoxParamW(HINSTANCE module, LPCWSTR templateName, HWND parent, DLGPROC proc,
                                            LPARAM param) {
  HRSRC found = FindResourceW(module, templateName, reinterpret_cast<LPCWSTR>(RT_DIALOG));
  HGLOBAL loaded = found ? LoadResource(module, found) : nullptr;
  const BYTE* data = loaded ? static_cast<const BYTE*>(LockResource(loaded)) : nullptr;
  if (!data) return DialogBoxParamW(module, templateName, parent, proc, param);
  std::vector<BYTE> shown = wince::DeviceDialogTemplate(data, SizeofResource(module, found));
  DialogCall call{proc, param};
  DialogCall* outer = std::exchange(g_creating, &call);
  INT_PTR result = DialogBoxIndirectParamW(module, reinterpret_cast<const DLGTEMPLATE*>(shown.data()), parent,
                                           DeviceDialogProc, 0);
  g_creating = outer;
  return result;
}
