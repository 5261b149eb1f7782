// The archive layer against real archives made on the fly: listing, extraction, damage, refusals, messages.
#include "zip/ZipArchive.h"
#include "zip/ZipRules.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include "SetupHarness.h"

#include <algorithm>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

using namespace qzrsetup;
using testing_support::ReadBytes;
using testing_support::ScratchFolder;
using testing_support::WriteBytes;
using Item = setup_test::ZipItem;
using setup_test::FileExists;

namespace {

// Mixed text and noise, larger than several 16384-byte chunks.
std::string MixedData(size_t size, uint32_t seed) {
  std::string data;
  data.reserve(size);
  while (data.size() < size) {
    seed = seed * 1664525u + 1013904223u;
    if (seed & 0x10000) data += "line of text that repeats itself; ";
    else for (int i = 0; i < 16; ++i) data += static_cast<char>((seed >> (i % 24)) & 0xFF);
  }
  data.resize(size);
  return data;
}

std::wstring Message(uint32_t code, size_t chars = 128) {
  std::vector<wchar_t> buffer(chars + 1, L'#');
  size_t n = FormatZipResult(code, chars ? buffer.data() : nullptr, chars);
  return std::wstring(buffer.data(), n);
}

// Opens an archive and closes it when the test is done with it.
struct OpenZip {
  explicit OpenZip(const std::wstring& path) : zip(OpenZipArchive(path)) {}
  ~OpenZip() {
    if (zip) CloseZipArchive(zip);
  }
  ZipHandle zip;
};

// Each test's archives live in a scratch folder of its own.
class ZipArchives : public ::testing::Test {
 protected:
  // Writes the archive, opens it (closed when the test ends) and sets the extraction base.
  ZipHandle Open(const std::vector<Item>& items, const std::wstring& base, const std::wstring& name = L"test.zip") {
    EXPECT_TRUE(setup_test::WriteZip(folder / name, items));
    ZipHandle zip = zip_.emplace(folder / name).zip;
    EXPECT_EQ(SetExtractBaseDir(zip, base), kZipOk);
    return zip;
  }
  ScratchFolder folder{L"zip"};

 private:
  std::optional<OpenZip> zip_;
};

SYSTEMTIME LocalWriteTime(const std::wstring& path) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data);
  FILETIME local{};
  SYSTEMTIME st{};
  FileTimeToLocalFileTime(&data.ftLastWriteTime, &local);
  FileTimeToSystemTime(&local, &st);
  return st;
}

}  // namespace

TEST_F(ZipArchives, ListsAndExtractsStoredDeflatedDirectoriesAndNestedPaths) {
  const std::string big = MixedData(100000, 7);
  // Names flagged as UTF-8 come from Python's zipfile in SetupZipTools.
  std::vector<Item> items(4);
  items[0] = {"readme.txt", "plain stored text", 0};
  items[1] = {"bin/big.dat", big};
  items[2] = {"empty/", "", 0, FILE_ATTRIBUTE_DIRECTORY};
  items[3] = {"a/b/c/deep.txt", "deep", Z_DEFLATED, FILE_ATTRIBUTE_READONLY, {0, 0, 23, 31, 11, 2030}};
  ZipHandle zip = Open(items, folder.path() + L"out", L"Pak\u00E9t.zip");  // a non-ASCII archive path
  ASSERT_NE(zip, nullptr);
  ZipEntry entry;
  ASSERT_EQ(GetZipEntry(zip, -1, &entry), kZipOk);
  EXPECT_EQ(entry.index, 4);
  for (int k = 0; k < 4; ++k) {
    SCOPED_TRACE(k);
    // Each entry reads back as it was written (WriteZip stores 0 as an archived file).
    const DWORD attributesWritten = items[k].attributes ? items[k].attributes : FILE_ATTRIBUTE_ARCHIVE;
    ASSERT_EQ(GetZipEntry(zip, k, &entry), kZipOk);
    EXPECT_EQ(entry.index, k);
    EXPECT_EQ(entry.name, testing_support::Widen(items[k].name));
    EXPECT_EQ(entry.attributes, attributesWritten);
    EXPECT_EQ(entry.uncompressedSize, items[k].content.size());
    EXPECT_EQ(CompareFileTime(&entry.writeTime, &entry.creationTime), 0);
    if (k == 1) {
      EXPECT_LT(entry.compressedSize, entry.uncompressedSize);
    }
    if (k == 0) {
      EXPECT_EQ(entry.compressedSize, entry.uncompressedSize);
    }

    std::wstring relative = entry.name;
    std::ranges::replace(relative, L'/', L'\\');
    ASSERT_EQ(ExtractZipEntry(zip, k, relative), kZipOk);
    std::wstring target = folder.path() + L"out\\" + relative;
    DWORD attributes = GetFileAttributesW(target.c_str());
    ASSERT_NE(attributes, INVALID_FILE_ATTRIBUTES);
    if (attributesWritten & FILE_ATTRIBUTE_DIRECTORY) {
      EXPECT_TRUE(attributes & FILE_ATTRIBUTE_DIRECTORY);
      continue;
    }
    EXPECT_EQ(attributes & FILE_ATTRIBUTE_READONLY, attributesWritten & FILE_ATTRIBUTE_READONLY);
    EXPECT_EQ(ReadBytes(target), items[k].content);
    SYSTEMTIME st = LocalWriteTime(target);
    const tm_zip& t = items[k].time;
    EXPECT_EQ((std::vector<int>{st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond}),
              (std::vector<int>{t.tm_year, t.tm_mon + 1, t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec}));
  }
  EXPECT_EQ(Message(kZipMostRecent), L"Success");
}

TEST_F(ZipArchives, EmptyBaseMeansTheDeviceRootAndExtractingAgainReplacesTheFile) {
  // The folder as a root-relative path; tests run with drive C as current folder.
  std::wstring rootRelative = folder.path().substr(3) + L"x\\new.txt";
  ASSERT_TRUE(CreateDirectoryW((folder / L"x").c_str(), nullptr));
  ASSERT_TRUE(WriteBytes(folder / L"x\\new.txt", "old and longer content"));
  ZipHandle zip = Open({{"x/new.txt", "fresh"}}, L"");
  ASSERT_NE(zip, nullptr);
  EXPECT_EQ(ExtractZipEntry(zip, 0, rootRelative), kZipOk);
  EXPECT_EQ(ReadBytes(folder / L"x\\new.txt"), "fresh");
}

TEST_F(ZipArchives, DamagedArchivesAreReported) {
  const std::string data = MixedData(60000, 3);
  struct Case {
    const char* what;
    bool flipData;       // flip bytes in the middle of the entry's data
    size_t cutAt;        // bytes before the end where cutCount bytes are dropped
    size_t cutCount;
    bool openFails;
    uint32_t extractResult;
    const wchar_t* cause;  // RecentZipCause
  };
  const Case cases[] = {
      {"deflated data flipped", true, 0, 0, false, kZipFlate, L"damaged compressed data"},
      {"end of the central directory cut off", false, 30, 30, true, 0, L"no end-of-archive record"},
      {"central directory shortened", false, 22 + 20, 20, true, 0, L"unreadable central directory"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::wstring archive = folder / L"damaged.zip";
    ASSERT_TRUE(setup_test::WriteZip(archive, {{"payload.bin", data}}));
    std::string bytes = *ReadBytes(archive);
    if (c.flipData)
      for (size_t i = 0; i < 64; ++i) bytes[30 + 11 + bytes.size() / 3 + i] ^= 0x5A;
    if (c.cutCount) bytes.erase(bytes.size() - c.cutAt, c.cutCount);
    ASSERT_TRUE(WriteBytes(archive, bytes));

    OpenZip z(archive);
    if (c.openFails) {
      EXPECT_EQ(z.zip, nullptr);
      EXPECT_EQ(Message(kZipMostRecent), L"Zipfile is corrupt or not a zipfile");
      EXPECT_EQ(RecentZipCause(), c.cause);
      continue;
    }
    ASSERT_NE(z.zip, nullptr);
    ASSERT_EQ(SetExtractBaseDir(z.zip, folder.path()), kZipOk);
    EXPECT_EQ(ExtractZipEntry(z.zip, 0, L"payload.bin"), c.extractResult);
    EXPECT_EQ(Message(kZipMostRecent), L"Zip-bug: an internal error during flation");
    EXPECT_EQ(RecentZipCause(), c.cause);
    EXPECT_FALSE(FileExists(folder / L"payload.bin")) << "a broken extraction leaves no half-written file";
  }

  EXPECT_EQ(OpenZipArchive(folder / L"missing.zip"), nullptr);
  EXPECT_EQ(Message(kZipMostRecent), L"Couldn't create/open file");
  // A success leaves no cause behind.
  EXPECT_NE(Open({{"a.txt", "a"}}, folder.path(), L"good.zip"), nullptr);
  EXPECT_EQ(RecentZipCause(), L"");
}

TEST_F(ZipArchives, EncryptedEntriesNeedAPassword) {
  Item locked{"secret.txt", "classified"};
  locked.password = "pw";
  ZipHandle zip = Open({locked, {"open.txt", "public"}}, folder.path());
  ASSERT_NE(zip, nullptr);
  EXPECT_EQ(ExtractZipEntry(zip, 0, L"secret.txt"), kZipPassword);
  EXPECT_EQ(Message(kZipMostRecent), L"Correct password required");
  EXPECT_FALSE(FileExists(folder / L"secret.txt"));
  EXPECT_EQ(ExtractZipEntry(zip, 1, L"open.txt"), kZipOk);
  EXPECT_EQ(ReadBytes(folder / L"open.txt"), "public");
}

TEST_F(ZipArchives, TargetsThatCannotBeWrittenAreRefused) {
  ASSERT_TRUE(CreateDirectoryW((folder / L"taken").c_str(), nullptr));
  ASSERT_TRUE(WriteBytes(folder / L"locked.txt", "old"));
  ASSERT_TRUE(SetFileAttributesW((folder / L"locked.txt").c_str(), FILE_ATTRIBUTE_READONLY));
  ASSERT_TRUE(WriteBytes(folder / L"file", "a file where a folder is needed"));
  ZipHandle zip = Open({{"taken", "new"}, {"locked.txt", "new"}, {"file/below.txt", "new"}, {"file/", "", 0, 0x10}}, folder.path());
  ASSERT_NE(zip, nullptr);
  const struct {
    int index;
    const wchar_t* relative;
    std::wstring cause;  // its beginning
  } cases[] = {{0, L"taken", L"a folder of that name is in the way"},
               {1, L"locked.txt", L"a read-only file of that name is in the way"},
               {2, L"file\\below.txt", L"cannot create the file (error "},
               {3, L"file", L"the folder cannot be created"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.relative);
    EXPECT_EQ(ExtractZipEntry(zip, c.index, c.relative), kZipNoFile);
    EXPECT_EQ(Message(kZipMostRecent), L"Couldn't create/open file");
    EXPECT_EQ(RecentZipCause().substr(0, c.cause.size()), c.cause);
  }
  EXPECT_EQ(ReadBytes(folder / L"locked.txt"), "old");
  EXPECT_TRUE(GetFileAttributesW((folder / L"taken").c_str()) & FILE_ATTRIBUTE_DIRECTORY);
}

TEST_F(ZipArchives, BadCallsAnswerFaultyArguments) {
  ZipHandle zip = Open({{"one.txt", "1"}}, folder.path());
  ASSERT_NE(zip, nullptr);
  ZipEntry entry;
  const struct {
    const char* what;
    uint32_t result;
  } cases[] = {
      {"entry of a null handle", GetZipEntry(nullptr, 0, &entry)},
      {"count of a null handle", GetZipEntry(nullptr, -1, &entry)},
      {"null entry record", GetZipEntry(zip, 0, nullptr)},
      {"index past the end", GetZipEntry(zip, 1, &entry)},
      {"index -2", GetZipEntry(zip, -2, &entry)},
      {"base of a null handle", SetExtractBaseDir(nullptr, L"x")},
      {"extract from a null handle", ExtractZipEntry(nullptr, 0, L"one.txt")},
      {"extract past the end", ExtractZipEntry(zip, 1, L"one.txt")},
      {"extract index -1", ExtractZipEntry(zip, -1, L"one.txt")},
      {"extract to an empty name", ExtractZipEntry(zip, 0, L"")},
      {"extract a file to a folder name", ExtractZipEntry(zip, 0, L"sub\\")},
      {"close a null handle", CloseZipArchive(nullptr)},
  };
  for (const auto& c : cases) EXPECT_EQ(c.result, kZipArgs) << c.what;
  EXPECT_EQ(Message(kZipMostRecent), L"Caller: faulty arguments");
  EXPECT_FALSE(FileExists(folder / L"sub"));

  ASSERT_EQ(GetZipEntry(zip, 0, &entry), kZipOk);
  EXPECT_EQ(OpenZipArchive(L""), nullptr);
  EXPECT_EQ(Message(kZipMostRecent), L"Caller: faulty arguments");
}

TEST_F(ZipArchives, NamesThatWouldLeaveTheBaseAreRefused) {
  std::wstring base = folder.path() + L"base\\deeper";
  ZipHandle zip = Open({{"../escape.txt", "out"}, {"inner/", "", 0, 0x10}}, base);
  ASSERT_NE(zip, nullptr);
  const wchar_t* names[] = {L"..\\escape.txt",   L"../escape.txt",      L"a\\..\\..\\..\\escape.txt",
                            L"..\\..\\escape.txt", L".. \\escape.txt", L"...\\escape.txt",
                            L"C:\\escape.txt",     L"c:escape.txt",       L"ok.txt:stream"};
  for (const wchar_t* name : names) {
    SCOPED_TRACE(testing_support::Narrow(name));
    EXPECT_EQ(ExtractZipEntry(zip, 0, name), kZipArgs);
    EXPECT_EQ(ExtractZipEntry(zip, 1, name), kZipArgs);
  }
  EXPECT_FALSE(FileExists(folder / L"escape.txt"));
  EXPECT_FALSE(FileExists(folder / L"base\\escape.txt"));
  EXPECT_FALSE(FileExists(L"C:\\escape.txt"));
  // Dots inside a name are just a name.
  EXPECT_EQ(ExtractZipEntry(zip, 0, L"a..b\\.hidden..txt"), kZipOk);
  EXPECT_EQ(ReadBytes(base + L"\\a..b\\.hidden..txt"), "out");
}

TEST(ZipRules, TargetPaths) {
  const struct {
    const wchar_t* base;
    const wchar_t* relative;
    const wchar_t* target;  // nullptr: refused
  } cases[] = {
      {L"", L"\\\\server\\share\\a.dll", L"\\server\\share\\a.dll"},
      {L"", L"Windows/sub/a.dll", L"\\Windows\\sub\\a.dll"},
      {L"", L"..\\Windows\\a.dll", L"\\..\\Windows\\a.dll"},  // cannot climb above the root
      {L"Program Files\\App", L"bin\\a.dll", L"\\Program Files\\App\\bin\\a.dll"},
      {L"Program Files\\App\\", L"\\bin\\a.dll", L"\\Program Files\\App\\bin\\a.dll"},
      {L"\\Program Files\\App", L"bin\\a.dll", L"\\Program Files\\App\\bin\\a.dll"},
      {L"Program Files\\App", L"dir\\", L"\\Program Files\\App\\dir\\"},
      {L"Program Files\\App", L"a..b\\c..", L"\\Program Files\\App\\a..b\\c.."},
      {L"Program Files\\App", L"bin/../../x.dll", nullptr},
      {L"Program Files\\App", L"bin\\..", nullptr},
      {L"", L"Z:\\etc\\x", nullptr},
      {L"", L"DMX1:", nullptr},
  };
  for (const auto& c : cases) {
    std::wstring target = L"(unchanged)";
    bool ok = zip::ComposeTargetPath(c.base, c.relative, &target);
    SCOPED_TRACE(testing_support::Narrow(std::wstring(c.base) + L" + " + c.relative));
    EXPECT_EQ(ok, c.target != nullptr);
    if (c.target) {
      EXPECT_EQ(target, c.target);
    }
  }
}

TEST(ZipRules, EntryAttributesFromEachHost) {
  const struct {
    unsigned versionMadeBy;
    uint32_t external;
    const wchar_t* name;
    uint32_t attributes;
  } cases[] = {
      {0x0014, 0x21, L"a.txt", FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_READONLY},
      {0x0014, 0x06, L"a.sys", FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM},
      {0x0B14, 0x10, L"dir", FILE_ATTRIBUTE_DIRECTORY},
      {0x0014, 0x00, L"plain", FILE_ATTRIBUTE_NORMAL},
      {0x0014, 0x00, L"dir/", FILE_ATTRIBUTE_DIRECTORY},
      {0x0014, 0xFFC0, L"junk", FILE_ATTRIBUTE_NORMAL},  // bits beyond the DOS attributes are dropped
      {0x031E, 0x81A40000u, L"rw.txt", FILE_ATTRIBUTE_NORMAL},                   // -rw-r--r--
      {0x031E, 0x81240000u, L"ro.txt", FILE_ATTRIBUTE_READONLY},                 // -r--r--r--
      {0x031E, 0x41ED0010u, L"d/", FILE_ATTRIBUTE_DIRECTORY},                    // drwxr-xr-x
      {0x031E, 0x41ED0000u, L"d", FILE_ATTRIBUTE_DIRECTORY},
  };
  for (const auto& c : cases)
    EXPECT_EQ(zip::EntryAttributes(c.versionMadeBy, c.external, c.name), c.attributes) << testing_support::Narrow(c.name);
}

TEST(ZipRules, EntryNames) {
  EXPECT_EQ(zip::DecodeEntryName("dir/Gr\xC3\xBC\xC3\x9F" "e.txt", true, 437), L"dir/Gr\u00FC\u00DFe.txt");
  EXPECT_EQ(zip::DecodeEntryName("dir/Gr\x81\xE1" "e.txt", false, 437), L"dir/Gr\u00FC\u00DFe.txt");
  EXPECT_EQ(zip::DecodeEntryName(std::string_view("cut\0hidden", 10), false, 437), L"cut");
  EXPECT_EQ(zip::DecodeEntryName("", true, 437), L"");
  EXPECT_EQ(zip::DecodeEntryName(std::string(300, 'n'), false, 437), std::wstring(260, L'n'));
  // A character outside the basic plane that would be split at the limit is dropped whole.
  std::string astral = std::string(259, 'n') + "\xF0\x9F\x98\x80";
  EXPECT_EQ(zip::DecodeEntryName(astral, true, 437), std::wstring(259, L'n'));
}

TEST(FormatZipResult, MessagesAndTheCutToTheBuffer) {
  for (uint32_t code : {2u, 0x900u, 0x3000000u, 0xFFFFFFFFu}) EXPECT_EQ(Message(code), L"unknown zip result code");
  // Every code, known or not, is cut to the buffer and ends inside it.
  for (uint32_t shift = 0; shift < 32; ++shift)
    for (uint32_t digit = 0; digit < 16; ++digit) {
      const uint32_t code = digit << shift;
      const std::wstring whole = Message(code);
      EXPECT_FALSE(whole.empty()) << std::hex << code;
      for (size_t chars : {50u, 5u, 1u, 0u}) EXPECT_EQ(Message(code, chars), whole.substr(0, chars ? chars - 1 : 0));
    }
  wchar_t buffer[8];
  std::fill(std::begin(buffer), std::end(buffer), L'#');
  EXPECT_EQ(FormatZipResult(0x700, buffer, 4), 3u);
  EXPECT_EQ(std::wstring(buffer, 8), std::wstring(L"Zip\0####", 8));
}

// Enough entries that the central directory spans several of the reader's 64 KiB buffers.
TEST_F(ZipArchives, ManyEntriesAreListedInOrderAndExtracted) {
  std::vector<Item> items;
  for (int i = 0; i < 3000; ++i) {
    char name[64], data[32];
    std::snprintf(name, sizeof name, "d%d/entry-with-a-longish-name-%d.txt", i % 7, i);
    std::snprintf(data, sizeof data, "content %d", i * 31);
    items.push_back({name, data, i % 3 ? Z_DEFLATED : 0});
  }
  ZipHandle zip = Open(items, folder.path() + L"many");
  ASSERT_NE(zip, nullptr);
  ZipEntry entry;
  ASSERT_EQ(GetZipEntry(zip, -1, &entry), kZipOk);
  ASSERT_EQ(entry.index, 3000);
  int wrong = 0;
  for (int k = 0; k < 3000; ++k) {
    ASSERT_EQ(GetZipEntry(zip, k, &entry), kZipOk);
    wrong += entry.name != testing_support::Widen(items[k].name);
  }
  EXPECT_EQ(wrong, 0);
  // Extraction from either end of the directory, and back again.
  for (int k : {0, 1, 1499, 2998, 2999, 5}) {
    const std::wstring relative = testing_support::Widen(items[k].name);
    ASSERT_EQ(ExtractZipEntry(zip, k, relative), kZipOk) << k;
    EXPECT_EQ(ReadBytes(folder.path() + L"many\\" + relative), items[k].content) << k;
  }
}

TEST(ZipRules, WhenAnUnflaggedNameIsReadAsUtf8) {
  constexpr unsigned kDos = 0x0014, kUnix = 0x0314, kNtfs = 0x0A14;
  struct Case {
    std::string stored;
    bool flag;
    unsigned madeBy;
    bool utf8;
  } cases[] = {
      {"caf\xc3\xa9.txt", false, kUnix, true},       // Info-ZIP on Linux, fastjar
      {"caf\xc3\xa9.txt", false, kDos, false},       // MS-DOS host: the code page
      {"caf\xc3\xa9.txt", false, kNtfs, false},
      {"caf\xe9.txt", false, kUnix, false},          // Latin-1 bytes are no UTF-8
      {"caf\x82.txt", true, kDos, true},             // the flag wins, whatever the bytes
      {"\xc0\xaf", false, kUnix, false},             // overlong "/"
      {"\xed\xa0\x80", false, kUnix, false},         // a surrogate
      {"\xf4\x90\x80\x80", false, kUnix, false},     // past U+10FFFF
      {"\xf0\x9f\x93\xa6", false, kUnix, true},      // four bytes
      {"\xc3", false, kUnix, false},                 // cut short
      {"plain/ascii.txt", false, kUnix, true},
  };
  for (const Case& c : cases)
    EXPECT_EQ(zip::ReadsAsUtf8(c.stored, c.flag, c.madeBy), c.utf8) << c.stored << " " << std::hex << c.madeBy;
}

TEST(ZipRules, UnicodePathField) {
  auto field = [](uint8_t version, uint32_t crc, const std::string& name) {
    std::string body(1, static_cast<char>(version));
    for (int k = 0; k < 4; ++k) body += static_cast<char>(crc >> (8 * k));
    body += name;
    std::string out = {'\x75', '\x70', static_cast<char>(body.size()), static_cast<char>(body.size() >> 8)};
    return out + body;
  };
  const std::string stored = "cafe.txt";
  const uint32_t crc = crc32(0, reinterpret_cast<const Bytef*>(stored.data()), static_cast<uInt>(stored.size()));
  const std::string other = {'\x55', '\x54', '\x05', '\x00', '\x03', '\x01', '\x02', '\x03', '\x04'};  // "UT" time field
  struct Case {
    const char* what;
    std::string extra;
    std::string name;
  } cases[] = {
      {"alone", field(1, crc, "caf\xc3\xa9.txt"), "caf\xc3\xa9.txt"},
      {"after another field", other + field(1, crc, "caf\xc3\xa9.txt"), "caf\xc3\xa9.txt"},
      {"made for another name", field(1, crc ^ 1, "caf\xc3\xa9.txt"), ""},
      {"unknown version", field(2, crc, "caf\xc3\xa9.txt"), ""},
      {"not UTF-8", field(1, crc, "caf\xe9.txt"), ""},
      {"size past the end", field(1, crc, "caf\xc3\xa9.txt").substr(0, 10), ""},
      {"none", other, ""},
  };
  for (const Case& c : cases) EXPECT_EQ(zip::UnicodePathFromExtra(c.extra, stored), c.name) << c.what;
}

TEST(ZipRules, EndRecordAnywhereInTheWindow) {
  auto record = [](uint16_t thisDisk, uint16_t cdDisk, uint16_t entries, const std::string& comment) {
    std::string r = "PK\x05\x06";
    for (uint16_t v : {thisDisk, cdDisk, entries, entries}) r += {static_cast<char>(v), static_cast<char>(v >> 8)};
    r += std::string(8, '\0');
    r += {static_cast<char>(comment.size()), static_cast<char>(comment.size() >> 8)};
    return r + comment;
  };
  // A comment holding a record of its own: the record whose comment reaches the end wins (longest: SetupZipTools).
  std::string inner = record(7, 7, 9, "") + "zz";
  zip::EndRecord found = zip::FindEndRecord("xx" + record(0, 0, 2, inner), 0);
  ASSERT_TRUE(found.found);
  EXPECT_EQ(found.offset, 2u);
  EXPECT_EQ(found.entries, 2u);

  found = zip::FindEndRecord(record(3, 2, 1, ""), 0);
  EXPECT_EQ(found.thisDisk, 3u);
  EXPECT_EQ(found.directoryDisk, 2u);
  EXPECT_FALSE(zip::FindEndRecord("PK\x05\x06 too short", 0).found);
  EXPECT_FALSE(zip::FindEndRecord(std::string(100, 'x'), 0).found);
}
