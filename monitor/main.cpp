// Gatewarden.exe, the whitelist monitor: windowless; empty command line for the resident
// instance, the program to start and its arguments for a per-launch instance.
#include <windows.h>
#include <shellapi.h>

#include "Gatewarden.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  int argc = 0;
  wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  int rc = qzr::monitor::RunGatewarden(argv ? argc : 0, argv);
  if (argv) LocalFree(argv);
  return rc;
}
