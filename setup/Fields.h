// Comma-separated fields of command lines (quotes, doubled quotes and ";" comments), and the
// program text of hooks and ExecuteApp.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace qzrsetup {

struct FieldList {
  std::vector<std::wstring> fields;  // at least one, possibly empty
  std::vector<size_t> ends;          // per field: position in the text just past it (its comma, or the end)
};

// Fields are separated by commas; a field that starts with a double quote runs to the closing
// quote, commas included, with "" standing for one quote. A ";" outside quotes ends the list.
// A field is followed by another only when a comma follows it.
FieldList SplitFields(std::wstring_view text);

// Comma-separated hexadecimal bytes: a token of one or two hex digits (blanks around it allowed)
// is one byte; any other token is skipped.
std::vector<uint8_t> ParseHexBytes(const std::vector<std::wstring>& tokens);

// The longest program text that hooks and ExecuteApp run; the rest is cut off.
inline constexpr size_t kProgramChars = 259;

struct ProgramText {
  std::wstring program;    // empty: nothing to run
  std::wstring arguments;  // starts with the blank that ended the program; empty when none
};

// Splits a program text, cut to kProgramChars first, at the first blank after its first ".":
// the program is what stands before that blank, the arguments the rest from the blank on.
// Without a "." or without a blank after it the whole text is the program. Quotes mean nothing
// here: ExecuteApp's field splitting has taken its own away, and a hook's stay in the text.
ProgramText SplitProgramText(std::wstring_view text);

}  // namespace qzrsetup
