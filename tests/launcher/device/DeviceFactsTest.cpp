// Platform type, release code and model id: the tables' order and matching, and the device sources behind them.
#include <gtest/gtest.h>

#include "DeviceIdentity.h"
#include "DeviceProfile.h"
#include "TestSupport.h"

using namespace testing_support;
namespace p = wince::profile;

namespace {

// Forgets the cached device facts before and after, so no test sees another's device.
struct FreshDeviceFacts {
  FreshDeviceFacts() { qzr::ResetDeviceFactsForTesting(); }
  ~FreshDeviceFacts() { qzr::ResetDeviceFactsForTesting(); }
};

}  // namespace

TEST(ModelIdRules, PalModelPrefixesInOrder) {
  struct Case {
    const wchar_t* text;
    int id;
  } cases[] = {
      {L"VX12 Rugged Handheld", 10}, {L"vx14", 11}, {L"VX15-b", 12}, {L"VX13", 9}, {L"VX16", 16},
      {L"VP21", 7}, {L"VP33x", 8}, {L"VR4A", 13}, {L"vr4b", 14}, {L"VP22", 15},
      {L"perihelionv3 board", 9},   // twelve characters compared, case-insensitively
      {L"PerihelionV", 0},          // shorter than the prefix
      {L"Korvanex VX99", 99}, {L"KORVANEX z", 99},
      {L"Korvanex", 0},             // the prefix includes the blank
      {L"VX1", 0}, {L"", 0}, {L" VX12", 0},
      {L"VX12Korvanex ", 10},
  };
  for (const auto& c : cases) EXPECT_EQ(qzr::ModelIdFromPalModel(c.text), c.id) << Narrow(c.text);
}

TEST(ModelIdRules, OemTextsInOrder) {
  struct Case {
    const wchar_t* text;
    int id;
  } cases[] = {
      {L"Korvanex VP48", 1}, {L"Korvanex VM5", 2}, {L"Korvanex VM4", 5}, {L"korvanex vm4", 5},
      {L"Korvanex VM6", 6}, {L"Korvanex VP21", 7}, {L"KORVANEX VP33", 8}, {L"Korvanex VP57", 3},
      {L"Korvanex VR42", 4},
      {L"Korvanex VM4X", 99},             // no whole-text row, the prefix rule takes it
      {L"Korvanex VP48 ", 99},
      {L"Board PerihelionV3 rev2", 9},    // contains, case-sensitive
      {L"Board perihelionV3", 0},
      {L"Korvanex PerihelionV3", 9},      // the contains row comes before the prefix row
      {L"Korvanex", 0}, {L"Other Maker VM4", 0}, {L"", 0},
  };
  for (const auto& c : cases) EXPECT_EQ(qzr::ModelIdFromOemInfo(c.text), c.id) << Narrow(c.text);
}

TEST(ModelId, PalModelFirstThenOemTextCachedUntilReset) {
  struct Case {
    const wchar_t* palModel;  // nullptr: the PAL has no model text
    const wchar_t* oemInfo;   // nullptr: SPI_GETOEMINFO fails
    int id;
  } cases[] = {
      {L"VP21 scanner", L"Korvanex VP48", 7},
      {L"Unknown model", L"Korvanex VP48", 1},  // no prefix matched: the OEM text decides
      {nullptr, L"Korvanex VM4X", 99},
      {nullptr, L"korvanex vm4", 5},
      {nullptr, L"Other Maker", 0},
      {L"Unknown model", nullptr, 0},
      {nullptr, nullptr, 0},
  };
  for (const auto& c : cases) {
    FreshDeviceFacts fresh;
    ProfileScope scope;
    if (c.palModel) scope.Set(p::kPalModel, c.palModel); else scope.Unset(p::kPalModel);
    if (c.oemInfo) scope.Set(p::kOemInfo, c.oemInfo); else scope.Unset(p::kOemInfo);
    EXPECT_EQ(qzr::GetModelId(), c.id) << (c.palModel ? Narrow(c.palModel) : "-") << " / " << (c.oemInfo ? Narrow(c.oemInfo) : "-");
  }

  FreshDeviceFacts fresh;
  ProfileScope scope;
  scope.Set(p::kPalModel, L"VX16");
  ASSERT_EQ(qzr::GetModelId(), 16);
  scope.Set(p::kPalModel, L"VX12");
  EXPECT_EQ(qzr::GetModelId(), 16) << "asked once, kept for the process";
  qzr::ResetDeviceFactsForTesting();
  EXPECT_EQ(qzr::GetModelId(), 10);
}

TEST(PlatformType, FromPlatformTextCachedUntilReset) {
  struct Case {
    const wchar_t* text;  // nullptr: SPI_GETPLATFORMTYPE fails
    int type;
  } cases[] = {
      {L"PocketPC", 1}, {L"pocketpc", 1}, {L"XScale", 2}, {L"Perihelion 2", 2}, {L"CEPC Platform", 2},
      {L"PocketPC2", 0}, {L"SmartPhone", 0}, {L"", 0}, {nullptr, 0},
  };
  for (const auto& c : cases) {
    FreshDeviceFacts fresh;
    ProfileScope scope;
    if (c.text) scope.Set(p::kPlatformType, c.text); else scope.Unset(p::kPlatformType);
    EXPECT_EQ(qzr::GetPlatformType(), c.type) << (c.text ? Narrow(c.text) : "-");
  }

  FreshDeviceFacts fresh;
  ProfileScope scope;
  scope.Set(p::kPlatformType, L"XScale");
  ASSERT_EQ(qzr::GetPlatformType(), 2);
  scope.Set(p::kPlatformType, L"PocketPC");
  EXPECT_EQ(qzr::GetPlatformType(), 2);
}

TEST(OsReleaseCode, FromVersionAndPlatformEveryCall) {
  struct Case {
    const wchar_t* osVersion;     // nullptr: the desktop's own version, not Windows CE
    const wchar_t* platformType;  // nullptr: SPI_GETPLATFORMTYPE fails
    int code;
  } cases[] = {
      {nullptr, L"PocketPC", 0},
      {L"5.2.23120", L"SmartPhone", 1},
      {L"5.2.23120", nullptr, 1},
      {L"4.20.1081", L"PocketPC", 2},
      {L"5.0.14", L"pocketpc", 3},
      {L"5.1.195", L"PocketPC", 3},
      {L"5.2.1235", L"PocketPC", 5},
      {L"5.2.23089", L"PocketPC", 5},
      {L"5.2.23090", L"PocketPC", 6},
      {L"5.2.23120", L"PocketPC", 6},
      {L"4.21.0", L"PocketPC", 0},
      {L"6.0.0", L"PocketPC", 0},
  };
  for (const auto& c : cases) {
    ProfileScope scope;
    if (c.osVersion) scope.Set(p::kOsVersion, c.osVersion); else scope.Unset(p::kOsVersion);
    if (c.platformType) scope.Set(p::kPlatformType, c.platformType); else scope.Unset(p::kPlatformType);
    EXPECT_EQ(qzr::GetOsReleaseCode(), c.code)
        << (c.osVersion ? Narrow(c.osVersion) : "-") << " / " << (c.platformType ? Narrow(c.platformType) : "-");
  }

  // The pure rule on its own, where GetVersionEx itself fails.
  qzr::OsVersionFacts failed;
  EXPECT_EQ(qzr::ReleaseCodeFrom(failed), 0);
}
