// The launcher started as a real process: what it logs, what it signals, and its mutex name.
#include <gtest/gtest.h>

#include <algorithm>

#include "DeviceProfile.h"
#include "LauncherApp.h"
#include "TestSupport.h"

using namespace testing_support;

namespace {

bool Contains(const std::vector<std::string>& lines, const std::string& text) {
  return std::any_of(lines.begin(), lines.end(), [&](const std::string& l) { return l.find(text) != std::string::npos; });
}

// A launcher folder on drive C holding QZRShell.exe and a menu.ini, logging into scratch files.
struct InstalledLauncher {
  ScratchFolder folder{L"launcher"};
  ProfileScope profile;
  std::wstring exe = folder / L"QZRShell.exe";

  explicit InstalledLauncher(const std::string& menuIni) {
    EXPECT_TRUE(CopyFileW((BinFolder() + L"QZRShell.exe").c_str(), exe.c_str(), FALSE));
    EXPECT_TRUE(WriteBytes(folder / L"menu.ini", menuIni));
    profile.Set(wince::profile::kEventLogFile, folder / L"events.txt");
    profile.Set(wince::profile::kJournalFile, folder / L"journal.txt");
  }
  ProcessResult Run(const std::wstring& args) { return RunProcess(L"\"" + exe + L"\" " + args, 60000); }
  std::vector<std::string> Events() { return ReadLines(folder / L"events.txt"); }
  std::vector<std::string> Journal() { return ReadLines(folder / L"journal.txt"); }
};

}  // namespace

TEST(LauncherStartup, LogsItsStartAndSignalsTheLaunchCode) {
  InstalledLauncher launcher("[Caption]\r\nButton1=Scanner\r\n[exe]\r\nButton1=\\windows\\scan.exe\r\n");
  ProcessResult run = launcher.Run(L"17");
  ASSERT_TRUE(run.started);
  ASSERT_TRUE(run.finished);

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

TEST(LauncherStartup, LaunchCodeIsTheCommandLineReadAsANumber) {
  const std::pair<std::wstring, std::string> cases[] = {
      {L"", "SignalStarted 0"}, {L"abc", "SignalStarted 0"}, {L"42xyz", "SignalStarted 42"}};
  for (const auto& [args, expected] : cases) {
    InstalledLauncher launcher("");
    ASSERT_TRUE(launcher.Run(args).finished);
    EXPECT_EQ(launcher.Journal(), std::vector<std::string>{expected}) << Narrow(args);
  }
}

TEST(LauncherStartup, StartsWithoutMenuIniOrEventLog) {
  InstalledLauncher launcher("");
  DeleteFileW((launcher.folder / L"menu.ini").c_str());
  launcher.profile.Unset(wince::profile::kEventLogFile);
  ProcessResult run = launcher.Run(L"3");
  ASSERT_TRUE(run.finished);
  EXPECT_EQ(run.exitCode, 0u);
  EXPECT_EQ(launcher.Journal(), std::vector<std::string>{"SignalStarted 3"});
}

TEST(LauncherStartup, InstanceMutexNameUsesForwardSlashesAndKeepsCase) {
  EXPECT_EQ(qzr::InstanceMutexName(L"\\Flash File Store\\launcher\\QZRShell.exe"), L"/Flash File Store/launcher/QZRShell.exe");
  EXPECT_EQ(qzr::InstanceMutexName(L"C:\\A\\b.EXE"), L"C:/A/b.EXE");
}
