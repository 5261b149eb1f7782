// Field splitting of command lines and the program/arguments split of program texts.
#include "Fields.h"

namespace qzrsetup {

FieldList SplitFields(std::wstring_view text) {
  FieldList list;
  std::wstring field;
  size_t i = 0;
  bool atFieldStart = true;
  while (i < text.size()) {
    wchar_t c = text[i];
    if (atFieldStart && c == L'"') {
      atFieldStart = false;
      ++i;
      while (i < text.size()) {
        if (text[i] == L'"') {
          if (i + 1 < text.size() && text[i + 1] == L'"') {
            field += L'"';
            i += 2;
            continue;
          }
          ++i;
          break;
        }
        field += text[i++];
      }
      continue;
    }
    if (c == L';') break;
    if (c == L',') {
      list.fields.push_back(std::move(field));
      list.ends.push_back(i);
      field.clear();
      atFieldStart = true;
      ++i;
      continue;
    }
    atFieldStart = false;
    field += c;
    ++i;
  }
  list.fields.push_back(std::move(field));
  list.ends.push_back(i);
  return list;
}

std::vector<uint8_t> ParseHexBytes(const std::vector<std::wstring>& tokens) {
  std::vector<uint8_t> bytes;
  for (const std::wstring& raw : tokens) {
    size_t b = raw.find_first_not_of(L" \t");
    size_t e = raw.find_last_not_of(L" \t");
    if (b == std::wstring::npos) continue;
    std::wstring_view token = std::wstring_view(raw).substr(b, e - b + 1);
    if (token.size() > 2) continue;
    unsigned value = 0;
    bool ok = true;
    for (wchar_t c : token) {
      unsigned digit;
      if (c >= L'0' && c <= L'9') digit = c - L'0';
      else if (c >= L'a' && c <= L'f') digit = c - L'a' + 10;
      else if (c >= L'A' && c <= L'F') digit = c - L'A' + 10;
      else { ok = false; break; }
      value = value * 16 + digit;
    }
    if (ok) bytes.push_back(static_cast<uint8_t>(value));
  }
  return bytes;
}

ProgramText SplitProgramText(std::wstring_view text) {
  text = text.substr(0, kProgramChars);
  ProgramText split;
  size_t dot = text.find(L'.');
  size_t blank = dot == std::wstring_view::npos ? std::wstring_view::npos : text.find(L' ', dot);
  if (blank == std::wstring_view::npos) {
    split.program = std::wstring(text);
  } else {
    split.program = std::wstring(text.substr(0, blank));
    split.arguments = std::wstring(text.substr(blank));
  }
  return split;
}

}  // namespace qzrsetup
