// Posting messages as CE does.
#define WINCE_NO_REDIRECT
#include "wince.h"

extern "C" BOOL WINAPI CePostMessageW(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  // CE posts a setting-change notice like any other message. Desktop Win32 refuses to post one
  // (its lParam may point to text), so it is sent instead, without waiting on a hung window.
  if (message == WM_SETTINGCHANGE && lParam == 0) {
    DWORD_PTR ignored = 0;
    return SendMessageTimeoutW(window, message, wParam, lParam, SMTO_ABORTIFHUNG, 1000, &ignored) != 0 ||
           window == HWND_BROADCAST;
  }
  return PostMessageW(window, message, wParam, lParam);
}
