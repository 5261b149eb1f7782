// Keypad tables → the remap rules: the six members of the keypad lockdown run over a device's
// factory tables or over tables cut from the input, then the simulated driver translates every
// scan code through what they left.
#include <algorithm>
#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "KeypadTables.h"
#include "LockdownRules.h"

namespace {

namespace ld = qzr::lockdown;

// A cursor over the input: bytes, 16-bit lengths and slices that never run past its end.
struct Input {
  const uint8_t* data;
  size_t size;
  uint8_t Byte() {
    if (size == 0) return 0;
    --size;
    return *data++;
  }
  std::vector<BYTE> Slice() {
    size_t n = Byte();
    n |= static_cast<size_t>(Byte()) << 8;
    n = std::min(n, size);
    std::vector<BYTE> out(data, data + n);
    data += n;
    size -= n;
    return out;
  }
};

const wchar_t* const kPalModels[] = {L"VX12", L"VX13", L"VX14", L"VX15", L"VX16", L"VP21", L"VP22", L"VP33", L"VR4A", L"VR4B"};
const wchar_t* const kOemModels[] = {L"VP48", L"VM5", L"VM4", L"VM6", L"VP21", L"VP33", L"VP57", L"VR42", L"generic"};

// Bytes of a table outside the entries a member may touch stay as they were.
void RequireSameOutside(const std::vector<BYTE>& before, const std::vector<BYTE>& after, size_t from, size_t to) {
  if (before.size() != after.size()) __builtin_trap();
  for (size_t i = 0; i < before.size(); ++i)
    if ((i < from || i >= to) && before[i] != after[i]) __builtin_trap();
}

// A whole-record rule leaves no record equal to its pattern and nothing after the last whole record changed.
void ReplaceAndCheck(std::vector<BYTE>& plane, const ld::PlaneRule& rule) {
  const std::vector<BYTE> before = plane;
  const int replaced = ld::ReplaceRecords(plane, rule.pattern, rule.replacement);
  const size_t whole = plane.size() / ld::kRecordBytes * ld::kRecordBytes;
  RequireSameOutside(before, plane, 0, whole);
  if (replaced < 0 || static_cast<size_t>(replaced) > plane.size() / ld::kRecordBytes) __builtin_trap();
  if (rule.pattern != rule.replacement && ld::ReplaceRecords(plane, rule.pattern, rule.replacement) != 0) __builtin_trap();
}

int PlaneIndex(const std::wstring& name) {
  for (int i = 0; i < 3; ++i)
    if (name == ld::kShiftPlanes[i]) return i;
  return -1;
}

void RemapKeyed(keypad::Tables& t, const ld::KeyedPlaneRule& rule) {
  for (const std::wstring& name : rule.planes) {
    const int index = PlaneIndex(name);
    if (index < 0) __builtin_trap();
    std::vector<BYTE>& plane = t.planes[index];
    const std::vector<BYTE> before = plane;
    ld::RemapRecordsForKey(plane, rule.key, ld::kShellKeyTail);
    RequireSameOutside(before, plane, 0, plane.size() / ld::kRecordBytes * ld::kRecordBytes);
    // The driver now reads the shell key wherever the plane names this key.
    if (index == 0) {
      bool listed = false;
      for (size_t at = 0; at + ld::kRecordBytes <= plane.size(); at += ld::kRecordBytes)
        listed |= plane[at] == keypad::kKeyRecord && plane[at + 1] == rule.key;
      if (listed && keypad::TranslateScan(t, rule.key) != std::optional<UINT>(0xC1)) __builtin_trap();
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Input in{data, size};
  const int platformType = in.Byte() % 4;
  const uint8_t model = in.Byte();
  const int modelId = model == 0xFF ? 99 : model % 17;
  const uint8_t flagBits = in.Byte();
  ld::KeyLockFlags flags;
  flags.EnableWindowsKey = flagBits & 1;
  flags.EnableOrangePlaneVolumeUp = (flagBits >> 1) & 1;

  keypad::Tables t;
  const uint8_t source = in.Byte();
  if (source < 0x80) {
    // A device's factory tables, with the layout it reports.
    const size_t pick = source % (std::size(kPalModels) + std::size(kOemModels));
    t = (pick < std::size(kPalModels)
             ? keypad::KeypadForDevice(kPalModels[pick], L"")
             : keypad::KeypadForDevice(L"", std::wstring(L"Korvanex ") + kOemModels[pick - std::size(kPalModels)]))
            .tables;
  } else {
    std::vector<BYTE> id = in.Slice();
    for (size_t i = 0; i + 1 < id.size(); i += 2) t.layoutId.push_back(static_cast<wchar_t>(id[i] | (id[i + 1] << 8)));
    t.vkeyGold = in.Slice();
    t.vkey = in.Slice();
    t.vflags = in.Slice();
    for (auto& plane : t.planes) plane = in.Slice();
  }

  const auto runs = [&](ld::RemapMember m) { return ld::RemapMemberRuns(m, platformType, modelId); };
  if (runs(ld::RemapMember::PatchVkeyGold)) {
    const std::vector<BYTE> before = t.vkeyGold;
    ld::PatchVkeyGoldEntries(t.vkeyGold);
    // Only the four patched entries change, and only in a value that holds all of them.
    if (before.size() != t.vkeyGold.size()) __builtin_trap();
    for (size_t i = 0; i < before.size(); ++i) {
      const size_t entry = i / 2;
      const bool patched = before.size() >= 228 && (entry == 82 || entry == 97 || entry == 98 || entry == 113);
      if (!patched && before[i] != t.vkeyGold[i]) __builtin_trap();
    }
    if (ld::PatchVkeyGoldEntries(t.vkeyGold)) __builtin_trap();
  }
  if (runs(ld::RemapMember::ClearVolumeVkeys)) {
    const std::vector<BYTE> vkey = t.vkey, vflags = t.vflags;
    ld::ClearVolumeEntries(t.vkey, t.vflags);
    RequireSameOutside(vkey, t.vkey, 4, 12);
    RequireSameOutside(vflags, t.vflags, 2, 6);
    if (ld::ClearVolumeEntries(t.vkey, t.vflags)) __builtin_trap();
  }
  if (runs(ld::RemapMember::Models236)) RemapKeyed(t, ld::Models236Rule(t.layoutId));
  if (runs(ld::RemapMember::Model4)) RemapKeyed(t, ld::Model4Rule(t.layoutId));
  if (runs(ld::RemapMember::Model5))
    for (auto& plane : t.planes)
      for (const ld::PlaneRule& rule : ld::Model5Rules()) ReplaceAndCheck(plane, rule);
  if (runs(ld::RemapMember::ModelRules))
    for (const ld::PlaneRule& rule : ld::ModelRemapRules(modelId, flags)) {
      if (rule.plane.empty()) {
        for (auto& plane : t.planes) ReplaceAndCheck(plane, rule);
        continue;
      }
      const int index = PlaneIndex(rule.plane);
      if (index < 0) __builtin_trap();
      ReplaceAndCheck(t.planes[index], rule);
    }

  for (int scan = 0; scan < 256; ++scan) keypad::TranslateScan(t, static_cast<BYTE>(scan));
  return 0;
}
