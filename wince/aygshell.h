// The Windows Mobile shell library (aygshell) calls the launcher's dialogs use: soft-key bars,
// the title-bar OK button, the full-screen state, and loading device-independent bitmaps.
#pragma once

#include <windows.h>

#ifndef SHCMBF_EMPTYBAR
#define SHCMBF_EMPTYBAR 0x0001
#define SHCMBF_HIDDEN 0x0002
#define SHCMBF_HIDESIPBUTTON 0x0004
#define SHCMBF_COLORBK 0x0008
#define SHCMBF_HMENU 0x0010
#endif

// Full-screen state flags.
#define SHFS_SHOWTASKBAR 0x0001
#define SHFS_HIDETASKBAR 0x0002
#define SHFS_SHOWSIPBUTTON 0x0004
#define SHFS_HIDESIPBUTTON 0x0008
#define SHFS_SHOWSTARTICON 0x0010
#define SHFS_HIDESTARTICON 0x0020

// SHDoneButton states.
#define SHDB_SHOW 0x0001
#define SHDB_HIDE 0x0002

#ifdef __cplusplus
extern "C" {
#endif

typedef struct tagSHMENUBARINFO {
  DWORD cbSize;       // sizeof(SHMENUBARINFO)
  HWND hwndParent;    // the window whose soft keys these are
  DWORD dwFlags;      // SHCMBF_*
  UINT nToolBarId;    // soft-key bar resource id
  HINSTANCE hInstRes; // module holding the resource
  int nBmpId;
  int cBmpImages;
  HWND hwndMB;        // out: the bar window
  COLORREF clrBk;
} SHMENUBARINFO, *PSHMENUBARINFO;

// Creates a soft-key bar docked at the bottom of the screen whose keys send WM_COMMAND with their
// command ids to hwndParent. The resource nToolBarId is an RCDATA "soft-key bar" (see SoftKeyBar.h).
BOOL WINAPI SHCreateMenuBar(SHMENUBARINFO* info);
HWND WINAPI SHFindMenuBar(HWND owner);
BOOL WINAPI SHDoneButton(HWND window, DWORD state);
BOOL WINAPI SHFullScreen(HWND window, DWORD state);
HBITMAP WINAPI SHLoadDIBitmap(LPCWSTR fileName);

#ifdef __cplusplus
}
#endif
