// Checks of a CabWiz .inf with qzrcab's own reader: what qzrlint reports is what qzrcab refuses.
#include "InfReader.h"
#include "Lint.h"

namespace qzr::lint {

std::vector<Finding> LintCabInf(const std::wstring& fileName, const std::string& bytes) {
  std::vector<Finding> findings;
  // No cpu choice: the plain sections, as qzrcab reads the file without --cpu.
  for (const qzrcab::InfFinding& f : qzrcab::ReadInf(bytes, L"").findings)
    findings.push_back({fileName, f.at.line, f.at.column, f.error ? Severity::Error : Severity::Warning, f.text});
  return findings;
}

}  // namespace qzr::lint
