// Drives the launcher's dialogs from outside for scripts/screenshots: posts a command to the
// dialog that has the input (the enabled one on top), or types a password into it and confirms.
//
//   ui_poke command <id>
//   ui_poke password <text>
#include <windows.h>

#include <cwchar>
#include <string>

namespace {

HWND EnabledDialog() {
  HWND found = nullptr;
  EnumWindows(
      [](HWND w, LPARAM out) -> BOOL {
        wchar_t cls[32] = {};
        GetClassNameW(w, cls, 32);
        if (std::wstring(cls) == L"#32770" && IsWindowVisible(w) && IsWindowEnabled(w)) {
          *reinterpret_cast<HWND*>(out) = w;
          return FALSE;
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&found));
  return found;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 3) return 2;
  HWND dialog = nullptr;
  for (int tries = 0; tries < 50 && !dialog; ++tries) {
    dialog = EnabledDialog();
    if (!dialog) Sleep(100);
  }
  if (!dialog) return 1;
  std::wstring verb = argv[1];
  if (verb == L"command") {
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(_wtoi(argv[2]), BN_CLICKED), 0);
  } else if (verb == L"password") {
    SetDlgItemTextW(dialog, 1002, argv[2]);
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
  } else {
    return 2;
  }
  return 0;
}
