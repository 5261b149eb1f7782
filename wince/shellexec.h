// Starting programs as the device does: the shell's open operation, which follows the file
// class's open command in the registry, and the kernel's process creation.
#pragma once

#include <windows.h>
#include <shellapi.h>

#ifdef __cplusplus
extern "C" {
#endif

// The shell's open operation. The file's class (HKCR\<ext>, value "Default", else the unnamed
// value) names an open command (HKCR\<class>\shell\<verb>\command, likewise); "%1" stands for
// the file and %* for the parameters. Without a command the file itself is started with its
// parameters. Starts in lpDirectory (a device path is root-relative) with nShow. On failure
// the platform's error code is the last error and the result FALSE.
BOOL WINAPI CeShellExecuteEx(SHELLEXECUTEINFOW* info);

// The kernel's process creation: the command line carries only the arguments, never the
// program itself; a bare program name is looked for as the system looks for programs.
BOOL WINAPI CeCreateProcessW(LPCWSTR imageName, LPCWSTR arguments, LPSECURITY_ATTRIBUTES processAttributes,
                             LPSECURITY_ATTRIBUTES threadAttributes, BOOL inheritHandles, DWORD creationFlags,
                             LPVOID environment, LPCWSTR currentDirectory, LPSTARTUPINFOW startupInfo,
                             LPPROCESS_INFORMATION processInformation);

// Program file of a running process as the device names it (root-relative on the device's
// drive); the number of characters written, 0 on failure.
DWORD WINAPI CeGetProcessImagePath(DWORD processId, LPWSTR path, DWORD capacity);

#ifdef __cplusplus
}
#endif

#ifndef WINCE_NO_REDIRECT
#undef ShellExecuteEx
#define ShellExecuteExW CeShellExecuteEx
#define ShellExecuteEx CeShellExecuteEx
#endif

#ifdef __cplusplus
#include <string>

namespace wince {
// The open command with "%1" (also %1 and %L) replaced by the file and %* by the parameters.
std::wstring ExpandOpenCommand(const std::wstring& command, const std::wstring& file, const std::wstring& parameters);
// The device shell takes a file or folder in double quotes as the same path without them.
std::wstring Unquoted(const std::wstring& path);
// "C:\x\y.exe" -> "\x\y.exe" when C is the device's drive; other paths unchanged.
std::wstring DeviceFormPath(const std::wstring& path, wchar_t deviceDrive);
// The same with this device's drive: the form CeGetProcessImagePath answers in.
std::wstring DeviceFormPath(const std::wstring& path);
}  // namespace wince
#endif
