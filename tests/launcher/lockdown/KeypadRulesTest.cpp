// Keypad record rules over byte spans: what each changes and what it must leave alone.
// The VkeyGold patch: held to its four entries by the keypad_tables fuzz target, to their values by KeypadTablesTest.
#include <gtest/gtest.h>

#include <vector>

#include "lockdown/LockdownRules.h"
#include "RegistrySupport.h"

namespace ld = qzr::lockdown;
using Bytes = std::vector<uint8_t>;

namespace {

// Little-endian 16-bit entries, as Vkey holds them.
Bytes Entries(const std::wstring& values) { return testing_support::TextBytes(values, 0); }
std::span<uint8_t> Span(Bytes& b) { return {b.data(), b.size()}; }

}  // namespace

TEST(KeypadRules, VolumeEntriesClearedOnlyWhereTheValuesHoldThem) {
  struct Case { const char* what; Bytes vkey, vflags, vkeyAfter, vflagsAfter; bool changed; } cases[] = {
      {"shell, volume and plain keys",
       Entries({0x0775, 0x0776, 0x0775, 0x0075, 0x0041, 0x0076, 0x0776}), Bytes{1, 2, 3, 4, 5, 6, 7},
       Entries({0x0775, 0x0776, 0, 0, 0x0041, 0, 0x0776}), Bytes{1, 2, 0, 0, 5, 0, 7}, true},
      {"high byte 7 of any key", Entries({0, 0, 0x07FF, 0x0700, 0x0800, 0x0077}), Bytes{9, 9, 9, 9, 9, 9},
       Entries({0, 0, 0, 0, 0x0800, 0x0077}), Bytes{9, 9, 0, 0, 9, 9}, true},
      {"nothing to clear", Entries({0, 0, 0x41, 0x42, 0x43, 0x44}), Bytes{1, 1, 1, 1, 1, 1},
       Entries({0, 0, 0x41, 0x42, 0x43, 0x44}), Bytes{1, 1, 1, 1, 1, 1}, false},
      {"Vkey of three entries", Entries({0, 0, 0x0075}), Bytes{1, 1, 1, 1, 1, 1}, Entries({0, 0, 0}),
       Bytes{1, 1, 0, 1, 1, 1}, true},
      {"Vkey with an odd byte", Bytes{0, 0, 0, 0, 0x75, 0x00, 0x76}, Bytes{1, 1, 1, 1},
       Bytes{0, 0, 0, 0, 0, 0, 0x76}, Bytes{1, 1, 0, 1}, true},
      {"Vflags shorter than Vkey", Entries({0, 0, 0x0075, 0x0076, 0x0775, 0x0776}), Bytes{1, 1, 1},
       Entries({0, 0, 0, 0, 0, 0}), Bytes{1, 1, 0}, true},
      {"empty values", Bytes{}, Bytes{}, Bytes{}, Bytes{}, false},
  };
  for (Case& c : cases) {
    EXPECT_EQ(ld::ClearVolumeEntries(Span(c.vkey), Span(c.vflags)), c.changed) << c.what;
    EXPECT_EQ(c.vkey, c.vkeyAfter) << c.what;
    EXPECT_EQ(c.vflags, c.vflagsAfter) << c.what;
  }
}

// Records of the key whatever their tail, other keys and a partial last record are told apart
// in the seeded planes of KeypadTablesTest (model 3 rows).
TEST(KeypadRules, KeyedRecordsGetTheShellKeyTail) {
  const Bytes notARecord = {0x06, 0xE3, 0x00, 0x01, 0x00, 0x1F};
  Bytes plane = notARecord;
  EXPECT_EQ(ld::RemapRecordsForKey(Span(plane), 0xE3, ld::kShellKeyTail), 0);
  EXPECT_EQ(plane, notARecord);
  // A plane cut off one byte into its next record: the record that starts at the cut is not one.
  Bytes cut = {0x07, 0xE3, 0x00, 0x01, 0x00, 0x1F, 0x07};
  EXPECT_EQ(ld::RemapRecordsForKey(Span(cut), 0x07, ld::kShellKeyTail), 0);
  EXPECT_EQ(ld::RemapRecordsForKey(Span(cut), 0xE3, ld::kShellKeyTail), 1);
  EXPECT_EQ(cut.back(), 0x07);
}

TEST(KeypadRules, WholeRecordsReplacedOnRecordBoundaries) {
  const ld::Record pattern = {0x07, 0x22, 0x00, 0x08, 0x00, 0x75};
  const ld::Record replacement = {0x07, 0x22, 0x00, 0x00, 0x00, 0x00};
  Bytes plane = {
      0x07, 0x22, 0x00, 0x08, 0x00, 0x75,        // replaced, first two bytes kept
      0x00, 0x07, 0x22, 0x00, 0x08, 0x00, 0x75,  // the pattern across a record boundary is no record
      0x00, 0x00, 0x00, 0x00, 0x00,
      0x07, 0x22, 0x00, 0x08, 0x00,              // partial pattern at the end
  };
  Bytes want = plane;
  std::fill(want.begin() + 2, want.begin() + 6, 0);
  EXPECT_EQ(ld::ReplaceRecords(Span(plane), pattern, replacement), 1);
  EXPECT_EQ(plane, want);
}
