// Dialogs as the device's window manager shows them: a top-level dialog has no caption bar or
// frame (the device shell's task bar shows its title), its client area starts below the task bar
// unless the window asked for the whole screen, and a list view takes the Enter key itself.
#pragma once

#include <windows.h>

#ifdef __cplusplus
extern "C" {
#endif

INT_PTR WINAPI CeDialogBoxParamW(HINSTANCE module, LPCWSTR templateName, HWND parent, DLGPROC proc, LPARAM param);

#ifdef __cplusplus
}
#endif

#ifndef WINCE_NO_REDIRECT
#undef DialogBoxParam
#define DialogBoxParamW CeDialogBoxParamW
#define DialogBoxParam CeDialogBoxParamW
#endif

#ifdef __cplusplus
#include <vector>

namespace wince {
// The window property that SHFullScreen sets while a window has asked the task bar away.
inline constexpr wchar_t kHidesTaskBarProperty[] = L"QZR.HidesTaskBar";

// A copy of a dialog template (DLGTEMPLATE or DLGTEMPLATEEX) without caption, system menu or
// frame styles and clipping its children, as the device shows top-level dialogs. Child templates and anything too short
// to be a template come back unchanged.
std::vector<BYTE> DeviceDialogTemplate(const BYTE* data, size_t size);

// The client rectangle's top edge of a top-level window whose window rectangle starts at
// windowTop: the task bar's bottom while the bar shows and the window did not ask it away.
int ClientTopBelowTaskBar(int windowTop, int windowBottom, bool taskBarShown, int taskBarBottom, bool hidesTaskBar);
}  // namespace wince
#endif
