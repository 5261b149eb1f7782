// Reading the package INI's settings and lists into the run, with their log lines.
#pragma once

#include <vector>

#include "PackageLists.h"
#include "SetupRun.h"

namespace qzrsetup {

void ReadGeneralSettings(SetupRun& run);
void ReadShortcuts(SetupRun& run);
void ReadApplicationHooks(SetupRun& run);
void ReadProtectedFiles(SetupRun& run);
void ReadInstallPathSettings(SetupRun& run);
void ReadRegistryAdditions(SetupRun& run);
void ReadRegistryRemovals(SetupRun& run);
void ReadVersionRequirement(SetupRun& run);
std::vector<Command> ReadCommandList(const SetupRun& run, const char* section);

}  // namespace qzrsetup
