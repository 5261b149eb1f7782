// Version texts of program files, and the product-name walk over whole, cut and hostile version blocks.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string_view>
#include <string>
#include <vector>

#include "device/DeviceIdentity.h"
#include "TestSupport.h"

using namespace testing_support;

namespace {

const std::wstring kSampleName = L"Korvanex Whitelist Monitor";

std::wstring SamplePath() { return BinFolder() + L"qzr_versioned_sample.dll"; }

using Bytes = std::vector<uint8_t>;

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
    base_ = static_cast<uint8_t*>(VirtualAlloc(nullptr, (dataPages + 1) * page, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
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

// Where a text first stands in a block as UTF-16, in bytes.
size_t Find(const Bytes& block, std::u16string_view text) {
  return std::u16string_view(reinterpret_cast<const char16_t*>(block.data()), block.size() / 2).find(text) * 2;
}

// A copy of the block with the bytes written at `at`.
Bytes Patched(Bytes block, size_t at, std::initializer_list<uint8_t> bytes) {
  std::copy(bytes.begin(), bytes.end(), block.begin() + at);
  return block;
}

}  // namespace

TEST(FileVersionText, ExpectedNamesAndFilesWithoutVersion) {
  ScratchFolder folder(L"vers");
  ASSERT_TRUE(WriteBytes(folder / L"notes.txt", "no version resource here\r\n"));
  ASSERT_TRUE(WriteBytes(folder / L"fake.exe", std::string("MZ") + std::string(200, '\0')));
  struct Case { std::wstring path, expected; bool valid; } cases[] = {
      {SamplePath(), L"Korvanex Whitelist", 1}, {SamplePath(), L"", 1}, {SamplePath(), kSampleName, 1},
      {SamplePath(), L"Monitor", 1},
      {SamplePath(), L"korvanex whitelist", 0},  // case-sensitive
      {SamplePath(), L"Korvanex Whitelist Monitor 2", 0},
      {folder / L"notes.txt", L"", 0}, {folder / L"fake.exe", L"", 0}, {folder / L"missing.exe", L"", 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(Narrow(c.path + L" / " + c.expected));
    std::wstring name = c.expected, version = L"stale";
    EXPECT_EQ(qzr::GetFileVersionText(c.path, name, version), c.valid);
    // The product version, not the file version (9.8.7.6).
    EXPECT_EQ(version, c.path == SamplePath() ? L"Version 2.20.03.0147" : L"UNKNOWN VERSION");
    EXPECT_EQ(name, c.valid ? kSampleName : L" INVALID or MISSING FILE: \r\n" + c.path);
  }
}

TEST(ProductNameScan, WholeCutAndHostileBlocks) {
  const Bytes real = SampleVersionBlock();
  ASSERT_FALSE(real.empty());
  const size_t nameAt = Find(real, u"Korvanex Whitelist Monitor");
  ASSERT_LT(nameAt, real.size());
  // The stated length ends the block inside the product name: the bytes after it don't count.
  const size_t inName = nameAt + 6;
  // A block that ends right after the "ProductName" key and its padding.
  const Bytes keyLast = Patched(Bytes(real.begin(), real.begin() + nameAt), 0, {uint8_t(nameAt), uint8_t(nameAt >> 8)});
  struct Case { const char* name; Bytes block; std::wstring product; } cases[] = {
      {"well formed", real, kSampleName},
      {"first character with a zero low byte", Patched(real, nameAt, {0x00, 0x01}), L"\u0100orvanex Whitelist Monitor"},
      {"stated length beyond the bytes", Patched(real, 0, {0xFF, 0xFF}), kSampleName},
      {"stated length inside the name", Patched(real, 0, {uint8_t(inName), uint8_t(inName >> 8)}), L""},
      {"no root key", Patched(real, 6, {'X'}), L""},
      {"no string table", Patched(real, Find(real, u"StringFileInfo"), {'X'}), L""},
      {"no product name", Patched(real, Find(real, u"ProductName"), {'X'}), L""},
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
  // A block cut anywhere, still claiming its full length: the walk ends at the bytes given and
  // finds either nothing or the whole name, never a part of it.
  for (size_t n = 0; n < real.size(); ++n) {
    Bytes cut(real.begin(), real.begin() + n);
    std::wstring found = Scan(cut);
    EXPECT_TRUE(found.empty() || found == kSampleName) << n;
  }
}
