// Registry actions of an installation: additions, removals, the install path value, the
// installed version, and the undo of "R" records.
#pragma once

#include <windows.h>

#include <string>

#include "PackageLists.h"
#include "SetupRun.h"

namespace qzrsetup {

// Writes one entry, logging each step and recording what uninstallation must undo.
void WriteRegistryEntry(SetupRun& run, const RegistryEntry& entry);
// Deletes a whole key or one value (the unnamed one when the name is empty); errors ignored.
void ApplyRegistryRemoval(const RegistryRemoval& removal);
// Writes the install path value of AddInstallPathToRegistry, when one is configured.
void WriteInstallPathValue(SetupRun& run);
// The installed version from the version requirement's value; 0.00 when it cannot be read.
Version ReadInstalledVersion(const VersionRequirement& requirement);

// Deletes a key with everything below it, as the device's RegDeleteKey does. A root key
// itself (an empty path) is never deleted.
bool DeleteRegistryKey(HKEY root, const std::wstring& key);
bool DeleteRegistryValue(HKEY root, const std::wstring& key, const std::wstring& valueName);

}  // namespace qzrsetup
