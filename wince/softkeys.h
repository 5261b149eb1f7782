// The soft-key bar resource that SHCreateMenuBar reads: an RCDATA resource holding the key
// count, then per key the string-table id of its text and the command id it sends.
//
// In a resource script (one or two keys; 16-bit numbers, as RCDATA writes plain integers):
//
//   #include "softkeys.h"
//   155 RCDATA { QZR_SOFTKEYS_1(32780, 32771) }
//   STRINGTABLE { 32780 "Status" }
//
// The key texts come from the same module's string table.
#pragma once

#define QZR_SOFTKEYS_1(textId, commandId) 1, textId, commandId
#define QZR_SOFTKEYS_2(textId1, commandId1, textId2, commandId2) 2, textId1, commandId1, textId2, commandId2

#ifndef RC_INVOKED
#include <windows.h>

#include <cstddef>
#include <vector>

namespace wince {

inline constexpr int kMaxSoftKeys = 2;

struct SoftKey {
  UINT textId;
  UINT commandId;
};

// Reads the resource bytes; false for a count of 0 or above kMaxSoftKeys, or data too short
// for the count it states.
inline bool ParseSoftKeys(const void* data, size_t size, std::vector<SoftKey>* keys) {
  keys->clear();
  const BYTE* bytes = static_cast<const BYTE*>(data);
  auto word = [bytes](size_t index) {
    return static_cast<UINT>(bytes[index * 2] | (bytes[index * 2 + 1] << 8));
  };
  if (!bytes || size < 2) return false;
  UINT count = word(0);
  if (count == 0 || count > static_cast<UINT>(kMaxSoftKeys) || size < (1 + 2 * count) * 2) return false;
  for (UINT i = 0; i < count; ++i) keys->push_back({word(1 + 2 * i), word(2 + 2 * i)});
  return true;
}

}  // namespace wince
#endif
