// QZRShell.exe: the Korvanex Launcher's entry point. The application object is global, so the
// configuration model (and with it the whitelist monitor) exists before start-up runs.
#include <windows.h>

#include "LauncherApp.h"

static qzr::LauncherApp theApp;

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR commandLine, int) {
  theApp.InitInstance(commandLine);
  return 0;
}
