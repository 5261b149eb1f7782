// Extracts archives through the setup library's archive layer the way the package extraction walks them.
#include <windows.h>

#include "zip/ZipArchive.h"

#include <cstdio>
#include <string>

using namespace qzrsetup;

namespace {

constexpr wchar_t kInstallDirMacro[] = L"%INSTALLDIR%";

bool StartsWithMacro(const std::wstring& name) {
  return name.size() >= 12 && CompareStringW(LOCALE_INVARIANT, NORM_IGNORECASE, name.c_str(), 12, kInstallDirMacro, 12) == CSTR_EQUAL;
}

int Extract(const std::wstring& archive, const std::wstring& installPath) {
  ZipHandle zip = OpenZipArchive(archive);
  ZipEntry entry;
  if (!zip || GetZipEntry(zip, -1, &entry) != kZipOk) return 1;
  int count = entry.index;
  for (int k = 0; k < count; ++k) {
    if (GetZipEntry(zip, k, &entry) != kZipOk) return CloseZipArchive(zip), 1;
    bool underInstall = StartsWithMacro(entry.name);
    std::wstring base = underInstall ? installPath : L"";
    std::wstring relative = underInstall ? entry.name.substr(12) : entry.name;
    SetExtractBaseDir(zip, base);
    for (wchar_t& c : relative)
      if (c == L'/') c = L'\\';
    std::wstring target = base;
    if (!target.empty() && target.back() != L'\\' && (relative.empty() || relative[0] != L'\\')) target += L'\\';
    if (!target.empty() && target.back() == L'\\' && !relative.empty() && relative[0] == L'\\') target.pop_back();
    target += relative;
    // Overwriting is on: an existing target is made writable and replaced.
    if (GetFileAttributesW(target.c_str()) != INVALID_FILE_ATTRIBUTES) SetFileAttributesW(target.c_str(), FILE_ATTRIBUTE_NORMAL);
    uint32_t result = ExtractZipEntry(zip, k, relative);
    if (result != kZipOk) {
      wchar_t message[50];
      FormatZipResult(kZipMostRecent, message, 50);
      std::fwprintf(stderr, L"%ls: %ls\n", relative.c_str(), message);
      CloseZipArchive(zip);
      return 1;
    }
  }
  CloseZipArchive(zip);
  return 0;
}

}  // namespace

// zipbench <archive> <install path>
int wmain(int argc, wchar_t** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: zipbench <archive> <install path>\n");
    return 2;
  }
  return Extract(argv[1], argv[2]);
}
