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

// The soft input panel record of SipGetInfo, in the device's 32-bit layout (48 bytes).
#define SIPF_ON 0x00000001
typedef struct tagSIPINFO {
  DWORD cbSize;  // 48
  DWORD fdwFlags;
  RECT rcVisibleDesktop;
  RECT rcSipRect;
  DWORD dwImDataSize;
  DWORD pvImData;  // a 32-bit pointer on the device; unused here
} SIPINFO;

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
// command ids to hwndParent. The resource nToolBarId is an RCDATA soft-key bar (see softkeys.h);
// SHCMBF_EMPTYBAR makes a bar without keys and without a resource.
BOOL WINAPI SHCreateMenuBar(SHMENUBARINFO* info);
HWND WINAPI SHFindMenuBar(HWND owner);
// Asks the device shell's task bar to show (SHDB_SHOW) or hide (SHDB_HIDE) its "ok" button
// while `window` is the foreground window; the button sends it WM_COMMAND IDOK.
BOOL WINAPI SHDoneButton(HWND window, DWORD state);
// FALSE when there is no task bar to change.
BOOL WINAPI SHFullScreen(HWND window, DWORD state);
HBITMAP WINAPI SHLoadDIBitmap(LPCWSTR fileName);

#ifdef __cplusplus
}
#endif

#ifdef __cplusplus
namespace wince {

// The SHDoneButton state that a window asked for (0 when it never asked); the device shell's
// task bar reads it from the foreground window.
inline constexpr wchar_t kDoneButtonProperty[] = L"QZR.DoneButton";
// The window property that holds a window's soft-key bar (SHCreateMenuBar's window).
inline constexpr wchar_t kMenuBarProperty[] = L"QZR.MenuBar";
DWORD DoneButtonState(HWND window);

// Heights of the shell's bars: 26 pixels on a 240-pixel screen, scaled as the device's
// pixel density grows (the shorter screen side), so 52 on VGA screens.
int ShellBarHeight(int screenWidth, int screenHeight);

// The soft-key bar's keys, in its client coordinates: one key takes the left half, a second
// key the right half. SoftKeyAt answers the key index under a point, or -1.
RECT SoftKeyRect(int barWidth, int barHeight, int keyCount, int index);
int SoftKeyAt(int barWidth, int barHeight, int keyCount, POINT point);

// The height a window with a soft-key bar may have: as on the device, the window ends where
// the bar begins, so the bar is never covered. A window wholly above or below the bar keeps
// its height.
int HeightAboveMenuBar(int windowTop, int windowHeight, int barTop);

// How aygshell and the soft input panel talk to the device shell (qzrdeviceshell.exe).
namespace taskbar {
inline constexpr wchar_t kClassName[] = L"HHTaskBar";
inline constexpr wchar_t kDesktopClassName[] = L"DesktopExplorerWindow";
inline constexpr wchar_t kSipClassName[] = L"SipWndClass";

inline constexpr UINT kFullScreenMessage = WM_APP + 1;   // wParam SHFS_* flags; returns TRUE
inline constexpr UINT kDoneButtonMessage = WM_APP + 2;   // a window changed its SHDoneButton state
inline constexpr UINT kQueryStateMessage = WM_APP + 3;   // returns the kShows* bits
inline constexpr UINT kSipShowMessage = WM_APP + 4;      // to the SIP window: wParam 1 show, 0 hide

inline constexpr LRESULT kShowsStartIcon = 0x1;
inline constexpr LRESULT kShowsSipButton = 0x2;
inline constexpr LRESULT kShowsOkButton = 0x4;

}  // namespace taskbar
}  // namespace wince
#endif
