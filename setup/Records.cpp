// Record parsing of the uninstall data file.
#include "Records.h"

#include <cwchar>

#include "Macros.h"

namespace qzrsetup {

HKEY RootKeyFromName(std::wstring_view name) {
  struct Root {
    const wchar_t* name;
    HKEY key;
  };
  static const Root kRoots[] = {{L"HKEY_CLASSES_ROOT", HKEY_CLASSES_ROOT},
                                {L"HKEY_CURRENT_USER", HKEY_CURRENT_USER},
                                {L"HKEY_LOCAL_MACHINE", HKEY_LOCAL_MACHINE},
                                {L"HKEY_USERS", HKEY_USERS}};
  for (const Root& root : kRoots)
    if (name.find(root.name) != std::wstring_view::npos) return root.key;
  return nullptr;
}

long RootKeyNumber(HKEY root) { return static_cast<long>(static_cast<int32_t>(reinterpret_cast<intptr_t>(root))); }

HKEY RootKeyFromNumber(long number) {
  for (HKEY root : {HKEY_CLASSES_ROOT, HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE, HKEY_USERS})
    if (RootKeyNumber(root) == number) return root;
  return nullptr;
}

std::wstring RecordTextFromBytes(std::string_view bytes) {
  std::wstring text(bytes.size() / 2, L'\0');
  for (size_t i = 0; i < text.size(); ++i)
    text[i] = static_cast<wchar_t>(static_cast<uint8_t>(bytes[2 * i]) | (static_cast<uint8_t>(bytes[2 * i + 1]) << 8));
  return text;
}

std::vector<std::wstring> SplitRecordLines(std::wstring_view content) {
  std::vector<std::wstring> lines;
  size_t pos = 0;
  for (;;) {
    while (pos < content.size() && (content[pos] == L'\r' || content[pos] == L'\n')) ++pos;
    if (pos >= content.size()) break;
    size_t end = content.find_first_of(L"\r\n", pos);
    if (end == std::wstring_view::npos) end = content.size();
    if (end - pos > kRecordLineLimit) break;
    lines.emplace_back(content.substr(pos, end - pos));
    pos = end;
  }
  return lines;
}

bool IsRecordableRegistryName(std::wstring_view name) { return name.find_first_of(L":\r\n") == std::wstring_view::npos; }

namespace {

// The text after the first ':' at or after `from`, up to the next ':' or the end; `from`
// moves past it.
std::wstring NextColonField(std::wstring_view line, size_t* from) {
  size_t colon = line.find(L':', *from);
  if (colon == std::wstring_view::npos) {
    *from = line.size();
    return {};
  }
  size_t end = line.find(L':', colon + 1);
  if (end == std::wstring_view::npos) end = line.size();
  *from = end;
  return std::wstring(line.substr(colon + 1, end - colon - 1));
}

}  // namespace

UninstallRecord ParseUninstallRecord(std::wstring_view line) {
  UninstallRecord record;
  if (line.empty()) return record;
  std::wstring_view afterTag = line.size() >= 2 ? line.substr(2) : std::wstring_view();
  switch (line[0]) {
    case L'A':
      record.kind = UninstallRecord::Kind::App;
      record.path = WithLeadingBackslash(afterTag);
      break;
    case L'D':
      record.kind = UninstallRecord::Kind::Dir;
      record.path = WithLeadingBackslash(afterTag);
      break;
    case L'F':
    case L'S':
      record.kind = line[0] == L'F' ? UninstallRecord::Kind::File : UninstallRecord::Kind::Shortcut;
      // Shortcut records already carry their backslash; a second one would make a network path.
      record.path = WithLeadingBackslash(afterTag);
      record.pathIsDir = !record.path.empty() && record.path.back() == L'\\';
      break;
    case L'R': {
      if (line.size() < 5) return record;
      if (line[2] != L'K' && line[2] != L'V') return record;
      record.kind = line[2] == L'K' ? UninstallRecord::Kind::RegKey : UninstallRecord::Kind::RegValue;
      record.root = RootKeyFromNumber(std::wcstol(std::wstring(line.substr(4)).c_str(), nullptr, 10));
      size_t from = 4;
      record.key = NextColonField(line, &from);
      if (record.kind == UninstallRecord::Kind::RegValue) record.valueName = NextColonField(line, &from);
      break;
    }
    default: break;
  }
  return record;
}

}  // namespace qzrsetup
