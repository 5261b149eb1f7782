// Parses device profile files and applies them to the registry profile.
#include "ProfileFile.h"

#include <cwctype>

#include "DeviceProfile.h"
#include "Text.h"

namespace emulator {
namespace {

bool ParseHex(const std::wstring& text, std::vector<BYTE>* out) {
  out->clear();
  size_t i = 0;
  while (i < text.size()) {
    while (i < text.size() && (text[i] == L',' || iswspace(text[i]))) ++i;
    if (i >= text.size()) break;
    if (i + 1 >= text.size() || !iswxdigit(text[i]) || !iswxdigit(text[i + 1])) return false;
    out->push_back(static_cast<BYTE>(std::stoi(text.substr(i, 2), nullptr, 16)));
    i += 2;
  }
  return true;
}

}  // namespace

std::vector<ProfileEntry> ParseProfileText(const std::wstring& text, std::vector<int>* errors) {
  std::vector<ProfileEntry> entries;
  size_t pos = 0;
  int lineNo = 0;
  while (pos <= text.size()) {
    size_t end = text.find(L'\n', pos);
    if (end == std::wstring::npos) end = text.size();
    std::wstring line = qzr::TrimWhite(text.substr(pos, end - pos));
    ++lineNo;
    pos = end + 1;
    if (line.empty() || line[0] == L';' || line[0] == L'#') continue;
    size_t eq = line.find(L'=');
    ProfileEntry entry;
    if (eq == std::wstring::npos || (entry.name = qzr::TrimWhite(line.substr(0, eq))).empty()) {
      if (errors) errors->push_back(lineNo);
      continue;
    }
    std::wstring value = qzr::TrimWhite(line.substr(eq + 1));
    if (value.rfind(L"hex:", 0) == 0) {
      entry.binary = true;
      if (!ParseHex(value.substr(4), &entry.bytes)) {
        if (errors) errors->push_back(lineNo);
        continue;
      }
    } else {
      entry.text = value;
    }
    entries.push_back(std::move(entry));
  }
  return entries;
}

int ApplyProfile(const std::vector<ProfileEntry>& entries) {
  int written = 0;
  for (const auto& e : entries) {
    bool ok = e.binary ? wince::WriteProfileBinary(e.name.c_str(), e.bytes) : wince::WriteProfileString(e.name.c_str(), e.text);
    written += ok ? 1 : 0;
  }
  return written;
}

}  // namespace emulator
