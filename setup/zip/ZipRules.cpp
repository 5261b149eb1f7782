// Rules of the archive layer: entry names, attributes, target paths and result messages.
#include "zip/ZipRules.h"

#include "wince.h"

#include "zip/ZipArchive.h"

#include <zlib.h>

#include <algorithm>
#include <cstdio>

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

bool IsValidUtf8(std::string_view bytes) {
  size_t i = 0;
  while (i < bytes.size()) {
    unsigned char lead = static_cast<unsigned char>(bytes[i]);
    size_t more;
    uint32_t value;
    if (lead < 0x80) {
      ++i;
      continue;
    } else if ((lead & 0xE0) == 0xC0) {
      more = 1;
      value = lead & 0x1F;
    } else if ((lead & 0xF0) == 0xE0) {
      more = 2;
      value = lead & 0x0F;
    } else if ((lead & 0xF8) == 0xF0) {
      more = 3;
      value = lead & 0x07;
    } else {
      return false;
    }
    if (bytes.size() - i <= more) return false;
    for (size_t k = 1; k <= more; ++k) {
      unsigned char next = static_cast<unsigned char>(bytes[i + k]);
      if ((next & 0xC0) != 0x80) return false;
      value = (value << 6) | (next & 0x3F);
    }
    static const uint32_t kSmallest[] = {0, 0x80, 0x800, 0x10000};
    if (value < kSmallest[more] || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return false;
    i += more + 1;
  }
  return true;
}

bool ReadsAsUtf8(std::string_view stored, bool utf8Flag, unsigned versionMadeBy) {
  if (utf8Flag) return true;
  return ((versionMadeBy >> 8) & 0xFF) == kUnixHost && IsValidUtf8(stored.substr(0, stored.find('\0')));
}

namespace {
unsigned Le16(std::string_view b, size_t at) {
  return static_cast<unsigned char>(b[at]) | (static_cast<unsigned>(static_cast<unsigned char>(b[at + 1])) << 8);
}
uint32_t Le32(std::string_view b, size_t at) { return Le16(b, at) | (static_cast<uint32_t>(Le16(b, at + 2)) << 16); }
}  // namespace

std::string UnicodePathFromExtra(std::string_view extra, std::string_view storedName) {
  size_t at = 0;
  while (extra.size() - at >= 4) {
    unsigned tag = Le16(extra, at), size = Le16(extra, at + 2);
    at += 4;
    if (size > extra.size() - at) break;
    if (tag == 0x7075 && size >= 5 && static_cast<unsigned char>(extra[at]) == 1) {
      uLong crc = crc32(0L, reinterpret_cast<const Bytef*>(storedName.data()), static_cast<uInt>(storedName.size()));
      std::string_view name = extra.substr(at + 5, size - 5);
      // A field whose CRC does not match was made for a name some later tool changed: ignore it.
      if (Le32(extra, at + 1) == crc && IsValidUtf8(name)) return std::string(name);
    }
    at += size;
  }
  return {};
}

EndRecord FindEndRecord(std::string_view tail, uint64_t tailOffset) {
  EndRecord last;
  if (tail.size() < kEndRecordBytes) return last;
  for (size_t at = tail.size() - kEndRecordBytes + 1; at-- > 0;) {
    if (tail.compare(at, 4, "PK\x05\x06") != 0) continue;
    EndRecord record;
    record.found = true;
    record.offset = tailOffset + at;
    record.thisDisk = Le16(tail, at + 4);
    record.directoryDisk = Le16(tail, at + 6);
    record.entries = Le16(tail, at + 10);
    if (at + kEndRecordBytes + Le16(tail, at + 20) == tail.size()) return record;
    if (!last.found) last = record;
  }
  return last;
}

std::wstring UnsupportedMethodText(unsigned method) {
  static const struct {
    unsigned method;
    const wchar_t* name;
  } kMethods[] = {{1, L"Shrink"},     {2, L"Reduce"},  {3, L"Reduce"},     {4, L"Reduce"},    {5, L"Reduce"},
                  {6, L"Implode"},    {9, L"Deflate64"}, {10, L"PKWARE DCL Implode"}, {12, L"bzip2"}, {14, L"LZMA"},
                  {18, L"IBM TERSE"}, {19, L"IBM LZ77"}, {93, L"Zstandard"}, {94, L"MP3"},      {95, L"XZ"},
                  {96, L"JPEG"},      {97, L"WavPack"}, {98, L"PPMd"},     {99, L"AES encryption"}};
  wchar_t text[80];
  std::swprintf(text, 80, L"unsupported compression method %u", method);
  std::wstring out = text;
  for (const auto& m : kMethods)
    if (m.method == method) return out + L" (" + m.name + L")";
  return out;
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
