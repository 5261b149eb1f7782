// The whitelist cache shared by QZRShell and Gatewarden: object names, the block's layout, the
// writer that composes both lists and the reader that takes them out again.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "Win32Owners.h"

namespace qzr::whitelist {

inline constexpr wchar_t kSharedMemMutexName[] = L"QZR_SharedMemMutex_CECF001CC058";
inline constexpr wchar_t kCacheName[] = L"QZR_SharedWhiteList_Cache";
inline constexpr wchar_t kSyncEventName[] = L"QZR_GWARDEN_WLSYNC_##_";
inline constexpr wchar_t kTerminateEventName[] = L"QZR_GWARDEN_WL_TERMINATE_##_";
// Owned by the launcher that writes the block, for as long as it lives: a launcher that can
// take it while the block exists knows that the block's writer is gone.
inline constexpr wchar_t kWriterMutexName[] = L"QZR_SharedWhiteList_Writer";
// The monitor's own singleton mutex; it goes when the last monitor process has ended.
inline constexpr wchar_t kMonitorSingletonName[] = L"QZR_GWARDEN_SINGLETON_##_";

// The cache's kernel objects. Tests give names of their own so that they never meet a
// launcher or monitor that happens to run.
struct CacheObjectNames {
  std::wstring mutex = kSharedMemMutexName;
  std::wstring cache = kCacheName;
  std::wstring sync = kSyncEventName;
  std::wstring terminate = kTerminateEventName;
  std::wstring writer = kWriterMutexName;
  std::wstring monitorSingleton = kMonitorSingletonName;
};

// Block layout: offsets in bytes, text UTF-16LE, positions ("pos") in 16-bit units from offset 0.
inline constexpr uint16_t kBlockMarker = 0x434D;  // the bytes "MC"
inline constexpr size_t kMarkerOffset = 0;
inline constexpr size_t kSizeOffset = 4;
inline constexpr size_t kListsOffset = 256;
inline constexpr size_t kListsPos = kListsOffset / 2;
inline constexpr DWORD kMinBlockSize = 6144;
inline constexpr wchar_t kSeparator = L'|';

inline constexpr DWORD kMutexWaitMs = 10000;
inline constexpr DWORD kSyncWaitMs = 20000;

// max(6144, 2 x menu.ini bytes + 256); a menu.ini that cannot be located counts as 0 bytes.
DWORD BlockSizeFor(DWORD menuIniBytes);
// L = (S - 256) / 2 - 4: no list text is written at or beyond this position.
size_t CapacityLimit(size_t blockSize);

// 16-bit little-endian units of a block; out-of-range reads give 0 and writes are dropped.
uint16_t ReadUnit(std::span<const uint8_t> block, size_t pos);
void WriteUnit(std::span<uint8_t> block, size_t pos, uint16_t value);
uint32_t ReadStoredSize(std::span<const uint8_t> block);
// A fresh block: marker at offset 0, size at offset 4, all else zero.
void InitializeBlock(std::span<uint8_t> block);

// What list 1 and list 2 are composed from, in publishing order.
struct WhitelistEntries {
  // Button programs, application-key programs, the launcher, the volume program. Empty
  // entries are skipped; entries that do not fit are skipped without a word.
  std::vector<std::wstring> programs;
  // The raw value of Permit<n>, or empty when the key is missing or empty (which ends them).
  std::function<std::wstring(int n)> permit;
  // Programs that may run only once.
  std::vector<std::wstring> singleInstance;
};

struct ComposeResult {
  size_t list1End = 0;    // position of list 1's NUL
  size_t list2Start = 0;  // position of list 2's first "|", 0 when there was no room for list 2
  size_t end = 0;         // next free position
  // How many times "WARNING: INI content exceeds memory!" is due (Permit and single-instance steps).
  int exceedsMemoryWarnings = 0;
};

// Writes both lists into a prepared block from offset 256 on, within the capacity rule.
ComposeResult ComposeWhitelist(std::span<uint8_t> block, const WhitelistEntries& entries);

// Both lists as a reader sees them, lower-cased.
struct Whitelists {
  std::wstring allowed;         // list 1
  std::wstring singleInstance;  // list 2, empty when the block holds none
};

// Reads the lists from a block image. Nothing beyond the span is touched: without the marker,
// or without list 1's NUL inside the span, the block holds no valid whitelist; a list 2
// without its NUL inside the span counts as absent.
std::optional<Whitelists> ParseBlock(std::span<const uint8_t> block);

// The reading side of the cache, as the monitor holds it: opens the block that a launcher
// created (never creates it), waits for the lists and reads them once.
class WhitelistCacheView {
 public:
  explicit WhitelistCacheView(CacheObjectNames names = {});
  ~WhitelistCacheView();
  WhitelistCacheView(const WhitelistCacheView&) = delete;
  WhitelistCacheView& operator=(const WhitelistCacheView&) = delete;

  // The sync and terminate events, created manual-reset and not signalled by whichever
  // process comes first; each only if not yet held.
  void CreateWhitelistEvents();
  // Opens the existing block and reads at most `size` bytes of it. Fails when there is no
  // block or no marker.
  bool OpenSharedCache(DWORD size);
  // Opens with 6144 bytes and widens to the size stored in the block when that differs.
  bool Open();
  bool WaitForWhitelistSync(DWORD timeoutMs = kSyncWaitMs);
  bool LoadWhitelists();
  // The marker was cleared or the block is gone.
  bool IsCacheWithdrawn() const;
  // Synced, open and loaded: the lists can be used.
  bool IsUsable();
  void Close();

  bool valid() const { return valid_; }
  DWORD mappedSize() const { return mappedSize_; }
  DWORD storedSize() const { return storedSize_; }
  HANDLE terminateEvent() const { return terminateEvent_.get(); }
  const std::wstring& list1() const { return lists_.allowed; }
  const std::wstring& list2() const { return lists_.singleInstance; }

 private:
  uint16_t LiveMarker() const;

  CacheObjectNames names_;
  KernelHandle mapping_;
  MappedView view_;
  DWORD regionSize_ = 0;  // what the view really spans
  DWORD mappedSize_ = 0;  // what is read of it
  DWORD storedSize_ = 0;
  KernelHandle syncEvent_;
  KernelHandle terminateEvent_;
  bool valid_ = false;
  bool synced_ = false;
  bool loaded_ = false;
  Whitelists lists_;
};

}  // namespace qzr::whitelist
