// Stands in for wince/wince.h in the native sanitizer build: the rule sources need only Win32
// itself and process creation, which never succeeds here.
#pragma once

#include <windows.h>

extern "C" BOOL WINAPI CeCreateProcessW(LPCWSTR imageName, LPCWSTR arguments, LPSECURITY_ATTRIBUTES processAttributes,
                                        LPSECURITY_ATTRIBUTES threadAttributes, BOOL inheritHandles,
                                        DWORD creationFlags, LPVOID environment, LPCWSTR currentDirectory,
                                        LPSTARTUPINFOW startupInfo, LPPROCESS_INFORMATION processInformation);
extern "C" BOOL WINAPI DeleteAndRenameFile(LPCWSTR dest, LPCWSTR source);
