// Comma-separated fields of command lines: quotes, doubled quotes and ";" comments.
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

}  // namespace qzrsetup
