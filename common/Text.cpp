// Case folding through the platform's own tables, trimming, and module paths.
#include "Text.h"

#include <algorithm>
#include <cstdint>
#include <cwctype>

namespace qzr {

wchar_t FoldCase(wchar_t c) {
  // CharLowerW takes a single character in the low word of its argument.
  return static_cast<wchar_t>(reinterpret_cast<uintptr_t>(CharLowerW(reinterpret_cast<LPWSTR>(static_cast<uintptr_t>(c)))));
}

bool EqualsNoCase(std::wstring_view a, std::wstring_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (a[i] != b[i] && FoldCase(a[i]) != FoldCase(b[i])) return false;
  return true;
}

bool StartsWithNoCase(std::wstring_view text, std::wstring_view prefix) {
  return text.size() >= prefix.size() && EqualsNoCase(text.substr(0, prefix.size()), prefix);
}

std::wstring LowerCase(std::wstring_view text) {
  std::wstring lowered(text);
  if (!lowered.empty()) CharLowerBuffW(lowered.data(), static_cast<DWORD>(lowered.size()));
  return lowered;
}

std::wstring TrimWhite(std::wstring_view text) {
  size_t begin = 0, end = text.size();
  while (begin < end && iswspace(text[begin])) ++begin;
  while (end > begin && iswspace(text[end - 1])) --end;
  return std::wstring(text.substr(begin, end - begin));
}

std::wstring ModuleFileName(HMODULE module, size_t maxChars) {
  std::wstring name(maxChars + 1, L'\0');
  DWORD n = GetModuleFileNameW(module, name.data(), static_cast<DWORD>(maxChars));
  name.resize(std::min<size_t>(n, maxChars));
  return name;
}

std::wstring ModuleFolder(HMODULE module, size_t maxChars) {
  std::wstring name = ModuleFileName(module, maxChars);
  size_t slash = name.find_last_of(L'\\');
  return slash == std::wstring::npos ? std::wstring() : name.substr(0, slash + 1);
}

}  // namespace qzr
