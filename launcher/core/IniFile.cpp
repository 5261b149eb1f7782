// INI text file access: line rules, reading a key, rewriting the file through a temporary copy.
#include "core/IniFile.h"

#include <algorithm>
#include <cstring>
#include <memory>

#include "core/MenuRules.h"
#include "wince.h"

namespace qzr {
namespace {

struct FileCloser {
  void operator()(FILE* f) const { fclose(f); }
};
using FilePtr = std::unique_ptr<FILE, FileCloser>;

// Removes the temporary copy on every way out of a write.
class TempFileGuard {
 public:
  explicit TempFileGuard(const wchar_t* path) : path_(path) {}
  ~TempFileGuard() { DeleteFileW(path_.c_str()); }
  TempFileGuard(const TempFileGuard&) = delete;
  TempFileGuard& operator=(const TempFileGuard&) = delete;

 private:
  std::wstring path_;
};

constexpr unsigned char kUtf8Bom[] = {0xEF, 0xBB, 0xBF};
constexpr unsigned char kUtf16LeBom[] = {0xFF, 0xFE};
constexpr unsigned char kUtf16BeBom[] = {0xFE, 0xFF};

bool IsUtf16(IniEncoding encoding) { return encoding == IniEncoding::Utf16Le || encoding == IniEncoding::Utf16Be; }

// Bytes of the byte-order mark that opens a file of this encoding, 0 when it has none.
size_t BomLength(IniEncoding encoding, const unsigned char* p, size_t available) {
  if (encoding == IniEncoding::Utf8 && available >= 3 && memcmp(p, kUtf8Bom, 3) == 0) return 3;
  if (encoding == IniEncoding::Utf16Le && available >= 2 && memcmp(p, kUtf16LeBom, 2) == 0) return 2;
  if (encoding == IniEncoding::Utf16Be && available >= 2 && memcmp(p, kUtf16BeBom, 2) == 0) return 2;
  return 0;
}

wchar_t Utf16Unit(IniEncoding encoding, const unsigned char* p) {
  return encoding == IniEncoding::Utf16Le ? static_cast<wchar_t>(p[0] | (p[1] << 8))
                                          : static_cast<wchar_t>((p[0] << 8) | p[1]);
}
// Bytes one piece can take: the byte-order mark, 398 characters of at most 3 bytes each
// (a 4-byte sequence yields two characters), and CR LF.
constexpr size_t kReadAhead = 3 + kIniPieceChars * 3 + 2 + 64;

std::wstring_view SectionName(const wchar_t* section) {
  std::wstring_view name(section ? section : L"");
  return name.substr(0, std::min(name.size(), kIniPieceChars));
}

// Length of the UTF-8 sequence at p: its byte count when valid, 0 when `available` ends
// inside it, -1 when it is not valid UTF-8.
int Utf8SequenceLength(const unsigned char* p, size_t available) {
  unsigned char b = p[0];
  if (b < 0x80) return 1;
  int length;
  unsigned char low = 0x80, high = 0xBF;
  if (b >= 0xC2 && b <= 0xDF) length = 2;
  else if (b >= 0xE0 && b <= 0xEF) {
    length = 3;
    if (b == 0xE0) low = 0xA0;
    if (b == 0xED) high = 0x9F;  // no surrogate halves
  } else if (b >= 0xF0 && b <= 0xF4) {
    length = 4;
    if (b == 0xF0) low = 0x90;
    if (b == 0xF4) high = 0x8F;
  } else {
    return -1;
  }
  for (int i = 1; i < length; ++i) {
    if (static_cast<size_t>(i) >= available) return 0;
    unsigned char c = p[i];
    if (c < (i == 1 ? low : 0x80) || c > (i == 1 ? high : 0xBF)) return -1;
  }
  return length;
}

// Decodes one character at p into 1 or 2 UTF-16 units; returns the bytes used.
size_t DecodeChar(IniEncoding encoding, const unsigned char* p, size_t available, wchar_t units[2], size_t& count) {
  count = 1;
  if (p[0] < 0x80) {
    units[0] = p[0];
    return 1;
  }
  if (encoding == IniEncoding::Utf8) {
    int length = Utf8SequenceLength(p, available);
    if (length <= 0) {
      units[0] = 0xFFFD;
      return 1;
    }
    uint32_t cp = length == 2 ? (p[0] & 0x1F) : length == 3 ? (p[0] & 0x0F) : (p[0] & 0x07);
    for (int i = 1; i < length; ++i) cp = (cp << 6) | (p[i] & 0x3F);
    if (cp > 0xFFFF) {
      cp -= 0x10000;
      units[0] = static_cast<wchar_t>(0xD800 + (cp >> 10));
      units[1] = static_cast<wchar_t>(0xDC00 + (cp & 0x3FF));
      count = 2;
    } else {
      units[0] = static_cast<wchar_t>(cp);
    }
    return static_cast<size_t>(length);
  }
  int bytes = (IsDBCSLeadByteEx(CP_ACP, p[0]) && available >= 2) ? 2 : 1;
  int n = MultiByteToWideChar(CP_ACP, 0, reinterpret_cast<const char*>(p), bytes, units, 2);
  if (n <= 0) {
    units[0] = 0xFFFD;
    n = 1;
  }
  count = static_cast<size_t>(n);
  return static_cast<size_t>(bytes);
}

// Text that a write adds, in the file's encoding; false when the ANSI code page cannot hold
// it (the file is then left alone rather than given a wrong character).
bool EncodeIniText(const std::wstring& text, IniEncoding encoding, std::string& bytes) {
  bytes.clear();
  if (text.empty()) return true;
  int size = static_cast<int>(text.size());
  if (encoding == IniEncoding::Utf8) {
    int n = WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, text.data(), size, nullptr, 0, nullptr, nullptr);
    if (n <= 0) return false;
    bytes.resize(static_cast<size_t>(n));
    return WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, text.data(), size, bytes.data(), n, nullptr, nullptr) == n;
  }
  if (IsUtf16(encoding)) {
    for (wchar_t unit : text) {
      unsigned char low = static_cast<unsigned char>(unit & 0xFF), high = static_cast<unsigned char>(unit >> 8);
      bytes.push_back(static_cast<char>(encoding == IniEncoding::Utf16Le ? low : high));
      bytes.push_back(static_cast<char>(encoding == IniEncoding::Utf16Le ? high : low));
    }
    return true;
  }
  BOOL usedDefault = FALSE;
  int n = WideCharToMultiByte(CP_ACP, 0, text.data(), size, nullptr, 0, nullptr, &usedDefault);
  if (n <= 0 || usedDefault) return false;
  bytes.resize(static_cast<size_t>(n));
  return WideCharToMultiByte(CP_ACP, 0, text.data(), size, bytes.data(), n, nullptr, &usedDefault) == n && !usedDefault;
}

bool EndsOpenLine(const IniLine& line) { return !line.text.empty() && line.text.back() != L'\n'; }

// The encoding rule over bytes already read: UTF-16 or UTF-8 by their byte-order marks; UTF-8
// also when every sequence is complete and valid; otherwise ANSI.
IniEncoding DetectEncodingOf(const unsigned char* bytes, size_t size) {
  if (size >= 2 && memcmp(bytes, kUtf16LeBom, 2) == 0) return IniEncoding::Utf16Le;
  if (size >= 2 && memcmp(bytes, kUtf16BeBom, 2) == 0) return IniEncoding::Utf16Be;
  if (size >= 3 && memcmp(bytes, kUtf8Bom, 3) == 0) return IniEncoding::Utf8;
  for (size_t i = 0; i < size;) {
    int length = Utf8SequenceLength(bytes + i, size - i);
    if (length <= 0) return IniEncoding::Ansi;  // invalid, or cut off by the end of the file
    i += static_cast<size_t>(length);
  }
  return IniEncoding::Utf8;
}

// One piece from `got` bytes that start at file offset `start`; returns the bytes it used.
size_t DecodePiece(const unsigned char* buffer, size_t got, long start, IniEncoding encoding, IniLine& line) {
  line.text.clear();
  line.raw.clear();
  size_t i = start == 0 ? BomLength(encoding, buffer, got) : 0;
  if (IsUtf16(encoding)) {
    while (line.text.size() < kIniPieceChars && i < got) {
      if (i + 1 >= got) {
        // A file cut in the middle of a character: the stray byte is read, not dropped.
        line.text.push_back(0xFFFD);
        ++i;
        break;
      }
      wchar_t unit = Utf16Unit(encoding, buffer + i);
      bool crLf = unit == L'\r' && i + 3 < got && Utf16Unit(encoding, buffer + i + 2) == L'\n';
      if (unit == L'\n' || crLf) {
        line.text.push_back(L'\n');
        i += crLf ? 4 : 2;
        break;
      }
      line.text.push_back(unit);
      i += 2;
    }
    line.raw.assign(reinterpret_cast<const char*>(buffer), i);
    return i;
  }
  while (line.text.size() < kIniPieceChars && i < got) {
    unsigned char b = buffer[i];
    if (b == '\n' || (b == '\r' && i + 1 < got && buffer[i + 1] == '\n')) {
      line.text.push_back(L'\n');
      i += b == '\r' ? 2 : 1;
      break;
    }
    wchar_t units[2];
    size_t count = 0;
    size_t used = DecodeChar(encoding, buffer + i, got - i, units, count);
    if (line.text.size() + count > kIniPieceChars) break;
    line.text.append(units, count);
    i += used;
  }
  line.raw.assign(reinterpret_cast<const char*>(buffer), i);
  return i;
}

std::string ReadAllBytes(FILE* in) {
  std::string bytes;
  char chunk[16384];
  size_t got;
  while ((got = fread(chunk, 1, sizeof chunk, in)) > 0) bytes.append(chunk, got);
  return bytes;
}

// A whole file in memory, read piece by piece with the same rules as a stream. Reading a key
// this way costs one open and one read; stepping a stream line by line cost a seek and a read
// per line.
class IniBytes {
 public:
  IniBytes(const std::string& bytes, IniEncoding encoding) : bytes_(bytes), encoding_(encoding) {}
  IniEncoding encoding() const { return encoding_; }
  void Rewind() { position_ = 0; }
  bool Next(IniLine& line) {
    line.text.clear();
    line.raw.clear();
    size_t got = std::min(bytes_.size() - position_, kReadAhead);
    if (got == 0) return false;
    position_ += DecodePiece(data() + position_, got, static_cast<long>(position_), encoding_, line);
    return true;
  }
  bool FindSection(std::wstring_view section) {
    Rewind();
    IniLine line;
    while (Next(line))
      if (IsIniSectionLine(line.text, section)) return true;
    return false;
  }

 private:
  const unsigned char* data() const { return reinterpret_cast<const unsigned char*>(bytes_.data()); }
  const std::string& bytes_;
  size_t position_ = 0;
  IniEncoding encoding_ = IniEncoding::Utf8;
};

// The value of `key` in `section`, nothing when either is missing.
std::optional<std::wstring> FindIniValue(IniBytes& file, const wchar_t* section, const wchar_t* key) {
  if (!file.FindSection(SectionName(section))) return std::nullopt;
  IniLine line;
  while (file.Next(line) && !IsIniSectionEnd(line.text))
    if (auto value = IniKeyLineValue(line.text, key)) return value;
  return std::nullopt;
}

// Scans for the section; copies each piece read to `out`. `last` receives the last piece read.
bool ScanToSection(FILE* in, std::wstring_view section, FILE* out, IniEncoding encoding, IniLine& last) {
  last = IniLine{};
  if (!in || fseek(in, 0, SEEK_SET) != 0) return false;
  clearerr(in);
  IniLine line;
  while (ReadIniLine(in, encoding, line)) {
    if (out && !line.raw.empty()) fwrite(line.raw.data(), 1, line.raw.size(), out);
    last = line;
    if (IsIniSectionLine(line.text, section)) return true;
  }
  return false;
}

void CopyBounded(wchar_t* result, size_t n, std::wstring_view text) {
  size_t count = std::min(text.size(), n - 1);
  std::copy_n(text.data(), count, result);
  std::fill(result + count, result + n, L'\0');
}

}  // namespace

bool IsIniSectionLine(std::wstring_view line, std::wstring_view section) {
  section = section.substr(0, std::min(section.size(), kIniPieceChars));
  size_t length = section.size() + 2;
  return line.size() >= length && line.front() == L'[' && line[length - 1] == L']' &&
         EqualsNoCase(line.substr(1, section.size()), section);
}

std::optional<std::wstring> IniKeyLineValue(std::wstring_view line, std::wstring_view key) {
  if (line.size() <= key.size() || line[key.size()] != L'=' || !StartsWithNoCase(line, key)) return std::nullopt;
  std::wstring_view value = line.substr(key.size() + 1);
  // A NUL ends the value, as it would in a C string.
  value = value.substr(0, value.find(L'\0'));
  if (!value.empty() && value.back() == L'\n') value.remove_suffix(1);
  return std::wstring(value);
}

IniEncoding DetectIniEncoding(FILE* in) {
  IniEncoding encoding = IniEncoding::Utf8;
  if (!in || fseek(in, 0, SEEK_SET) != 0) return encoding;
  unsigned char bom[2] = {};
  if (fread(bom, 1, 2, in) == 2) {
    if (memcmp(bom, kUtf16LeBom, 2) == 0) encoding = IniEncoding::Utf16Le;
    if (memcmp(bom, kUtf16BeBom, 2) == 0) encoding = IniEncoding::Utf16Be;
  }
  if (IsUtf16(encoding) || fseek(in, 0, SEEK_SET) != 0) {
    fseek(in, 0, SEEK_SET);
    clearerr(in);
    return encoding;
  }
  unsigned char buffer[4096 + 4];
  size_t carried = 0;
  bool first = true;
  for (;;) {
    size_t got = fread(buffer + carried, 1, 4096, in);
    size_t total = carried + got;
    if (first && total >= 3 && memcmp(buffer, kUtf8Bom, 3) == 0) break;
    first = false;
    size_t i = 0;
    while (i < total) {
      int length = Utf8SequenceLength(buffer + i, total - i);
      if (length < 0 || (length == 0 && got == 0)) {
        encoding = IniEncoding::Ansi;
        break;
      }
      if (length == 0) break;  // completes in the next chunk
      i += static_cast<size_t>(length);
    }
    if (encoding == IniEncoding::Ansi || got == 0) break;
    carried = total - i;
    memmove(buffer, buffer + i, carried);
  }
  fseek(in, 0, SEEK_SET);
  clearerr(in);
  return encoding;
}

bool ReadIniLine(FILE* in, IniEncoding encoding, IniLine& line) {
  line.text.clear();
  line.raw.clear();
  long start = ftell(in);
  if (start < 0) return false;
  unsigned char buffer[kReadAhead];
  size_t got = fread(buffer, 1, sizeof buffer, in);
  if (got == 0) return false;
  size_t i = DecodePiece(buffer, got, start, encoding, line);
  return fseek(in, start + static_cast<long>(i), SEEK_SET) == 0;
}

bool HasAnyIniSection(const wchar_t* path, std::initializer_list<const wchar_t*> sections) {
  if (!path || !*path) return false;
  FilePtr in(_wfopen(path, L"rb"));
  if (!in) return false;
  IniEncoding encoding = DetectIniEncoding(in.get());
  IniLine line;
  while (ReadIniLine(in.get(), encoding, line)) {
    if (!IsIniSectionEnd(line.text)) continue;
    for (const wchar_t* section : sections)
      if (IsIniSectionLine(line.text, SectionName(section))) return true;
  }
  return false;
}

bool FindIniSection(FILE* in, const wchar_t* section, FILE* out, IniEncoding encoding) {
  IniLine last;
  return ScanToSection(in, SectionName(section), out, encoding, last);
}

bool FindIniSection(FILE* in, const wchar_t* section, FILE* out) {
  if (!in) return false;
  return FindIniSection(in, section, out, DetectIniEncoding(in));
}

int ReadIniString(const wchar_t* section, const wchar_t* key, const wchar_t* defaultText, wchar_t* result, size_t n,
                  const wchar_t* path) {
  if (!result || n == 0) return 0;
  CopyBounded(result, n, defaultText ? defaultText : L"");
  if (section && key && path && *path) {
    FilePtr in(_wfopen(path, L"rb"));
    if (in) {
      std::string bytes = ReadAllBytes(in.get());
      in.reset();
      IniBytes file(bytes, DetectEncodingOf(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size()));
      if (auto value = FindIniValue(file, section, key)) CopyBounded(result, n, *value);
    }
  }
  return static_cast<int>(wcsnlen(result, n));
}

std::wstring ReadIniValue(const wchar_t* section, const wchar_t* key, const wchar_t* defaultText, const wchar_t* path) {
  wchar_t buffer[kIniLineChars];
  int length = ReadIniString(section, key, defaultText, buffer, kIniLineChars, path);
  return std::wstring(buffer, static_cast<size_t>(length));
}

bool ReadIniBool(const wchar_t* key, const wchar_t* section, const wchar_t* path, bool defaultValue) {
  wchar_t buffer[200];
  ReadIniString(section, key, L"", buffer, 200, path);
  return IsTrueValue(buffer) || defaultValue;
}

void IniSnapshot::Load(const std::wstring& path) {
  path_ = path;
  read_ = false;
  bytes_.clear();
  encoding_ = IniEncoding::Utf8;
  if (path.empty()) return;
  FilePtr in(_wfopen(path.c_str(), L"rb"));
  if (!in) return;
  bytes_ = ReadAllBytes(in.get());
  encoding_ = DetectEncodingOf(reinterpret_cast<const unsigned char*>(bytes_.data()), bytes_.size());
  read_ = true;
}

bool IniSnapshot::HasAnySection(std::initializer_list<const wchar_t*> sections) const {
  if (!read_) return false;
  IniBytes file(bytes_, encoding_);
  IniLine line;
  while (file.Next(line)) {
    if (!IsIniSectionEnd(line.text)) continue;
    for (const wchar_t* section : sections)
      if (IsIniSectionLine(line.text, SectionName(section))) return true;
  }
  return false;
}

int IniSnapshot::ReadString(const wchar_t* section, const wchar_t* key, const wchar_t* defaultText, wchar_t* result,
                            size_t n) const {
  if (!result || n == 0) return 0;
  CopyBounded(result, n, defaultText ? defaultText : L"");
  if (section && key && read_) {
    IniBytes file(bytes_, encoding_);
    if (auto value = FindIniValue(file, section, key)) CopyBounded(result, n, *value);
  }
  return static_cast<int>(wcsnlen(result, n));
}

std::wstring IniSnapshot::ReadValue(const wchar_t* section, const wchar_t* key, const wchar_t* defaultText) const {
  wchar_t buffer[kIniLineChars];
  int length = ReadString(section, key, defaultText, buffer, kIniLineChars);
  return std::wstring(buffer, static_cast<size_t>(length));
}

bool IniSnapshot::ReadBool(const wchar_t* key, const wchar_t* section, bool defaultValue) const {
  wchar_t buffer[200];
  ReadString(section, key, L"", buffer, 200);
  return IsTrueValue(buffer) || defaultValue;
}

bool WriteIniString(const wchar_t* section, const wchar_t* key, const wchar_t* value, const wchar_t* path) {
  if (!section || !key || !value || !path || !*path) return false;
  if (wcslen(value) + wcslen(key) + 1 >= kIniLineChars) return false;

  FilePtr in(_wfopen(path, L"rb"));
  // A file that exists but cannot be read is never replaced: it would come back empty.
  if (!in && GetFileAttributesW(path) != INVALID_FILE_ATTRIBUTES) return false;
  IniEncoding encoding = in ? DetectIniEncoding(in.get()) : IniEncoding::Utf8;

  std::wstring_view sectionName = SectionName(section);
  std::string keyLine, header, lineEnd;
  if (!EncodeIniText(std::wstring(key) + L"=" + value + L"\r\n", encoding, keyLine) ||
      !EncodeIniText(L"[" + std::wstring(sectionName) + L"]\r\n", encoding, header) ||
      !EncodeIniText(L"\r\n", encoding, lineEnd))
    return false;

  wchar_t tempPath[MAX_PATH] = {};
  if (!MakeIniTempFileName(path, tempPath)) return false;
  TempFileGuard removeTemp(tempPath);
  FilePtr out(_wfopen(tempPath, L"wb"));
  if (!out) return false;

  IniLine last;
  bool openLine = false;  // the last copied line has no line end yet
  auto put = [&](const std::string& bytes) { fwrite(bytes.data(), 1, bytes.size(), out.get()); };
  // Our own lines always start on a line of their own, even after a last line without line end.
  auto putOwn = [&](const std::string& bytes) {
    // A UTF-16 file cut in the middle of a character: the stray byte is completed with a zero,
    // so that it keeps its place and what we add stays on whole 16-bit units.
    if (IsUtf16(encoding) && ftell(out.get()) % 2 != 0) fputc(0, out.get());
    if (openLine) put(lineEnd);
    put(bytes);
    openLine = false;
  };

  bool found = in && ScanToSection(in.get(), sectionName, out.get(), encoding, last);
  openLine = EndsOpenLine(last);
  if (!found) {
    if (in && ferror(in.get())) return false;
    putOwn(header);
  }

  bool keyWritten = false;
  if (found) {
    IniLine line;
    while (!keyWritten && ReadIniLine(in.get(), encoding, line)) {
      if (IsIniSectionEnd(line.text)) {
        putOwn(keyLine);
        keyWritten = true;
        put(line.raw);
        openLine = EndsOpenLine(line);
      } else if (IniKeyLineValue(line.text, key)) {
        putOwn(keyLine);
        keyWritten = true;
      } else {
        put(line.raw);
        openLine = EndsOpenLine(line);
      }
    }
    if (keyWritten) {
      char chunk[4096];
      size_t got;
      while ((got = fread(chunk, 1, sizeof chunk, in.get())) > 0) fwrite(chunk, 1, got, out.get());
    }
  }
  // A read error must not pass a shortened copy off as the file.
  if (in && ferror(in.get())) return false;
  if (!keyWritten) putOwn(keyLine);

  if (fflush(out.get()) != 0 || ferror(out.get())) return false;
  FILE* rawOut = out.release();
  if (fclose(rawOut) != 0) return false;
  const bool existed = in != nullptr;
  in.reset();
  return ReplaceWithTemp(path, tempPath, existed);
}

bool ReplaceWithTemp(const wchar_t* path, const wchar_t* tempPath, bool existed) {
  // Never written over in place: a device switched off halfway would keep half a file.
  return existed ? DeleteAndRenameFile(path, tempPath) != FALSE : MoveFileW(tempPath, path) != FALSE;
}

bool MakeIniTempFileName(const wchar_t* path, wchar_t* result) {
  if (!path || !result) return false;
  result[0] = L'\0';
  size_t length = wcsnlen(path, MAX_PATH);
  if (length >= MAX_PATH) return false;
  std::wstring folder(path, length);
  for (size_t i = length; i-- > 0;) {
    if (folder[i] != L'\\' && folder[i] != L'/') continue;
    folder.resize(i + 1);
    if (GetTempFileNameW(folder.c_str(), kIniTempPrefix, 0, result)) return true;
  }
  result[0] = L'\0';
  return false;
}

}  // namespace qzr
