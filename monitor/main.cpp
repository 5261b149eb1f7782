// Gatewarden.exe, the whitelist monitor: windowless; empty command line for the resident
// instance, the program to start and its arguments for a per-launch instance.
#include <windows.h>

#include <cstdlib>

#include "Gatewarden.h"

// The runtime has already split the command line by the platform's rule; asking the shell
// library to do it again would cost every launch the loading of that library.
int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) { return qzr::monitor::RunGatewarden(__argc, __wargv); }
