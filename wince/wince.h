// Windows CE and Windows Mobile calls that desktop Win32 lacks, under their CE names and
// signatures. Product code includes this instead of <windows.h> and calls them as on the device.
#pragma once

#include <windows.h>

#ifndef SPI_GETPLATFORMTYPE
#define SPI_GETPLATFORMTYPE 257
#endif
#ifndef SPI_GETOEMINFO
#define SPI_GETOEMINFO 258
#endif
// The device's extended window styles: an OK button in the caption, and a window the
// operator cannot drag.
#ifndef WS_EX_CAPTIONOKBTN
#define WS_EX_CAPTIONOKBTN 0x80000000u
#endif
#ifndef WS_EX_NODRAG
#define WS_EX_NODRAG 0x40000000u
#endif
#ifndef VER_PLATFORM_WIN32_CE
#define VER_PLATFORM_WIN32_CE 3
#endif

#ifdef __cplusplus
extern "C" {
#endif

// Tells the device's start-up list that the program started with launch code dw is ready.
void WINAPI SignalStarted(DWORD dw);

// Replaces the existing file dest with source, which is gone afterwards; on failure both stay as
// they were, so a reader never sees half of either. Both files must exist.
BOOL WINAPI DeleteAndRenameFile(LPCWSTR dest, LPCWSTR source);

// Kernel debug output.
void NKDbgPrintfW(LPCWSTR format, ...);

// Kernel I/O controls answered by the device's OEM adaptation layer.
BOOL WINAPI KernelIoControl(DWORD ioControlCode, LPVOID inBuf, DWORD inBufSize, LPVOID outBuf,
                            DWORD outBufSize, LPDWORD bytesReturned);

// On CE these also reach stream devices ("XXXn:"), platform facts and the CE version; the
// desktop build routes those cases to the simulated device and everything else to Win32.
HANDLE WINAPI CeCreateFileW(LPCWSTR name, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES security,
                            DWORD disposition, DWORD flags, HANDLE templateFile);
BOOL WINAPI CeDeviceIoControl(HANDLE device, DWORD code, LPVOID inBuf, DWORD inSize, LPVOID outBuf,
                              DWORD outSize, LPDWORD bytesReturned, LPOVERLAPPED overlapped);
BOOL WINAPI CeSystemParametersInfoW(UINT action, UINT param, PVOID data, UINT winIni);
BOOL WINAPI CeGetVersionExW(LPOSVERSIONINFOW info);
// On CE a window handle with its lowest bit set also brings the window's owned windows forward.
BOOL WINAPI CeSetForegroundWindow(HWND window);
// CE thread priorities run from 0 (time critical) to 7 (idle), 3 being normal.
BOOL WINAPI CeSetThreadPriority(HANDLE thread, int priority);
int WINAPI CeGetThreadPriority(HANDLE thread);
// Posts as on CE, where a setting-change notice (WM_SETTINGCHANGE) can be posted too.
BOOL WINAPI CePostMessageW(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

#ifdef __cplusplus
}
#endif

#ifndef WINCE_NO_REDIRECT
#undef CreateFile
#define CreateFileW CeCreateFileW
#define CreateFile CeCreateFileW
#undef SystemParametersInfo
#define SystemParametersInfoW CeSystemParametersInfoW
#define SystemParametersInfo CeSystemParametersInfoW
#undef GetVersionEx
#define GetVersionExW CeGetVersionExW
#define GetVersionEx CeGetVersionExW
#define DeviceIoControl CeDeviceIoControl
#define SetForegroundWindow CeSetForegroundWindow
#define SetThreadPriority CeSetThreadPriority
#define GetThreadPriority CeGetThreadPriority
#undef PostMessage
#define PostMessageW CePostMessageW
#define PostMessage CePostMessageW
#endif

// The shell open operation and process creation as on the device.
#include "shellexec.h"

// Shortcut files, special folders and process snapshots as on the device.
#include "ceshell.h"

// Soft-key bars, the task bar's "ok" button, full-screen state, DIB loading (aygshell).
#include "aygshell.h"

// Top-level dialogs without caption or frame, below the task bar unless full screen.
#include "cedialog.h"

// Power status records and GetSystemPowerStatusEx2.
#include "power.h"

// EventModify.
#include "events.h"

// A window procedure put in front of another process's window.
#include "foreignproc.h"
