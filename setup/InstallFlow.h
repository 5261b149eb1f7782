// The installation and uninstallation runs behind the four exports.
#pragma once

#include <windows.h>

namespace qzrsetup {

// What an entry point answers the cabinet installer, by the numbers it knows.
enum class InstallerAnswer : int {
  kContinue = 0,
  kUninstallAgain = 1,  // Install_Exit: the installer is to remove the package
};

inline int ToInstaller(InstallerAnswer answer) { return static_cast<int>(answer); }

// `module` is this library's, which holds the progress dialog.
InstallerAnswer InstallExit(HMODULE module, HWND parent, const wchar_t* installDir);
InstallerAnswer UninstallInit(const wchar_t* installDir);

}  // namespace qzrsetup
