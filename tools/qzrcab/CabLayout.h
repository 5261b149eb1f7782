// What goes into a cabinet: the control file made from an .inf's installation and the members in
// the order the device's installer reads them.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "CeSetupFile.h"
#include "InfReader.h"

namespace qzrcab {

struct CabMember {
  std::string name;     // 8.3, its extension the file number
  std::wstring source;  // host file; empty when `bytes` holds the member
  std::string bytes;
};

struct CabPlan {
  CeSetup setup;
  std::vector<CabMember> members;  // control file, setup DLL, then the files by descending number
};

struct Layout {
  CabPlan plan;
  std::vector<InfFinding> findings;
};

// `baseFolder`: where relative source paths start (the .inf's folder, with its separator).
// `exists` says whether a host file is there; a missing one is an error at the line naming it.
Layout LayOut(const InfProject& project, const std::wstring& baseFolder,
              const std::function<bool(const std::wstring&)>& exists);

// "0Blkjack.005": the name's letters and digits, cut or padded on the left with 0 to eight, and
// the number as the extension.
std::string MemberName(std::wstring_view name, int number);

}  // namespace qzrcab
