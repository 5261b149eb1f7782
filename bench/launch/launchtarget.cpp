// launchtarget.exe: the trivial program of the launch benchmark; says it runs, and ends.
#include <windows.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  wchar_t name[256] = {};
  DWORD n = GetEnvironmentVariableW(L"QZR_BENCH_READY", name, 256);
  if (n > 0 && n < 256) {
    if (HANDLE ready = OpenEventW(EVENT_MODIFY_STATE, FALSE, name)) {
      SetEvent(ready);
      CloseHandle(ready);
    }
  }
  return 0;
}
