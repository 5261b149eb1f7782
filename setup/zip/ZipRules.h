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
