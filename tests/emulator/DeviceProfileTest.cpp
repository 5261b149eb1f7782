// Device profile files parse into registry values that read back through the registry.
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
