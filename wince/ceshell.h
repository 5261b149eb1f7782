// Shell and tool-help calls of the device under their CE names: shortcut files in the device's
// format, the device's special folders, and process snapshots that are closed by name.
#pragma once

#include <windows.h>
#include <shlobj.h>
#include <tlhelp32.h>

#ifndef TH32CS_SNAPNOHEAPS
#define TH32CS_SNAPNOHEAPS 0x40000000
#endif

#ifdef __cplusplus
extern "C" {
#endif

// Writes a shortcut file holding the target's length, "#" and the target text (which callers
// quote). As on the device, an existing file is not replaced and missing folders are not made.
BOOL WINAPI SHCreateShortcut(LPWSTR shortcut, LPWSTR target);

BOOL WINAPI CloseToolhelp32Snapshot(HANDLE snapshot);

// The device's folders: CSIDL_STARTUP is \Windows\StartUp, CSIDL_PROGRAMS is
// \Windows\Start Menu\Programs, and so on. The folder is made when missing, as the device has it.
BOOL WINAPI CeSHGetSpecialFolderPath(HWND owner, LPWSTR path, int csidl, BOOL create);
// Accepts the CE-only TH32CS_SNAPNOHEAPS flag.
HANDLE WINAPI CeCreateToolhelp32Snapshot(DWORD flags, DWORD processId);

#ifdef __cplusplus
}
#endif

#ifndef WINCE_NO_REDIRECT
#undef SHGetSpecialFolderPath
#define SHGetSpecialFolderPathW CeSHGetSpecialFolderPath
#define SHGetSpecialFolderPath CeSHGetSpecialFolderPath
#define CreateToolhelp32Snapshot CeCreateToolhelp32Snapshot
#endif
