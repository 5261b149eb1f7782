// The block as the launcher writes it: byte for byte, sizes, and the capacity rule at its edges.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "RegistrySupport.h"
#include "WhitelistCache.h"

using namespace qzr::whitelist;
using testing_support::TextBytes;

namespace {

std::vector<uint8_t> PreparedBlock(size_t size) {
  std::vector<uint8_t> block(size);
  InitializeBlock(block);
  return block;
}

std::wstring TextFrom(const std::vector<uint8_t>& block, size_t pos) {
  std::wstring text;
  for (uint16_t c; (c = ReadUnit(block, pos)) != 0; ++pos) text.push_back(static_cast<wchar_t>(c));
  return text;
}

std::function<std::wstring(int)> Permits(std::map<int, std::wstring> values, std::vector<int>* asked = nullptr) {
  return [values, asked](int n) {
    if (asked) asked->push_back(n);
    auto it = values.find(n);
    return it == values.end() ? std::wstring() : it->second;
  };
}

}  // namespace

TEST(WhitelistLayout, ExampleBlockByteForByte) {
  std::vector<uint8_t> block = PreparedBlock(kMinBlockSize);
  WhitelistEntries entries;
  entries.programs = {L"\\windows\\a.exe", L"\\temp\\b.exe"};
  entries.singleInstance = {L"\\temp\\b.exe"};
  ComposeResult r = ComposeWhitelist(block, entries);
  EXPECT_EQ(r.exceedsMemoryWarnings, 0);

  std::vector<uint8_t> expected(kListsOffset, 0);
  expected[0] = 0x4D;
  expected[1] = 0x43;
  expected[4] = 0x00;  // 6144 = 0x1800
  expected[5] = 0x18;
  const std::vector<BYTE> list1 = TextBytes(L"|\\windows\\a.exe|\\temp\\b.exe|"), list2 = TextBytes(L"|\\temp\\b.exe|");
  expected.insert(expected.end(), list1.begin(), list1.end());
  expected.push_back(0x4D);
  expected.push_back(0x43);
  expected.insert(expected.end(), list2.begin(), list2.end());
  expected.resize(kMinBlockSize, 0);
  EXPECT_EQ(block, expected);
  EXPECT_EQ(r.list1End, 128u + 28u);
  EXPECT_EQ(r.list2Start, r.list1End + 2);
}

TEST(WhitelistLayout, BlockSizeAndLimitFollowMenuIniSize) {
  struct Case {
    DWORD iniBytes;
    DWORD blockSize;
    size_t limit;
  } cases[] = {
      {0, 6144, 2940},          // no menu.ini
      {1000, 6144, 2940},       // small files keep the minimum
      {2944, 6144, 2940},       // exactly the minimum
      {2945, 6146, 2941},
      {10000, 20256, 9996},     // 2 x 10000 + 256
      {0xFFFFFFFF, 0xFFFFFFFF, (0xFFFFFFFFull - 256) / 2 - 4},  // never wraps round
  };
  for (const Case& c : cases) {
    EXPECT_EQ(BlockSizeFor(c.iniBytes), c.blockSize) << c.iniBytes;
    EXPECT_EQ(CapacityLimit(c.blockSize), c.limit) << c.iniBytes;
  }
  EXPECT_EQ(CapacityLimit(100), 0u);  // too small for any list
}

TEST(WhitelistLayout, EntriesAtTheCapacityEdges) {
  // With 6144 bytes L = 2940 and list 1 starts at position 129.
  const size_t limit = 2940, start = 129;
  struct Case {
    const char* what;
    std::vector<std::wstring> programs;
    std::map<int, std::wstring> permits;
    std::vector<std::wstring> single;
    std::wstring list1;
    std::wstring list2;
    bool list2Present;
    int warnings;
  };
  const std::wstring fitsProgram(limit - start - 1, L'a');  // p + n = L - 1 < L
  const std::wstring tooLongProgram(limit - start, L'a');   // p + n = L
  const std::wstring fitsPermit(limit - start - 2, L'p');   // p + n + 1 = L - 1 < L
  const std::wstring tooLongPermit(limit - start - 1, L'p');
  // After "|x|" list 1's NUL is at 131, the list-2 marker at 132, and entries start at 134.
  const std::wstring fitsSingle(limit - 134 - 1, L's');     // p = 134, p + n = L - 1
  const std::wstring tooLongSingle(limit - 134, L's');
  const std::vector<Case> cases = {
      {"program that fits exactly", {fitsProgram}, {}, {}, L"|" + fitsProgram + L"|", L"", false, 0},
      {"program one character too long is skipped quietly", {tooLongProgram, L"x"}, {}, {}, L"|x|", L"|", true, 0},
      {"empty programs are skipped", {L"", L"x", L""}, {}, {}, L"|x|", L"|", true, 0},
      {"permit that fits exactly leaves no room for list 2", {}, {{1, fitsPermit}}, {}, L"|" + fitsPermit + L"|", L"", false, 0},
      {"permit one character too long warns and ends", {}, {{1, tooLongPermit}, {2, L"y"}}, {}, L"|", L"|", true, 1},
      {"single-instance entry that fits exactly", {L"x"}, {}, {fitsSingle}, L"|x|", L"|" + fitsSingle + L"|", true, 0},
      {"single-instance entry one too long warns", {L"x"}, {}, {tooLongSingle, L"x"}, L"|x|", L"|", true, 1},
      {"both warnings", {L"x"}, {{1, std::wstring(3000, L'p')}}, {tooLongSingle}, L"|x|", L"|", true, 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::vector<uint8_t> block = PreparedBlock(kMinBlockSize);
    WhitelistEntries entries{c.programs, Permits(c.permits), c.single};
    ComposeResult r = ComposeWhitelist(block, entries);
    EXPECT_EQ(TextFrom(block, kListsPos), c.list1);
    EXPECT_EQ(r.exceedsMemoryWarnings, c.warnings);
    EXPECT_EQ(r.list2Start != 0, c.list2Present);
    if (c.list2Present) {
      EXPECT_EQ(ReadUnit(block, r.list2Start - 1), kBlockMarker);
      EXPECT_EQ(TextFrom(block, r.list2Start), c.list2);
    }
    // Nothing but list 1's NUL ever lands at or beyond L.
    for (size_t pos = limit + 1; pos < kMinBlockSize / 2; ++pos) ASSERT_EQ(ReadUnit(block, pos), 0) << pos;
  }
}

TEST(WhitelistLayout, PermitKeysEndAtTheFirstGapAndSkipBlanks) {
  struct Case {
    const char* what;
    std::map<int, std::wstring> permits;
    std::wstring list1;
    std::vector<int> asked;
  } cases[] = {
      {"Permit2 missing ends the list", {{1, L"\\a.exe"}, {3, L"\\c.exe"}}, L"|\\a.exe|", {1, 2}},
      {"blank Permit2 is skipped, Permit3 still read", {{1, L"a.exe"}, {2, L"   \t"}, {3, L"c.exe"}}, L"|a.exe|c.exe|", {1, 2, 3, 4}},
      {"values are trimmed and keep their case", {{1, L"  \\Storage\\X.exe "}}, L"|\\Storage\\X.exe|", {1, 2}},
      {"a bar inside a value is one more separator", {{1, L"a.exe|b.exe"}}, L"|a.exe|b.exe|", {1, 2}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::vector<uint8_t> block = PreparedBlock(kMinBlockSize);
    std::vector<int> asked;
    ComposeWhitelist(block, {{}, Permits(c.permits, &asked), {}});
    EXPECT_EQ(TextFrom(block, kListsPos), c.list1);
    EXPECT_EQ(asked, c.asked);
  }
}

TEST(WhitelistLayout, ListTwoWithoutRoomForItsMarker) {
  // List 1 filled so that its NUL is at L - 1 or L - 2: the list-2 marker and its "|" would not
  // both lie below L, so there is no list 2 at all (at L - 2 the "|" once landed on L).
  const size_t limit = 2940;
  for (size_t nul : {limit - 1, limit - 2}) {
    SCOPED_TRACE(nul);
    std::vector<uint8_t> block = PreparedBlock(kMinBlockSize);
    WhitelistEntries entries;
    entries.programs = {std::wstring(nul - 129 - 1, L'a')};
    entries.singleInstance = {L"x"};
    ComposeResult r = ComposeWhitelist(block, entries);
    EXPECT_EQ(r.list1End, nul);
    EXPECT_EQ(r.list2Start, 0u);
    EXPECT_EQ(r.exceedsMemoryWarnings, 1);
    for (size_t pos = limit - 1; pos <= limit; ++pos) EXPECT_EQ(ReadUnit(block, pos), 0) << pos;
    auto lists = ParseBlock(block);
    ASSERT_TRUE(lists);
    EXPECT_EQ(lists->singleInstance, L"");
  }
}
