// CabWiz .inf bytes → findings and the installation they describe (with and without a cpu
// choice), then the control file laid out from it, decoded again and checked.
#include <cstdint>
#include <string>
#include <string_view>

#include "CabLayout.h"
#include "CeSetupFile.h"
#include "InfReader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace qzrcab;
  std::string_view bytes(reinterpret_cast<const char*>(data), size);
  for (const wchar_t* cpu : {L"", L"ARM"}) {
    InfRead read = ReadInf(bytes, cpu);
    for (const InfFinding& f : read.findings)
      if (f.at.line < 1 || f.at.column < 1 || f.text.empty()) __builtin_trap();
    if (read.HasErrors()) continue;
    Layout layout = LayOut(read.project, L"", [](const std::wstring&) { return true; });
    // What the reader passes, the packer writes as a sound control file.
    std::string error;
    auto setup = DecodeCeSetup(layout.plan.members.at(0).bytes, &error);
    if (!setup) __builtin_trap();
    if (!CheckCeSetup(*setup).empty()) __builtin_trap();
    if (setup->files.size() != read.project.files.size()) __builtin_trap();
  }
  return 0;
}
