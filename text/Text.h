// Text helpers every deliverable needs: one case-folding rule, one trimming rule, one conversion
// to and from the device's ANSI code page, and one way to ask a module's path.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <string_view>

namespace qzr {

// Letter case folded the way the platform folds it (as CharLower does: every script, not only A-Z).
// Lists the launcher writes and names the monitor compares must fold alike, or a program
// path with an accented letter would match on one side and not on the other.
wchar_t FoldCase(wchar_t c);
bool EqualsNoCase(std::wstring_view a, std::wstring_view b);
bool StartsWithNoCase(std::wstring_view text, std::wstring_view prefix);
std::wstring LowerCase(std::wstring_view text);

// The device's ANSI code page (CP_ACP): the 8-bit form of menu.ini values, package files and
// log lines. TryAnsiFromWide answers nullopt when the platform cannot convert the text; the
// others answer an empty text then.
std::optional<std::string> TryAnsiFromWide(std::wstring_view text);
std::string AnsiFromWide(std::wstring_view text);
std::wstring WideFromAnsi(std::string_view text);

// White space of the platform's space class removed at both ends.
std::wstring TrimWhite(std::wstring_view text);

// GetModuleFileNameW into a buffer of `maxChars` characters, as the call returned it (cut
// when the name did not fit: callers that must tell compare the length with maxChars).
std::wstring ModuleFileName(HMODULE module, size_t maxChars);
// The same for the running program.
inline std::wstring ModuleFileName(size_t maxChars) { return ModuleFileName(nullptr, maxChars); }
// The module's folder with its final backslash, case kept; empty when the name has none.
std::wstring ModuleFolder(HMODULE module, size_t maxChars);

}  // namespace qzr
