// The write points of the setup library's test build (qzrCEInstall_stoppable.dll): with
// QZR_SETUP_STOP_AT=k the installer's process ends at once after the k-th change, as a device
// switched off there would; with QZR_SETUP_WRITE_JOURNAL=path each point appends its number
// and what it was to that file, so that a test learns how many points an installation has.
#include <windows.h>

#include <cwchar>
#include <string>

#include "WritePoints.h"

namespace {

constexpr UINT kStoppedExitCode = 0x5709;

std::wstring Env(const wchar_t* name) {
  wchar_t value[MAX_PATH] = {};
  DWORD n = GetEnvironmentVariableW(name, value, MAX_PATH);
  return n > 0 && n < MAX_PATH ? std::wstring(value, n) : std::wstring();
}

void Journal(const std::wstring& path, long point, const wchar_t* what) {
  HANDLE file = CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  std::string line = std::to_string(point) + " ";
  for (const wchar_t* c = what; *c; ++c) line += static_cast<char>(*c);
  line += "\n";
  DWORD written = 0;
  WriteFile(file, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
  CloseHandle(file);
}

}  // namespace

namespace qzrsetup {

void AfterWrite(const wchar_t* what) {
  static long points = 0;
  static const long stopAt = wcstol(Env(L"QZR_SETUP_STOP_AT").c_str(), nullptr, 10);
  static const std::wstring journal = Env(L"QZR_SETUP_WRITE_JOURNAL");
  ++points;
  if (!journal.empty()) Journal(journal, points, what);
  if (points == stopAt) TerminateProcess(GetCurrentProcess(), kStoppedExitCode);
}

}  // namespace qzrsetup
