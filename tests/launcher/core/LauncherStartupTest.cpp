// The launcher started as a real process: what it logs, what it signals, and its mutex name.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cwctype>
#include <optional>

#include "DeviceProfile.h"
#include "LauncherApp.h"
#include "LauncherProcess.h"
#include "core/MenuRules.h"
#include "TestSupport.h"
#include "WhitelistCache.h"
#include "Win32Owners.h"

using namespace testing_support;
using launcher_process::InstalledLauncher;

namespace {

bool Contains(const std::vector<std::string>& lines, const std::string& text) {
  return std::any_of(lines.begin(), lines.end(), [&](const std::string& l) { return l.find(text) != std::string::npos; });
}

}  // namespace

TEST(LauncherStartup, LogsItsStartAndSignalsTheLaunchCode) {
  InstalledLauncher launcher("[Caption]\r\nButton1=Scanner\r\n[exe]\r\nButton1=\\windows\\scan.exe\r\n");
  ASSERT_TRUE(launcher.RunStartUp(L"17"));

  auto events = launcher.Events();
  ASSERT_TRUE(Contains(events, "registered KL")) << "the facility \"KL\" is registered first";
  EXPECT_TRUE(Contains(events, "[category 4] ..\\..\\common source\\launcher (64), InitInstance"));
  // The facility number logged is the one the event log handed out.
  std::string registered = events.front();
  std::string facility = registered.substr(registered.find("[facility ") + 10);
  facility = facility.substr(0, facility.find(']'));
  EXPECT_TRUE(Contains(events, "[facility " + facility + "] [category 4] ..\\..\\common source\\launcher (65), wFacilityNumber = " + facility));

  EXPECT_EQ(launcher.Journal(), std::vector<std::string>{"SignalStarted 17"});
}

// The first case starts without menu.ini and without an event log.
TEST(LauncherStartup, LaunchCodeIsTheCommandLineReadAsANumber) {
  const std::pair<std::wstring, std::string> cases[] = {
      {L"3", "SignalStarted 3"}, {L"", "SignalStarted 0"}, {L"abc", "SignalStarted 0"}, {L"42xyz", "SignalStarted 42"}};
  for (const auto& [args, expected] : cases) {
    InstalledLauncher launcher("");
    if (args == L"3") {
      DeleteFileW((launcher.folder / L"menu.ini").c_str());
      launcher.profile.Unset(wince::profile::kEventLogFile);
    }
    ASSERT_TRUE(launcher.RunStartUp(args));
    EXPECT_EQ(launcher.Journal(), std::vector<std::string>{expected}) << Narrow(args);
  }
}

// The same program file started again under another spelling of its path: the whitelist monitor
// starts the application button's target lower-cased, and a short name is another form of it.
// The folder's capital Ü folds only by the platform's rule, not by A-Z alone.
TEST(LauncherStartup, SecondInstanceLeavesTheFirstRunning) {
  InstalledLauncher launcher("", L"Übersicht");
  wchar_t shortName[MAX_PATH] = {};
  GetShortPathNameW(launcher.exe.c_str(), shortName, MAX_PATH);
  std::wstring upper = launcher.exe;
  CharUpperBuffW(upper.data(), static_cast<DWORD>(upper.size()));
  const std::pair<const char*, std::wstring> spellings[] = {
      {"as installed", launcher.exe},
      {"lower-cased, as the whitelist monitor starts it", qzr::LowerCase(launcher.exe)},
      {"upper-cased", upper},
      {"short name", shortName},
  };
  for (const auto& [what, path] : spellings) {
    SCOPED_TRACE(what);
    DeleteFileW((launcher.folder / L"journal.txt").c_str());
    HANDLE first = launcher.Start(L"17");
    ASSERT_NE(first, nullptr);
    ASSERT_EQ(launcher.Journal(), std::vector<std::string>{"SignalStarted 17"});

    // The second start finds the first one's window, brings it forward and ends without
    // signalling the device.
    ProcessResult second = RunProcess(L"\"" + path + L"\" 18", 30000);
    EXPECT_TRUE(second.finished) << Narrow(path);
    EXPECT_EQ(WaitForSingleObject(first, 0), static_cast<DWORD>(WAIT_TIMEOUT)) << "the first launcher keeps running";
    EXPECT_EQ(launcher.Journal(), std::vector<std::string>{"SignalStarted 17"}) << Narrow(path);
    DWORD foreground = 0;
    GetWindowThreadProcessId(GetForegroundWindow(), &foreground);
    EXPECT_EQ(foreground, GetProcessId(first)) << "the running launcher is in front";
    InstalledLauncher::Stop(first);
  }
}

TEST(LauncherStartup, InstanceMutexNameIsOneSpellingOfTheProgramFile) {
  const std::pair<std::wstring, std::wstring> cases[] = {
      {L"\\Flash File Store\\launcher\\QZRShell.exe", L"/flash file store/launcher/qzrshell.exe"},
      {L"c:\\flash file store\\launcher\\qzrshell.exe", L"c:/flash file store/launcher/qzrshell.exe"},
      {L"C:\\A\\b.EXE", L"c:/a/b.exe"},
  };
  for (const auto& [module, name] : cases) EXPECT_EQ(qzr::InstanceMutexName(module), name) << Narrow(module);
}

namespace {

namespace wl = qzr::whitelist;

constexpr wchar_t kSeededOpenCommand[] = L"\"%1\" %*";

std::optional<std::wstring> OpenCommand() {
  qzr::RegKey key;
  if (!key.Open(HKEY_CLASSES_ROOT, L"exefile\\shell\\open\\command")) return std::nullopt;
  return key.ReadString(L"Default");
}

void SeedOpenCommand() {
  qzr::RegKey key;
  if (key.Create(HKEY_CLASSES_ROOT, L"exefile\\shell\\open\\command")) key.WriteString(L"Default", kSeededOpenCommand);
}

// Both lists of the live block, as a monitor reads them; nullopt without a block.
std::optional<wl::Whitelists> PublishedLists() {
  qzr::KernelHandle mapping(OpenFileMappingW(FILE_MAP_READ, FALSE, wl::kCacheName));
  if (!mapping) return std::nullopt;
  qzr::MappedView view(MapViewOfFile(mapping.get(), FILE_MAP_READ, 0, 0, wl::kMinBlockSize));
  if (!view) return std::nullopt;
  return wl::ParseBlock({static_cast<const uint8_t*>(view.get()), wl::kMinBlockSize});
}

// Ends what a killed launcher leaves running: its monitor, through the terminate event.
void EndMonitors() {
  qzr::KernelHandle terminate(CreateEventW(nullptr, TRUE, FALSE, wl::kTerminateEventName));
  SetEvent(terminate.get());
  PumpUntil([] { return ProcessesNamed(L"Gatewarden.exe").empty(); }, 15000);
  ResetEvent(terminate.get());
}

}  // namespace

TEST(LauncherStartup, RestartAfterACrashEndsTheOrphanedMonitorAndPublishesAfresh) {
  SeedOpenCommand();
  InstalledLauncher launcher("[WhiteList]\r\nWhiteListEnabled=TRUE\r\nPermit1=\\old\\a.exe\r\n");
  ASSERT_TRUE(CopyFileW((BinFolder() + L"Gatewarden.exe").c_str(), (launcher.folder / L"Gatewarden.exe").c_str(), FALSE));
  std::wstring folder = launcher.folder.path();
  std::transform(folder.begin(), folder.end(), folder.begin(), towlower);
  const std::wstring hooked = L"\"" + folder + L"Gatewarden.exe\" " + kSeededOpenCommand;
  // Whatever fails, no launcher or monitor outlives the test.
  struct Cleanup {
    std::vector<HANDLE> launchers;
    ~Cleanup() {
      for (HANDLE process : launchers)
        if (process) InstalledLauncher::Stop(process);
      EndMonitors();
      SeedOpenCommand();
    }
  } cleanup;

  HANDLE first = launcher.Start(L"1");
  cleanup.launchers.push_back(first);
  ASSERT_NE(first, nullptr);
  ASSERT_EQ(launcher.Journal().size(), 1u);
  ASSERT_TRUE(PumpUntil([&] { return OpenCommand() == hooked; }, 10000)) << Narrow(OpenCommand().value_or(L"-"));
  ASSERT_TRUE(PublishedLists());
  EXPECT_NE(PublishedLists()->allowed.find(L"|\\old\\a.exe|"), std::wstring::npos);
  ASSERT_EQ(ProcessesNamed(L"Gatewarden.exe").size(), 1u);
  const DWORD orphan = ProcessesNamed(L"Gatewarden.exe")[0];

  // The launcher dies; its monitor keeps the old lists and the hook.
  InstalledLauncher::Stop(first);
  cleanup.launchers[0] = nullptr;
  Sleep(500);
  EXPECT_EQ(ProcessesNamed(L"Gatewarden.exe"), std::vector<DWORD>{orphan});
  ASSERT_TRUE(PublishedLists());

  ASSERT_TRUE(WriteBytes(launcher.folder / L"menu.ini",
                         "[WhiteList]\r\nWhiteListEnabled=TRUE\r\nPermit1=\\new\\b.exe\r\n"));
  HANDLE second = launcher.Start(L"2", 2);
  cleanup.launchers.push_back(second);
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(launcher.Journal(), (std::vector<std::string>{"SignalStarted 1", "SignalStarted 2"}));
  EXPECT_EQ(WaitForSingleObject(second, 0), static_cast<DWORD>(WAIT_TIMEOUT)) << "the restarted launcher runs";
  auto lists = PublishedLists();
  ASSERT_TRUE(lists);
  EXPECT_NE(lists->allowed.find(L"|\\new\\b.exe|"), std::wstring::npos) << Narrow(lists->allowed);
  EXPECT_EQ(lists->allowed.find(L"\\old\\a.exe"), std::wstring::npos) << Narrow(lists->allowed);
  // One resident monitor, the new one, and the shell's command hooked once.
  ASSERT_TRUE(PumpUntil([&] { return OpenCommand() == hooked; }, 10000)) << Narrow(OpenCommand().value_or(L"-"));
  Sleep(500);
  auto monitors = ProcessesNamed(L"Gatewarden.exe");
  ASSERT_EQ(monitors.size(), 1u);
  EXPECT_NE(monitors[0], orphan);
  EXPECT_EQ(OpenCommand(), hooked);
  auto events = launcher.Events();
  EXPECT_EQ(std::count_if(events.begin(), events.end(),
                          [](const std::string& l) { return l.find("Gatewarden exits") != std::string::npos; }),
            1);
  EXPECT_TRUE(Contains(events, "whitelist of an ended launcher found, ending its monitor"));

}
