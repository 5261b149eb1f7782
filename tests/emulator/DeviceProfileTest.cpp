// Device profile files parse into registry values, and the maker's stand-in libraries answer from them.
#include <gtest/gtest.h>

#include "DeviceProfile.h"
#include "ProfileFile.h"
#include "TestSupport.h"

using namespace testing_support;

TEST(DeviceProfileFile, ParsesTextHexCommentsAndRejectsMalformedLines) {
  std::vector<int> errors;
  auto entries = emulator::ParseProfileText(
      L"; comment\r\nOemInfo = Korvanex VP21 \r\n\r\nKernelSerial=hex:01,02, 0A\r\nno equals\r\nBad=hex:1\r\n=x\r\n", &errors);
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_EQ(entries[0].name, L"OemInfo");
  EXPECT_EQ(entries[0].text, L"Korvanex VP21");
  EXPECT_TRUE(entries[1].binary);
  EXPECT_EQ(entries[1].bytes, (std::vector<BYTE>{1, 2, 0x0A}));
  EXPECT_EQ(errors, (std::vector<int>{5, 6, 7}));
}

TEST(DeviceProfileFile, AppliedValuesReadBackThroughTheRegistry) {
  ProfileScope scope;
  wince::ClearProfile();
  auto entries = emulator::ParseProfileText(L"PalModel=VP33 x\nKernelSerial=hex:FF\n");
  EXPECT_EQ(emulator::ApplyProfile(entries), 2);
  EXPECT_EQ(wince::ReadProfileString(L"PalModel").value_or(L"?"), L"VP33 x");
  EXPECT_EQ(wince::ReadProfileBinary(L"KernelSerial").value_or(std::vector<BYTE>{}), std::vector<BYTE>{0xFF});
  // A string is not a binary value and the other way round: "not there", distinct from empty.
  EXPECT_FALSE(wince::ReadProfileBinary(L"PalModel").has_value());
  EXPECT_FALSE(wince::ReadProfileString(L"Missing").has_value());
}

TEST(EventLogStandIn, AppendsFacilityCategoryAndText) {
  ScratchFolder folder(L"evlog");
  ProfileScope scope;
  scope.Set(wince::profile::kEventLogFile, folder / L"events.txt");
  HMODULE lib = LoadLibraryW(L"QZREventLog.dll");
  ASSERT_NE(lib, nullptr);
  using Register = DWORD(WINAPI*)(const wchar_t*);
  using LogV = DWORD(WINAPI*)(WORD, DWORD, DWORD, const char*, va_list);
  auto reg = reinterpret_cast<Register>(GetProcAddress(lib, "QZRRegisterFacility"));
  auto logv = reinterpret_cast<LogV>(GetProcAddress(lib, "QZRLogStringVEx"));
  ASSERT_TRUE(reg && logv);
  WORD facility = static_cast<WORD>(reg(L"KL") & 0xFFFF);
  EXPECT_EQ(facility, static_cast<WORD>(reg(L"KL") & 0xFFFF));
  auto call = [&](const char* fmt, ...) {
    va_list args;
    va_start(args, fmt);
    logv(facility, 0, 4, fmt, args);
    va_end(args);
  };
  call("..\\..\\common source\\launcher (%d), InitInstance", 64);
  auto lines = ReadLines(folder / L"events.txt");
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_NE(lines[2].find("[category 4] ..\\..\\common source\\launcher (64), InitInstance"), std::string::npos);
  EXPECT_NE(lines[2].find("[facility " + std::to_string(facility) + "]"), std::string::npos);
}
