// INI reading rules of the package file and of the uninstall command file.
#include "IniText.h"

#include <windows.h>

#include <cwctype>

namespace qzrsetup {

namespace {


// Lines as the key lookup sees them: CR and LF at a line's start are skipped, a line ends at
// CR, LF or the end of the text.
class LookupLines {
 public:
  explicit LookupLines(std::string_view text) : text_(text) {}
  bool Next(std::string_view* line) {
    while (pos_ < text_.size() && (text_[pos_] == '\r' || text_[pos_] == '\n')) ++pos_;
    if (pos_ >= text_.size()) return false;
    size_t end = text_.find_first_of("\r\n", pos_);
    if (end == std::string_view::npos) end = text_.size();
    *line = text_.substr(pos_, end - pos_);
    pos_ = end;
    return true;
  }
  size_t position() const { return pos_; }

 private:
  std::string_view text_;
  size_t pos_ = 0;
};

enum class HeaderMatch { NotHeader, Other, Match, Broken };

HeaderMatch MatchHeader(std::string_view line, std::string_view section) {
  if (line.empty() || line[0] != '[') return HeaderMatch::NotHeader;
  if (line.size() > kLookupLineLimit) return HeaderMatch::Other;
  size_t close = line.find(']');
  if (close == std::string_view::npos) return HeaderMatch::Broken;
  return EqualsNoCase(line.substr(1, close - 1), section) ? HeaderMatch::Match : HeaderMatch::Other;
}

// Moves `lines` just past the header of `section`; false when there is none.
bool FindSection(LookupLines& lines, std::string_view section) {
  std::string_view line;
  while (lines.Next(&line)) {
    switch (MatchHeader(line, section)) {
      case HeaderMatch::Match: return true;
      case HeaderMatch::Broken: return false;
      default: break;
    }
  }
  return false;
}

}  // namespace

std::optional<std::string> LookupIniKey(std::string_view text, std::string_view section, std::string_view key) {
  LookupLines lines(text);
  if (!FindSection(lines, section)) return std::nullopt;
  std::string_view line;
  while (lines.Next(&line)) {
    if (line[0] == '[') return std::nullopt;
    if (line.size() > kLookupLineLimit || line[0] == ';') continue;
    size_t eq = line.find('=');
    std::string_view name = line.substr(0, eq);
    if (!EqualsNoCase(name, key)) continue;
    if (eq == std::string_view::npos) return std::nullopt;
    size_t start = eq + 1;
    while (start < line.size() && (line[start] == ' ' || line[start] == '\t')) ++start;
    if (start >= line.size()) return std::nullopt;
    return std::string(line.substr(start));
  }
  return std::nullopt;
}

std::optional<std::vector<IniEntry>> WalkIniSection(std::string_view text, std::string_view section, size_t lineBytes) {
  LookupLines lines(text);
  if (!FindSection(lines, section)) return std::nullopt;
  size_t pos = lines.position();
  // The header line's own end.
  if (pos < text.size() && text[pos] == '\r') ++pos;
  if (pos < text.size() && text[pos] == '\n') ++pos;

  std::vector<IniEntry> entries;
  bool atLineStart = true;
  while (pos < text.size()) {
    if (atLineStart && text[pos] == '[') break;
    size_t end = pos;
    while (end < text.size() && end - pos < lineBytes && text[end] != '\n') ++end;
    std::string piece;
    for (size_t i = pos; i < end; ++i)
      if (text[i] != '\r') piece += text[i];
    atLineStart = end >= text.size() || text[end] == '\n';
    pos = end < text.size() && text[end] == '\n' ? end + 1 : end;

    IniEntry entry;
    size_t eq = piece.find('=');
    if (eq == std::string::npos) {
      entry.name = piece;
    } else {
      entry.name = piece.substr(0, eq);
      entry.value = piece.substr(eq + 1);
    }
    entries.push_back(std::move(entry));
  }
  return entries;
}

bool IsYes(std::wstring_view value) { return value == L"y" || value == L"Y"; }

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && EqualsNoCase(text.substr(0, prefix.size()), prefix);
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
  if (a.size() == b.size() && a == b) return true;
  return qzr::EqualsNoCase(WideFromAnsi(a), WideFromAnsi(b));
}

size_t FindNoCase(std::wstring_view text, std::wstring_view needle) {
  if (needle.size() > text.size()) return std::wstring_view::npos;
  for (size_t i = 0; i + needle.size() <= text.size(); ++i)
    if (EqualsNoCase(text.substr(i, needle.size()), needle)) return i;
  return std::wstring_view::npos;
}


}  // namespace qzrsetup
