// The setup library's archive layer over minizip and zlib: open a zip, walk its entries,
// extract one entry under a base directory, and describe every result code in words.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

namespace qzrsetup {

// Result codes of the archive layer.
inline constexpr uint32_t kZipOk = 0;
inline constexpr uint32_t kZipMostRecent = 1;  // FormatZipResult: the most recent result
inline constexpr uint32_t kZipDupHandle = 0x100;
inline constexpr uint32_t kZipNoFile = 0x200;
inline constexpr uint32_t kZipNoAlloc = 0x300;
inline constexpr uint32_t kZipWrite = 0x400;
inline constexpr uint32_t kZipNotFound = 0x500;
inline constexpr uint32_t kZipMore = 0x600;
inline constexpr uint32_t kZipCorrupt = 0x700;
inline constexpr uint32_t kZipRead = 0x800;
inline constexpr uint32_t kZipPassword = 0x1000;
inline constexpr uint32_t kZipArgs = 0x10000;
inline constexpr uint32_t kZipFlate = 0x5000000;

struct ZipEntry {
  int index = 0;                 // with GetZipEntry(-1): the number of entries
  std::wstring name;             // as stored in the archive, at most 260 characters
  DWORD attributes = 0;          // FILE_ATTRIBUTE_* (16 = directory)
  FILETIME accessTime{}, creationTime{}, writeTime{};
  uint64_t compressedSize = 0;
  uint64_t uncompressedSize = 0;
};

class ZipArchive;  // opaque
using ZipHandle = ZipArchive*;

// nullptr when the archive cannot be opened (the most recent result says why).
ZipHandle OpenZipArchive(const std::wstring& path, const char* password = nullptr);
uint32_t GetZipEntry(ZipHandle zip, int index, ZipEntry* entry);
uint32_t SetExtractBaseDir(ZipHandle zip, const std::wstring& directory);
// Writes entry `index` to base directory + relativeName (directories created as needed).
uint32_t ExtractZipEntry(ZipHandle zip, int index, const std::wstring& relativeName);
uint32_t CloseZipArchive(ZipHandle zip);
// What the most recent failure met, in words ("CRC mismatch", "archive holds no entries"); empty
// after a success or when there is nothing more to say than the result's message.
std::wstring RecentZipCause();
// The message for `code` (1 = the most recent result), cut to bufferChars - 1; returns its length.
size_t FormatZipResult(uint32_t code, wchar_t* buffer, size_t bufferChars);

}  // namespace qzrsetup
