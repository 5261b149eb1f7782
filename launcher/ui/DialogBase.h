// DialogBase: a thin modal-dialog class whose derived classes name their handlers in one map.
//
//   class MyDialog : public DialogBase<MyDialog> {
//    public:
//     static constexpr int IDD = 129;
//     QZR_BEGIN_MSG_MAP()
//       QZR_MESSAGE(WM_INITDIALOG, OnInitDialog)
//       QZR_COMMAND(IDOK, OnOk)
//       QZR_NOTIFY(1050, NM_CLICK, OnClick)
//     QZR_END_MSG_MAP()
//   };
//
// Message handlers: LRESULT (UINT, WPARAM, LPARAM, bool& handled); handled starts true and a
// handler clears it to let the dialog manager's default handling run as well.
// Command handlers: void (). Notify handlers: LRESULT (NMHDR*).
#pragma once

#include <windows.h>
#include <commctrl.h>

// The device's dialog manager: captionless dialogs, list views that take Enter.
#include "wince.h"

#include <aygshell.h>

#include <string>
#include <vector>

#include "core/MessageBoxes.h"
#include "ui/UiTexts.h"

namespace qzr {

// The module holding the dialog templates, soft-key bars and bitmaps: the program itself.
inline HINSTANCE UiResourceModule() { return GetModuleHandleW(nullptr); }

// The shell states a screen asks for: all of the screen, or the shell's bars beside it.
inline constexpr DWORD kFullScreenHideAll = SHFS_HIDETASKBAR | SHFS_HIDESIPBUTTON | SHFS_HIDESTARTICON;
inline constexpr DWORD kFullScreenShowBars = SHFS_SHOWTASKBAR | SHFS_SHOWSIPBUTTON;
static_assert(kFullScreenHideAll == 0x2A && kFullScreenShowBars == 0x5, "the states the device's shell is sent");
inline constexpr LONG_PTR kExStyleCaptionOk = static_cast<LONG_PTR>(WS_EX_CAPTIONOKBTN);
inline constexpr LONG_PTR kExStyleNoDrag = static_cast<LONG_PTR>(WS_EX_NODRAG);

#define QZR_BEGIN_MSG_MAP()                                                                 \
  bool ProcessMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {       \
    bool handled = true;                                                                     \
    (void)wParam;                                                                            \
    (void)lParam;

#define QZR_MESSAGE(msg, handler)                        \
  if (message == (msg)) {                                \
    result = handler(message, wParam, lParam, handled);  \
    return handled;                                      \
  }

#define QZR_COMMAND(id, handler)                                                   \
  if (message == WM_COMMAND && LOWORD(wParam) == static_cast<WORD>(id)) {          \
    handler();                                                                     \
    result = 0;                                                                    \
    return true;                                                                   \
  }

#define QZR_NOTIFY(id, notifyCode, handler)                                                             \
  if (message == WM_NOTIFY && reinterpret_cast<NMHDR*>(lParam)->idFrom == static_cast<UINT_PTR>(id) && \
      reinterpret_cast<NMHDR*>(lParam)->code == static_cast<UINT>(notifyCode)) {                       \
    result = handler(reinterpret_cast<NMHDR*>(lParam));                                          \
    return true;                                                                                  \
  }

#define QZR_END_MSG_MAP() \
  (void)handled;          \
  return false;           \
  }

template <class T>
class DialogBase {
 public:
  DialogBase() = default;
  DialogBase(const DialogBase&) = delete;
  DialogBase& operator=(const DialogBase&) = delete;

  INT_PTR DoModal(HWND parent = nullptr) {
    static const bool controlsReady = [] {
      INITCOMMONCONTROLSEX icc{sizeof icc, ICC_LISTVIEW_CLASSES | ICC_PROGRESS_CLASS | ICC_TAB_CLASSES};
      return InitCommonControlsEx(&icc) != FALSE;
    }();
    (void)controlsReady;
    return DialogBoxParamW(UiResourceModule(), MAKEINTRESOURCEW(T::IDD), parent, StartProc,
                           reinterpret_cast<LPARAM>(this));
  }

  HWND hwnd() const { return hwnd_; }
  HWND Item(int id) const { return GetDlgItem(hwnd_, id); }
  void EndDialog(INT_PTR result) { ::EndDialog(hwnd_, result); }

  // Centres the dialog on the desktop's work area.
  void CenterWindow() {
    RECT area{}, r{};
    if (!SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0)) {
      area = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    }
    GetWindowRect(hwnd_, &r);
    const int w = r.right - r.left, h = r.bottom - r.top;
    SetWindowPos(hwnd_, nullptr, area.left + (area.right - area.left - w) / 2, area.top + (area.bottom - area.top - h) / 2,
                 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  }

  // Moves the dialog over the whole screen.
  void MoveToScreen() {
    MoveWindow(hwnd_, 0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN), TRUE);
  }

  // Binds an edit or static control to a text member; limit > 0 caps what an edit accepts.
  void BindText(int id, std::wstring* member, int limit = 0) { bindings_.push_back({id, member, limit}); }

  // Moves text between bound members and controls: true = controls to members.
  void UpdateData(bool saveAndValidate) {
    for (const Binding& b : bindings_) {
      HWND control = Item(b.id);
      if (!control) continue;
      if (saveAndValidate) {
        int length = GetWindowTextLengthW(control);
        std::wstring text(static_cast<size_t>(length) + 1, L'\0');
        int copied = GetWindowTextW(control, text.data(), length + 1);
        text.resize(copied > 0 ? static_cast<size_t>(copied) : 0);
        *b.member = std::move(text);
      } else {
        SetWindowTextW(control, b.member->c_str());
      }
    }
  }

  // The framework's default initialisation: edit limits, then members to controls.
  void DefaultInitDialog() {
    for (const Binding& b : bindings_)
      if (b.limit > 0) SendDlgItemMessageW(hwnd_, b.id, EM_LIMITTEXT, static_cast<WPARAM>(b.limit), 0);
    UpdateData(false);
  }

  // Full screen: the done button goes and the shell hides its task bar, SIP button and Start icon.
  void TakeScreen() {
    SHDoneButton(hwnd_, SHDB_HIDE);
    SHFullScreen(hwnd_, kFullScreenHideAll);
  }
  // Windowed: the done button and the shell's task bar and SIP button back.
  void GiveScreenBack() {
    SHDoneButton(hwnd_, SHDB_SHOW);
    SHFullScreen(hwnd_, kFullScreenShowBars);
  }
  // No OK button in the caption, and a window the operator cannot drag.
  void DropCaptionOkAndDrag() {
    LONG_PTR exStyle = GetWindowLongPtrW(hwnd_, GWL_EXSTYLE);
    SetWindowLongPtrW(hwnd_, GWL_EXSTYLE, (exStyle & ~kExStyleCaptionOk) | kExStyleNoDrag);
  }

  // Puts up the soft-key bar barId from the program's resources. When the shell cannot make it
  // the operator is told with failedText and the result is false.
  bool CreateSoftKeyBar(UINT barId, const wchar_t* failedText, HWND* created = nullptr) {
    SHMENUBARINFO bar{};
    bar.cbSize = sizeof bar;
    bar.hwndParent = hwnd_;
    bar.nToolBarId = barId;
    bar.hInstRes = UiResourceModule();
    if (!SHCreateMenuBar(&bar)) {
      ShowMessageBox(hwnd_, failedText, kErrorCaption, MB_OK);
      return false;
    }
    if (created) *created = bar.hwndMB;
    return true;
  }

  // The device framework's automatic shell dialog handling: on by default, the dialogs that
  // place themselves turn it off first thing.
  void SetAutoShellDialog(bool on) { autoShellDialog_ = on; }
  bool autoShellDialog() const { return autoShellDialog_; }

 protected:
  ~DialogBase() = default;

 private:
  struct Binding {
    int id;
    std::wstring* member;
    int limit;
  };

  static INT_PTR CALLBACK StartProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    T* self = nullptr;
    if (message == WM_INITDIALOG) {
      self = static_cast<T*>(reinterpret_cast<DialogBase*>(lParam));
      self->hwnd_ = hwnd;
      SetWindowLongPtrW(hwnd, DWLP_USER, reinterpret_cast<LONG_PTR>(self));
    } else {
      self = reinterpret_cast<T*>(GetWindowLongPtrW(hwnd, DWLP_USER));
    }
    if (!self) return FALSE;
    LRESULT result = 0;
    const bool handled = self->ProcessMessage(message, wParam, lParam, result);
    if (message == WM_NCDESTROY) {
      // The window is gone: nothing may reach it through this object any more.
      SetWindowLongPtrW(hwnd, DWLP_USER, 0);
      self->hwnd_ = nullptr;
    }
    if (!handled) return FALSE;
    switch (message) {
      // The messages whose answer is the procedure's own result, not DWLP_MSGRESULT.
      case WM_INITDIALOG:
      case WM_CTLCOLORSTATIC:
      case WM_CTLCOLORDLG:
      case WM_CTLCOLOREDIT:
      case WM_CTLCOLORBTN:
      case WM_CTLCOLORLISTBOX:
      case WM_CTLCOLORSCROLLBAR:
      case WM_CTLCOLORMSGBOX:
      case WM_COMPAREITEM:
      case WM_VKEYTOITEM:
      case WM_CHARTOITEM:
      case WM_QUERYDRAGICON:
        return static_cast<INT_PTR>(result);
      default:
        SetWindowLongPtrW(hwnd, DWLP_MSGRESULT, result);
        return TRUE;
    }
  }

  HWND hwnd_ = nullptr;
  std::vector<Binding> bindings_;
  bool autoShellDialog_ = true;
};

}  // namespace qzr
