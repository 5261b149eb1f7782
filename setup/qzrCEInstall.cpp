// qzrCEInstall.dll entry points (not built yet: every call succeeds without doing anything).
#include <windows.h>

extern "C" {
__declspec(dllexport) int WINAPI Install_Init(HWND, BOOL, BOOL, const wchar_t*) { return 0; }
__declspec(dllexport) int WINAPI Install_Exit(HWND, const wchar_t*, WORD, WORD, WORD, WORD, WORD) { return 0; }
__declspec(dllexport) int WINAPI Uninstall_Init(HWND, const wchar_t*) { return 0; }
__declspec(dllexport) int WINAPI Uninstall_Exit(HWND) { return 0; }
}
