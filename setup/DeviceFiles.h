// Files and programs of the device that installation and uninstallation both handle.
#pragma once

#include <string>

#include "SetupRun.h"
#include "Win32Owners.h"

namespace qzrsetup {

// %INSTALLDIR% in `text` replaced by the run's install path.
std::wstring ExpandInstallDir(const SetupRun& run, const std::wstring& text);

// Starts a program in a new console; the arguments text never holds the program. Empty when
// the start failed.
qzr::StartedProcess StartProgram(const std::wstring& program, const std::wstring& arguments);

// Empties a directory tree; the directory itself is left for the caller. The device root is
// never emptied, whatever path a package or record gives.
void DeleteTree(const std::wstring& directory);
bool IsDeviceRoot(const std::wstring& path);

}  // namespace qzrsetup
