// The start key and the reboot flags across simulated boots, on the real registry, with the
// PAL stand-in recording boot requests in the device journal.
#include <gtest/gtest.h>
#include <windows.h>
#include <tlhelp32.h>

#include <algorithm>
#include <chrono>
#include <thread>

#include "DeviceProfile.h"
#include "LauncherConfig.h"
#include "../MessageBoxRecorder.h"
#include "MainWindow.h"
#include "ProbeSupport.h"
#include "StartKey.h"
#include "TestSupport.h"
#include "Win32Owners.h"

using namespace testing_support;
namespace p = wince::profile;

namespace {

std::wstring WideKey(const char* path) { return std::wstring(path, path + strlen(path)); }

// Saves the three values of the cycle (and whether their keys exist) and restores them.
class StartKeyRegistryScope {
 public:
  StartKeyRegistryScope() {
    for (Saved& s : saved_) {
      qzr::RegKey key;
      s.keyExisted = key.Open(HKEY_LOCAL_MACHINE, WideKey(s.key));
      if (s.keyExisted) s.data = key.ReadBinary(s.value, &s.type);
    }
  }
  ~StartKeyRegistryScope() {
    for (const Saved& s : saved_) {
      if (!s.keyExisted) {
        RegDeleteTreeW(HKEY_LOCAL_MACHINE, WideKey(s.key).c_str());
        continue;
      }
      qzr::RegKey key;
      key.Create(HKEY_LOCAL_MACHINE, WideKey(s.key));
      if (s.data) key.WriteBinary(s.value, s.data->data(), static_cast<DWORD>(s.data->size()), s.type);
      else key.DeleteValue(s.value);
    }
  }
  StartKeyRegistryScope(const StartKeyRegistryScope&) = delete;
  StartKeyRegistryScope& operator=(const StartKeyRegistryScope&) = delete;

  // Sets the shell's start key and the two launcher flags as REG_DWORD.
  void Set(DWORD hardwareStartKeyEnabled, DWORD startButtonSettingChanged, DWORD cleanUpRebootFlag) {
    Write(qzr::kBubbletilesKey, L"HardwareStartKeyEnabled", hardwareStartKeyEnabled);
    Write(qzr::kLauncherKey, L"StartButtonSettingChanged", startButtonSettingChanged);
    Write(qzr::kLauncherKey, L"CleanUpRebootFlag", cleanUpRebootFlag);
  }
  static void Write(const char* path, const wchar_t* value, DWORD data) {
    qzr::RegKey key;
    key.Create(HKEY_LOCAL_MACHINE, WideKey(path));
    key.WriteDword(value, data);
  }
  static std::optional<DWORD> Read(const char* path, const wchar_t* value) {
    qzr::RegKey key;
    if (!key.Open(HKEY_LOCAL_MACHINE, WideKey(path))) return std::nullopt;
    return key.ReadDword(value);
  }
  static std::optional<DWORD> HardwareStartKeyEnabled() { return Read(qzr::kBubbletilesKey, L"HardwareStartKeyEnabled"); }
  static std::optional<DWORD> StartButtonSettingChanged() { return Read(qzr::kLauncherKey, L"StartButtonSettingChanged"); }
  static std::optional<DWORD> CleanUpRebootFlag() { return Read(qzr::kLauncherKey, L"CleanUpRebootFlag"); }

 private:
  struct Saved {
    const char* key;
    const wchar_t* value;
    bool keyExisted = false;
    DWORD type = REG_DWORD;
    std::optional<std::vector<BYTE>> data;
  };
  Saved saved_[3] = {{qzr::kBubbletilesKey, L"HardwareStartKeyEnabled"},
                     {qzr::kLauncherKey, L"StartButtonSettingChanged"},
                     {qzr::kLauncherKey, L"CleanUpRebootFlag"}};
};

constexpr wchar_t kPrompt[] = L"Korvanex Launcher detects a configuration change which requires a warm boot.";
constexpr wchar_t kFailed[] = L"Warm boot failed.";
constexpr wchar_t kCaption[] = L"Korvanex Launcher";
constexpr char kBootLine[] = "PALBOOT_BootTerminal 0x30";

std::wstring UniqueTestKey() {
  return L"Software\\QZRTest\\StartKey" + std::to_wstring(GetCurrentProcessId()) + L"_" + std::to_wstring(GetTickCount());
}

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
    qzr::PublishMainWindowHandle(nullptr);
  }
  std::vector<std::string> Journal() const { return ReadLines(folder / L"journal.txt"); }
};

}  // namespace

TEST(LauncherFlags, ReadAndWriteRules) {
  std::wstring path = UniqueTestKey();
  std::string narrowPath = Narrow(path);
  qzr::RegKey key;
  ASSERT_TRUE(key.Create(HKEY_LOCAL_MACHINE, path));
  const BYTE twoBytes[] = {0x01, 0x00};
  key.WriteBinary(L"TwoBytes", twoBytes, sizeof twoBytes);
  key.WriteDword(L"Dword", 7);
  key.WriteString(L"OneChar", L"a");    // 4 bytes with its terminator
  key.WriteString(L"TwoChars", L"ab");  // 6 bytes

  struct Case { const char *keyPath, *value; DWORD rc, expected; };
  std::string devicePath = "\\" + narrowPath;
  const Case cases[] = {
      {narrowPath.c_str(), "Dword", 0, 7},
      {devicePath.c_str(), "Dword", 0, 7},            // device paths start with a backslash
      {narrowPath.c_str(), "TwoBytes", 0, 1},         // a short value is zero-extended
      {narrowPath.c_str(), "OneChar", 0, L'a'},        // any type, four bytes of it
      {narrowPath.c_str(), "TwoChars", 0x80004005, 0xDEAD},  // larger than four bytes
      {narrowPath.c_str(), "Missing", 0x80004005, 0xDEAD},
      {"Software\\QZRTest\\NoSuchKey", "Dword", 0x80004005, 0xDEAD},
  };
  for (const Case& c : cases) {
    DWORD value = 0xDEAD;
    EXPECT_EQ(qzr::ReadLauncherFlag(c.keyPath, c.value, &value), c.rc) << c.keyPath << " " << c.value;
    EXPECT_EQ(value, c.expected) << c.keyPath << " " << c.value;
  }

  EXPECT_EQ(qzr::WriteLauncherFlag(narrowPath.c_str(), "Written", 0x12345678), 0u);
  EXPECT_EQ(key.ReadDword(L"Written"), 0x12345678u) << "written as a four-byte REG_DWORD";
  EXPECT_EQ(qzr::WriteLauncherFlag(narrowPath.c_str(), "TwoChars", 3), 0u);
  EXPECT_EQ(key.ReadDword(L"TwoChars"), 3u) << "an existing value of another type becomes a REG_DWORD";

  EXPECT_EQ(qzr::WriteLauncherFlag("Software\\QZRTest\\NoSuchKey", "Flag", 1), 0x80004005u);
  qzr::RegKey created;
  EXPECT_FALSE(created.Open(HKEY_LOCAL_MACHINE, L"Software\\QZRTest\\NoSuchKey")) << "keys are never created";
  RegDeleteTreeW(HKEY_LOCAL_MACHINE, path.c_str());
}

TEST(StartKey, ToggleInvertsTheShellValue) {
  StartKeyRegistryScope registry;
  const std::pair<DWORD, DWORD> cases[] = {{0, 1}, {1, 0}, {5, 0}, {0xFFFFFFFF, 0}};
  for (auto [before, after] : cases) {
    registry.Set(before, 0, 0);
    EXPECT_EQ(qzr::ToggleHardwareStartKey(), 0u) << before;
    EXPECT_EQ(StartKeyRegistryScope::HardwareStartKeyEnabled(), after) << before;
  }
  qzr::RegKey shell;
  ASSERT_TRUE(shell.Open(HKEY_LOCAL_MACHINE, WideKey(qzr::kBubbletilesKey), KEY_ALL_ACCESS));
  shell.DeleteValue(L"HardwareStartKeyEnabled");
  EXPECT_EQ(qzr::ToggleHardwareStartKey(), 0x80004005u);
  EXPECT_EQ(StartKeyRegistryScope::HardwareStartKeyEnabled(), std::nullopt) << "a failed read writes nothing";
}

// Out of step at start: toggle, flag, prompt without owner, boot code 0x30. After the restart
// the values agree and start-up is quiet. Leaving with restore puts the key back and asks for a
// clean-up boot; the start after it ends at once, and the one after that is ordinary.
TEST(StartKeyCycle, OutOfStepStartThenRestoreAndCleanUpStart) {
  Handheld device;
  device.registry.Set(0, 0, 0);
  qzr::LauncherConfig config;
  config.startIconHidden = 1;

  qzr::SyncStartKeySetting(config);
  EXPECT_EQ(StartKeyRegistryScope::HardwareStartKeyEnabled(), 1u);
  EXPECT_EQ(StartKeyRegistryScope::StartButtonSettingChanged(), 1u);
  EXPECT_EQ(StartKeyRegistryScope::CleanUpRebootFlag(), 0u);
  ASSERT_EQ(device.boxes.boxes.size(), 1u);
  ExpectBox(device.boxes.boxes[0], nullptr, kPrompt);
  EXPECT_EQ(Count(device.Journal(), kBootLine), 1u);

  // Second boot: in step.
  EXPECT_FALSE(qzr::TakeCleanUpStart());
  qzr::SyncStartKeySetting(config);
  EXPECT_EQ(device.boxes.boxes.size(), 1u);
  EXPECT_EQ(Count(device.Journal(), kBootLine), 1u);

  // Leaving with restore, from the password dialog.
  HWND dialog = CreateWindowExW(0, L"STATIC", L"password", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(dialog, nullptr);
  config.restoreOnTermination = 1;
  config.EnableSk1AndSk2 = 1;
  qzr::RestoreStartKeySetting(config);
  qzr::RestoreSoftKeySetting(config);
  EXPECT_EQ(StartKeyRegistryScope::HardwareStartKeyEnabled(), 0u);
  EXPECT_EQ(StartKeyRegistryScope::StartButtonSettingChanged(), 0u);
  EXPECT_EQ(StartKeyRegistryScope::CleanUpRebootFlag(), 1u);
  qzr::CleanUpCheckOnLeaving(dialog);
  ASSERT_EQ(device.boxes.boxes.size(), 2u);
  ExpectBox(device.boxes.boxes[1], dialog, kPrompt);
  EXPECT_EQ(Count(device.Journal(), kBootLine), 2u);
  DestroyWindow(dialog);

  // Third boot: the clean-up start ends at once and clears the flag; the fourth is ordinary.
  EXPECT_TRUE(qzr::TakeCleanUpStart());
  EXPECT_EQ(StartKeyRegistryScope::CleanUpRebootFlag(), 0u);
  EXPECT_FALSE(qzr::TakeCleanUpStart());
  EXPECT_EQ(device.boxes.boxes.size(), 2u);
}

TEST(StartKeyCycle, UnexpectedShellValueTogglesOnEveryStart) {
  Handheld device;
  device.registry.Set(5, 0, 0);
  qzr::LauncherConfig config;
  config.startIconHidden = 1;
  qzr::SyncStartKeySetting(config);
  EXPECT_EQ(StartKeyRegistryScope::HardwareStartKeyEnabled(), 0u);
  qzr::SyncStartKeySetting(config);
  EXPECT_EQ(StartKeyRegistryScope::HardwareStartKeyEnabled(), 1u);
  EXPECT_EQ(device.boxes.boxes.size(), 2u);
  EXPECT_EQ(Count(device.Journal(), kBootLine), 2u);
  EXPECT_EQ(StartKeyRegistryScope::StartButtonSettingChanged(), 1u);
}

TEST(StartKeyCycle, LeavingDecisions) {
  struct Case {
    const char* name;
    int restoreOnTermination, enableSoftKeys;
    DWORD startButtonChanged, shellAfter, changedAfter, cleanUpAfter;
    size_t prompts;
  };
  // The shell value is 1 before leaving in every case.
  const Case cases[] = {
      {"restore with start-key change", 1, 1, 1, 0, 0, 1, 1},
      {"restore, soft keys redirected, no start-key change", 1, 0, 0, 1, 0, 1, 1},
      {"restore, nothing changed", 1, 1, 0, 1, 0, 0, 0},
      {"no restore keeps the change", 0, 0, 1, 1, 1, 0, 0},
  };
  for (const Case& c : cases) {
    Handheld device;
    device.registry.Set(1, c.startButtonChanged, 0);
    qzr::LauncherConfig config;
    config.restoreOnTermination = c.restoreOnTermination;
    config.EnableSk1AndSk2 = c.enableSoftKeys;
    qzr::RestoreStartKeySetting(config);
    qzr::RestoreSoftKeySetting(config);
    qzr::CleanUpCheckOnLeaving(nullptr);
    EXPECT_EQ(StartKeyRegistryScope::HardwareStartKeyEnabled(), c.shellAfter) << c.name;
    EXPECT_EQ(StartKeyRegistryScope::StartButtonSettingChanged(), c.changedAfter) << c.name;
    EXPECT_EQ(StartKeyRegistryScope::CleanUpRebootFlag(), c.cleanUpAfter) << c.name;
    EXPECT_EQ(device.boxes.boxes.size(), c.prompts) << c.name;
    EXPECT_EQ(Count(device.Journal(), kBootLine), c.prompts) << c.name;
  }
}

TEST(StartKeyCycle, WithoutTheLauncherKeyEveryStartIsOrdinary) {
  Handheld device;
  device.registry.Set(0, 1, 1);
  ASSERT_EQ(RegDeleteTreeW(HKEY_LOCAL_MACHINE, WideKey(qzr::kLauncherKey).c_str()), ERROR_SUCCESS);

  qzr::LauncherConfig config;
  config.startIconHidden = 1;
  EXPECT_FALSE(qzr::TakeCleanUpStart());
  qzr::SyncStartKeySetting(config);  // the shell's key is there: toggled and prompted, no flag kept
  EXPECT_EQ(StartKeyRegistryScope::HardwareStartKeyEnabled(), 1u);
  EXPECT_EQ(device.boxes.boxes.size(), 1u);

  config.restoreOnTermination = 1;
  config.EnableSk1AndSk2 = 0;
  qzr::RestoreStartKeySetting(config);
  qzr::RestoreSoftKeySetting(config);
  qzr::CleanUpCheckOnLeaving(nullptr);
  EXPECT_EQ(StartKeyRegistryScope::HardwareStartKeyEnabled(), 1u);
  EXPECT_EQ(device.boxes.boxes.size(), 1u) << "no clean-up boot is requested";
  EXPECT_FALSE(qzr::TakeCleanUpStart());
  qzr::RegKey launcherKey;
  EXPECT_FALSE(launcherKey.Open(HKEY_LOCAL_MACHINE, WideKey(qzr::kLauncherKey))) << "the launcher never creates its key";
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

namespace {

// Runs startkey_probe.exe, copied alone into the folder, and returns its message boxes.
std::vector<std::string> RunProbe(const ScratchFolder& folder, const std::wstring& action, ProcessResult* result) {
  std::wstring exe = folder / L"startkey_probe.exe";
  EXPECT_TRUE(CopyFileW((BinFolder() + L"startkey_probe.exe").c_str(), exe.c_str(), FALSE));
  *result = RunProcess(L"\"" + exe + L"\" \"" + (folder / L"boxes.txt") + L"\" " + action);
  return ReadLines(folder / L"boxes.txt");
}

bool ProcessRunning(const wchar_t* exeName) {
  qzr::FileHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  if (!snapshot) return false;
  PROCESSENTRY32W entry{sizeof entry};
  for (BOOL more = Process32FirstW(snapshot.get(), &entry); more; more = Process32NextW(snapshot.get(), &entry))
    if (_wcsicmp(entry.szExeFile, exeName) == 0) return true;
  return false;
}

template <typename Done>
bool WaitFor(Done done, int seconds) {
  for (int i = 0; i < seconds * 10; ++i) {
    if (done()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  return done();
}

}  // namespace

TEST(WarmBoot, MissingPlatformLibraryShowsFailure) {
  Handheld device;
  ProcessResult run;
  std::vector<std::string> boxes;
  {
    HiddenFile pal(L"C:\\windows\\QZRIVAPAL.dll");
    ASSERT_TRUE(pal.hidden());
    boxes = RunProbe(device.folder, L"warmboot", &run);
  }
  ASSERT_TRUE(run.finished);
  EXPECT_EQ(boxes, (std::vector<std::string>{"0|Korvanex Launcher|" + Narrow(kPrompt) + "|0",
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

  qzr::RegKey startUp;
  bool hadStartUp = startUp.Open(HKEY_LOCAL_MACHINE, wince::kStartUpKey);
  auto savedLaunch = hadStartUp ? startUp.ReadString(L"Launch20") : std::nullopt;
  ASSERT_TRUE(startUp.Create(HKEY_LOCAL_MACHINE, wince::kStartUpKey));
  startUp.WriteString(L"Launch20", launcher);

  ProcessResult run;
  auto boxes = RunProbe(device.folder, L"leave", &run);
  ASSERT_TRUE(run.finished);
  EXPECT_EQ(boxes, std::vector<std::string>{"0|Korvanex Launcher|" + Narrow(kPrompt) + "|0"});
  EXPECT_EQ(StartKeyRegistryScope::HardwareStartKeyEnabled(), 0u);
  EXPECT_EQ(StartKeyRegistryScope::StartButtonSettingChanged(), 0u);

  std::string launchLine = "Launch20 " + Narrow(launcher);
  bool booted = WaitFor([&] { return Count(device.Journal(), launchLine) == 1 && StartKeyRegistryScope::CleanUpRebootFlag() == 0u; }, 60);
  if (savedLaunch) startUp.WriteString(L"Launch20", *savedLaunch);
  else startUp.DeleteValue(L"Launch20");
  ASSERT_TRUE(booted) << "the start-up list ran and the launcher took the clean-up start";

  auto journal = device.Journal();
  auto boot = std::find(journal.begin(), journal.end(), kBootLine);
  ASSERT_NE(boot, journal.end());
  EXPECT_NE(std::find(boot, journal.end(), "Boot"), journal.end()) << "the boot follows the request";
  EXPECT_TRUE(std::none_of(journal.begin(), journal.end(), [](const std::string& l) { return l.rfind("SignalStarted", 0) == 0; }));
  // The launcher ends on its own; its folder and profile go only after it has.
  EXPECT_TRUE(WaitFor([] { return !ProcessRunning(L"QZRShell.exe"); }, 30));
}
