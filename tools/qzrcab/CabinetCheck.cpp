// The container check: a cabinet a tool or a transfer damaged is refused before FDI touches it.
// FDI finds a bad block only when it reaches it, with the members before it already written, and
// says no more than "corrupt"; checked first, the fault is named and nothing is extracted.
#include "CabinetCheck.h"

namespace qzrcab {
namespace {

uint32_t Le16(std::string_view b, size_t at) {
  return static_cast<uint8_t>(b[at]) | static_cast<uint32_t>(static_cast<uint8_t>(b[at + 1])) << 8;
}
uint32_t Le32(std::string_view b, size_t at) { return Le16(b, at) | Le16(b, at + 2) << 16; }
bool Fits(std::string_view b, uint64_t at, uint64_t n) { return at <= b.size() && b.size() - at >= n; }

constexpr uint32_t kBlockMax = 32768;
// MSZIP's stored blocks can grow a little beyond their input.
constexpr uint32_t kStoredMax = kBlockMax + 6144;

}  // namespace

uint32_t CabChecksum(const uint8_t* data, size_t bytes, uint32_t seed) {
  uint32_t csum = seed;
  size_t words = bytes / 4;
  for (size_t i = 0; i < words; ++i, data += 4)
    csum ^= data[0] | data[1] << 8 | data[2] << 16 | static_cast<uint32_t>(data[3]) << 24;
  uint32_t tail = 0;
  switch (bytes & 3) {
    case 3: tail |= static_cast<uint32_t>(*data++) << 16; [[fallthrough]];
    case 2: tail |= static_cast<uint32_t>(*data++) << 8; [[fallthrough]];
    case 1: tail |= *data;
  }
  return csum ^ tail;
}

CabListing CheckCabinet(std::string_view b, std::string* error) {
  CabListing listing;
  auto fail = [&](const std::string& why) {
    if (error) *error = why;
    return CabListing{};
  };
  if (error) error->clear();
  if (b.size() < 36 || b.substr(0, 4) != "MSCF") return fail("not a cabinet: no MSCF header");
  const uint32_t cabBytes = Le32(b, 8);
  if (cabBytes > b.size())
    return fail("the cabinet is truncated: it states " + std::to_string(cabBytes) + " bytes but has " + std::to_string(b.size()));
  if (cabBytes < b.size())
    return fail("the cabinet has " + std::to_string(b.size() - cabBytes) + " bytes after its stated end");
  const uint32_t filesAt = Le32(b, 16);
  if (b[25] != 1) return fail("unknown cabinet format version " + std::to_string(static_cast<uint8_t>(b[25])));
  const uint32_t folderCount = Le16(b, 26), fileCount = Le16(b, 28), flags = Le16(b, 30);
  if (flags & 3) return fail("the cabinet is part of a set spanning several cabinets, which the installer does not take");
  size_t at = 36;
  uint32_t folderReserve = 0, dataReserve = 0;
  if (flags & 4) {
    if (!Fits(b, at, 4)) return fail("the cabinet's reserve header lies past its end");
    const uint32_t headerReserve = Le16(b, at);
    folderReserve = static_cast<uint8_t>(b[at + 2]);
    dataReserve = static_cast<uint8_t>(b[at + 3]);
    at += 4 + headerReserve;
  }
  if (folderCount == 0 && fileCount != 0) return fail("the cabinet lists files but no folder");
  for (uint32_t f = 0; f < folderCount; ++f, at += 8 + folderReserve) {
    if (!Fits(b, at, 8 + folderReserve)) return fail("folder " + std::to_string(f) + " lies past the cabinet's end");
    CabFolderInfo folder;
    uint64_t blockAt = Le32(b, at);
    folder.blocks = Le16(b, at + 4);
    folder.compression = static_cast<uint16_t>(Le16(b, at + 6));
    if ((folder.compression & 0xF) > 3) return fail("folder " + std::to_string(f) + " uses an unknown compression");
    for (uint32_t k = 0; k < folder.blocks; ++k) {
      if (!Fits(b, blockAt, 8 + dataReserve))
        return fail("data block " + std::to_string(k) + " of folder " + std::to_string(f) + " lies past the cabinet's end");
      const uint32_t stored = Le16(b, blockAt + 4), plain = Le16(b, blockAt + 6);
      if (!Fits(b, blockAt + 8 + dataReserve, stored))
        return fail("data block " + std::to_string(k) + " of folder " + std::to_string(f) + " runs past the cabinet's end");
      if (plain > kBlockMax || stored > kStoredMax || (plain == 0 && stored != 0))
        return fail("data block " + std::to_string(k) + " of folder " + std::to_string(f) + " states impossible sizes");
      if (const uint32_t csum = Le32(b, blockAt)) {
        const auto* base = reinterpret_cast<const uint8_t*>(b.data());
        uint32_t sum = CabChecksum(base + blockAt + 8 + dataReserve, stored, 0);
        sum = CabChecksum(base + blockAt + 4, 4 + dataReserve, sum);
        if (sum != csum)
          return fail("data block " + std::to_string(k) + " of folder " + std::to_string(f) + " has a bad checksum: the cabinet is damaged");
      }
      folder.uncompressedBytes += plain;
      blockAt += 8 + dataReserve + stored;
    }
    listing.folders.push_back(folder);
  }
  at = filesAt;
  for (uint32_t i = 0; i < fileCount; ++i) {
    if (!Fits(b, at, 17)) return fail("file entry " + std::to_string(i) + " lies past the cabinet's end");
    CabEntry e;
    e.size = Le32(b, at);
    e.offset = Le32(b, at + 4);
    e.folder = static_cast<uint16_t>(Le16(b, at + 8));
    e.date = static_cast<uint16_t>(Le16(b, at + 10));
    e.time = static_cast<uint16_t>(Le16(b, at + 12));
    e.attributes = static_cast<uint16_t>(Le16(b, at + 14));
    size_t nul = b.find('\0', at + 16);
    if (nul == std::string_view::npos) return fail("the name of file entry " + std::to_string(i) + " runs past the cabinet's end");
    e.name = std::string(b.substr(at + 16, nul - at - 16));
    at = nul + 1;
    if (e.folder >= folderCount)
      return fail("file \"" + e.name + "\" names a folder the cabinet does not have (or continues in another cabinet)");
    if (static_cast<uint64_t>(e.offset) + e.size > listing.folders[e.folder].uncompressedBytes)
      return fail("file \"" + e.name + "\" lies outside the data of its folder");
    listing.entries.push_back(std::move(e));
  }
  return listing;
}

}  // namespace qzrcab
