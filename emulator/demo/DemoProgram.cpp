// A demo program of the sample menu.ini (demoscan, demonotes, QZRVolDlg): a small window that
// shows its name, command line and current folder, and notes its start in the device journal.
#include <windows.h>

#include <string>

#include "DeviceProfile.h"

namespace {

std::wstring ProgramName() {
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring name = path;
  name = name.substr(name.find_last_of(L'\\') + 1);
  size_t dot = name.find_last_of(L'.');
  return dot == std::wstring::npos ? name : name.substr(0, dot);
}

std::wstring Arguments() {
  // The command line after the program's own name, as the program was asked.
  const wchar_t* p = GetCommandLineW();
  bool quoted = false;
  while (*p && (quoted || (*p != L' ' && *p != L'\t'))) {
    if (*p == L'"') quoted = !quoted;
    ++p;
  }
  while (*p == L' ' || *p == L'\t') ++p;
  return p;
}

std::wstring CurrentFolder() {
  wchar_t folder[MAX_PATH] = {};
  GetCurrentDirectoryW(MAX_PATH, folder);
  return folder;
}

std::wstring text;

LRESULT CALLBACK DemoProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(hwnd, &ps);
      RECT client;
      GetClientRect(hwnd, &client);
      InflateRect(&client, -6, -6);
      SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
      SetBkMode(dc, TRANSPARENT);
      DrawTextW(dc, text.c_str(), -1, &client, DT_LEFT | DT_TOP | DT_WORDBREAK | DT_NOPREFIX);
      EndPaint(hwnd, &ps);
      return 0;
    }
    case WM_LBUTTONUP:
    case WM_CHAR:
      if (msg == WM_LBUTTONUP || wParam == VK_ESCAPE) DestroyWindow(hwnd);  // a tap closes it
      return 0;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
  }
  return DefWindowProcW(hwnd, msg, wParam, lParam);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, LPWSTR, int show) {
  const std::wstring name = ProgramName();
  const std::wstring arguments = Arguments();
  const std::wstring folder = CurrentFolder();
  wince::AppendJournal(L"Demo " + name + L" args=[" + arguments + L"] folder=[" + folder + L"]");
  text = name + L"\n\nCommand line: " + arguments + L"\nCurrent folder: " + folder + L"\n\n(tap to close)";

  WNDCLASSW wc{};
  wc.lpfnWndProc = DemoProc;
  wc.hInstance = instance;
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  wc.lpszClassName = L"QZR.Demo";
  if (!RegisterClassW(&wc)) return 1;
  int width = GetSystemMetrics(SM_CXSCREEN) * 3 / 4, height = GetSystemMetrics(SM_CYSCREEN) / 3;
  HWND hwnd = CreateWindowExW(0, wc.lpszClassName, name.c_str(), WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_VISIBLE,
                              (GetSystemMetrics(SM_CXSCREEN) - width) / 2, (GetSystemMetrics(SM_CYSCREEN) - height) / 2,
                              width, height, nullptr, nullptr, instance, nullptr);
  if (!hwnd) return 1;
  ShowWindow(hwnd, show);
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  return 0;
}
