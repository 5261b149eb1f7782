// A program for packages to hook: notes that it ran, can ask for a reset through its exit
// code, and can press Cancel on the setup library's progress window.
//   qzrhook [--note file] [--exit code] [--sleep ms] [--cancel]
#include <windows.h>

#include <cwchar>
#include <cstdlib>
#include <string>

#include "DeviceProfile.h"

namespace {

constexpr int kProgressBarId = 1000;
constexpr int kStatusTextId = 1001;

struct FoundWindow {
  HWND window = nullptr;
};

BOOL CALLBACK FindProgressWindow(HWND window, LPARAM param) {
  wchar_t className[64] = {};
  GetClassNameW(window, className, 64);
  if (wcscmp(className, L"#32770") != 0) return TRUE;
  HWND bar = GetDlgItem(window, kProgressBarId);
  if (!bar) return TRUE;
  GetClassNameW(bar, className, 64);
  if (_wcsicmp(className, L"msctls_progress32") != 0) return TRUE;
  reinterpret_cast<FoundWindow*>(param)->window = window;
  return FALSE;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  std::wstring note;
  int exitCode = 0;
  DWORD sleepMs = 0;
  bool cancel = false;
  for (int i = 1; i < argc; ++i) {
    std::wstring arg = argv[i];
    if (arg == L"--note" && i + 1 < argc) note = argv[++i];
    else if (arg == L"--exit" && i + 1 < argc) exitCode = _wtoi(argv[++i]);
    else if (arg == L"--sleep" && i + 1 < argc) sleepMs = static_cast<DWORD>(_wtoi(argv[++i]));
    else if (arg == L"--cancel") cancel = true;
  }
  std::wstring line = L"ran";
  for (int i = 1; i < argc; ++i) line += std::wstring(L" ") + argv[i];
  if (cancel) {
    FoundWindow found;
    EnumWindows(FindProgressWindow, reinterpret_cast<LPARAM>(&found));
    if (found.window) {
      wchar_t status[260] = {};
      GetWindowTextW(GetDlgItem(found.window, kStatusTextId), status, 260);
      line += std::wstring(L"|progress window status=") + status;
      // Posted: the installer's thread is waiting for this program and handles it later.
      PostMessageW(found.window, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    } else {
      line += L"|no progress window";
    }
  }
  if (!note.empty()) wince::AppendLineToFile(note, wince::ToUtf8(line));
  if (sleepMs) Sleep(sleepMs);
  return exitCode;
}
