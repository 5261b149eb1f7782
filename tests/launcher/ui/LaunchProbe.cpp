// A program for launch tests: writes its working folder and its arguments to the file that
// QZR_LAUNCH_PROBE_OUT names.
#include <windows.h>

#include <string>

namespace {

std::wstring ArgumentsOf(const wchar_t* commandLine) {
  const wchar_t* p = commandLine;
  if (*p == L'"') {
    ++p;
    while (*p && *p != L'"') ++p;
    if (*p) ++p;
  } else {
    while (*p && *p != L' ' && *p != L'\t') ++p;
  }
  while (*p == L' ' || *p == L'\t') ++p;
  return p;
}

}  // namespace

int wmain() {
  wchar_t out[MAX_PATH] = {};
  if (!GetEnvironmentVariableW(L"QZR_LAUNCH_PROBE_OUT", out, MAX_PATH)) return 1;
  wchar_t folder[MAX_PATH] = {};
  GetCurrentDirectoryW(MAX_PATH, folder);
  std::wstring text = std::wstring(L"cwd=") + folder + L"\nargs=" + ArgumentsOf(GetCommandLineW()) + L"\n";
  int size = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
  std::string utf8(size > 0 ? size - 1 : 0, '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, utf8.data(), size, nullptr, nullptr);
  std::wstring part = std::wstring(out) + L".part";
  HANDLE file = CreateFileW(part.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return 2;
  DWORD written = 0;
  WriteFile(file, utf8.data(), static_cast<DWORD>(utf8.size()), &written, nullptr);
  CloseHandle(file);
  // Renamed when complete, so that a waiting test never reads half a file.
  return MoveFileExW(part.c_str(), out, MOVEFILE_REPLACE_EXISTING) ? 0 : 3;
}
