// Version texts of program files, and the product-name walk over whole, cut and hostile version blocks.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "DeviceIdentity.h"
#include "TestSupport.h"

using namespace testing_support;

namespace {

const std::wstring kSampleName = L"Korvanex Whitelist Monitor";

std::wstring SamplePath() { return BinFolder() + L"qzr_versioned_sample.dll"; }

using Bytes = std::vector<uint8_t>;

void AppendWide(Bytes& out, std::wstring_view text) {
  for (wchar_t c : text) {
    out.push_back(static_cast<uint8_t>(c & 0xFF));
    out.push_back(static_cast<uint8_t>(c >> 8));
  }
  out.push_back(0);
  out.push_back(0);
}

void PadToDword(Bytes& out) {
  while (out.size() % 4) out.push_back(0);
}

// One node of a version block: length, value length, type, key, value, children.
Bytes Node(std::wstring_view key, const Bytes& value, bool text, const std::vector<Bytes>& children) {
  Bytes out(6, 0);
  AppendWide(out, key);
  PadToDword(out);
  out.insert(out.end(), value.begin(), value.end());
  for (const auto& child : children) {
    PadToDword(out);
    out.insert(out.end(), child.begin(), child.end());
  }
  uint16_t length = static_cast<uint16_t>(out.size());
  uint16_t valueLength = static_cast<uint16_t>(text ? value.size() / 2 : value.size());
  memcpy(&out[0], &length, 2);
  memcpy(&out[2], &valueLength, 2);
  out[4] = text ? 1 : 0;
  return out;
}

Bytes StringNode(std::wstring_view key, std::wstring_view value) {
  Bytes v;
  AppendWide(v, value);
  return Node(key, v, true, {});
}

Bytes VersionBlock(std::vector<Bytes> strings) {
  Bytes fixed(52, 0);
  const uint32_t signature = 0xFEEF04BD;
  memcpy(fixed.data(), &signature, 4);
  Bytes table = Node(L"040904b0", {}, true, strings);
  return Node(L"VS_VERSION_INFO", fixed, false, {Node(L"StringFileInfo", {}, true, {table})});
}

Bytes WellFormedBlock() {
  return VersionBlock({StringNode(L"CompanyName", L"Korvanex Products"), StringNode(L"ProductName", kSampleName),
                       StringNode(L"ProductVersion", L"2.20.3.147")});
}

// Under Wine an unhandled fault starts the debugger and the test hangs until its time-out;
// end at once with a message instead.
LONG WINAPI EndOnFault(EXCEPTION_POINTERS* info) {
  fprintf(stderr, "fault 0x%08lX at %p: read past the end of a guarded block\n",
          info->ExceptionRecord->ExceptionCode, info->ExceptionRecord->ExceptionAddress);
  fflush(stderr);
  TerminateProcess(GetCurrentProcess(), 3);
  return EXCEPTION_EXECUTE_HANDLER;
}

// Bytes placed so that the first byte past them is an inaccessible page: a read past the end
// of the span faults instead of passing unnoticed.
class GuardedBytes {
 public:
  explicit GuardedBytes(const Bytes& bytes) {
    SetUnhandledExceptionFilter(EndOnFault);
    SYSTEM_INFO si;
    GetSystemInfo(&si);
    size_t page = si.dwPageSize;
    size_t dataPages = (bytes.size() + page - 1) / page + 1;
    total_ = (dataPages + 1) * page;
    base_ = static_cast<uint8_t*>(VirtualAlloc(nullptr, total_, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
    DWORD old = 0;
    VirtualProtect(base_ + dataPages * page, page, PAGE_NOACCESS, &old);
    data_ = base_ + dataPages * page - bytes.size();
    if (!bytes.empty()) memcpy(data_, bytes.data(), bytes.size());
    size_ = bytes.size();
  }
  ~GuardedBytes() { VirtualFree(base_, 0, MEM_RELEASE); }
  GuardedBytes(const GuardedBytes&) = delete;
  GuardedBytes& operator=(const GuardedBytes&) = delete;
  std::span<const uint8_t> span() const { return {data_, size_}; }

 private:
  uint8_t* base_ = nullptr;
  uint8_t* data_ = nullptr;
  size_t size_ = 0;
  size_t total_ = 0;
};

std::wstring Scan(const Bytes& bytes) {
  GuardedBytes guarded(bytes);
  return qzr::ScanProductName(guarded.span());
}

Bytes SampleVersionBlock() {
  DWORD ignored = 0;
  DWORD size = GetFileVersionInfoSizeW(SamplePath().c_str(), &ignored);
  Bytes block(size);
  if (size == 0 || !GetFileVersionInfoW(SamplePath().c_str(), 0, size, block.data())) return {};
  return block;
}

}  // namespace

TEST(FileVersionText, ValidFileAndExpectedNames) {
  struct Case {
    std::wstring expected;
    int valid;
  } cases[] = {
      {L"Korvanex Whitelist", 1}, {L"", 1}, {kSampleName, 1}, {L"Monitor", 1},
      {L"korvanex whitelist", 0},  // case-sensitive
      {L"Korvanex Whitelist Monitor 2", 0},
  };
  for (const auto& c : cases) {
    std::wstring name = c.expected, version;
    EXPECT_EQ(qzr::GetFileVersionText(SamplePath(), name, version), c.valid) << Narrow(c.expected);
    // The product version, not the file version (9.8.7.6).
    EXPECT_EQ(version, L"Version 2.20.03.0147") << Narrow(c.expected);
    EXPECT_EQ(name, c.valid ? kSampleName : L" INVALID or MISSING FILE: \r\n" + SamplePath()) << Narrow(c.expected);
  }
}

TEST(FileVersionText, FilesWithoutVersionAreInvalid) {
  ScratchFolder folder(L"vers");
  ASSERT_TRUE(WriteBytes(folder / L"notes.txt", "no version resource here\r\n"));
  ASSERT_TRUE(WriteBytes(folder / L"fake.exe", std::string("MZ") + std::string(200, '\0')));
  for (std::wstring path : {folder / L"notes.txt", folder / L"fake.exe", folder / L"missing.exe"}) {
    std::wstring name = L"", version = L"stale";
    EXPECT_EQ(qzr::GetFileVersionText(path, name, version), 0) << Narrow(path);
    EXPECT_EQ(name, L" INVALID or MISSING FILE: \r\n" + path);
    EXPECT_EQ(version, L"UNKNOWN VERSION");
  }
}

TEST(ProductNameScan, WholeCutAndHostileBlocks) {
  Bytes good = WellFormedBlock();
  Bytes nameFirst = VersionBlock({StringNode(L"ProductName", L"\u0100bc"), StringNode(L"CompanyName", L"x")});

  Bytes statedTooLong = good;
  statedTooLong[0] = statedTooLong[1] = 0xFF;  // states 65535 bytes, holds far fewer

  // The stated length ends the block inside the product name: the bytes after it don't count.
  Bytes statedShort = good;
  size_t nameAt = std::u16string_view(reinterpret_cast<const char16_t*>(good.data()), good.size() / 2)
                      .find(u"Korvanex Whitelist") * 2;
  uint16_t cut = static_cast<uint16_t>(nameAt + 6);
  memcpy(statedShort.data(), &cut, 2);

  Bytes noRoot = good;
  noRoot[6] = 'X';  // "XS_VERSION_INFO"
  Bytes noStringFileInfo = VersionBlock({});
  Bytes emptyTable = VersionBlock({StringNode(L"CompanyName", L"Korvanex")});
  Bytes keyLast = good;
  keyLast.resize(nameAt);  // ends right after the "ProductName" key and its padding
  keyLast[0] = static_cast<uint8_t>(keyLast.size());
  keyLast[1] = static_cast<uint8_t>(keyLast.size() >> 8);

  struct Case {
    const char* name;
    Bytes block;
    std::wstring product;
  } cases[] = {
      {"well formed", good, kSampleName},
      {"first character with a zero low byte", nameFirst, L"\u0100bc"},
      {"stated length beyond the bytes", statedTooLong, kSampleName},
      {"stated length inside the name", statedShort, L""},
      {"no root key", noRoot, L""},
      {"no string table", noStringFileInfo, L""},
      {"no product name", emptyTable, L""},
      {"product name key at the end", keyLast, L""},
      {"empty", {}, L""},
      {"one byte", {0xFF}, L""},
      {"only a length", {0xFF, 0xFF}, L""},
  };
  for (const auto& c : cases) EXPECT_EQ(Scan(c.block), c.product) << c.name;
}

TEST(ProductNameScan, EveryCutOfARealBlockStaysInside) {
  Bytes real = SampleVersionBlock();
  ASSERT_FALSE(real.empty());
  EXPECT_EQ(Scan(real), kSampleName);
  // A block cut anywhere, still claiming its full length: the walk ends at the bytes given and
  // finds either nothing or the whole name, never a part of it.
  for (size_t n = 0; n < real.size(); ++n) {
    Bytes cut(real.begin(), real.begin() + n);
    std::wstring found = Scan(cut);
    EXPECT_TRUE(found.empty() || found == kSampleName) << n;
  }
}

TEST(ProductVersionRule, FourFieldsPadded) {
  EXPECT_EQ(qzr::FormatProductVersion(0x00020014, 0x00030093), L"Version 2.20.03.0147");
  EXPECT_EQ(qzr::FormatProductVersion(0x0001000A, 0x00000000), L"Version 1.10.00.0000");
  EXPECT_EQ(qzr::FormatProductVersion(0xFFFFFFFF, 0xFFFFFFFF), L"Version 65535.65535.65535.65535");
}
