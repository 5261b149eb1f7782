// The start key and the reboot flags across simulated boots, boot requests in the device journal.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <map>
#include <tuple>

#include "DeviceProfile.h"
#include "core/LauncherConfig.h"
#include "MessageBoxRecorder.h"
#include "ProbeSupport.h"
#include "RegistrySupport.h"
#include "lockdown/StartKey.h"
#include "TestSupport.h"
#include "Win32Owners.h"

using namespace testing_support;
namespace p = wince::profile;

namespace {

const std::wstring kShellKey = Widen(qzr::kBubbletilesKey), kFlagsKey = Widen(qzr::kLauncherKey);

// HardwareStartKeyEnabled, StartButtonSettingChanged and CleanUpRebootFlag; nullopt where missing.
using CycleValues = std::tuple<std::optional<DWORD>, std::optional<DWORD>, std::optional<DWORD>>;

std::optional<DWORD> ReadDword(const std::wstring& path, const wchar_t* value) {
  qzr::RegKey key;
  return key.Open(HKEY_LOCAL_MACHINE, path) ? key.ReadDword(value) : std::nullopt;
}

CycleValues Cycle() {
  return {ReadDword(kShellKey, L"HardwareStartKeyEnabled"), ReadDword(kFlagsKey, L"StartButtonSettingChanged"),
          ReadDword(kFlagsKey, L"CleanUpRebootFlag")};
}

void WriteDword(const std::wstring& path, const wchar_t* value, DWORD data) {
  qzr::RegKey key;
  key.Create(HKEY_LOCAL_MACHINE, path);
  key.WriteDword(value, data);
}

// The three values of the cycle saved and put back; Set writes them as REG_DWORD.
struct StartKeyRegistryScope {
  SavedValues saved{{{HKEY_LOCAL_MACHINE, kShellKey, L"HardwareStartKeyEnabled"},
                     {HKEY_LOCAL_MACHINE, kFlagsKey, L"StartButtonSettingChanged"},
                     {HKEY_LOCAL_MACHINE, kFlagsKey, L"CleanUpRebootFlag"}}};
  void Set(DWORD hardwareStartKeyEnabled, DWORD startButtonSettingChanged, DWORD cleanUpRebootFlag) {
    WriteDword(kShellKey, L"HardwareStartKeyEnabled", hardwareStartKeyEnabled);
    WriteDword(kFlagsKey, L"StartButtonSettingChanged", startButtonSettingChanged);
    WriteDword(kFlagsKey, L"CleanUpRebootFlag", cleanUpRebootFlag);
  }
};

constexpr wchar_t kPrompt[] = L"Korvanex Launcher detects a configuration change which requires a warm boot.";
constexpr wchar_t kFailed[] = L"Warm boot failed.";
constexpr wchar_t kCaption[] = L"Korvanex Launcher";
constexpr char kBootLine[] = "PALBOOT_BootTerminal 0x30";

// A box as the start-key cycle shows it: OK only, the launcher's caption.
void ExpectBox(const ShownBox& box, HWND owner, const wchar_t* text) {
  EXPECT_EQ(box.owner, owner);
  EXPECT_EQ(box.text, text);
  EXPECT_EQ(box.caption, kCaption);
  EXPECT_EQ(box.type, static_cast<UINT>(MB_OK));
}

size_t Count(const std::vector<std::string>& lines, const std::string& line) {
  return static_cast<size_t>(std::count(lines.begin(), lines.end(), line));
}

// The message boxes device_probe.exe recorded, in order.
std::vector<std::string> Boxes(const std::map<std::string, std::string>& results) {
  std::vector<std::string> boxes;
  for (const auto& [key, value] : results)
    if (key.rfind("box", 0) == 0) boxes.push_back(value);
  return boxes;
}

// One simulated device: the registry values saved and restored, a journal of its own, boxes recorded.
struct Handheld {
  StartKeyRegistryScope registry;
  ScratchFolder folder{L"startkey"};
  ProfileScope profile;
  MessageBoxRecorder boxes;

  Handheld() {
    profile.Set(p::kJournalFile, folder / L"journal.txt");
    profile.Unset(p::kPalBootResult);
    profile.Unset(p::kRebootOnBootRequest);
  }
  std::vector<std::string> Journal() const { return ReadLines(folder / L"journal.txt"); }
};

}  // namespace

TEST(LauncherFlags, ReadAndWriteRules) {
  const std::wstring path = L"Software\\QZRTest\\LauncherFlags";
  RegistryScope scope(HKEY_LOCAL_MACHINE, path);
  std::string narrowPath = Narrow(path);
  qzr::RegKey key;
  ASSERT_TRUE(key.Create(HKEY_LOCAL_MACHINE, path));
  const BYTE twoBytes[] = {0x01, 0x00};
  key.WriteBinary(L"TwoBytes", twoBytes, sizeof twoBytes);
  key.WriteDword(L"Dword", 7);
  key.WriteString(L"OneChar", L"a");    // 4 bytes with its terminator
  key.WriteString(L"TwoChars", L"ab");  // 6 bytes

  struct Case { const char *keyPath, *value; bool read; DWORD expected; };
  std::string devicePath = "\\" + narrowPath;
  const Case cases[] = {
      {narrowPath.c_str(), "Dword", true, 7},
      {devicePath.c_str(), "Dword", true, 7},            // device paths start with a backslash
      {narrowPath.c_str(), "TwoBytes", true, 1},         // a short value is zero-extended
      {narrowPath.c_str(), "OneChar", true, L'a'},        // any type, four bytes of it
      {narrowPath.c_str(), "TwoChars", false, 0xDEAD},  // larger than four bytes
      {narrowPath.c_str(), "Missing", false, 0xDEAD},
      {"Software\\QZRTest\\NoSuchKey", "Dword", false, 0xDEAD},
  };
  for (const Case& c : cases) {
    DWORD value = 0xDEAD;
    EXPECT_EQ(qzr::ReadLauncherFlag(c.keyPath, c.value, &value), c.read) << c.keyPath << " " << c.value;
    EXPECT_EQ(value, c.expected) << c.keyPath << " " << c.value;
  }

  EXPECT_TRUE(qzr::WriteLauncherFlag(narrowPath.c_str(), "Written", 0x12345678));
  EXPECT_EQ(key.ReadDword(L"Written"), 0x12345678u) << "written as a four-byte REG_DWORD";
  EXPECT_TRUE(qzr::WriteLauncherFlag(narrowPath.c_str(), "TwoChars", 3));
  EXPECT_EQ(key.ReadDword(L"TwoChars"), 3u) << "an existing value of another type becomes a REG_DWORD";

  EXPECT_FALSE(qzr::WriteLauncherFlag("Software\\QZRTest\\NoSuchKey", "Flag", 1));
  qzr::RegKey created;
  EXPECT_FALSE(created.Open(HKEY_LOCAL_MACHINE, L"Software\\QZRTest\\NoSuchKey")) << "keys are never created";
}

TEST(StartKey, ToggleInvertsTheShellValue) {
  StartKeyRegistryScope registry;
  const std::pair<DWORD, DWORD> cases[] = {{0, 1}, {1, 0}, {5, 0}, {0xFFFFFFFF, 0}};
  for (auto [before, after] : cases) {
    registry.Set(before, 0, 0);
    EXPECT_TRUE(qzr::ToggleHardwareStartKey()) << before;
    EXPECT_EQ(std::get<0>(Cycle()), after) << before;
  }
  qzr::RegKey shell;
  ASSERT_TRUE(shell.Open(HKEY_LOCAL_MACHINE, kShellKey, KEY_ALL_ACCESS));
  shell.DeleteValue(L"HardwareStartKeyEnabled");
  EXPECT_FALSE(qzr::ToggleHardwareStartKey());
  EXPECT_EQ(std::get<0>(Cycle()), std::nullopt) << "a failed read writes nothing";
}

// Out of step at start: toggle, flag, prompt without owner, boot code 0x30. A shell value of 0
// is in step after that restart; any other than 0 and 1 is toggled again on the next start.
TEST(StartKeyCycle, OutOfStepStartTogglesPromptsAndBoots) {
  const struct { DWORD before, afterFirst, afterSecond; size_t prompts; } cases[] = {{0, 1, 1, 1}, {5, 0, 1, 2}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.before);
    Handheld device;
    device.registry.Set(c.before, 0, 0);
    qzr::LauncherConfig config;
    config.startIconHidden = 1;
    qzr::SyncStartKeySetting(config);
    EXPECT_EQ(Cycle(), CycleValues(c.afterFirst, 1, 0));
    ASSERT_EQ(device.boxes.boxes.size(), 1u);
    ExpectBox(device.boxes.boxes[0], nullptr, kPrompt);
    EXPECT_EQ(Count(device.Journal(), kBootLine), 1u);

    EXPECT_FALSE(qzr::TakeCleanUpStart());
    qzr::SyncStartKeySetting(config);
    EXPECT_EQ(Cycle(), CycleValues(c.afterSecond, 1, 0));
    EXPECT_EQ(device.boxes.boxes.size(), c.prompts);
    EXPECT_EQ(Count(device.Journal(), kBootLine), c.prompts);
  }
}

// Leaving with restore and a start-key change runs end to end in CleanUpBootRunsTheStartUpListAgain.
TEST(StartKeyCycle, LeavingDecisions) {
  struct Case {
    const char* name;
    int restoreOnTermination, enableSoftKeys;
    DWORD startButtonChanged;
    CycleValues after;
    size_t prompts;
  };
  // The shell value is 1 before leaving in every case.
  const Case cases[] = {
      {"restore with start-key change", 1, 1, 1, {0, 0, 1}, 1},
      {"restore, soft keys redirected, no start-key change", 1, 0, 0, {1, 0, 1}, 1},
      {"restore, nothing changed", 1, 1, 0, {1, 0, 0}, 0},
      {"no restore keeps the change", 0, 0, 1, {1, 1, 0}, 0},
  };
  HWND dialog = CreateWindowExW(0, L"STATIC", L"password", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(dialog, nullptr);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Handheld device;
    device.registry.Set(1, c.startButtonChanged, 0);
    qzr::LauncherConfig config;
    config.restoreOnTermination = c.restoreOnTermination;
    config.EnableSk1AndSk2 = c.enableSoftKeys;
    qzr::RestoreStartKeySetting(config);
    qzr::RestoreSoftKeySetting(config);
    qzr::CleanUpCheckOnLeaving(dialog);
    EXPECT_EQ(Cycle(), c.after);
    // The next start is the clean-up start exactly when a clean-up boot was asked for; once.
    EXPECT_EQ(qzr::TakeCleanUpStart(), c.prompts == 1);
    EXPECT_FALSE(qzr::TakeCleanUpStart());
    ASSERT_EQ(device.boxes.boxes.size(), c.prompts);
    if (c.prompts) ExpectBox(device.boxes.boxes[0], dialog, kPrompt);
    EXPECT_EQ(Count(device.Journal(), kBootLine), c.prompts);
  }
  DestroyWindow(dialog);
}

TEST(StartKeyCycle, WithoutTheLauncherKeyEveryStartIsOrdinary) {
  Handheld device;
  device.registry.Set(0, 1, 1);
  ASSERT_EQ(RegDeleteTreeW(HKEY_LOCAL_MACHINE, kFlagsKey.c_str()), ERROR_SUCCESS);

  qzr::LauncherConfig config;
  config.startIconHidden = 1;
  EXPECT_FALSE(qzr::TakeCleanUpStart());
  qzr::SyncStartKeySetting(config);  // the shell's key is there: toggled and prompted, no flag kept
  EXPECT_EQ(std::get<0>(Cycle()), 1u);
  EXPECT_EQ(device.boxes.boxes.size(), 1u);

  config.restoreOnTermination = 1;
  config.EnableSk1AndSk2 = 0;
  qzr::RestoreStartKeySetting(config);
  qzr::RestoreSoftKeySetting(config);
  qzr::CleanUpCheckOnLeaving(nullptr);
  EXPECT_EQ(std::get<0>(Cycle()), 1u);
  EXPECT_EQ(device.boxes.boxes.size(), 1u) << "no clean-up boot is requested";
  EXPECT_FALSE(qzr::TakeCleanUpStart());
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kFlagsKey)) << "the launcher never creates its key";
}

TEST(WarmBoot, NegativeAnswerShowsFailureAndCarriesOn) {
  const std::pair<const wchar_t*, bool> cases[] = {
      {L"0x80004005", true}, {L"-1", true}, {L"0", false}, {L"1", false}};
  for (auto [answer, fails] : cases) {
    Handheld device;
    device.profile.Set(p::kPalBootResult, answer);
    qzr::PromptWarmBoot(nullptr);
    ASSERT_EQ(device.boxes.boxes.size(), fails ? 2u : 1u) << Narrow(answer);
    EXPECT_EQ(Count(device.Journal(), kBootLine), 1u);
    if (fails) ExpectBox(device.boxes.boxes[1], nullptr, kFailed);
  }
}

TEST(WarmBoot, MissingPlatformLibraryShowsFailure) {
  Handheld device;
  std::map<std::string, std::string> results;
  {
    HiddenFile pal(L"C:\\windows\\QZRIVAPAL.dll");
    ASSERT_TRUE(pal.hidden());
    results = RunProbe(device.folder, L"warmboot", [] {});
  }
  ASSERT_FALSE(results.empty());
  EXPECT_EQ(Boxes(results), (std::vector<std::string>{"0|Korvanex Launcher|" + Narrow(kPrompt) + "|0",
                                                      "0|Korvanex Launcher|Warm boot failed.|0"}));
  EXPECT_EQ(Count(device.Journal(), kBootLine), 0u);
}

// The whole clean-up cycle as the device runs it: the exit path asks for a warm boot, the
// simulated device boots again once the launcher is gone, and the launcher started from the
// start-up list clears the flag and ends without signalling.
TEST(WarmBoot, CleanUpBootRunsTheStartUpListAgain) {
  Handheld device;
  device.registry.Set(1, 1, 0);
  device.profile.Set(p::kRebootOnBootRequest, L"1");
  device.profile.Set(p::kEventLogFile, device.folder / L"events.txt");
  std::wstring launcher = device.folder / L"QZRShell.exe";
  ASSERT_TRUE(CopyFileW((BinFolder() + L"QZRShell.exe").c_str(), launcher.c_str(), FALSE));

  SavedValues startUp({{HKEY_LOCAL_MACHINE, wince::kStartUpKey, L"Launch20"}});
  ASSERT_TRUE(WriteRaw(HKEY_LOCAL_MACHINE, wince::kStartUpKey, L"Launch20", REG_SZ, TextBytes(launcher)));

  auto results = RunProbe(device.folder, L"leave", [] {});
  ASSERT_FALSE(results.empty());
  EXPECT_EQ(Boxes(results), std::vector<std::string>{"0|Korvanex Launcher|" + Narrow(kPrompt) + "|0"});
  EXPECT_EQ(std::get<0>(Cycle()), 0u);
  EXPECT_EQ(std::get<1>(Cycle()), 0u);

  std::string launchLine = "Launch20 " + Narrow(launcher);
  ASSERT_TRUE(PumpUntil([&] { return Count(device.Journal(), launchLine) == 1 && std::get<2>(Cycle()) == 0u; }, 60000))
      << "the start-up list ran and the launcher took the clean-up start";

  auto journal = device.Journal();
  auto boot = std::find(journal.begin(), journal.end(), kBootLine);
  ASSERT_NE(boot, journal.end());
  EXPECT_NE(std::find(boot, journal.end(), "Boot"), journal.end()) << "the boot follows the request";
  EXPECT_TRUE(std::none_of(journal.begin(), journal.end(), [](const std::string& l) { return l.rfind("SignalStarted", 0) == 0; }));
  // The launcher ends on its own; its folder and profile go only after it has.
  EXPECT_TRUE(PumpUntil([] { return ProcessesNamed(L"QZRShell.exe").empty(); }, 30000));
}
