// The archive layer: minizip's unzip interface read through wide-path Win32 files, written out with Win32 files.
#include "wince.h"

#include "zip/ZipArchive.h"

#include "Win32Owners.h"
#include "zip/BufferedZipFile.h"
#include "zip/ZipRules.h"

#include <unzip.h>

#include <cstdio>
#include <memory>
#include <new>
#include <vector>

namespace qzrsetup {
namespace {

// The layer's only process-wide state: the result that FormatZipResult's code 1 describes.
struct ZipLayerState {
  uint32_t mostRecentResult = kZipOk;
  std::wstring mostRecentCause;  // what the most recent result met, in words; may be empty
  std::wstring pendingCause;     // noted during the call in progress
};
ZipLayerState& LayerState() {
  static ZipLayerState state;
  return state;
}
uint32_t Remember(uint32_t result) {
  ZipLayerState& state = LayerState();
  state.mostRecentResult = result;
  state.mostRecentCause = result == kZipOk ? std::wstring() : std::move(state.pendingCause);
  state.pendingCause.clear();
  return result;
}
// Notes why the call in progress fails; Remember hands it on with the result.
uint32_t Because(uint32_t result, std::wstring cause) {
  LayerState().pendingCause = std::move(cause);
  return result;
}

std::wstring Numbered(const wchar_t* format, unsigned long long a, unsigned long long b = 0) {
  wchar_t text[96];
  std::swprintf(text, 96, format, a, b);
  return text;
}

constexpr DWORD kChunkBytes = 16384;
// Room for kMaxEntryNameChars characters in any encoding (at most 3 bytes per UTF-16 unit).
constexpr uLong kNameBytes = 3 * zip::kMaxEntryNameChars + 4;
constexpr uLong kExtraBytes = 0xFFFF;  // the most a central directory entry's extra field holds

struct CachedEntry {
  ZipEntry entry;
  unz64_file_pos position{};
  uLong flag = 0;
  uLong method = 0;
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
    if (GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES) return kZipNoFile;
    uint32_t checked = CheckEndRecord(path);
    if (checked != kZipOk) return checked;
    zlib_filefunc64_def files{};
    zip::FillBufferedWin32FileFunctions(&files, &end_);
    file_ = unzOpen2_64(path.c_str(), &files);
    if (!file_) return Because(kZipCorrupt, L"unreadable central directory");
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
      return CreateFolderTree(target) ? kZipOk : Because(kZipNoFile, L"the folder cannot be created");
    }
    if (target.back() == L'\\') return kZipArgs;
    if (cached.flag & zip::kFlagEncrypted) return kZipPassword;

    // The entry's data is opened before the target, so an unreadable entry leaves an existing file alone.
    // minizip inflates and stores; it refuses everything else when opening the entry.
    if (cached.method != 0 && cached.method != Z_DEFLATED) return Because(kZipFlate, zip::UnsupportedMethodText(cached.method));
    if (unzGoToFilePos64(file_, &cached.position) != UNZ_OK || unzOpenCurrentFile(file_) != UNZ_OK)
      return Because(kZipFlate, L"unreadable local header");
    uint32_t result = WriteTarget(cached.entry, target);
    if (unzCloseCurrentFile(file_) == UNZ_CRCERROR && result == kZipOk) result = Because(kZipFlate, L"CRC mismatch");
    // A half-written file is worse than none: it would pass for the real thing.
    if (result == kZipWrite || result == kZipFlate) {
      SetFileAttributesW(target.c_str(), FILE_ATTRIBUTE_NORMAL);
      DeleteFileW(target.c_str());
    }
    return result;
  }

 private:
  // Finds the end record in the whole window the format allows and refuses, with the reason, what
  // minizip would only call corrupt.
  uint32_t CheckEndRecord(const std::wstring& path) {
    qzr::FileHandle in(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    LARGE_INTEGER size{};
    if (!in || !GetFileSizeEx(in.get(), &size)) return kZipNoFile;
    uint64_t fileSize = static_cast<uint64_t>(size.QuadPart);
    DWORD want = static_cast<DWORD>(fileSize < zip::kEndSearchBytes ? fileSize : zip::kEndSearchBytes);
    std::string tail(want, '\0');
    LARGE_INTEGER from{};
    from.QuadPart = static_cast<LONGLONG>(fileSize - want);
    DWORD got = 0;
    if (!SetFilePointerEx(in.get(), from, nullptr, FILE_BEGIN) || !ReadFile(in.get(), tail.data(), want, &got, nullptr) ||
        got != want)
      return Because(kZipRead, L"the archive's end could not be read");
    zip::EndRecord record = zip::FindEndRecord(tail, fileSize - want);
    if (!record.found) return Because(kZipCorrupt, L"no end-of-archive record");
    // 0xFFFF: the number is in the ZIP64 record, which minizip checks.
    auto split = [](unsigned disk) { return disk != 0 && disk != 0xFFFF; };
    if (split(record.thisDisk) || split(record.directoryDisk))
      return Because(kZipCorrupt, Numbered(L"split archive (disk %llu of %llu)", record.directoryDisk + 1ull,
                                           record.thisDisk + 1ull));
    if (record.entries == 0) return Because(kZipCorrupt, L"archive holds no entries");
    end_ = record.offset + zip::kEndRecordBytes;
    return kZipOk;
  }

  uint32_t IndexEntries() {
    unz_global_info64 global{};
    if (unzGetGlobalInfo64(file_, &global) != UNZ_OK) return Because(kZipCorrupt, L"unreadable central directory");
    // The count comes from the file: reserve no more than a plausible package holds.
    entries_.reserve(static_cast<size_t>(global.number_entry < 65536 ? global.number_entry : 65536));
    UINT oemCodePage = GetOEMCP();
    char name[kNameBytes + 1];
    std::unique_ptr<char[]> extra(new (std::nothrow) char[kExtraBytes]);
    if (!extra) return kZipNoAlloc;
    int step = unzGoToFirstFile(file_);
    while (step == UNZ_OK) {
      unz_file_info64 info{};
      if (unzGetCurrentFileInfo64(file_, &info, name, kNameBytes, extra.get(), kExtraBytes, nullptr, 0) != UNZ_OK)
        return Because(kZipCorrupt, L"unreadable central directory entry");
      CachedEntry cached;
      if (unzGetFilePos64(file_, &cached.position) != UNZ_OK) return Because(kZipCorrupt, L"unreadable central directory entry");
      size_t stored = info.size_filename < kNameBytes ? info.size_filename : kNameBytes;
      size_t extraStored = info.size_file_extra < kExtraBytes ? info.size_file_extra : kExtraBytes;
      cached.flag = info.flag;
      cached.method = info.compression_method;
      ZipEntry& entry = cached.entry;
      entry.index = static_cast<int>(entries_.size());
      std::string_view storedName(name, stored);
      // The Unicode path field, made for exactly this stored name, wins; then the flag; then the maker's host.
      std::string unicode = zip::UnicodePathFromExtra(std::string_view(extra.get(), extraStored), storedName);
      if (!unicode.empty()) entry.name = zip::DecodeEntryName(unicode, true, oemCodePage);
      else entry.name = zip::DecodeEntryName(storedName, zip::ReadsAsUtf8(storedName, (info.flag & zip::kFlagUtf8Name) != 0, info.version), oemCodePage);
      entry.attributes = zip::EntryAttributes(info.version, info.external_fa, entry.name);
      entry.writeTime = EntryTime(info.dosDate);
      entry.accessTime = entry.creationTime = entry.writeTime;
      entry.compressedSize = info.compressed_size;
      entry.uncompressedSize = info.uncompressed_size;
      entries_.push_back(std::move(cached));
      step = unzGoToNextFile(file_);
    }
    if (step != UNZ_END_OF_LIST_OF_FILE) return Because(kZipCorrupt, L"unreadable central directory entry");
    if (entries_.size() != global.number_entry)
      return Because(kZipCorrupt, Numbered(L"central directory holds %llu of %llu entries", entries_.size(),
                                           static_cast<unsigned long long>(global.number_entry)));
    return kZipOk;
  }

  qzr::FileHandle CreateTarget(const std::wstring& target, DWORD attributes) {
    // A read-only file is never replaced, whatever privileges the file system grants us.
    DWORD existing = GetFileAttributesW(target.c_str());
    if (existing != INVALID_FILE_ATTRIBUTES && (existing & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY))) {
      Because(kZipNoFile, existing & FILE_ATTRIBUTE_DIRECTORY ? L"a folder of that name is in the way"
                                                              : L"a read-only file of that name is in the way");
      return qzr::FileHandle();
    }
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
    if (!out) Because(kZipNoFile, Numbered(L"cannot create the file (error %llu)", GetLastError()));
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
      if (got < 0) return Because(kZipFlate, got == UNZ_CRCERROR ? L"CRC mismatch" : L"damaged compressed data");
      DWORD put = 0;
      if (!WriteFile(out.get(), buffer_.get(), static_cast<DWORD>(got), &put, nullptr) || put != static_cast<DWORD>(got))
        return kZipWrite;
      written += put;
    }
    // minizip checks the CRC only once the announced size is reached; a stream that ends early
    // is just as broken.
    if (written != entry.uncompressedSize) return Because(kZipFlate, L"data ends before its announced size");
    SetFileTime(out.get(), &entry.creationTime, &entry.accessTime, &entry.writeTime);
    return kZipOk;
  }

  unzFile file_ = nullptr;
  ZPOS64_T end_ = 0;  // just past the end record: where minizip is told the file ends
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

std::wstring RecentZipCause() { return LayerState().mostRecentCause; }

size_t FormatZipResult(uint32_t code, wchar_t* buffer, size_t bufferChars) {
  if (code == kZipMostRecent) code = LayerState().mostRecentResult;
  const wchar_t* text = zip::ZipResultText(code);
  return zip::CopyCut(text ? text : L"unknown zip result code", buffer, bufferChars);
}

}  // namespace qzrsetup
