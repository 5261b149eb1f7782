// The installation and uninstallation runs behind the four exports.
#pragma once

#include <windows.h>

namespace qzrsetup {

inline constexpr int kContinue = 0;
inline constexpr int kUninstallAgain = 1;  // Install_Exit: the installer is to remove the package

// `module` is this library's, which holds the progress dialog.
int InstallExit(HMODULE module, HWND parent, const wchar_t* installDir);
int UninstallInit(const wchar_t* installDir);

}  // namespace qzrsetup
