// The progress window. The installer's thread is busy while it shows, so pending messages
// are handled at every update; that is also when a Cancel click takes effect.
#include "ProgressWindow.h"

#include "wince.h"

#include <commctrl.h>

namespace qzrsetup {

namespace {

INT_PTR CALLBACK ProgressProc(HWND window, UINT message, WPARAM wParam, LPARAM) {
  // Cancel only takes the window away; the installation carries on without it.
  if (message == WM_COMMAND && LOWORD(wParam) == IDCANCEL) {
    DestroyWindow(window);
    return TRUE;
  }
  return FALSE;
}

bool Alive(HWND window) { return window && IsWindow(window); }

}  // namespace

bool ProgressWindow::Create(HMODULE module, HWND parent) {
  Close();
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_PROGRESS_CLASS};
  InitCommonControlsEx(&controls);
  HWND window = CreateDialogParamW(module, MAKEINTRESOURCEW(kProgressDialogId), parent, ProgressProc, 0);
  if (!window) return false;
  dialog_ = window;
  ShowWindow(window, SW_SHOW);
  if (HWND bar = Control(kProgressBarId)) SendMessageW(bar, PBM_SETRANGE, 0, MAKELPARAM(0, 100));
  UpdateWindow(window);
  PumpMessages();
  return true;
}

void ProgressWindow::Close() {
  // After Cancel the dialog is already gone; the handle only says it once was there.
  if (Alive(dialog_)) DestroyWindow(dialog_);
  dialog_ = nullptr;
  PumpMessages();
}

HWND ProgressWindow::Control(int id) const {
  if (!Alive(dialog_)) return nullptr;
  HWND control = GetDlgItem(dialog_, id);
  return Alive(control) ? control : nullptr;
}

void ProgressWindow::PumpMessages() const {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(msg.wParam));  // the installer's loop must still see it
      break;
    }
    if (Alive(dialog_) && IsDialogMessageW(dialog_, &msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

void ProgressWindow::SetProgress(int percent) {
  PumpMessages();
  if (HWND bar = Control(kProgressBarId)) SendMessageW(bar, PBM_SETPOS, static_cast<WPARAM>(percent), 0);
}

void ProgressWindow::SetStatus(const std::wstring& text) {
  PumpMessages();
  HWND status = Control(kStatusTextId);
  if (!status) return;
  SetWindowTextW(status, text.c_str());
  UpdateWindow(status);
}

}  // namespace qzrsetup
