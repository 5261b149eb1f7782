// Root keys by name and by record number, and the lines of the uninstall data file.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>
#include <vector>

namespace qzrsetup {

// "HKEY_CLASSES_ROOT", "HKEY_CURRENT_USER", "HKEY_LOCAL_MACHINE", "HKEY_USERS" tested as
// substrings in that order; nullptr (on which every registry call fails) for anything else.
HKEY RootKeyFromName(std::wstring_view name);
// The signed 32-bit number a root key has in records (HKEY_LOCAL_MACHINE is -2147483646).
long RootKeyNumber(HKEY root);
HKEY RootKeyFromNumber(long number);

inline constexpr size_t kRecordLineLimit = 260;  // longest line the data file reader accepts
inline constexpr size_t kFileLineChars = 259;    // longest line the writers produce, CR LF included

// The data file's text: UTF-16LE units read two bytes at a time (wchar_t is no 16-bit type
// everywhere we build); an odd last byte is no character.
std::wstring RecordTextFromBytes(std::string_view bytes);

// The data file's lines: CR and LF at a line's start skipped, a line ends at CR, LF or the
// end; a line longer than kRecordLineLimit ends the reading.
std::vector<std::wstring> SplitRecordLines(std::wstring_view content);

// A key path or value name that an "R" record can carry: the reader splits fields at ":" and
// lines at CR and LF, so a name holding one would read back as some other key or value.
bool IsRecordableRegistryName(std::wstring_view name);

struct UninstallRecord {
  enum class Kind { Other, App, Dir, File, Shortcut, RegKey, RegValue } kind = Kind::Other;
  std::wstring path;       // A, D, F, S: with a leading backslash
  bool pathIsDir = false;  // F or S path that ends with a backslash
  HKEY root = nullptr;     // R
  std::wstring key;        // R
  std::wstring valueName;  // R:V
};
UninstallRecord ParseUninstallRecord(std::wstring_view line);

}  // namespace qzrsetup
