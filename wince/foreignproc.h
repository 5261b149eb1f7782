// A window procedure put in front of a window that another process owns. On the device a
// window's procedure can be replaced from any process; desktop Win32 refuses that (error 5)
// outside the window's own process, so here the procedure travels in a library that a
// WH_CALLWNDPROC hook on the window's thread loads into that process, where it is put in front.
#pragma once

#include <windows.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef struct CeForeignProc* HFOREIGNPROC;

// The caller's side. Puts the window procedure that `library` exports as `procName` in front of
// `window`'s own, in the window's process. Null when the library, its exports, the hook or the
// window's thread fail; nothing stays changed then.
HFOREIGNPROC WINAPI CeSetForeignWindowProc(HWND window, LPCWSTR library, LPCSTR procName);
// Lets the procedure go: the window's own procedure comes back once no other live process still
// holds it there. The library may stay mapped in the window's process (Wine never unloads hook
// libraries), but nothing of it runs any more.
BOOL WINAPI CeRemoveForeignWindowProc(HFOREIGNPROC proc);

// The library's side (wince_foreignhost, linked into the library): the window's own procedure,
// for the procedure in front to pass a message on to.
LRESULT WINAPI CeCallPreviousWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

#ifdef __cplusplus
}
#endif
