// The archive layer: minizip's unzip interface read through wide-path Win32 files, written out with Win32 files.
#include "wince.h"

#include "ZipArchive.h"

#include "Win32Owners.h"
#include "zip/BufferedZipFile.h"
#include "zip/ZipRules.h"

#include <unzip.h>

#include <memory>
#include <new>
#include <vector>

namespace qzrsetup {
namespace {

// The layer's only process-wide state: the result that FormatZipResult's code 1 describes.
struct ZipLayerState {
  uint32_t mostRecentResult = kZipOk;
};
ZipLayerState& LayerState() {
  static ZipLayerState state;
  return state;
}
uint32_t Remember(uint32_t result) {
  LayerState().mostRecentResult = result;
  return result;
}

constexpr DWORD kChunkBytes = 16384;
// Room for kMaxEntryNameChars characters in any encoding (at most 3 bytes per UTF-16 unit).
constexpr uLong kNameBytes = 3 * zip::kMaxEntryNameChars + 4;

struct CachedEntry {
  ZipEntry entry;
  unz64_file_pos position{};
  uLong flag = 0;
};

FILETIME EntryTime(uLong dosDate) {
  // Zip times are local wall-clock times.
  FILETIME local{}, utc{};
  if (!DosDateTimeToFileTime(HIWORD(dosDate), LOWORD(dosDate), &local) || !LocalFileTimeToFileTime(&local, &utc))
    return FILETIME{};
  return utc;
}

bool IsFolder(const std::wstring& path) {
  DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool IsRoot(const std::wstring& path) {
  return path.empty() || path == L"\\" || (path.size() == 2 && path[1] == L':') ||
         (path.size() == 3 && path[1] == L':' && path[2] == L'\\');
}

// Creates the folder and whatever of its parents is missing, trying the deepest first so an
// existing parent costs one call.
bool CreateFolderTree(const std::wstring& path) {
  if (IsRoot(path)) return true;
  if (CreateDirectoryW(path.c_str(), nullptr)) return true;
  DWORD error = GetLastError();
  if (error == ERROR_ALREADY_EXISTS) return IsFolder(path);
  if (error != ERROR_PATH_NOT_FOUND) return false;
  if (!CreateFolderTree(zip::ParentFolder(path))) return false;
  return CreateDirectoryW(path.c_str(), nullptr) || IsFolder(path);
}

}  // namespace

class ZipArchive {
 public:
  ~ZipArchive() {
    if (file_) unzClose(file_);
  }

  uint32_t Open(const std::wstring& path) {
    zlib_filefunc64_def files{};
    zip::FillBufferedWin32FileFunctions(&files);
    file_ = unzOpen2_64(path.c_str(), &files);
    if (!file_) return GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES ? kZipNoFile : kZipCorrupt;
    return IndexEntries();
  }

  size_t Count() const { return entries_.size(); }
  const ZipEntry& Entry(size_t index) const { return entries_[index].entry; }
  void SetBase(const std::wstring& base) { base_ = base; }

  uint32_t Extract(size_t index, const std::wstring& relativeName) {
    const CachedEntry& cached = entries_[index];
    std::wstring target;
    if (relativeName.empty() || !zip::ComposeTargetPath(base_, relativeName, &target)) return kZipArgs;
    if (cached.entry.attributes & FILE_ATTRIBUTE_DIRECTORY) {
      while (target.size() > 1 && target.back() == L'\\') target.pop_back();
      return CreateFolderTree(target) ? kZipOk : kZipNoFile;
    }
    if (target.back() == L'\\') return kZipArgs;
    if (cached.flag & zip::kFlagEncrypted) return kZipPassword;

    // The entry's data is opened before the target, so an unreadable entry leaves an existing file alone.
    if (unzGoToFilePos64(file_, &cached.position) != UNZ_OK || unzOpenCurrentFile(file_) != UNZ_OK) return kZipFlate;
    uint32_t result = WriteTarget(cached.entry, target);
    if (unzCloseCurrentFile(file_) == UNZ_CRCERROR && result == kZipOk) result = kZipFlate;
    // A half-written file is worse than none: it would pass for the real thing.
    if (result == kZipWrite || result == kZipFlate) {
      SetFileAttributesW(target.c_str(), FILE_ATTRIBUTE_NORMAL);
      DeleteFileW(target.c_str());
    }
    return result;
  }

 private:
  uint32_t IndexEntries() {
    unz_global_info64 global{};
    if (unzGetGlobalInfo64(file_, &global) != UNZ_OK) return kZipCorrupt;
    // The count comes from the file: reserve no more than a plausible package holds.
    entries_.reserve(static_cast<size_t>(global.number_entry < 65536 ? global.number_entry : 65536));
    UINT oemCodePage = GetOEMCP();
    char name[kNameBytes + 1];
    int step = unzGoToFirstFile(file_);
    while (step == UNZ_OK) {
      unz_file_info64 info{};
      if (unzGetCurrentFileInfo64(file_, &info, name, kNameBytes, nullptr, 0, nullptr, 0) != UNZ_OK) return kZipCorrupt;
      CachedEntry cached;
      if (unzGetFilePos64(file_, &cached.position) != UNZ_OK) return kZipCorrupt;
      size_t stored = info.size_filename < kNameBytes ? info.size_filename : kNameBytes;
      cached.flag = info.flag;
      ZipEntry& entry = cached.entry;
      entry.index = static_cast<int>(entries_.size());
      entry.name = zip::DecodeEntryName(std::string_view(name, stored), (info.flag & zip::kFlagUtf8Name) != 0, oemCodePage);
      entry.attributes = zip::EntryAttributes(info.version, info.external_fa, entry.name);
      entry.writeTime = EntryTime(info.dosDate);
      entry.accessTime = entry.creationTime = entry.writeTime;
      entry.compressedSize = info.compressed_size;
      entry.uncompressedSize = info.uncompressed_size;
      entries_.push_back(std::move(cached));
      step = unzGoToNextFile(file_);
    }
    if (step != UNZ_END_OF_LIST_OF_FILE || entries_.size() != global.number_entry) return kZipCorrupt;
    return kZipOk;
  }

  qzr::FileHandle CreateTarget(const std::wstring& target, DWORD attributes) {
    // A read-only file is never replaced, whatever privileges the file system grants us.
    DWORD existing = GetFileAttributesW(target.c_str());
    if (existing != INVALID_FILE_ATTRIBUTES && (existing & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)))
      return qzr::FileHandle();
    // A new file is created as new, not truncated: a file system may take a truncation for a
    // file being replaced and write it out as soon as it is closed, and the commit of the
    // uninstall records then waits for all of that data (half a second for 200 MB).
    DWORD disposition = existing == INVALID_FILE_ATTRIBUTES ? CREATE_NEW : CREATE_ALWAYS;
    auto create = [&] {
      qzr::FileHandle file(CreateFileW(target.c_str(), GENERIC_WRITE, 0, nullptr, disposition, attributes, nullptr));
      if (!file && disposition == CREATE_NEW && GetLastError() == ERROR_FILE_EXISTS) {
        disposition = CREATE_ALWAYS;  // it appeared meanwhile: replaced, as any existing file is
        file.reset(CreateFileW(target.c_str(), GENERIC_WRITE, 0, nullptr, disposition, attributes, nullptr));
      }
      return file;
    };
    qzr::FileHandle out = create();
    // Trying the file first keeps folder work to the first file of each new folder.
    if (!out && GetLastError() == ERROR_PATH_NOT_FOUND && CreateFolderTree(zip::ParentFolder(target))) out = create();
    return out;
  }

  uint32_t WriteTarget(const ZipEntry& entry, const std::wstring& target) {
    if (!buffer_) {
      buffer_.reset(new (std::nothrow) char[kChunkBytes]);
      if (!buffer_) return kZipNoAlloc;
    }
    qzr::FileHandle out = CreateTarget(target, entry.attributes & ~FILE_ATTRIBUTE_DIRECTORY);
    if (!out) return kZipNoFile;
    uint64_t written = 0;
    for (;;) {
      int got = unzReadCurrentFile(file_, buffer_.get(), kChunkBytes);
      if (got == 0) break;
      if (got < 0) return kZipFlate;
      DWORD put = 0;
      if (!WriteFile(out.get(), buffer_.get(), static_cast<DWORD>(got), &put, nullptr) || put != static_cast<DWORD>(got))
        return kZipWrite;
      written += put;
    }
    // minizip checks the CRC only once the announced size is reached; a stream that ends early
    // is just as broken.
    if (written != entry.uncompressedSize) return kZipFlate;
    SetFileTime(out.get(), &entry.creationTime, &entry.accessTime, &entry.writeTime);
    return kZipOk;
  }

  unzFile file_ = nullptr;
  std::vector<CachedEntry> entries_;
  std::wstring base_;
  std::unique_ptr<char[]> buffer_;
};

ZipHandle OpenZipArchive(const std::wstring& path, const char* /*password*/) {
  // Decryption is not built into minizip here: encrypted entries answer kZipPassword whatever is passed.
  std::unique_ptr<ZipArchive> zip(new (std::nothrow) ZipArchive);
  if (!zip) {
    Remember(kZipNoAlloc);
    return nullptr;
  }
  uint32_t result = path.empty() ? kZipArgs : zip->Open(path);
  Remember(result);
  return result == kZipOk ? zip.release() : nullptr;
}

uint32_t GetZipEntry(ZipHandle zip, int index, ZipEntry* entry) {
  if (!zip || !entry) return Remember(kZipArgs);
  if (index == -1) {
    *entry = ZipEntry{};
    entry->index = static_cast<int>(zip->Count());
    return Remember(kZipOk);
  }
  if (index < 0 || static_cast<size_t>(index) >= zip->Count()) return Remember(kZipArgs);
  *entry = zip->Entry(static_cast<size_t>(index));
  return Remember(kZipOk);
}

uint32_t SetExtractBaseDir(ZipHandle zip, const std::wstring& directory) {
  if (!zip) return Remember(kZipArgs);
  zip->SetBase(directory);
  return Remember(kZipOk);
}

uint32_t ExtractZipEntry(ZipHandle zip, int index, const std::wstring& relativeName) {
  if (!zip || index < 0 || static_cast<size_t>(index) >= zip->Count()) return Remember(kZipArgs);
  return Remember(zip->Extract(static_cast<size_t>(index), relativeName));
}

uint32_t CloseZipArchive(ZipHandle zip) {
  if (!zip) return Remember(kZipArgs);
  delete zip;
  return Remember(kZipOk);
}

size_t FormatZipResult(uint32_t code, wchar_t* buffer, size_t bufferChars) {
  if (code == kZipMostRecent) code = LayerState().mostRecentResult;
  const wchar_t* text = zip::ZipResultText(code);
  return zip::CopyCut(text ? text : L"unknown zip result code", buffer, bufferChars);
}

}  // namespace qzrsetup
