// Zip archive bytes → the archive layer: open, list every entry, extract each under a base
// folder of the in-memory file system, describe the results.
#include <cstdint>
#include <string>

#include "NativeWorld.h"
#include "zip/ZipArchive.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace qzrsetup;
  native::ResetWorld();
  native::AddFolder(L"\\Program Files\\Pkg");
  native::PutFile(L"\\pkg.zip", data, size);
  wchar_t message[64];
  ZipHandle zip = OpenZipArchive(L"\\pkg.zip");
  FormatZipResult(kZipMostRecent, message, 64);
  if (!zip) return 0;
  ZipEntry count;
  GetZipEntry(zip, -1, &count);
  SetExtractBaseDir(zip, L"\\Program Files\\Pkg");
  for (int i = 0; i < count.index && i < 64; ++i) {
    ZipEntry entry;
    if (GetZipEntry(zip, i, &entry) != kZipOk) __builtin_trap();
    uint32_t result = ExtractZipEntry(zip, i, entry.name);
    FormatZipResult(result, message, 64);
    if (result == kZipOk && !(entry.attributes & FILE_ATTRIBUTE_DIRECTORY)) {
      std::wstring target = L"\\Program Files\\Pkg\\" + entry.name;
      auto bytes = native::GetFile(target);
      // A file reported extracted holds exactly what the archive announced.
      if (bytes && bytes->size() != entry.uncompressedSize) __builtin_trap();
    }
  }
  CloseZipArchive(zip);
  // Whatever the names in the archive say, nothing lands outside the base folder.
  for (const std::wstring& path : native::FilePaths())
    if (path != L"\\pkg.zip" && path != L"\\program files\\" && path.rfind(L"\\program files\\pkg\\", 0) != 0)
      __builtin_trap();
  return 0;
}
