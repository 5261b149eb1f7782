// Shared whitelist block bytes → the reader, and a program path (the first bytes, as 16-bit
// units) matched against both lists it yields.
#include <algorithm>
#include <cstdint>
#include <vector>
#include <span>
#include <string>

#include "ListMatch.h"
#include "Text.h"
#include "WhitelistCache.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace qzr;
  if (size < 1) return 0;
  size_t pathUnits = data[0] % 48;
  if (1 + 2 * pathUnits > size) return 0;
  std::wstring path;
  for (size_t i = 0; i < pathUnits; ++i) path.push_back(static_cast<wchar_t>(data[1 + 2 * i] | (data[2 + 2 * i] << 8)));
  std::span<const uint8_t> block(data + 1 + 2 * pathUnits, size - 1 - 2 * pathUnits);

  whitelist::ReadStoredSize(block);

  // The writer over entries cut from the same bytes: nothing at or beyond the capacity limit,
  // and what it wrote reads back.
  {
    whitelist::WhitelistEntries entries;
    std::wstring text(reinterpret_cast<const char*>(block.data()), reinterpret_cast<const char*>(block.data()) + block.size());
    for (size_t start = 0; start < text.size();) {
      size_t end = std::min(text.find(L'\n', start), text.size());
      (start % 3 == 0 ? entries.singleInstance : entries.programs).push_back(text.substr(start, end - start));
      start = end + 1;
    }
    std::vector<std::wstring> permits(entries.programs.rbegin(), entries.programs.rend());
    entries.permit = [&](int n) { return n <= static_cast<int>(permits.size()) ? permits[n - 1] : std::wstring(); };
    size_t blockSize = whitelist::BlockSizeFor(static_cast<DWORD>(2900 + (pathUnits * 97) % 512));
    std::vector<uint8_t> written(blockSize);
    whitelist::InitializeBlock(written);
    whitelist::ComposeResult result = whitelist::ComposeWhitelist(written, entries);
    // List 1 keeps its end whatever list 2 holds.
    if (whitelist::ReadUnit(written, result.list1End) != 0) __builtin_trap();
    size_t limit = whitelist::CapacityLimit(written.size());
    for (size_t pos = limit; pos < written.size() / 2; ++pos)
      if (whitelist::ReadUnit(written, pos) != 0) __builtin_trap();
    if (!whitelist::ParseBlock(written)) __builtin_trap();
  }
  auto lists = whitelist::ParseBlock(block);
  if (!lists) return 0;
  monitor::MatchInList(LowerCase(path), lists->allowed);
  monitor::MatchInList(LowerCase(path), lists->singleInstance);
  // Every entry of a list (text between two "|") matches itself.
  size_t start = lists->allowed.find(L'|');
  while (start++ < lists->allowed.size()) {
    size_t end = lists->allowed.find(L'|', start);
    if (end == std::wstring::npos) break;
    std::wstring entry = lists->allowed.substr(start, end - start);
    if (!entry.empty() && entry.find(L'"') == std::wstring::npos &&
        entry.find(L'\\') == std::wstring::npos && !monitor::MatchInList(entry, lists->allowed))
      __builtin_trap();
    start = end;
  }
  return 0;
}
