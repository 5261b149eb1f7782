// The undo side of an installation: carrying the uninstall commands and removals over to the
// uninstallation, and replaying the uninstall data file.
#pragma once

#include <string>

#include "SetupRun.h"

namespace qzrsetup {

// Step 7 of Install_Exit: the INI's Uninstall_Commands into the uninstall command file.
void CopyUninstallCommands(const SetupRun& run);
// Step 8: the "A" record of Uninstall_Removals' ExitAppPathName.
void RecordExitApp(SetupRun& run);
// Step 13: "D" and "F" records of Uninstall_Removals.
void RecordUninstallRemovals(SetupRun& run);

// Undoes what the data file of the run's installation directory records; sets uninstall data
// processed.
void ProcessUninstallData(SetupRun& run);

}  // namespace qzrsetup
