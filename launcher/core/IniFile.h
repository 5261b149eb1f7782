// INI text file access for menu.ini: a read scans the file (or a snapshot of it taken once)
// from the top; every write rewrites the whole file through a temporary copy in the same folder.
#pragma once

#include <cstdio>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>

namespace qzr {

inline constexpr size_t kIniLineChars = 400;  // line buffers; a line is read in pieces of 398 characters
inline constexpr size_t kIniPieceChars = kIniLineChars - 2;
inline constexpr wchar_t kIniTempPrefix[] = L"TmpCpyIni";

// Administrators write menu.ini with whatever editor is at hand. A byte-order mark tells
// UTF-16 (little or big endian, as Notepad's "Unicode" saves) and UTF-8; without one the file
// is UTF-8 when all of its bytes form valid UTF-8 (plain ASCII included), otherwise the
// system's ANSI code page. Lines that a write adds use the file's encoding; lines it copies
// are copied byte for byte, the byte-order mark included.
enum class IniEncoding { Utf8, Ansi, Utf16Le, Utf16Be };

// One piece of a line as the line rules see it: at most 398 characters, a line end (CR LF or
// LF) counted as the one character L'\n'. `raw` holds the bytes it came from.
struct IniLine {
  std::wstring text;
  std::string raw;
};

// Line rules, shared by reading and writing.
bool IsIniSectionLine(std::wstring_view line, std::wstring_view section);
// The value of a key line for `key` (final line feed removed), nothing when it is no key line.
std::optional<std::wstring> IniKeyLineValue(std::wstring_view line, std::wstring_view key);
inline bool IsIniSectionEnd(std::wstring_view line) { return !line.empty() && line.front() == L'['; }

// Reads `in` from its start to its end (rewinding before and after) and tells its encoding.
IniEncoding DetectIniEncoding(FILE* in);
// Next piece from a stream opened in binary mode; false at the end of the file or on an error.
bool ReadIniLine(FILE* in, IniEncoding encoding, IniLine& line);

// True when the file holds a section line for any of `sections` (a missing file holds none).
bool HasAnyIniSection(const wchar_t* path, std::initializer_list<const wchar_t*> sections);

// Rewinds `in`, finds the section line (true); copies every line read to `out` when given.
// `in` and `out` are binary-mode streams; the encoding is detected when not given.
bool FindIniSection(FILE* in, const wchar_t* section, FILE* out = nullptr);
bool FindIniSection(FILE* in, const wchar_t* section, FILE* out, IniEncoding encoding);

// Fills `result` (n characters, always terminated) with the value or the default; returns its length.
int ReadIniString(const wchar_t* section, const wchar_t* key, const wchar_t* defaultText, wchar_t* result, size_t n,
                  const wchar_t* path);
// Convenience over ReadIniString with a 400-character buffer.
std::wstring ReadIniValue(const wchar_t* section, const wchar_t* key, const wchar_t* defaultText, const wchar_t* path);

// True when the trimmed value equals "TRUE" (any case), otherwise `defaultValue`.
bool ReadIniBool(const wchar_t* key, const wchar_t* section, const wchar_t* path, bool defaultValue);

// The file's bytes read once, answering keys with the same rules as the per-call readers
// above. Loading the model asks about 85 keys; opening menu.ini for each was the slowest step of
// the launcher's start. A snapshot knows nothing of later writes: Load again after one.
class IniSnapshot {
 public:
  IniSnapshot() = default;
  explicit IniSnapshot(const std::wstring& path) { Load(path); }

  // A missing or unreadable file (or an empty path) answers every key with its default.
  void Load(const std::wstring& path);
  const std::wstring& path() const { return path_; }

  bool HasAnySection(std::initializer_list<const wchar_t*> sections) const;
  // As ReadIniString, ReadIniValue and ReadIniBool over the file as it was when loaded.
  int ReadString(const wchar_t* section, const wchar_t* key, const wchar_t* defaultText, wchar_t* result,
                 size_t n) const;
  std::wstring ReadValue(const wchar_t* section, const wchar_t* key, const wchar_t* defaultText) const;
  bool ReadBool(const wchar_t* key, const wchar_t* section, bool defaultValue) const;

 private:
  std::wstring path_;
  bool read_ = false;
  std::string bytes_;
  IniEncoding encoding_ = IniEncoding::Utf8;
};

// True when the file was rewritten with section/key set to value; false leaves it unchanged.
bool WriteIniString(const wchar_t* section, const wchar_t* key, const wchar_t* value, const wchar_t* path);

// The finished temporary file takes path's place in one step (true), or both stay as they were:
// a reader, or the next start after a power loss, finds the old file or the new one, never part.
bool ReplaceWithTemp(const wchar_t* path, const wchar_t* tempPath, bool existed);

// A new temporary file ("TmpCpyIni") in the file's folder or an enclosing one.
bool MakeIniTempFileName(const wchar_t* path, wchar_t* result /* 260 characters */);

}  // namespace qzr
