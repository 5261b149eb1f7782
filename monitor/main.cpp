// Gatewarden.exe: the whitelist monitor (not built yet; ends at once).
#include <windows.h>

int wmain(int, wchar_t**) { return 0; }
