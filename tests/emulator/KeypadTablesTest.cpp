// The handheld's keypads: factory tables per model, and key translation through the tables as they are.
#include <gtest/gtest.h>

#include <algorithm>

#include "KeypadTables.h"

using keypad::KeypadForDevice;
using keypad::PhysicalKey;
using Record = std::array<BYTE, 6>;

namespace {

bool PlaneHas(const std::vector<BYTE>& plane, const Record& r) {
  for (size_t at = 0; at + 6 <= plane.size(); at += 6)
    if (std::equal(r.begin(), r.end(), plane.begin() + at)) return true;
  return false;
}

uint16_t Entry(const std::vector<BYTE>& table, size_t i) {
  return i * 2 + 1 < table.size() ? static_cast<uint16_t>(table[i * 2] | (table[i * 2 + 1] << 8)) : 0xFFFF;
}

}  // namespace

// Which model a device's names give, and where the records of that model's remap rule sit.
TEST(KeypadTables, EachModelCarriesTheRecordsItsRemapRuleLooksFor) {
  struct Case {
    const wchar_t* pal;
    const wchar_t* oem;
    const wchar_t* model;
    const wchar_t* layoutId;
    int plane;  // -1: every plane
    Record record;
  };
  const Case cases[] = {
      {L"VX12 Rugged Handheld", L"Korvanex VX12", L"VX12", L"00000409", 1, {7, 0x3F, 0, 2, 0, 0x0B}},
      {L"VX13", L"", L"VX13", L"00000409", 1, {7, 0x3F, 0, 2, 0, 0x0B}},
      {L"", L"x PerihelionV3 y", L"VX13", L"00000409", 1, {7, 0x3F, 0, 2, 0, 0x0B}},
      {L"VX15 Mk2", L"", L"VX15", L"00000409", 1, {7, 0x3F, 0, 2, 0, 0x0B}},
      {L"VP21", L"", L"VP21", L"00000409", -1, {7, 0x41, 0, 8, 0, 0x5B}},
      {L"", L"Korvanex VP33", L"VP33", L"00000409", -1, {7, 0x1A, 0, 8, 0, 0x5B}},
      {L"VP22", L"", L"VP22", L"00000409", 0, {7, 0xE3, 0, 0, 0x10, 0xCF}},
      {L"", L"Korvanex VM4", L"VM4", L"0409_VM4", -1, {7, 0x22, 0, 8, 0, 0x75}},
      {L"", L"korvanex vm4", L"VM4", L"0409_VM4", -1, {7, 0x27, 0, 8, 0, 0x76}},
      {L"", L"Korvanex VM4", L"VM4", L"0409_VM4", -1, {7, 0x1E, 0, 1, 0, 0x1F}},
      {L"", L"Korvanex VM4", L"VM4", L"0409_VM4", -1, {7, 0xE3, 0, 1, 0, 0x1F}},
      {L"", L"Korvanex VM5", L"VM5", L"2749_5318_6", 2, {7, 0x3E, 0, 8, 0, 0x5B}},
      {L"", L"Korvanex VP57", L"VP57", L"0409_VP57", -1, {7, 0xE3, 0, 8, 0, 0x5B}},
      {L"", L"Korvanex VM6", L"VM6", L"0409_VM6", -1, {7, 0xE3, 0, 8, 0, 0x5B}},
      {L"", L"Korvanex VR42", L"VR42", L"VR42\\0001", 2, {7, 0x2B, 0, 8, 0, 0x5B}},
      {L"", L"Korvanex VM4X", L"generic", L"00000409", -1, {7, 0x5B, 0, 8, 0, 0x5B}},
      {L"", L"", L"generic", L"00000409", -1, {7, 0x5B, 0, 8, 0, 0x5B}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::wstring(c.pal) + L" / " + c.oem);
    keypad::Keypad k = KeypadForDevice(c.pal, c.oem);
    EXPECT_EQ(k.name, c.model);
    EXPECT_EQ(k.tables.layoutId, c.layoutId);
    EXPECT_EQ(k.tables.layoutKey.rfind(keypad::kKeybdKey, 0), 0u) << "volatile, under HARDWARE";
    for (int p = 0; p < 3; ++p) {
      EXPECT_EQ(k.tables.planes[p].size() % 6, 0u);
      if (c.plane < 0 || c.plane == p) EXPECT_TRUE(PlaneHas(k.tables.planes[p], c.record)) << "plane " << p;
    }
  }
}

TEST(KeypadTables, VkeyTablesHoldTheEntriesThePatchesTouch) {
  keypad::Keypad k = KeypadForDevice(L"", L"Korvanex VP48");
  EXPECT_EQ(k.name, L"VP48");
  ASSERT_GE(k.tables.vkeyGold.size(), 114u * 2) << "the gold patch needs 114 entries";
  for (size_t i : {82u, 97u, 98u, 113u}) EXPECT_NE(Entry(k.tables.vkeyGold, i), 0) << i;
  // Entries 2..5: two that the volume rule clears (0x75, 0x76), one shell key (high byte 7), one kept.
  ASSERT_EQ(k.tables.vflags.size() * 2, k.tables.vkey.size());
  EXPECT_EQ(Entry(k.tables.vkey, 2), 0x0075);
  EXPECT_EQ(Entry(k.tables.vkey, 3), 0x0076);
  EXPECT_EQ(Entry(k.tables.vkey, 4) >> 8, 7);
  EXPECT_NE(Entry(k.tables.vkey, 5) >> 8, 7);
}

// What each of the handheld's keys produces from the factory tables.
TEST(KeypadTables, FactoryTablesGiveEveryKeyItsUsualCode) {
  for (const wchar_t* oem : {L"Korvanex VP21", L"Korvanex VM5", L"Korvanex VM4", L"Korvanex VR42", L"Korvanex VX12"}) {
    SCOPED_TRACE(oem);
    keypad::Keypad k = KeypadForDevice(L"", oem);
    auto produce = [&](PhysicalKey key) { return keypad::TranslateScan(k.tables, keypad::ScanCodeOf(k, key)); };
    EXPECT_EQ(produce(PhysicalKey::kWindows), std::optional<UINT>(VK_LWIN));
    EXPECT_EQ(produce(PhysicalKey::kVolumeUp), std::optional<UINT>(VK_F6));
    EXPECT_EQ(produce(PhysicalKey::kVolumeDown), std::optional<UINT>(VK_F7));
    for (int n = 1; n <= 6; ++n) EXPECT_EQ(produce(keypad::Button(n)), std::optional<UINT>(0xC0 + n)) << n;
  }
}

TEST(KeypadTables, TranslationFollowsPlaneZeroThenVkeyAndIgnoresBrokenTails) {
  keypad::Tables t;
  t.planes[0] = {7, 0x41, 0, 8, 0, 0x5B,   // a key record
                 3, 0x42, 0, 8, 0, 0x33,   // not a key record: ignored
                 7, 0x41, 0, 2, 0x10, 0xC1,  // a later record for the same key: the first wins
                 7, 0x43, 0};              // a broken tail
  t.planes[1] = {7, 0x44, 0, 8, 0, 0x55};  // other planes don't count
  t.vkey = {0, 0, 0, 0, 0x75, 0x00, 0x00, 0x00};
  struct Case {
    BYTE scan;
    std::optional<UINT> vk;
  };
  const Case cases[] = {
      {0x41, VK_LWIN}, {0x42, std::nullopt}, {0x43, std::nullopt}, {0x44, std::nullopt},
      {2, 0x75},       {3, 0},           {4, std::nullopt},
  };
  for (const Case& c : cases) EXPECT_EQ(keypad::TranslateScan(t, c.scan), c.vk) << int(c.scan);
}

TEST(KeypadTables, PcKeysStandForTheHandheldsKeys) {
  struct Case {
    UINT vk;
    bool ctrl;
    std::optional<PhysicalKey> key;
  };
  const Case cases[] = {
      {VK_RWIN, true, PhysicalKey::kWindowsRight}, {VK_F7, true, PhysicalKey::kVolumeDown},
      {VK_F1, false, std::nullopt},                {'A', true, std::nullopt},
  };
  for (const Case& c : cases) EXPECT_EQ(keypad::PhysicalKeyFor(c.vk, c.ctrl), c.key) << c.vk << " ctrl " << c.ctrl;
}
