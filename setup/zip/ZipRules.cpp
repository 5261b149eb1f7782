// Rules of the archive layer: entry names, attributes, target paths and result messages.
#include "zip/ZipRules.h"

#include "wince.h"

#include "ZipArchive.h"

#include <algorithm>

namespace qzrsetup::zip {
namespace {

constexpr uint32_t kDirectory = 0x10;
constexpr uint32_t kReadOnly = 0x01;
constexpr uint32_t kDosAttributeMask = 0x37;  // read-only, hidden, system, directory, archive
constexpr uint32_t kNormal = 0x80;

// Hosts whose external attributes carry MS-DOS attribute bits in the low byte.
bool IsDosFamilyHost(unsigned host) { return host == 0 || host == 6 || host == 11 || host == 14; }
constexpr unsigned kUnixHost = 3;

bool IsSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

std::wstring WithBackslashes(std::wstring_view text) {
  std::wstring out(text);
  std::replace(out.begin(), out.end(), L'/', L'\\');
  return out;
}

// "..", "...", ". ." and the like: Win32 drops trailing dots and spaces, so any of them can climb.
bool ClimbsUp(std::wstring_view component) {
  size_t dots = 0;
  for (wchar_t c : component) {
    if (c == L'.') ++dots;
    else if (c != L' ') return false;
  }
  return dots >= 2;
}

bool StaysInside(std::wstring_view relative) {
  size_t start = 0;
  while (start <= relative.size()) {
    size_t end = relative.find(L'\\', start);
    if (end == std::wstring_view::npos) end = relative.size();
    if (ClimbsUp(relative.substr(start, end - start))) return false;
    start = end + 1;
  }
  return true;
}

struct ResultText {
  uint32_t code;
  const wchar_t* text;
};
constexpr ResultText kResultTexts[] = {
    {kZipOk, L"Success"},
    {kZipDupHandle, L"Couldn't duplicate handle"},
    {kZipNoFile, L"Couldn't create/open file"},
    {kZipNoAlloc, L"Failed to allocate memory"},
    {kZipWrite, L"Error writing to file"},
    {kZipNotFound, L"File not found in the zipfile"},
    {kZipMore, L"Still more data to unzip"},
    {kZipCorrupt, L"Zipfile is corrupt or not a zipfile"},
    {kZipRead, L"Error reading file"},
    {kZipPassword, L"Correct password required"},
    {kZipArgs, L"Caller: faulty arguments"},
    {0x20000, L"Caller: can only get memory of a memory zipfile"},
    {0x30000, L"Caller: not enough space allocated for memory zipfile"},
    {0x40000, L"Caller: there was a previous error"},
    {0x50000, L"Caller: additions to the zip have already been ended"},
    {0x60000, L"Zip-bug: the anticipated size turned out wrong"},
    {0x70000, L"Caller: the file had already been partially unzipped"},
    {0x80000, L"Caller: mixing creation and opening of zip"},
    {0x1000000, L"Zip-bug: internal initialisation not completed"},
    {0x2000000, L"Zip-bug: trying to seek the unseekable"},
    {0x4000000, L"Zip-bug: tried to change mind, but not allowed"},
    {kZipFlate, L"Zip-bug: an internal error during flation"},
};

}  // namespace

std::wstring DecodeEntryName(std::string_view stored, bool utf8, unsigned codePage) {
  stored = stored.substr(0, stored.find('\0'));
  std::wstring name;
  if (!stored.empty()) {
    // Invalid bytes become U+FFFD rather than failing the whole name.
    UINT cp = utf8 ? CP_UTF8 : codePage;
    int chars = MultiByteToWideChar(cp, 0, stored.data(), static_cast<int>(stored.size()), nullptr, 0);
    if (chars > 0) {
      name.resize(static_cast<size_t>(chars));
      MultiByteToWideChar(cp, 0, stored.data(), static_cast<int>(stored.size()), name.data(), chars);
    }
  }
  if (name.size() > kMaxEntryNameChars) {
    name.resize(kMaxEntryNameChars);
    if (IS_HIGH_SURROGATE(name.back())) name.pop_back();  // never leave half a character
  }
  return name;
}

uint32_t EntryAttributes(unsigned versionMadeBy, uint32_t externalAttributes, std::wstring_view name) {
  unsigned host = (versionMadeBy >> 8) & 0xFF;
  uint32_t attributes = 0;
  if (IsDosFamilyHost(host) || host == kUnixHost) attributes = externalAttributes & kDosAttributeMask;
  uint32_t mode = externalAttributes >> 16;
  if (!IsDosFamilyHost(host) && mode != 0) {
    if ((mode & 0170000) == 0040000) attributes |= kDirectory;
    if ((mode & 0200) == 0) attributes |= kReadOnly;
  }
  if (!name.empty() && IsSeparator(name.back())) attributes |= kDirectory;
  return attributes == 0 ? kNormal : attributes;
}

bool ComposeTargetPath(std::wstring_view base, std::wstring_view relative, std::wstring* target) {
  std::wstring rel = WithBackslashes(relative);
  if (rel.find(L':') != std::wstring::npos) return false;
  size_t skip = rel.find_first_not_of(L'\\');
  rel.erase(0, skip == std::wstring::npos ? rel.size() : skip);

  std::wstring folder = WithBackslashes(base);
  if (!folder.empty()) {
    if (!StaysInside(rel)) return false;
    bool absolute = folder[0] == L'\\' || (folder.size() >= 2 && folder[1] == L':');
    // The device has no current folder: a base without a root starts at the root.
    if (!absolute) folder.insert(folder.begin(), L'\\');
    while (!folder.empty() && folder.back() == L'\\') folder.pop_back();
  }
  *target = folder + L'\\' + rel;
  return true;
}

std::wstring ParentFolder(std::wstring_view path) {
  size_t cut = path.find_last_of(L"\\/");
  return cut == std::wstring_view::npos ? std::wstring() : std::wstring(path.substr(0, cut));
}

const wchar_t* ZipResultText(uint32_t code) {
  for (const ResultText& entry : kResultTexts)
    if (entry.code == code) return entry.text;
  return nullptr;
}

size_t CopyCut(std::wstring_view text, wchar_t* buffer, size_t bufferChars) {
  if (!buffer || bufferChars == 0) return 0;
  size_t n = std::min(text.size(), bufferChars - 1);
  std::copy_n(text.data(), n, buffer);
  buffer[n] = L'\0';
  return n;
}

}  // namespace qzrsetup::zip
