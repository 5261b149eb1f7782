// Makes the extraction benchmark's archives: one large file of mixed data, or many small files.
#include <windows.h>

#include <zip.h>
#include <zlib.h>

#include <iowin32.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

// Deterministic data that deflates roughly 2:1: runs of words between stretches of noise.
class MixedData {
 public:
  explicit MixedData(uint32_t seed) : state_(seed) {}
  void Fill(std::vector<char>& out) {
    static const char* const kWords[] = {"install ", "package ", "handheld ", "setup ", "archive ", "launcher ",
                                         "0123456789 ", "\r\n"};
    size_t i = 0;
    while (i < out.size()) {
      uint32_t r = Next();
      if (r & 1) {
        for (int k = 0; k < 8 && i < out.size(); ++k) {
          const char* word = kWords[(Next() >> 7) % 8];
          for (size_t n = std::strlen(word), j = 0; j < n && i < out.size(); ++j) out[i++] = word[j];
        }
      } else {
        for (int k = 0; k < 48 && i < out.size(); ++k) out[i++] = static_cast<char>(Next() >> 24);
      }
    }
  }

 private:
  uint32_t Next() {
    state_ ^= state_ << 13;
    state_ ^= state_ >> 17;
    state_ ^= state_ << 5;
    return state_;
  }
  uint32_t state_;
};

bool AddEntry(zipFile zip, const std::string& name, MixedData& data, size_t size) {
  zip_fileinfo info{};
  info.tmz_date = {0, 30, 12, 15, 5, 2024};
  info.external_fa = FILE_ATTRIBUTE_ARCHIVE;
  // Entries are written under %INSTALLDIR% so the same archive serves a package.
  if (zipOpenNewFileInZip64(zip, ("%INSTALLDIR%/" + name).c_str(), &info, nullptr, 0, nullptr, 0, nullptr, Z_DEFLATED,
                            Z_DEFAULT_COMPRESSION, size >= 0xFFFFFFFFu) != ZIP_OK)
    return false;
  std::vector<char> chunk(1 << 20);
  for (size_t left = size; left > 0;) {
    size_t n = left < chunk.size() ? left : chunk.size();
    chunk.resize(n);
    data.Fill(chunk);
    if (zipWriteInFileInZip(zip, chunk.data(), static_cast<unsigned>(n)) != ZIP_OK) return false;
    left -= n;
  }
  return zipCloseFileInZip(zip) == ZIP_OK;
}

}  // namespace

// makezip big|small <archive> [size in MB for big | count for small]
int wmain(int argc, wchar_t** argv) {
  if (argc < 3 || (wcscmp(argv[1], L"big") != 0 && wcscmp(argv[1], L"small") != 0)) {
    std::fprintf(stderr, "usage: makezip big|small <archive> [MB|count]\n");
    return 2;
  }
  bool big = wcscmp(argv[1], L"big") == 0;
  long amount = argc > 3 ? wcstol(argv[3], nullptr, 10) : (big ? 200 : 5000);
  zlib_filefunc64_def files{};
  fill_win32_filefunc64W(&files);
  zipFile zip = zipOpen2_64(argv[2], APPEND_STATUS_CREATE, nullptr, &files);
  if (!zip) return 1;
  MixedData data(0x2545F491u);
  bool ok = true;
  if (big) {
    ok = AddEntry(zip, "data/payload.bin", data, static_cast<size_t>(amount) << 20);
  } else {
    for (long i = 0; ok && i < amount; ++i) {
      char name[64];
      std::snprintf(name, sizeof name, "files/dir%02ld/item%04ld.dat", i % 50, i);
      ok = AddEntry(zip, name, data, 200 + (i * 7919) % 7800);
    }
  }
  ok = zipClose(zip, nullptr) == ZIP_OK && ok;
  return ok ? 0 : 1;
}
