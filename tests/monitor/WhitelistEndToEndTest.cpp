// End to end: the launcher's whitelist, the resident and per-launch Gatewarden, and the shell's command.
// A second launcher and the single-instance list: LauncherWhitelistTest and MonitorProcesses.
#include <gtest/gtest.h>

#include <array>

#include "core/LauncherConfig.h"
#include "core/LauncherWhitelist.h"
#include "MessageBoxRecorder.h"
#include "MonitorTestSupport.h"
#include "wince.h"

using namespace monitor_test;

TEST(WhitelistEndToEnd, LauncherMonitorAndShell) {
  ResetOpenCommand();
  ScratchFolder folder(L"e2e");
  ProfileScope profile;
  const std::wstring log = folder / L"events.txt";
  const std::wstring out = folder / L"out.txt";
  profile.Set(wince::profile::kEventLogFile, log);
  EnvScope outEnv(L"QZR_DEMO_OUT", out);
  const std::wstring permitted = DevicePath(CopyDemo(folder / L"permitted.exe"));
  const std::wstring button = DevicePath(CopyDemo(folder / L"button.exe"));
  const std::wstring stranger = DevicePath(CopyDemo(folder / L"stranger.exe"));
  const std::wstring ini = folder / L"menu.ini";
  ASSERT_TRUE(WriteBytes(ini, "[WhiteList]\r\nWhiteListEnabled=TRUE\r\nPermit1=" + Narrow(permitted) + "\r\n"));
  testing_support::MessageBoxRecorder recorder;

  std::array<qzr::ButtonSlot, qzr::kButtonSlots> buttons{};
  buttons[0] = {L"", Lower(button), L"", L"", false, true};
  std::array<qzr::AppKeySlot, qzr::kAppKeySlots> keys{};
  qzr::WhitelistSources sources;
  sources.buttonCount = 1;
  sources.buttons = buttons.data();
  sources.appKeys = keys.data();
  sources.launcherPath = L"\\qzr\\QZRShell.exe";
  sources.menuIniPath = ini;

  {
    qzr::LauncherWhitelist launcher({ini, GatewardenPath(), {}});
    launcher.Construct();
    ASSERT_TRUE(launcher.monitorRunning()) << "Gatewarden.exe must pass the version check";
    launcher.PrepareSharedCache(true);
    launcher.PublishWhitelist(sources);
    EXPECT_TRUE(recorder.boxes.empty());
    const std::wstring hooked = HookedPrefix() + L" " + kSeededOpenCommand;
    ASSERT_TRUE(PumpUntil([&] { return OpenCommand() == hooked; }, 10000)) << Narrow(OpenCommand().value_or(L"<none>"));

    // A permitted program starts with its arguments; a stranger is refused.
    ASSERT_TRUE(OpenThroughShell(permitted, L"one two"));
    ASSERT_TRUE(PumpUntil([&] { return ReadLines(out).size() == 1; }, 10000));
    EXPECT_EQ(ReadLines(out)[0], "args:one|two cwd:C:\\windows");
    ASSERT_TRUE(OpenThroughShell(stranger));
    const std::string refused = "[category 4] .\\WhiteList (321), " + Narrow(Lower(stranger)) + " is NOT allowed to run";
    EXPECT_TRUE(PumpUntil([&] { auto d = DecisionTexts(log); return !d.empty() && d.back() == refused; }, 10000));

    launcher.WithdrawWhitelist();
    launcher.CloseSharedCache();
  }
  // The resident instance ends on the terminate event and gives the shell its command back.
  EXPECT_TRUE(PumpUntil([] { return OpenCommand() == std::wstring(kSeededOpenCommand); }, 10000));
  EXPECT_TRUE(PumpUntil([&] {
    auto texts = LogTexts(log);
    return std::count(texts.begin(), texts.end(), "[category 4] Gatewarden exits") >= 3;
  }, 10000));
  qzr::KernelHandle block(OpenFileMappingW(FILE_MAP_READ, FALSE, wl::kCacheName));
  EXPECT_FALSE(block);
  ResetOpenCommand();
}
