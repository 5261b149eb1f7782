// The reader never trusts the block: bad markers, missing NULs, wrong sizes, a block withdrawn meanwhile.
// That it never creates the block: MonitorRules.NoCacheMeansNoWhitelist.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "WhitelistCache.h"
#include "Win32Owners.h"

using namespace qzr::whitelist;
using qzr::KernelHandle;
using qzr::MappedView;

namespace {

CacheObjectNames UniqueNames(const wchar_t* tag) {
  static int counter = 0;
  std::wstring suffix = std::wstring(L"_test_") + tag + L"_" + std::to_wstring(GetCurrentProcessId()) + L"_" +
                        std::to_wstring(++counter);
  CacheObjectNames names;
  names.mutex += suffix;
  names.cache += suffix;
  names.sync += suffix;
  names.terminate += suffix;
  return names;
}

const std::wstring nul(1, L'\0');

void PutText(std::span<uint8_t> block, size_t pos, const std::wstring& text) {
  for (wchar_t c : text) WriteUnit(block, pos++, static_cast<uint16_t>(c));
}

// A block as a launcher creates it, under test names.
struct TestBlock {
  KernelHandle mapping;
  MappedView view;
  std::span<uint8_t> bytes;

  TestBlock(const CacheObjectNames& names, DWORD size) {
    mapping.reset(CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, size, names.cache.c_str()));
    view.reset(MapViewOfFile(mapping.get(), FILE_MAP_ALL_ACCESS, 0, 0, size));
    bytes = {static_cast<uint8_t*>(view.get()), view ? size : 0};
    InitializeBlock(bytes);
  }
  void SetStoredSize(uint32_t size) {
    WriteUnit(bytes, kSizeOffset / 2, static_cast<uint16_t>(size & 0xFFFF));
    WriteUnit(bytes, kSizeOffset / 2 + 1, static_cast<uint16_t>(size >> 16));
  }
};

std::vector<uint8_t> BlockWith(size_t size, const std::wstring& fromListStart) {
  std::vector<uint8_t> block(size);
  InitializeBlock(block);
  PutText(block, kListsPos, fromListStart);
  return block;
}

}  // namespace

TEST(WhitelistReader, ParsesOnlyWhatTheBlockBounds) {
  const std::wstring marker(1, static_cast<wchar_t>(kBlockMarker));
  struct Case {
    const char* what;
    std::vector<uint8_t> block;
    bool valid;
    std::wstring list1, list2;
  };
  // (A cleared marker: WithdrawnBlockAndSyncEvent.)
  std::vector<Case> cases = {
      {"both lists, lower-cased", BlockWith(6144, L"|\\Windows\\A.EXE|" + nul + marker + L"|B.exe|" + nul), true,
       L"|\\windows\\a.exe|", L"|b.exe|"},
      {"no list-2 marker: list 2 empty", BlockWith(6144, L"|a.exe|" + nul + L"|b.exe|" + nul), true, L"|a.exe|", L""},
      {"list 1 without NUL up to the block's end", BlockWith(600, std::wstring(172, L'a')), false, L"", L""},
      {"list 2 without NUL up to the block's end", BlockWith(600, L"|a|" + nul + marker + std::wstring(167, L'b')), true,
       L"|a|", L""},
      {"list 1's NUL is the block's last unit", BlockWith(600, std::wstring(171, L'a')), true, std::wstring(171, L'a'), L""},
      {"block ends right after list 1", BlockWith(264, L"|a|"), true, L"|a|", L""},
      {"block shorter than the lists' offset", BlockWith(200, L""), false, L"", L""},
      {"empty span", {}, false, L"", L""},
  };
  Case otherMarker{"some other marker", BlockWith(6144, L"|a.exe|"), false, L"", L""};
  WriteUnit(otherMarker.block, 0, 0x4D43);
  cases.push_back(otherMarker);

  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    auto lists = ParseBlock(c.block);
    ASSERT_EQ(lists.has_value(), c.valid);
    if (!lists) continue;
    EXPECT_EQ(lists->allowed, c.list1);
    EXPECT_EQ(lists->singleInstance, c.list2);
  }
}

TEST(WhitelistReader, StoredSizeBoundsAreChecked) {
  struct Case {
    const char* what;
    DWORD mappingSize;
    uint32_t storedSize;
    std::wstring text;  // from offset 256
    bool loads;
    size_t list1Length;
  } cases[] = {
      {"a large block is read to its stored size", 20256, 20256, L"|" + std::wstring(9000, L'a') + L"|" + nul, true, 9002},
      {"stored size larger than the mapping, NUL inside", 6144, 0x7FFFFFF0, L"|a.exe|" + nul, true, 7},
      {"stored size larger than the mapping, no NUL", 8192, 0x7FFFFFF0, std::wstring(3968, L'a'), false, 0},
      {"stored size below the lists' offset", 6144, 100, L"|a.exe|" + nul, false, 0},
      {"stored size cuts list 1", 6144, 400, L"|" + std::wstring(200, L'a') + L"|" + nul, false, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    CacheObjectNames names = UniqueNames(L"size");
    TestBlock block(names, c.mappingSize);
    ASSERT_FALSE(block.bytes.empty());
    block.SetStoredSize(c.storedSize);
    PutText(block.bytes, kListsPos, c.text);
    KernelHandle sync(CreateEventW(nullptr, TRUE, TRUE, names.sync.c_str()));

    WhitelistCacheView view(names);
    view.CreateWhitelistEvents();
    ASSERT_TRUE(view.Open());
    EXPECT_EQ(view.storedSize(), c.storedSize);
    EXPECT_LE(view.mappedSize(), std::max<DWORD>(c.mappingSize, 4096 * ((c.mappingSize + 4095) / 4096)));
    EXPECT_EQ(view.IsUsable(), c.loads);
    if (c.loads) EXPECT_EQ(view.list1().size(), c.list1Length);
  }
}

TEST(WhitelistReader, WithdrawnBlockAndSyncEvent) {
  CacheObjectNames names = UniqueNames(L"withdraw");
  TestBlock block(names, 6144);
  PutText(block.bytes, kListsPos, L"|a.exe|" + nul);
  KernelHandle sync(CreateEventW(nullptr, TRUE, FALSE, names.sync.c_str()));

  WhitelistCacheView view(names);
  view.CreateWhitelistEvents();
  ASSERT_TRUE(view.Open());
  EXPECT_FALSE(view.WaitForWhitelistSync(50));  // lists not published yet
  SetEvent(sync.get());
  EXPECT_TRUE(view.WaitForWhitelistSync(50));
  ResetEvent(sync.get());
  EXPECT_TRUE(view.WaitForWhitelistSync(50));  // once seen, remembered

  // Withdrawn between opening and reading: no lists.
  WriteUnit(block.bytes, 0, 0);
  EXPECT_TRUE(view.IsCacheWithdrawn());
  EXPECT_FALSE(view.LoadWhitelists());

  // Marker back, lists read; withdrawn afterwards: the poll sees it.
  WriteUnit(block.bytes, 0, kBlockMarker);
  EXPECT_FALSE(view.IsCacheWithdrawn());
  ASSERT_TRUE(view.LoadWhitelists());
  EXPECT_EQ(view.list1(), L"|a.exe|");
  std::fill(block.bytes.begin(), block.bytes.end(), uint8_t{0});
  EXPECT_TRUE(view.IsCacheWithdrawn());
}
