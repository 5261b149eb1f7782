// eventlog_writer TEXT EVENT: logs TEXT through the event-log stand-in, sets EVENT and waits to be killed.
#include <windows.h>

#include <cstdarg>
#include <cstdio>

namespace {

using LogV = DWORD(WINAPI*)(WORD, DWORD, DWORD, const char*, va_list);

void Log(LogV logv, const char* format, ...) {
  va_list args;
  va_start(args, format);
  logv(1, 0, 4, format, args);
  va_end(args);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 3) return 2;
  HMODULE library = LoadLibraryW(L"QZREventLog.dll");
  auto logv = library ? reinterpret_cast<LogV>(reinterpret_cast<void*>(GetProcAddress(library, "QZRLogStringVEx"))) : nullptr;
  if (!logv) return 1;
  char text[256] = {};
  WideCharToMultiByte(CP_UTF8, 0, argv[1], -1, text, sizeof text - 1, nullptr, nullptr);
  Log(logv, "%s", text);
  if (HANDLE logged = OpenEventW(EVENT_MODIFY_STATE, FALSE, argv[2])) SetEvent(logged);
  Sleep(INFINITE);
  return 0;
}
