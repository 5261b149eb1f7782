// The undo side of an installation: carrying the uninstall commands and removals over to the
// uninstallation, and replaying the uninstall data file.
#pragma once

#include <string>

namespace qzrsetup {

// Step 7 of Install_Exit: the INI's Uninstall_Commands into the uninstall command file.
void CopyUninstallCommands();
// Step 8: the "A" record of Uninstall_Removals' ExitAppPathName.
void RecordExitApp();
// Step 13: "D" and "F" records of Uninstall_Removals.
void RecordUninstallRemovals();

// Undoes what the data file of `installDir` records; sets uninstall data processed.
void ProcessUninstallData(const std::wstring& installDir);

}  // namespace qzrsetup
