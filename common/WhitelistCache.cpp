// The whitelist cache block: size rules, composing the lists into a block and reading them back.
#include "WhitelistCache.h"

#include <algorithm>
#include <cstring>

#include "Text.h"

namespace qzr::whitelist {

DWORD BlockSizeFor(DWORD menuIniBytes) {
  // Computed wide so that a huge file cannot wrap the size round to something small.
  uint64_t wanted = 2ull * menuIniBytes + kListsOffset;
  if (wanted > MAXDWORD) wanted = MAXDWORD;
  return std::max<DWORD>(kMinBlockSize, static_cast<DWORD>(wanted));
}

size_t CapacityLimit(size_t blockSize) {
  if (blockSize < kListsOffset + 8) return 0;
  return (blockSize - kListsOffset) / 2 - 4;
}

uint16_t ReadUnit(std::span<const uint8_t> block, size_t pos) {
  if (pos >= block.size() / 2) return 0;
  return static_cast<uint16_t>(block[2 * pos] | (block[2 * pos + 1] << 8));
}

void WriteUnit(std::span<uint8_t> block, size_t pos, uint16_t value) {
  if (pos >= block.size() / 2) return;
  block[2 * pos] = static_cast<uint8_t>(value & 0xFF);
  block[2 * pos + 1] = static_cast<uint8_t>(value >> 8);
}

uint32_t ReadStoredSize(std::span<const uint8_t> block) {
  return static_cast<uint32_t>(ReadUnit(block, kSizeOffset / 2)) |
         (static_cast<uint32_t>(ReadUnit(block, kSizeOffset / 2 + 1)) << 16);
}

void InitializeBlock(std::span<uint8_t> block) {
  std::fill(block.begin(), block.end(), uint8_t{0});
  WriteUnit(block, kMarkerOffset / 2, kBlockMarker);
  uint32_t size = static_cast<uint32_t>(std::min<size_t>(block.size(), MAXDWORD));
  WriteUnit(block, kSizeOffset / 2, static_cast<uint16_t>(size & 0xFFFF));
  WriteUnit(block, kSizeOffset / 2 + 1, static_cast<uint16_t>(size >> 16));
}

ComposeResult ComposeWhitelist(std::span<uint8_t> block, const WhitelistEntries& entries) {
  ComposeResult result;
  const size_t limit = CapacityLimit(block.size());
  size_t p = kListsPos;
  auto writeEntry = [&](const std::wstring& text) {
    for (wchar_t c : text) WriteUnit(block, p++, static_cast<uint16_t>(c));
    WriteUnit(block, p++, kSeparator);
  };

  WriteUnit(block, p++, kSeparator);
  // Configured programs that do not fit are dropped quietly; the administrator's own Permit
  // and single-instance entries get the warning.
  for (const std::wstring& program : entries.programs)
    if (!program.empty() && p + program.size() < limit) writeEntry(program);

  for (int n = 1; p < limit && entries.permit; ++n) {
    std::wstring raw = entries.permit(n);
    if (raw.empty()) break;
    std::wstring value = TrimWhite(raw);
    if (value.empty()) continue;
    if (p + value.size() + 1 >= limit) {
      ++result.exceedsMemoryWarnings;
      break;
    }
    writeEntry(value);
  }

  result.list1End = p;
  WriteUnit(block, p, 0);
  size_t q = p + 1;
  // List 2 starts with its marker at q and its "|" at q + 1: both must lie below the limit.
  if (q + 1 < limit) {
    WriteUnit(block, q, kBlockMarker);
    WriteUnit(block, q + 1, kSeparator);
    result.list2Start = q + 1;
    p = q + 2;
  }

  for (const std::wstring& program : entries.singleInstance) {
    if (program.empty()) continue;
    // Without list 2 its entries have no room: p is still list 1's NUL.
    if (!result.list2Start || p + program.size() >= limit) {
      ++result.exceedsMemoryWarnings;
      break;
    }
    writeEntry(program);
  }
  // A prepared block is zero here already; a block published twice still ends list 2.
  if (p < limit && result.list2Start) WriteUnit(block, p, 0);
  result.end = p;
  return result;
}

namespace {

// The NUL-terminated text from `pos`, and where its NUL is; nothing when the span ends first.
std::optional<std::pair<std::wstring, size_t>> TextAt(std::span<const uint8_t> block, size_t pos) {
  const size_t units = block.size() / 2;
  std::wstring text;
  for (size_t i = pos; i < units; ++i) {
    uint16_t c = ReadUnit(block, i);
    if (c == 0) return std::make_pair(std::move(text), i);
    text.push_back(static_cast<wchar_t>(c));
  }
  return std::nullopt;
}

}  // namespace

std::optional<Whitelists> ParseBlock(std::span<const uint8_t> block) {
  if (ReadUnit(block, kMarkerOffset / 2) != kBlockMarker) return std::nullopt;
  auto list1 = TextAt(block, kListsPos);
  if (!list1) return std::nullopt;
  Whitelists lists;
  lists.allowed = LowerCase(std::move(list1->first));
  // Positions count whole units, so the one after list 1's NUL is already 2-byte aligned.
  size_t markerPos = list1->second + 1;
  if (markerPos < block.size() / 2 && ReadUnit(block, markerPos) == kBlockMarker) {
    if (auto list2 = TextAt(block, markerPos + 1)) lists.singleInstance = LowerCase(std::move(list2->first));
  }
  return lists;
}

WhitelistCacheView::WhitelistCacheView(CacheObjectNames names) : names_(std::move(names)) {}

WhitelistCacheView::~WhitelistCacheView() { Close(); }

void WhitelistCacheView::CreateWhitelistEvents() {
  if (!syncEvent_) syncEvent_.reset(CreateEventW(nullptr, TRUE, FALSE, names_.sync.c_str()));
  if (!terminateEvent_) terminateEvent_.reset(CreateEventW(nullptr, TRUE, FALSE, names_.terminate.c_str()));
}

bool WhitelistCacheView::OpenSharedCache(DWORD size) {
  if (valid_) return true;
  // Only ever opened: a reader that created the block, even for a moment, would make the
  // launcher starting at that moment believe another launcher owns it.
  mapping_.reset(OpenFileMappingW(FILE_MAP_READ, FALSE, names_.cache.c_str()));
  if (!mapping_) return false;
  // The whole block is mapped once; `size` only bounds what is read, so widening to the
  // stored size needs no second mapping and never reaches past the view.
  view_.reset(MapViewOfFile(mapping_.get(), FILE_MAP_READ, 0, 0, 0));
  MEMORY_BASIC_INFORMATION info{};
  if (!view_ || !VirtualQuery(view_.get(), &info, sizeof info)) {
    Close();
    return false;
  }
  regionSize_ = static_cast<DWORD>(std::min<SIZE_T>(info.RegionSize, MAXDWORD));
  mappedSize_ = std::min(size, regionSize_);
  std::span<const uint8_t> block(static_cast<const uint8_t*>(view_.get()), mappedSize_);
  if (ReadUnit(block, kMarkerOffset / 2) != kBlockMarker) {
    Close();
    return false;
  }
  storedSize_ = ReadStoredSize(block);
  valid_ = true;
  return true;
}

bool WhitelistCacheView::Open() {
  if (!OpenSharedCache(kMinBlockSize)) return false;
  if (storedSize_ != kMinBlockSize) mappedSize_ = std::min(storedSize_, regionSize_);
  return true;
}

bool WhitelistCacheView::WaitForWhitelistSync(DWORD timeoutMs) {
  if (!valid_) return false;
  if (synced_) return true;
  CreateWhitelistEvents();
  synced_ = syncEvent_ && WaitForSingleObject(syncEvent_.get(), timeoutMs) == WAIT_OBJECT_0;
  return synced_;
}

bool WhitelistCacheView::LoadWhitelists() {
  if (loaded_) return true;
  if (!valid_) return false;
  // The launcher may clear or wipe the block at any moment: read from a private copy, and
  // keep the lists only if the marker still stands afterwards.
  std::vector<uint8_t> snapshot(mappedSize_);
  memcpy(snapshot.data(), view_.get(), snapshot.size());
  auto lists = ParseBlock(snapshot);
  if (!lists || LiveMarker() != kBlockMarker) return false;
  lists_ = std::move(*lists);
  loaded_ = true;
  return true;
}

uint16_t WhitelistCacheView::LiveMarker() const {
  if (!view_ || mappedSize_ < 2) return 0;
  auto marker = static_cast<const volatile uint8_t*>(view_.get());
  return static_cast<uint16_t>(marker[0] | (marker[1] << 8));
}

bool WhitelistCacheView::IsCacheWithdrawn() const { return LiveMarker() == 0; }

bool WhitelistCacheView::IsUsable() {
  // Opening first: it is done once, and without a block there is no sync event to wait for.
  return Open() && WaitForWhitelistSync() && LoadWhitelists();
}

void WhitelistCacheView::Close() {
  view_.reset();
  mapping_.reset();
  valid_ = false;
  regionSize_ = mappedSize_ = storedSize_ = 0;
}

}  // namespace qzr::whitelist
