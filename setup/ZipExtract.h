// Unpacking the package's zip files into the install path or to absolute locations.
#pragma once

#include <string>

#include "SetupRun.h"

namespace qzrsetup {

// The target of an entry: base + one backslash + relative name, without a leading backslash.
std::wstring JoinTarget(const std::wstring& base, const std::wstring& relative);

// Extracts every zip file of the run's installation directory into its install path or to
// absolute locations; false when one failed.
bool ExtractPackageZips(SetupRun& run);

}  // namespace qzrsetup
