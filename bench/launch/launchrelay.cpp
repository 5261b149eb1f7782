// launchrelay.exe: starts the program its command line names and ends, doing nothing else: two
// chained process starts, the least any per-launch monitor can cost. The launch benchmark's floor.
#include <windows.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR commandLine, int) {
  STARTUPINFOW si{sizeof si};
  PROCESS_INFORMATION pi{};
  if (!commandLine || !*commandLine) return 2;
  if (!CreateProcessW(nullptr, commandLine, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return 1;
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  return 0;
}
