// Rules of the archive layer kept apart from Win32 and minizip: names, attributes, times, target paths, messages.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace qzrsetup::zip {

inline constexpr size_t kMaxEntryNameChars = 260;
inline constexpr unsigned kFlagEncrypted = 1u << 0;
inline constexpr unsigned kFlagUtf8Name = 1u << 11;

// The 8-bit name as stored: UTF-8 when the entry says so, otherwise the given code page
// (the OEM one in the layer); stops at a NUL byte, at most kMaxEntryNameChars characters.
std::wstring DecodeEntryName(std::string_view stored, bool utf8, unsigned codePage);

// True when the bytes are well-formed UTF-8 (no overlongs, surrogates or values past U+10FFFF).
bool IsValidUtf8(std::string_view bytes);

// Whether a name stored without the UTF-8 flag is read as UTF-8 all the same: Unix zippers
// (Info-ZIP on Linux, fastjar) store UTF-8 without saying so. Plain ASCII reads alike either way.
bool ReadsAsUtf8(std::string_view stored, bool utf8Flag, unsigned versionMadeBy);

// The UTF-8 name of an Info-ZIP Unicode path extra field (0x7075) in `extra`, when one is
// present, of version 1 and made for exactly this stored name (its CRC-32 matches); else empty.
std::string UnicodePathFromExtra(std::string_view extra, std::string_view storedName);

// The end-of-central-directory record as found in the archive's last bytes.
struct EndRecord {
  bool found = false;
  uint64_t offset = 0;       // of its signature in the file
  unsigned thisDisk = 0;     // numbers as stored, counted from 0
  unsigned directoryDisk = 0;
  uint64_t entries = 0;      // entries on all disks
};
inline constexpr size_t kEndRecordBytes = 22;
inline constexpr size_t kEndSearchBytes = 0xFFFF + kEndRecordBytes;  // longest comment + the record
// Searches `tail`, the file's last bytes starting at file offset tailOffset, from its end backwards.
// A record whose comment ends exactly at the end of the file is preferred; else the last signature.
EndRecord FindEndRecord(std::string_view tail, uint64_t tailOffset);

// "unsupported compression method 9 (Deflate64)"; the name left out for unknown methods.
std::wstring UnsupportedMethodText(unsigned method);

// FILE_ATTRIBUTE_* bits of an entry from "version made by", the external attributes and its name.
uint32_t EntryAttributes(unsigned versionMadeBy, uint32_t externalAttributes, std::wstring_view name);

// The file the entry lands in: base + one backslash + relative. An empty base means the device
// root. A relative name with a drive or stream colon, or one that climbs out of a non-empty base
// with "..", gets no target (returns false).
bool ComposeTargetPath(std::wstring_view base, std::wstring_view relative, std::wstring* target);

// The folder part of a target path ("" when it has none).
std::wstring ParentFolder(std::wstring_view path);

// Message for a result code; nullptr for codes that have none.
const wchar_t* ZipResultText(uint32_t code);

// Copies text into buffer cut to bufferChars - 1 and terminated; returns the characters copied.
size_t CopyCut(std::wstring_view text, wchar_t* buffer, size_t bufferChars);

}  // namespace qzrsetup::zip
