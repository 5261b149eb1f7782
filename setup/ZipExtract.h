// Unpacking the package's zip files into the install path or to absolute locations.
#pragma once

#include <string>

namespace qzrsetup {

// The target of an entry: base + one backslash + relative name, without a leading backslash.
std::wstring JoinTarget(const std::wstring& base, const std::wstring& relative);

// Extracts every zip file of the installation directory; 0 on success, 1 on failure.
int ExtractPackageZips(const std::wstring& installPath, const std::wstring& installDir);

}  // namespace qzrsetup
