// qzrdemo.exe: records its arguments and folder (QZR_DEMO_OUT) and shows a window until the event
// QZR_DEMO_WINDOW names is set (QZR_DEMO_HIDDEN: hidden; QZR_DEMO_WINDOW_DELAY: milliseconds before it
// appears, as a slow program's start); "--claim-hotkey MOD VK" exits 0 if it got the key, else 1.
#include <windows.h>
#include <shellapi.h>

#include <cwchar>
#include <string>

#include "DeviceProfile.h"

namespace {

constexpr wchar_t kWindowClass[] = L"QzrDemoWindow";
constexpr DWORD kLongestLifeMs = 60000;

std::wstring Env(const wchar_t* name) {
  wchar_t value[1024] = {};
  DWORD n = GetEnvironmentVariableW(name, value, 1024);
  return n > 0 && n < 1024 ? std::wstring(value, n) : std::wstring();
}

LRESULT CALLBACK DemoWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_DESTROY) PostQuitMessage(0);
  return DefWindowProcW(window, message, wParam, lParam);
}

void ShowWindowUntil(HANDLE quit, bool hidden) {
  WNDCLASSW wc{};
  wc.lpfnWndProc = DemoWindowProc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = kWindowClass;
  RegisterClassW(&wc);
  std::wstring title = L"qzrdemo " + std::to_wstring(GetCurrentProcessId());
  CreateWindowExW(0, kWindowClass, title.c_str(), WS_OVERLAPPEDWINDOW | (hidden ? 0 : WS_VISIBLE), 40, 40, 240, 160,
                  nullptr, nullptr, wc.hInstance, nullptr);
  DWORD until = GetTickCount() + kLongestLifeMs;
  for (;;) {
    DWORD now = GetTickCount();
    if (static_cast<LONG>(until - now) <= 0) return;
    DWORD rc = MsgWaitForMultipleObjects(1, &quit, FALSE, until - now, QS_ALLINPUT);
    if (rc != WAIT_OBJECT_0 + 1) return;
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.message == WM_QUIT) return;
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
  }
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  int argc = 0;
  wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  if (argv && argc == 4 && std::wstring(argv[1]) == L"--claim-hotkey") {
    const BOOL got = RegisterHotKey(nullptr, 1, wcstoul(argv[2], nullptr, 0), wcstoul(argv[3], nullptr, 0));
    LocalFree(argv);
    return got ? 0 : 1;
  }
  if (std::wstring out = Env(L"QZR_DEMO_OUT"); !out.empty()) {
    std::wstring line = L"args:";
    for (int i = 1; argv && i < argc; ++i) line += (i > 1 ? L"|" : L"") + std::wstring(argv[i]);
    wchar_t folder[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, folder);
    line += L" cwd:" + std::wstring(folder);
    wince::AppendLineToFile(out, wince::ToUtf8(line));
  }
  if (std::wstring quitName = Env(L"QZR_DEMO_WINDOW"); !quitName.empty()) {
    HANDLE quit = CreateEventW(nullptr, TRUE, FALSE, quitName.c_str());
    if (std::wstring delay = Env(L"QZR_DEMO_WINDOW_DELAY"); !delay.empty()) Sleep(wcstoul(delay.c_str(), nullptr, 10));
    ShowWindowUntil(quit, !Env(L"QZR_DEMO_HIDDEN").empty());
    CloseHandle(quit);
  }
  if (argv) LocalFree(argv);
  return 0;
}
