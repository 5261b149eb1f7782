// Cabinet bytes → the container check (header, folders, data blocks and their checksums, file
// entries); every entry it passes lies inside its folder's data.
#include <cstdint>
#include <string>
#include <string_view>

#include "CabinetCheck.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace qzrcab;
  std::string error;
  CabListing listing = CheckCabinet(std::string_view(reinterpret_cast<const char*>(data), size), &error);
  if (!error.empty()) {
    if (!listing.entries.empty() || !listing.folders.empty()) __builtin_trap();
    return 0;
  }
  for (const CabEntry& e : listing.entries) {
    if (e.folder >= listing.folders.size()) __builtin_trap();
    if (static_cast<uint64_t>(e.offset) + e.size > listing.folders[e.folder].uncompressedBytes) __builtin_trap();
  }
  return 0;
}
