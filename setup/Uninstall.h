// The undo side of an installation: carrying the uninstall commands and removals over to the
// uninstallation, and replaying the uninstall data file.
#pragma once

#include <string>

#include "SetupRun.h"

namespace qzrsetup {

// While the package is read: the INI's Uninstall_Commands into the uninstall command file,
// since the INI itself is gone by the time the package is uninstalled.
void CopyUninstallCommands(const SetupRun& run);
// While the package is read: the "A" record of Uninstall_Removals' ExitAppPathName.
void RecordExitApp(SetupRun& run);
// Before the Init hook runs: "D" and "F" records of Uninstall_Removals.
void RecordUninstallRemovals(SetupRun& run);

// Undoes what the data file of the run's installation directory records; sets uninstall data
// processed.
void ProcessUninstallData(SetupRun& run);

}  // namespace qzrsetup
