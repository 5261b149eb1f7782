// Expansion of %INSTALLDIR%, %CSIDL_STARTUP% and %CSIDL_PROGRAMS% in package texts.
#pragma once

#include <string>
#include <string_view>

namespace qzrsetup {

// Replaces the first occurrence of `macro` (found without regard to case) by `replacement`.
// When the text up to and including the replacement is a lone "\" and the rest starts with
// "\", one backslash goes. Sets *replaced when the macro was found.
std::wstring ExpandMacro(std::wstring_view text, std::wstring_view macro, std::wstring_view replacement,
                         bool* replaced = nullptr);

// One leading and one trailing backslash removed.
std::wstring TrimOneBackslash(std::wstring_view text);
// A leading backslash added when there is none.
std::wstring WithLeadingBackslash(std::wstring_view text);
// A leading backslash removed when there is one.
std::wstring WithoutLeadingBackslash(std::wstring_view text);

}  // namespace qzrsetup
