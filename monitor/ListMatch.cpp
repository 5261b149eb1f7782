// Matching a program path against a "|"-separated list of the shared block.
#include "ListMatch.h"

namespace qzr::monitor {
namespace {

bool IsSeparatorBefore(wchar_t c) { return c == L'|' || c == L'\\' || c == L'"'; }
bool IsSeparatorAfter(wchar_t c) { return c == L'|' || c == L'"'; }

}  // namespace

bool MatchInList(const std::wstring& path, const std::wstring& list) {
  size_t slash = path.find_last_of(L'\\');
  std::wstring name = slash == std::wstring::npos ? path : path.substr(slash + 1);
  size_t s = 0;
  while (s < list.size()) {
    size_t a = path.empty() ? std::wstring::npos : list.find(path, s);
    size_t length = path.size();
    if (a == std::wstring::npos) {
      if (name.empty()) return false;
      a = list.find(name, s);
      length = name.size();
      if (a == std::wstring::npos) return false;
    }
    size_t e = a + length;
    s = e >= list.size() ? e - 1 : e;
    // A one-character match at the list's end would otherwise be found again and again.
    if (s <= a) s = a + 1;
    bool before = a > 0 && IsSeparatorBefore(list[a - 1]);
    bool after = e >= list.size() || IsSeparatorAfter(list[e]);
    if (before && after) return true;
  }
  return false;
}

}  // namespace qzr::monitor
