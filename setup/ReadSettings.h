// Reading the package INI's settings and lists into the setup state, with their log lines.
#pragma once

#include <vector>

#include "PackageLists.h"

namespace qzrsetup {

void ReadGeneralSettings();
void ReadShortcuts();
void ReadApplicationHooks();
void ReadProtectedFiles();
void ReadInstallPathSettings();
void ReadRegistryAdditions();
void ReadRegistryRemovals();
void ReadVersionRequirement();
std::vector<Command> ReadCommandList(const char* section);

}  // namespace qzrsetup
