// QZRShell.exe: the Korvanex Launcher's entry point. The application object is made here, not
// at static construction, so that nothing runs before wWinMain.
#include <windows.h>

#include "LauncherApp.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR commandLine, int) {
  qzr::LauncherApp app;
  return app.InitInstance(commandLine);
}
