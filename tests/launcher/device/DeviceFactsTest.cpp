// Platform type, release code and model id: how the tables match, and the device sources behind them.
#include <gtest/gtest.h>

#include "device/DeviceIdentity.h"
#include "DeviceProfile.h"
#include "TestSupport.h"

using namespace testing_support;
namespace p = wince::profile;

namespace {

// A device for one case: each profile value given or taken away, the cached facts forgotten.
struct Device {
  Device(std::initializer_list<std::pair<const wchar_t*, const wchar_t*>> values) {
    qzr::ResetDeviceFactsForTesting();
    for (const auto& [name, value] : values)
      if (value) profile.Set(name, value); else profile.Unset(name);
  }
  ~Device() { qzr::ResetDeviceFactsForTesting(); }
  ProfileScope profile;
};

std::string Show(const wchar_t* text) { return text ? Narrow(text) : "-"; }

}  // namespace

TEST(ModelIdRules, PrefixesContainsAndOrder) {
  const struct { const wchar_t* text; int id; } pal[] = {
      {L"VX12 Rugged Handheld", 10}, {L"vx14", 11},  // prefixes, case-insensitively
      {L"perihelionv3 board", 9},                    // twelve characters compared
      {L"PerihelionV", 0},                           // shorter than the prefix
      {L"Korvanex VX99", 99}, {L"KORVANEX z", 99},
      {L"Korvanex", 0},  // the prefix includes the blank
      {L"VX1", 0}, {L"", 0}, {L" VX12", 0}, {L"VX12Korvanex ", 10},
      {L"VX15-b", 12}, {L"VP33x", 8}, {L"vr4b", 14},  // models no lockdown test's device names
  };
  for (const auto& c : pal) EXPECT_EQ(qzr::ModelIdFromPalModel(c.text), c.id) << Narrow(c.text);
  const struct { const wchar_t* text; int id; } oem[] = {
      {L"Korvanex VM4", 5}, {L"korvanex vm4", 5},  // whole texts, case-insensitively
      {L"Korvanex VM4X", 99},                      // no whole-text row, the prefix rule takes it
      {L"Korvanex VP48 ", 99},
      {L"Board PerihelionV3 rev2", 9},  // contains, case-sensitive
      {L"Board perihelionV3", 0},
      {L"Korvanex PerihelionV3", 9},  // the contains row comes before the prefix row
      {L"Korvanex", 0}, {L"Other Maker VM4", 0}, {L"", 0},
  };
  for (const auto& c : oem) EXPECT_EQ(qzr::ModelIdFromOemInfo(c.text), c.id) << Narrow(c.text);
}

TEST(ModelId, PalModelFirstThenOemTextCachedUntilReset) {
  const struct {
    const wchar_t* palModel;  // nullptr: the PAL has no model text
    const wchar_t* oemInfo;   // nullptr: SPI_GETOEMINFO fails
    int id;
  } cases[] = {
      {L"VP21 scanner", L"Korvanex VP48", 7},
      {L"Unknown model", L"Korvanex VP48", 1},  // no prefix matched: the OEM text decides
      {nullptr, L"korvanex vm4", 5},
      {nullptr, L"Other Maker", 0},
      {L"Unknown model", nullptr, 0},
      {nullptr, nullptr, 0},
  };
  for (const auto& c : cases) {
    Device device({{p::kPalModel, c.palModel}, {p::kOemInfo, c.oemInfo}});
    EXPECT_EQ(qzr::GetModelId(), c.id) << Show(c.palModel) << " / " << Show(c.oemInfo);
  }
  Device device({{p::kPalModel, L"VX16"}, {p::kPlatformType, L"XScale"}});
  ASSERT_EQ(qzr::GetModelId(), 16);
  ASSERT_EQ(qzr::GetPlatformType(), 2);
  device.profile.Set(p::kPalModel, L"VX12");
  device.profile.Set(p::kPlatformType, L"PocketPC");
  EXPECT_EQ(qzr::GetModelId(), 16) << "asked once, kept for the process";
  EXPECT_EQ(qzr::GetPlatformType(), 2);
  qzr::ResetDeviceFactsForTesting();
  EXPECT_EQ(qzr::GetModelId(), 10);
}

TEST(PlatformType, FromPlatformText) {
  const struct {
    const wchar_t* text;  // nullptr: SPI_GETPLATFORMTYPE fails
    int type;
  } cases[] = {{L"pocketpc", 1}, {L"Perihelion 2", 2}, {L"CEPC Platform", 2}, {L"PocketPC2", 0}, {L"SmartPhone", 0}, {L"", 0}, {nullptr, 0}};
  for (const auto& c : cases) {
    Device device({{p::kPlatformType, c.text}});
    EXPECT_EQ(qzr::GetPlatformType(), c.type) << Show(c.text);
  }
}

TEST(OsReleaseCode, FromVersionAndPlatformEveryCall) {
  const struct {
    const wchar_t* osVersion;     // nullptr: the desktop's own version, not Windows CE
    const wchar_t* platformType;  // nullptr: SPI_GETPLATFORMTYPE fails
    int code;
  } cases[] = {
      {nullptr, L"PocketPC", 0},     {L"5.2.23120", L"SmartPhone", 1}, {L"5.2.23120", nullptr, 1},
      {L"4.20.1081", L"PocketPC", 2}, {L"5.0.14", L"pocketpc", 3},     {L"5.1.195", L"PocketPC", 3},
      {L"5.2.1235", L"PocketPC", 5},  {L"5.2.23089", L"PocketPC", 5},   {L"5.2.23090", L"PocketPC", 6},
      {L"4.21.0", L"PocketPC", 0},    {L"6.0.0", L"PocketPC", 0},
  };
  for (const auto& c : cases) {
    Device device({{p::kOsVersion, c.osVersion}, {p::kPlatformType, c.platformType}});
    EXPECT_EQ(qzr::GetOsReleaseCode(), c.code) << Show(c.osVersion) << " / " << Show(c.platformType);
  }
  // The pure rule on its own, where GetVersionEx itself fails.
  EXPECT_EQ(qzr::ReleaseCodeFrom(qzr::OsVersionFacts{}), 0);
}
