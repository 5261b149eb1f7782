// The cabinet container through the platform's cabinet library: FCI writes, FDI extracts.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "CabLayout.h"

namespace qzrcab {

enum class Compression { None, MsZip };

// Writes the members, in their order, into one cabinet at `path`: the control file stored in a
// folder of its own, the others in a second folder compressed as asked. The cabinet is built
// under a temporary name beside `path` and renamed only when complete; on failure nothing is
// left and `error` says why.
bool WriteCabinet(const std::wstring& path, const std::vector<CabMember>& members, Compression compression,
                  std::wstring* error);

struct ExtractedMember {
  std::string name;   // as the cabinet names it
  std::wstring file;  // where it was written: `folder` and the member's index, never its name
  DWORD size = 0;
};

// Extracts every member into `folder` (which exists) with FDI.
bool ExtractCabinet(const std::wstring& cabinet, const std::wstring& folder, std::vector<ExtractedMember>* members,
                    std::wstring* error);

}  // namespace qzrcab
