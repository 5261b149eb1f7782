// The launcher's side of the whitelist cache, against real named objects under test names.
#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <thread>
#include <vector>

#include "DeviceProfile.h"
#include "core/LauncherConfig.h"
#include "core/LauncherWhitelist.h"
#include "MessageBoxRecorder.h"
#include "TestSupport.h"
#include "WhitelistCache.h"

using namespace testing_support;
using namespace qzr;
namespace wl = qzr::whitelist;

namespace {

wl::CacheObjectNames UniqueNames() {
  static int counter = 0;
  std::wstring suffix = L"_lwtest_" + std::to_wstring(GetCurrentProcessId()) + L"_" + std::to_wstring(++counter);
  wl::CacheObjectNames names;
  names.mutex += suffix;
  names.cache += suffix;
  names.sync += suffix;
  names.terminate += suffix;
  names.writer += suffix;
  names.monitorSingleton += suffix;
  return names;
}

struct Configuration {
  std::array<std::wstring, 10> exe;
  std::array<int, 10> single{};
  std::array<std::wstring, 6> appKeyExe;
  std::array<int, 6> appKeyWhitelisted{};
  std::array<ButtonSlot, 10> buttonSlots;
  std::array<AppKeySlot, 6> appKeySlots;
  WhitelistSources Sources(int buttons, std::wstring launcher, bool model8, std::wstring ini = L"") {
    for (size_t i = 0; i < 10; ++i) buttonSlots[i] = {L"", exe[i], L"", L"", false, single[i] != 0};
    for (size_t i = 0; i < 6; ++i) appKeySlots[i] = {appKeyExe[i], L"", L"", true, appKeyWhitelisted[i] != 0};
    WhitelistSources s;
    s.buttonCount = buttons;
    s.buttons = buttonSlots.data();
    s.appKeys = appKeySlots.data();
    s.launcherPath = std::move(launcher);
    s.deviceModelIs8 = model8;
    s.menuIniPath = std::move(ini);
    return s;
  }
};

std::wstring TextAt(std::span<const uint8_t> block, size_t pos) {
  std::wstring text;
  for (uint16_t c; (c = wl::ReadUnit(block, pos)) != 0; ++pos) text.push_back(static_cast<wchar_t>(c));
  return text;
}

bool EventIsSet(const std::wstring& name) {
  HANDLE h = OpenEventW(SYNCHRONIZE, FALSE, name.c_str());
  if (!h) return false;
  bool set = WaitForSingleObject(h, 0) == WAIT_OBJECT_0;
  CloseHandle(h);
  return set;
}

// One launcher's whitelist setting: a menu.ini of the test's own, the built monitor, object
// names no other test uses.
class LauncherWhitelistTest : public testing::Test {
 protected:
  WhitelistSettings Settings(const std::wstring& menuIni) const { return {menuIni, BinFolder() + L"Gatewarden.exe", names}; }
  // A whitelist that has published the configuration's lists, as a running launcher's has.
  void Publish(LauncherWhitelist& whitelist, int buttons = 0) {
    whitelist.Construct();
    whitelist.PrepareSharedCache(true);
    whitelist.PublishWhitelist(cfg.Sources(buttons, L"\\qzr\\QZRShell.exe", false, ini));
  }
  ScratchFolder folder{L"wltest"};
  std::wstring ini = folder / L"menu.ini";
  wl::CacheObjectNames names = UniqueNames();
  MessageBoxRecorder recorder;
  Configuration cfg;
};

}  // namespace

TEST(LauncherWhitelist, ListsComposedFromTheConfiguration) {
  struct Case {
    const char* what;
    int buttons;
    bool model8;
    std::vector<std::wstring> permits;
    std::wstring list1, list2;
  };
  Configuration cfg;
  cfg.exe = {L"\\windows\\a.exe", L"", L"\\temp\\b.exe", L"\\sd card\\c.exe", L"\\windows\\beyond.exe"};
  cfg.single = {0, 1, 1, 0, 1};  // slot 2 is empty, slot 5 lies beyond the button count
  // Keys 1, 3 and 6 name programs of their own; 2 is "LAUNCHER", 4 names a button, 5 is "UNLOCKED".
  cfg.appKeyExe = {L"\\windows\\scan.exe", L"\\qzr\\qzrshell.exe", L"\\Storage Card\\Tool.exe", L"\\temp\\b.exe",
                   L"unlocked", L"cam.exe"};
  cfg.appKeyWhitelisted = {1, 0, 1, 0, 0, 1};
  const std::wstring launcher = L"\\qzr\\QZRShell.exe";
  const Case cases[] = {
      {"buttons, keys, launcher, permits", 4, false, {L"\\Windows\\Permitted.exe", L"  extra.exe "},
       L"|\\windows\\a.exe|\\temp\\b.exe|\\sd card\\c.exe|\\windows\\scan.exe|\\Storage Card\\Tool.exe|cam.exe|"
       L"\\qzr\\QZRShell.exe|\\Windows\\Permitted.exe|extra.exe|",
       L"|\\temp\\b.exe|"},
      {"model 8 adds the volume program by file name", 1, true, {},
       L"|\\windows\\a.exe|\\windows\\scan.exe|\\Storage Card\\Tool.exe|cam.exe|\\qzr\\QZRShell.exe|QZRVolDlg.exe|", L"|"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::vector<uint8_t> block(wl::kMinBlockSize);
    wl::InitializeBlock(block);
    auto permits = c.permits;
    auto entries = WhitelistEntriesFrom(cfg.Sources(c.buttons, launcher, c.model8),
                                        [permits](int n) { return n <= (int)permits.size() ? permits[n - 1] : L""; });
    wl::ComposeResult r = wl::ComposeWhitelist(block, entries);
    EXPECT_EQ(TextAt(block, wl::kListsPos), c.list1);
    EXPECT_EQ(TextAt(block, r.list2Start), c.list2);
  }

  Configuration empty;
  std::vector<uint8_t> block(wl::kMinBlockSize);
  wl::InitializeBlock(block);
  wl::ComposeResult r = wl::ComposeWhitelist(block, WhitelistEntriesFrom(empty.Sources(0, launcher, false), nullptr));
  EXPECT_EQ(TextAt(block, wl::kListsPos), L"|\\qzr\\QZRShell.exe|");
  EXPECT_EQ(TextAt(block, r.list2Start), L"|");
}

// Which values, keys and sections read as TRUE is IniRead.BoolTest's and the INI line rules'.
TEST_F(LauncherWhitelistTest, EnabledOnlyByTrue) {
  ProfileScope profile;
  profile.Set(wince::profile::kEventLogFile, folder / L"events.txt");
  struct Case {
    const char* what;
    const char* ini;  // nullptr: no menu.ini
    bool enabled;
  } cases[] = {
      {"TRUE in any case", "[WhiteList]\r\nWhiteListEnabled=tRuE\r\n", true},
      {"no menu.ini", nullptr, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    DeleteFileW(ini.c_str());
    if (c.ini) {
      ASSERT_TRUE(WriteBytes(ini, c.ini));
    }
    recorder.boxes.clear();
    wl::CacheObjectNames unique = UniqueNames();
    LauncherWhitelist whitelist({ini, folder / L"missing\\Gatewarden.exe", unique});
    whitelist.Construct();
    EXPECT_EQ(whitelist.enabled(), c.enabled);
    KernelHandle mutex(OpenMutexW(SYNCHRONIZE, FALSE, unique.mutex.c_str()));
    KernelHandle mapping(OpenFileMappingW(FILE_MAP_READ, FALSE, unique.cache.c_str()));
    EXPECT_EQ(static_cast<bool>(mutex), c.enabled);
    EXPECT_EQ(static_cast<bool>(mapping), c.enabled);
    // Without the monitor an enabled whitelist leaves the launcher restricted, told once, logged.
    EXPECT_EQ(whitelist.monitorRunning(), !c.enabled);
    ASSERT_EQ(recorder.boxes.size(), c.enabled ? 1u : 0u);
    if (!c.enabled) continue;
    EXPECT_EQ(recorder.boxes[0].text, kEnforcerUnavailableText);
    EXPECT_EQ(recorder.boxes[0].caption, L"Korvanex Launcher");
    EXPECT_EQ(recorder.boxes[0].type, static_cast<UINT>(MB_OK | MB_ICONERROR));
    auto lines = ReadLines(folder / L"events.txt");
    ASSERT_FALSE(lines.empty());
    EXPECT_TRUE(lines.back().ends_with("[category 12] ..\\..\\common source\\FileAcces (509), LaunchWhiteListEnforcer fails"))
        << lines.back();
  }
}

TEST_F(LauncherWhitelistTest, PublishesWithdrawsAndWipes) {
  ASSERT_TRUE(WriteBytes(ini, "[WhiteList]\r\nWhiteListEnabled=TRUE\r\nPermit1=\\Windows\\Notes.exe\r\n"
                              "Permit2=   \r\nPermit3=calc.exe\r\nPermit5=never.exe\r\n"));
  LauncherWhitelist whitelist(Settings(ini));
  whitelist.Construct();
  ASSERT_TRUE(whitelist.enabled());
  EXPECT_TRUE(whitelist.mutexHeld());
  EXPECT_TRUE(whitelist.monitorRunning()) << "the version check of Gatewarden.exe must pass";
  ASSERT_EQ(whitelist.block().size(), wl::kMinBlockSize);
  EXPECT_EQ(wl::ReadUnit(whitelist.block(), 0), wl::kBlockMarker);
  EXPECT_EQ(wl::ReadStoredSize(whitelist.block()), wl::kMinBlockSize);
  EXPECT_FALSE(EventIsSet(names.sync));

  whitelist.PrepareSharedCache(true);
  EXPECT_FALSE(whitelist.mutexHeld());
  cfg.exe = {L"\\windows\\a.exe", L"\\temp\\b.exe"};
  cfg.single = {0, 1};
  whitelist.PublishWhitelist(cfg.Sources(2, L"\\qzr\\QZRShell.exe", false, ini));
  EXPECT_TRUE(recorder.boxes.empty());
  EXPECT_TRUE(EventIsSet(names.sync));

  // What a monitor reads.
  wl::WhitelistCacheView reader(names);
  reader.CreateWhitelistEvents();
  ASSERT_TRUE(reader.IsUsable());
  EXPECT_EQ(reader.list1(), L"|\\windows\\a.exe|\\temp\\b.exe|\\qzr\\qzrshell.exe|\\windows\\notes.exe|calc.exe|");
  EXPECT_EQ(reader.list2(), L"|\\temp\\b.exe|");

  DWORD before = GetTickCount();
  whitelist.WithdrawWhitelist();
  EXPECT_GE(GetTickCount() - before, 1000u);
  EXPECT_FALSE(whitelist.monitorRunning());
  EXPECT_TRUE(reader.IsCacheWithdrawn());
  EXPECT_FALSE(EventIsSet(names.terminate));

  // The reader's view keeps the block alive: it must read all zeros.
  KernelHandle mapping(OpenFileMappingW(FILE_MAP_READ, FALSE, names.cache.c_str()));
  MappedView view(MapViewOfFile(mapping.get(), FILE_MAP_READ, 0, 0, wl::kMinBlockSize));
  ASSERT_TRUE(view);
  whitelist.CloseSharedCache();
  EXPECT_TRUE(EventIsSet(names.terminate));
  const auto* bytes = static_cast<const uint8_t*>(view.get());
  EXPECT_TRUE(std::all_of(bytes, bytes + wl::kMinBlockSize, [](uint8_t b) { return b == 0; }));
  EXPECT_TRUE(whitelist.block().empty());
}

// A launcher killed and restarted, its mutex abandoned, is tested with real processes in
// LauncherStartupTest.
TEST_F(LauncherWhitelistTest, SecondInstanceLeavesTheFirstAlone) {
  const char* const on = "[WhiteList]\r\nWhiteListEnabled=TRUE\r\n";
  ASSERT_TRUE(WriteBytes(ini, on));
  LauncherWhitelist first(Settings(ini));
  cfg.exe = {L"\\windows\\a.exe"};
  Publish(first, 1);
  std::vector<uint8_t> published(first.block().begin(), first.block().end());
  ResetEvent(OpenEventW(EVENT_MODIFY_STATE, FALSE, names.sync.c_str()));  // to see whether the second one sets it

  const struct { const char* what; const char* ini; bool owned; } cases[] = {
      {"same program", on, false},
      {"copy elsewhere", on, true},
      {"copy elsewhere, whitelist off", "[WhiteList]\r\nWhiteListEnabled=FALSE\r\n", true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    recorder.boxes.clear();
    const std::wstring secondIni = folder / L"second.ini";
    ASSERT_TRUE(WriteBytes(secondIni, c.ini));
    DWORD took = 0;
    // Another process in life: its own thread, so that it owns none of the first one's mutexes.
    std::thread([&] {
      const DWORD start = GetTickCount();
      LauncherWhitelist second(Settings(secondIni));
      second.Construct();
      EXPECT_TRUE(second.block().empty());
      second.PrepareSharedCache(c.owned);
      EXPECT_FALSE(second.blockOwned());
      second.PublishWhitelist(cfg.Sources(1, L"\\other\\QZRShell.exe", false, secondIni));
      second.WithdrawWhitelist();
      second.CloseSharedCache();
      took = GetTickCount() - start;
    }).join();
    EXPECT_LT(took, 5000u) << "the second instance waited on the live writer";
    ASSERT_EQ(recorder.boxes.size(), c.ini == on ? 1u : 0u);
    if (c.ini == on) {
      EXPECT_EQ(recorder.boxes[0].text, kIncompleteInitializationText);
      EXPECT_EQ(recorder.boxes[0].caption, L"QZRShell");
    }
    EXPECT_TRUE(std::equal(published.begin(), published.end(), first.block().begin(), first.block().end()));
    EXPECT_FALSE(EventIsSet(names.sync));
    EXPECT_FALSE(EventIsSet(names.terminate));
  }
}

TEST_F(LauncherWhitelistTest, LimitsAndOrderOfOperations) {
  ASSERT_TRUE(WriteBytes(ini, "[WhiteList]\r\nWhiteListEnabled=TRUE\r\nPermit1=" + std::string(100, 'p') + "\r\n"));
  // Publishing before preparation: the sequence is incomplete.
  LauncherWhitelist early(Settings(ini));
  early.Construct();
  early.PublishWhitelist(cfg.Sources(0, L"\\qzr\\QZRShell.exe", false, ini));
  ASSERT_EQ(recorder.boxes.size(), 1u);
  EXPECT_EQ(recorder.boxes[0].text, kIncompleteInitializationText);
  EXPECT_EQ(recorder.boxes[0].type, static_cast<UINT>(MB_OK | MB_ICONEXCLAMATION | MB_SETFOREGROUND));
  early.PrepareSharedCache(true);
  recorder.boxes.clear();

  // Nine long buttons leave no room for Permit1 nor for the single-instance entry.
  for (int i = 0; i < 9; ++i) cfg.exe[i] = L"\\p\\" + std::wstring(296, static_cast<wchar_t>(L'a' + i));
  cfg.single[0] = 1;
  early.PublishWhitelist(cfg.Sources(9, L"\\qzr\\QZRShell.exe", false, ini));
  ASSERT_EQ(recorder.boxes.size(), 2u);
  for (const ShownBox& box : recorder.boxes) {
    EXPECT_EQ(box.text, L"WARNING: INI content exceeds memory!");
    EXPECT_EQ(box.caption, L"QZRShell");
  }
  early.CloseSharedCache();
}

// The first launch waits until the resident monitor lets go of its singleton mutex, which it
// holds until its hook is in place; with no monitor the wait ends at its bound, and it happens
// once.
TEST_F(LauncherWhitelistTest, FirstLaunchWaitsForTheMonitorsHook) {
  ASSERT_TRUE(WriteBytes(ini, "[WhiteList]\r\nWhiteListEnabled=TRUE\r\n"));
  {
    LauncherWhitelist whitelist(Settings(ini));
    Publish(whitelist);
    ASSERT_TRUE(whitelist.monitorRunning());
    std::atomic<bool> released{false};
    KernelHandle created(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    std::thread monitor([&] {
      KernelHandle singleton(CreateMutexW(nullptr, TRUE, names.monitorSingleton.c_str()));
      SetEvent(created.get());
      Sleep(300);  // hooking
      released = true;
      ReleaseMutex(singleton.get());
    });
    WaitForSingleObject(created.get(), 5000);
    EXPECT_TRUE(whitelist.WaitForMonitorHook(10000));
    EXPECT_TRUE(released);
    monitor.join();
  }
  LauncherWhitelist whitelist(Settings(ini));
  Publish(whitelist);
  const ULONGLONG start = GetTickCount64();
  EXPECT_FALSE(whitelist.WaitForMonitorHook(300));
  EXPECT_GE(GetTickCount64() - start, 290u);
  const ULONGLONG again = GetTickCount64();
  EXPECT_TRUE(whitelist.WaitForMonitorHook(5000));
  EXPECT_LT(GetTickCount64() - again, 2500u);
}
