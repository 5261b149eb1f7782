// The MS-CAB container checked before anything is extracted: structure, bounds and checksums.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace qzrcab {

struct CabEntry {
  std::string name;  // as stored
  uint32_t size = 0;
  uint32_t offset = 0;  // in its folder's uncompressed stream
  uint16_t folder = 0;
  uint16_t date = 0, time = 0, attributes = 0;
};

struct CabFolderInfo {
  uint16_t compression = 0;  // low 4 bits: 0 none, 1 MSZIP, 2 Quantum, 3 LZX
  uint32_t blocks = 0;
  uint64_t uncompressedBytes = 0;
};

struct CabListing {
  std::vector<CabFolderInfo> folders;
  std::vector<CabEntry> entries;
};

// The cabinet's bytes walked header, folders, data blocks and files, each length and offset
// checked against the bytes and each nonzero block checksum verified. Empty error when sound.
CabListing CheckCabinet(std::string_view bytes, std::string* error);

// The container's block checksum (a running XOR of little-endian words, the tail folded in).
uint32_t CabChecksum(const uint8_t* data, size_t bytes, uint32_t seed);

}  // namespace qzrcab
