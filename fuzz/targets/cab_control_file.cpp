// Control-file ("000") bytes → the decoded sections, their check, the paths they name; what
// decodes must encode and decode again to the same sections.
#include <cstdint>
#include <string>
#include <string_view>

#include "CeSetupFile.h"

namespace {

bool SameSections(const qzrcab::CeSetup& a, const qzrcab::CeSetup& b) {
  if (a.strings.size() != b.strings.size() || a.dirs.size() != b.dirs.size() || a.files.size() != b.files.size() ||
      a.hives.size() != b.hives.size() || a.values.size() != b.values.size() || a.links.size() != b.links.size())
    return false;
  for (size_t i = 0; i < a.strings.size(); ++i)
    if (a.strings[i].id != b.strings[i].id || a.strings[i].text != b.strings[i].text) return false;
  for (size_t i = 0; i < a.files.size(); ++i)
    if (a.files[i].name != b.files[i].name || a.files[i].flags != b.files[i].flags) return false;
  for (size_t i = 0; i < a.values.size(); ++i)
    if (a.values[i].data != b.values[i].data) return false;
  for (size_t i = 0; i < a.links.size(); ++i)
    if (a.links[i].parts != b.links[i].parts) return false;
  return a.appName == b.appName && a.provider == b.provider && a.unsupported == b.unsupported;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace qzrcab;
  std::string error;
  auto setup = DecodeCeSetup(std::string_view(reinterpret_cast<const char*>(data), size), &error);
  if (!setup) {
    if (error.empty()) __builtin_trap();
    return 0;
  }
  std::string problem = CheckCeSetup(*setup);
  if (problem.empty()) {
    for (const CeDir& d : setup->dirs)
      if (!PartTexts(*setup, d.parts)) __builtin_trap();  // a sound file names only strings it has
    for (const CeFile& f : setup->files)
      if (!IsSafeComponent(f.name) || !FindDir(*setup, f.dirId)) __builtin_trap();
  }
  // Names cut at a NUL read back as written; strings with a NUL inside cannot, so skip those.
  for (const CeString& s : setup->strings)
    if (s.text.find('\0') != std::string::npos) return 0;
  auto again = DecodeCeSetup(EncodeCeSetup(*setup), &error);
  if (!again || !SameSections(*setup, *again)) __builtin_trap();
  return 0;
}
