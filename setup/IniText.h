// The package INI's two reading modes over the file's bytes: single-key lookup and section walk.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "Text.h"

namespace qzrsetup {

inline constexpr size_t kLookupLineLimit = 260;   // longest line the key lookup reads
inline constexpr size_t kShortValueChars = 31;    // yes/no and number keys
inline constexpr size_t kPathValueChars = 259;    // paths and registry names
inline constexpr size_t kListLineBytes = 261;     // registry and removal sections
inline constexpr size_t kCommandLineBytes = 32769;  // command sections

// The raw value of `key` in `section` (both compared without regard to case), with leading
// blanks and tabs skipped; nullopt when the section or key is missing or the value is empty.
// A line too long for the lookup is passed over: a long comment must not hide the keys after it.
std::optional<std::string> LookupIniKey(std::string_view text, std::string_view section, std::string_view key);

struct IniEntry {
  std::string name;   // text before the first "="
  std::string value;  // everything after it
};

// The entries of `section`, one per line up to the next "[" line; a line longer than
// lineBytes continues as a further entry. nullopt when the section is missing.
std::optional<std::vector<IniEntry>> WalkIniSection(std::string_view text, std::string_view section, size_t lineBytes);

// "y" or "Y" and nothing else.
bool IsYes(std::wstring_view value);

bool StartsWithNoCase(std::string_view text, std::string_view prefix);
using qzr::StartsWithNoCase;
// Folded by the platform's rule (Text.h), as the launcher and the monitor fold.
bool EqualsNoCase(std::string_view a, std::string_view b);
using qzr::EqualsNoCase;
// Position of `needle` in `text` without regard to case, or npos.
size_t FindNoCase(std::wstring_view text, std::wstring_view needle);

using qzr::AnsiFromWide;
using qzr::WideFromAnsi;

}  // namespace qzrsetup
