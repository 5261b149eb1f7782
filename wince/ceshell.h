// Shell and tool-help calls of the device under their CE names: shortcut files in the device's
// format, the device's special folders, and process snapshots that are closed by name.
#pragma once

#include <windows.h>
#include <shellapi.h>
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
// The target of a shortcut file in the device's format: as many characters after the "#" as
// the count before it says, in at most `maxChars` characters with the terminator. FALSE for a
// missing file, another format, a count beyond the text, or a target that does not fit.
BOOL WINAPI SHGetShortcutTarget(LPCWSTR shortcut, LPWSTR target, int maxChars);

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

#ifdef __cplusplus
extern "C" {
#endif
// File information as the device's shell gives it: a device path ("\Windows\x.exe") is found on
// the drive that holds it, and a program or icon file that exists shows its own icon even when
// the caller asks by file attributes; a missing one gets the class's default icon.
DWORD_PTR WINAPI CeSHGetFileInfoW(LPCWSTR path, DWORD attributes, SHFILEINFOW* info, UINT infoSize, UINT flags);
#ifdef __cplusplus
}
#endif

#ifndef WINCE_NO_REDIRECT
#undef SHGetFileInfo
#define SHGetFileInfoW CeSHGetFileInfoW
#define SHGetFileInfo CeSHGetFileInfoW
#endif

#ifdef __cplusplus
#include <string>
namespace wince {
// Where a device path lives on this machine: a root-relative path on the first of the given
// drives whose file exists (the first drive when none has it); other paths unchanged.
std::wstring HostPathOf(const std::wstring& devicePath, const std::wstring& drives);
}  // namespace wince
#endif
