// Macro expansion and the backslash rules of package paths.
#include "Macros.h"

#include "IniText.h"

namespace qzrsetup {

std::wstring ExpandMacro(std::wstring_view text, std::wstring_view macro, std::wstring_view replacement, bool* replaced) {
  if (replaced) *replaced = false;
  size_t at = FindNoCase(text, macro);
  if (at == std::wstring_view::npos) return std::wstring(text);
  if (replaced) *replaced = true;
  std::wstring head = std::wstring(text.substr(0, at)) + std::wstring(replacement);
  std::wstring_view rest = text.substr(at + macro.size());
  if (head == L"\\" && !rest.empty() && rest[0] == L'\\') rest.remove_prefix(1);
  return head + std::wstring(rest);
}

std::wstring TrimOneBackslash(std::wstring_view text) {
  if (!text.empty() && text.front() == L'\\') text.remove_prefix(1);
  if (!text.empty() && text.back() == L'\\') text.remove_suffix(1);
  return std::wstring(text);
}

std::wstring WithLeadingBackslash(std::wstring_view text) {
  if (!text.empty() && text.front() == L'\\') return std::wstring(text);
  return L"\\" + std::wstring(text);
}

std::wstring WithoutLeadingBackslash(std::wstring_view text) {
  if (!text.empty() && text.front() == L'\\') text.remove_prefix(1);
  return std::wstring(text);
}

}  // namespace qzrsetup
