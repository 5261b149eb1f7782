// Case folding through the platform's own tables, trimming, and module paths.
#include "Text.h"

#include <algorithm>
#include <cwctype>

namespace qzr {

namespace {

// What CharLowerBuffW does, asked of kernel32 directly: importing user32 for it would make every
// start of Gatewarden load the window system, which it otherwise never touches.
void LowerInPlace(wchar_t* text, size_t length) {
  LCMapStringW(LOCALE_USER_DEFAULT, LCMAP_LOWERCASE, text, static_cast<int>(length), text, static_cast<int>(length));
}

}  // namespace

wchar_t FoldCase(wchar_t c) {
  LowerInPlace(&c, 1);
  return c;
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
  if (!lowered.empty()) LowerInPlace(lowered.data(), lowered.size());
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

std::optional<std::string> TryAnsiFromWide(std::wstring_view text) {
  if (text.empty()) return std::string();
  const int size = static_cast<int>(text.size());
  int n = WideCharToMultiByte(CP_ACP, 0, text.data(), size, nullptr, 0, nullptr, nullptr);
  if (n <= 0) return std::nullopt;
  std::string narrow(static_cast<size_t>(n), '\0');
  if (WideCharToMultiByte(CP_ACP, 0, text.data(), size, narrow.data(), n, nullptr, nullptr) != n) return std::nullopt;
  return narrow;
}

std::string AnsiFromWide(std::wstring_view text) { return TryAnsiFromWide(text).value_or(std::string()); }

std::wstring WideFromAnsi(std::string_view text) {
  if (text.empty()) return {};
  const int size = static_cast<int>(text.size());
  int n = MultiByteToWideChar(CP_ACP, 0, text.data(), size, nullptr, 0);
  if (n <= 0) return {};
  std::wstring wide(static_cast<size_t>(n), L'\0');
  if (MultiByteToWideChar(CP_ACP, 0, text.data(), size, wide.data(), n) != n) return {};
  return wide;
}

}  // namespace qzr
