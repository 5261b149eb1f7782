// Each keypad member against tables seeded per model in the real registry, the driver's events held open.
#include <gtest/gtest.h>

#include <map>

#include "core/LauncherConfig.h"
#include "lockdown/Lockdown.h"
#include "LockdownTestSupport.h"

using namespace lockdown_test;

namespace {

const std::wstring kKeybd = L"HARDWARE\\DEVICEMAP\\KEYBD";
const std::wstring kConfigName = L"QZRTestConfig";
const std::wstring kConfig = kKeybd + L"\\" + kConfigName;
const std::wstring kLayout = L"Software\\QZRTest\\KeypadLayout";
const wchar_t* const kPlanes[] = {L"ShiftPlane0", L"ShiftPlane1", L"ShiftPlane2"};

using Record = std::array<BYTE, 6>;
// One record for every rule of every model, then a partial record.
const Record kSeedRecords[] = {
    {0x07, 0xE3, 0x00, 0x01, 0x00, 0x1F},  // 0: models 2, 3, 6 (other layouts); model 5
    {0x07, 0x3E, 0x00, 0x01, 0x00, 0x1F},  // 1: models 2, 3, 6 on "2749_5318_6"
    {0x07, 0x2B, 0x00, 0x01, 0x00, 0x1F},  // 2: model 4 on "VR42\000n"
    {0x07, 0x50, 0x00, 0x01, 0x00, 0x1F},  // 3: model 4 on other layouts
    {0x07, 0x1E, 0x00, 0x01, 0x00, 0x1F},  // 4: model 5
    {0x07, 0x22, 0x00, 0x08, 0x00, 0x75},  // 5: model 5
    {0x07, 0x27, 0x00, 0x08, 0x00, 0x76},  // 6: model 5
    {0x07, 0x41, 0x00, 0x08, 0x00, 0x5B},  // 7: models 7, 8
    {0x07, 0x1A, 0x00, 0x08, 0x00, 0x5B},  // 8: models 7, 8
    {0x07, 0x3F, 0x00, 0x02, 0x00, 0x0B},  // 9: models 9 to 12
    {0x07, 0xE3, 0x00, 0x00, 0x10, 0xCF},  // 10: model 15; models 2, 3, 6 (other layouts)
    {0x41, 0x00, 0x00, 0x00, 0x00, 0x00},  // 11: no rule's
};
const BYTE kPartial[] = {0x07, 0xE3, 0x00};

std::vector<BYTE> SeedPlane(bool withRecords) {
  std::vector<BYTE> plane;
  for (const Record& r : kSeedRecords) {
    if (!withRecords && r[0] == 0x07) continue;
    plane.insert(plane.end(), r.begin(), r.end());
  }
  plane.insert(plane.end(), std::begin(kPartial), std::end(kPartial));
  return plane;
}

// Little-endian 16-bit entries, as Vkey holds them.
std::vector<BYTE> Words(const std::wstring& entries) { return TextBytes(entries, 0); }

const std::vector<BYTE> kVkey = Words({0, 0, 0x0775, 0x0075, 0x0041, 0x0076});
const std::vector<BYTE> kVflags = {1, 2, 3, 4, 5, 6};
const std::vector<BYTE> kVkeyCleared = Words({0, 0, 0, 0, 0x0041, 0});
const std::vector<BYTE> kVflagsCleared = {1, 2, 0, 0, 5, 0};

std::vector<BYTE> GoldSeed() { return std::vector<BYTE>(120 * 2, 0x11); }
std::vector<BYTE> GoldPatched() {
  std::vector<BYTE> g = GoldSeed();
  for (auto [index, value] : {std::pair{82, 0x07C4}, {97, 0x07C2}, {98, 0x07C1}, {113, 0x07C3}}) {
    g[index * 2] = static_cast<BYTE>(value & 0xFF);
    g[index * 2 + 1] = static_cast<BYTE>(value >> 8);
  }
  return g;
}

// The keypad tables of one test: the KEYBD values it replaces are put back afterwards.
class KeypadTables {
 public:
  KeypadTables(const std::wstring& layoutId, bool planeRecords) {
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, kConfig.c_str());
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, kLayout.c_str());
    // Wine keeps HKLM\HARDWARE volatile: keys there can only be volatile.
    WriteRaw(HKEY_LOCAL_MACHINE, kKeybd, L"ActiveConfig", REG_SZ, TextBytes(kConfigName), REG_OPTION_VOLATILE);
    WriteRaw(HKEY_LOCAL_MACHINE, kKeybd, L"CurrentActiveLayoutId", REG_SZ, TextBytes(layoutId), REG_OPTION_VOLATILE);
    WriteRaw(HKEY_LOCAL_MACHINE, kKeybd, L"CurrentActiveLayoutKey", REG_SZ, TextBytes(L"\\" + kLayout), REG_OPTION_VOLATILE);
    WriteRaw(HKEY_LOCAL_MACHINE, kConfig, L"VkeyGold", REG_BINARY, GoldSeed(), REG_OPTION_VOLATILE);
    WriteRaw(HKEY_LOCAL_MACHINE, kConfig, L"Vkey", REG_BINARY, kVkey, REG_OPTION_VOLATILE);
    WriteRaw(HKEY_LOCAL_MACHINE, kConfig, L"Vflags", REG_BINARY, kVflags, REG_OPTION_VOLATILE);
    for (const wchar_t* plane : kPlanes) WriteRaw(HKEY_LOCAL_MACHINE, kLayout, plane, REG_BINARY, SeedPlane(planeRecords));
  }
  ~KeypadTables() {
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, kConfig.c_str());
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, kLayout.c_str());
  }

 private:
  SavedValues saved_{{{HKEY_LOCAL_MACHINE, kKeybd, L"ActiveConfig"},
                      {HKEY_LOCAL_MACHINE, kKeybd, L"CurrentActiveLayoutId"},
                      {HKEY_LOCAL_MACHINE, kKeybd, L"CurrentActiveLayoutKey"}}};
};

// The driver's events, created before the launcher sets them, as the running driver has them.
struct DriverEvents {
  qzr::KernelHandle change{CreateEventW(nullptr, TRUE, FALSE, qzr::kKeyboardChangeEvent)};
  qzr::KernelHandle usb{CreateEventW(nullptr, TRUE, FALSE, qzr::kKeyboardChangeUsbEvent)};
  DriverEvents() {
    ResetEvent(change.get());
    ResetEvent(usb.get());
  }
  bool ChangeSet() const { return WaitForSingleObject(change.get(), 0) == WAIT_OBJECT_0; }
  bool UsbSet() const { return WaitForSingleObject(usb.get(), 0) == WAIT_OBJECT_0; }
};

struct RecordChange {
  int planeMask;  // bit n: ShiftPlane n
  int index;
  Record becomes;
};

constexpr Record kShellKey(BYTE key) { return {0x07, key, 0x00, 0x02, 0x10, 0xC1}; }

struct Case {
  const char* what;
  const wchar_t* platform;
  int model;
  std::wstring layoutId;
  int windowsKey, orangeVolumeUp;
  bool planeRecords;
  bool goldPatched, vkeyCleared;
  std::vector<RecordChange> changes;
  bool changeEvent, usbEvent;
};

}  // namespace

TEST(KeypadTables, EachMemberAgainstSeededTablesPerModel) {
  const Case cases[] = {
      {"model 1: VkeyGold", L"PocketPC", 1, L"x", 0, 0, true, true, false, {}, true, false},
      {"model 2, layout 2749_5318_6", L"PocketPC", 2, L"2749_5318_6", 0, 0, true, false, true,
       {{4, 1, kShellKey(0x3E)}}, true, true},
      {"model 3, other layout", L"PocketPC", 3, L"0409", 0, 0, true, false, true,
       {{7, 0, kShellKey(0xE3)}, {7, 10, kShellKey(0xE3)}}, true, true},
      {"model 6 without matching records still writes and tells", L"PocketPC", 6, L"0409", 0, 0, false, false, true,
       {}, true, true},
      {"model 4, VR42 layout", L"PocketPC", 4, L"VR42\\0002", 0, 0, true, false, true, {{4, 2, kShellKey(0x2B)}}, true,
       true},
      {"model 4, other layout", L"PocketPC", 4, L"VR42\\0004", 0, 0, true, false, true, {{2, 3, kShellKey(0x50)}}, true,
       true},
      {"model 5: whole records in all planes", L"PocketPC", 5, L"x", 0, 0, true, false, false,
       {{7, 4, kShellKey(0x1E)},
        {7, 0, kShellKey(0xE3)},
        {7, 5, {0x07, 0x22, 0, 0, 0, 0}},
        {7, 6, {0x07, 0x27, 0, 0, 0, 0}}},
       false, true},
      {"model 7, Windows key locked", L"PocketPC", 7, L"x", 0, 0, true, false, false,
       {{7, 7, {0x07, 0x41, 0x00, 0x08, 0x00, 0xC1}}, {7, 8, {0x07, 0x1A, 0x00, 0x08, 0x00, 0xC1}}}, false, true},
      {"model 7, Windows key usable", L"PocketPC", 7, L"x", 1, 0, true, false, false, {}, false, false},
      {"model 10, orange volume-up locked", L"PocketPC", 10, L"x", 0, 0, true, false, false,
       {{2, 9, {0x07, 0x3F, 0x00, 0x0A, 0x10, 0xC2}}}, false, true},
      {"model 10, orange volume-up usable", L"PocketPC", 10, L"x", 0, 1, true, false, false, {}, false, false},
      {"model 15, Windows key locked", L"PocketPC", 15, L"x", 0, 0, true, false, false,
       {{1, 10, {0x07, 0xE3, 0x00, 0x0A, 0x10, 0xC2}}}, false, true},
      {"embedded model 3: volume entries only", L"XScale", 3, L"0409", 0, 0, true, false, true, {}, true, false},
      {"model 0", L"PocketPC", 0, L"0409", 0, 0, true, false, false, {}, false, false},
      {"model 99", L"PocketPC", 99, L"0409", 0, 0, true, false, false, {}, false, false},
      {"platform 0, model 3", L"Other", 3, L"0409", 0, 0, true, false, false, {}, false, false},
      {"model 13: no rules", L"PocketPC", 13, L"x", 0, 0, true, false, false, {}, false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    KeypadTables tables(c.layoutId, c.planeRecords);
    DeviceScope device(c.platform, c.model);
    DriverEvents events;
    qzr::LauncherConfig config;
    config.EnableWindowsKey = c.windowsKey;
    config.EnableOrangePlaneVolumeUp = c.orangeVolumeUp;

    qzr::ApplyKeyboardRemaps(config);

    EXPECT_EQ(ReadRaw(HKEY_LOCAL_MACHINE, kConfig, L"VkeyGold")->data, c.goldPatched ? GoldPatched() : GoldSeed());
    EXPECT_EQ(ReadRaw(HKEY_LOCAL_MACHINE, kConfig, L"Vkey")->data, c.vkeyCleared ? kVkeyCleared : kVkey);
    EXPECT_EQ(ReadRaw(HKEY_LOCAL_MACHINE, kConfig, L"Vflags")->data, c.vkeyCleared ? kVflagsCleared : kVflags);
    for (int p = 0; p < 3; ++p) {
      std::vector<BYTE> want = SeedPlane(c.planeRecords);
      for (const RecordChange& change : c.changes)
        if (change.planeMask & (1 << p)) std::copy(change.becomes.begin(), change.becomes.end(), want.begin() + change.index * 6);
      auto plane = ReadRaw(HKEY_LOCAL_MACHINE, kLayout, kPlanes[p]);
      ASSERT_TRUE(plane.has_value());
      EXPECT_EQ(plane->type, static_cast<DWORD>(REG_BINARY));
      EXPECT_EQ(plane->data, want) << Narrow(kPlanes[p]);
    }
    EXPECT_EQ(events.ChangeSet(), c.changeEvent);
    EXPECT_EQ(events.UsbSet(), c.usbEvent);
  }
}

TEST(KeypadTables, MissingConfigurationOrLayoutChangesNothing) {
  KeypadTables tables(L"0409", true);
  DeviceScope device(L"PocketPC", 3);
  // The layout key named by the tables is not there; the active configuration neither.
  RegDeleteTreeW(HKEY_LOCAL_MACHINE, kLayout.c_str());
  RegDeleteTreeW(HKEY_LOCAL_MACHINE, kConfig.c_str());
  DriverEvents events;
  qzr::LauncherConfig config;
  qzr::ApplyKeyboardRemaps(config);
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kLayout));
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kConfig));
  EXPECT_FALSE(events.ChangeSet());
  EXPECT_FALSE(events.UsbSet());
}
