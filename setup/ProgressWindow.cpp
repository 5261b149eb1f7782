// The progress window. The installer's thread is busy while it shows, so pending messages
// are handled at every update; that is also when a Cancel click takes effect.
#include "ProgressWindow.h"

#include "wince.h"

#include <commctrl.h>

#include "SetupState.h"

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

void PumpMessages() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(msg.wParam));  // the installer's loop must still see it
      break;
    }
    HWND window = State().progressWindow;
    if (window && IsWindow(window) && IsDialogMessageW(window, &msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

bool Alive(HWND window) { return window && IsWindow(window); }

}  // namespace

bool CreateProgressWindow(HWND parent) {
  SetupState& state = State();
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_PROGRESS_CLASS};
  InitCommonControlsEx(&controls);
  HWND window = CreateDialogParamW(state.module, MAKEINTRESOURCEW(kProgressDialogId), parent, ProgressProc, 0);
  if (!window) return false;
  state.progressWindow = window;
  ShowWindow(window, SW_SHOW);
  state.statusText = GetDlgItem(window, kStatusTextId);
  state.progressBar = GetDlgItem(window, kProgressBarId);
  if (state.progressBar) SendMessageW(state.progressBar, PBM_SETRANGE, 0, MAKELPARAM(0, 100));
  UpdateWindow(window);
  PumpMessages();
  return true;
}

void DestroyProgressWindow() {
  SetupState& state = State();
  if (Alive(state.progressWindow)) DestroyWindow(state.progressWindow);
  state.progressWindow = state.progressBar = state.statusText = nullptr;
  PumpMessages();
}

void SetProgress(int percent) {
  PumpMessages();
  HWND bar = State().progressBar;
  if (!Alive(State().progressWindow) || !Alive(bar)) return;
  SendMessageW(bar, PBM_SETPOS, static_cast<WPARAM>(percent), 0);
}

void SetStatus(const std::wstring& text) {
  PumpMessages();
  HWND status = State().statusText;
  if (!Alive(State().progressWindow) || !Alive(status)) return;
  SetWindowTextW(status, text.c_str());
  UpdateWindow(status);
}

}  // namespace qzrsetup
