// Install actions over files and processes: AutoCab, install path, macros, shortcuts, hooked
// applications and the reboot request. The command lists are in Commands.h.
#pragma once

#include <string>
#include <vector>

#include "DeviceFiles.h"
#include "PackageLists.h"
#include "SetupRun.h"
#include "Win32Owners.h"

namespace qzrsetup {

bool DetectAutoCab(const SetupRun& run);
std::wstring ResolveInstallPath(const SetupRun& run);
// Free bytes available to the caller on the volume of `path`; false when the query fails.
bool FreeBytes(const std::wstring& path, unsigned long long* bytes);

// %INSTALLDIR%, then the start-up and programs folders.
std::wstring ExpandAllMacros(const SetupRun& run, const std::wstring& text);

void CreateShortcutEntry(SetupRun& run, const Shortcut& shortcut);
void RunApplication(SetupRun& run, const std::wstring& text, bool wait, bool remove);

void HandleReboot(SetupRun& run);

}  // namespace qzrsetup
