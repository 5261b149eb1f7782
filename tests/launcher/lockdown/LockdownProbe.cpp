// Child process of the lockdown tests, a second launcher beside the test's own.
//   lockdown_probe <readyEvent> <quitEvent> <EnableTaskManagerKeys> <EnablePhoneKeys>
//                  <EnableVolumeKeys> <EnableDeviceLockKeys>
//     runs LockKeys as start-up does, says so through the event, keeps its hot keys until told.
//   lockdown_probe filter
//     installs the task bar filter and takes it out again, as a second instance's start-up does.
#include <windows.h>

#include <cwchar>

#include "LauncherApp.h"
#include "Lockdown.h"

int wmain(int argc, wchar_t** argv) {
  if (argc == 2 && wcscmp(argv[1], L"filter") == 0) {
    qzr::InstallTaskbarFilter();
    qzr::RestoreTaskbar();
    return 0;
  }
  if (argc != 7) return 2;
  qzr::LauncherApp app;
  app.config.EnableTaskManagerKeys = _wtoi(argv[3]);
  app.config.EnablePhoneKeys = _wtoi(argv[4]);
  app.config.EnableVolumeKeys = _wtoi(argv[5]);
  app.config.EnableDeviceLockKeys = _wtoi(argv[6]);
  qzr::LockKeys(app);
  HANDLE ready = OpenEventW(EVENT_MODIFY_STATE, FALSE, argv[1]);
  HANDLE quit = OpenEventW(SYNCHRONIZE, FALSE, argv[2]);
  if (!ready || !quit) return 3;
  SetEvent(ready);
  // Hot keys belong to this thread: it stays until the test is done trying them.
  while (MsgWaitForMultipleObjects(1, &quit, FALSE, 30000, QS_ALLINPUT) == WAIT_OBJECT_0 + 1) {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
  }
  return 0;
}
