// Shared whitelist block bytes → the reader, and a program path (the first bytes, as 16-bit
// units) matched against both lists it yields.
#include <cstdint>
#include <span>
#include <string>

#include "ListMatch.h"
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
  auto lists = whitelist::ParseBlock(block);
  if (!lists) return 0;
  monitor::MatchInList(whitelist::LowerCase(path), lists->allowed);
  monitor::MatchInList(whitelist::LowerCase(path), lists->singleInstance);
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
