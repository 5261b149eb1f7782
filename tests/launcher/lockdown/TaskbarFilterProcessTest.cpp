// The task bar filter installed in the device shell's process: swallowed messages, logged lines, restore.
#include <gtest/gtest.h>

#include <algorithm>

#include "EventLog.h"
#include "lockdown/Lockdown.h"
#include "LockdownTestSupport.h"
#include "ProbeSupport.h"

using namespace lockdown_test;

namespace {

HWND TaskBar() { return FindWindowW(qzr::kTaskbarClass, nullptr); }

// The task bar lives in the shell's process and may show or hide a moment after the call.
bool TaskBarBecomes(bool visible) {
  return PumpUntil([&] { return !IsWindowVisible(TaskBar()) == !visible; }, 3000);
}

LRESULT Send(UINT message, WPARAM wParam, LPARAM lParam = 0) {
  DWORD_PTR result = 0xDEAD;
  if (!SendMessageTimeoutW(TaskBar(), message, wParam, lParam, SMTO_ABORTIFHUNG, 5000, &result)) return -1;
  return static_cast<LRESULT>(result);
}

LPARAM At(int x, int y) { return MAKELPARAM(static_cast<WORD>(x), static_cast<WORD>(y)); }

struct Probe { const char* what; UINT message; WPARAM wParam; LPARAM lParam; bool swallowed; };

// The filter answers 1 for what it swallows; the simulated shell answers 0 to all of these.
void ExpectFiltered(const std::vector<Probe>& probes) {
  for (const Probe& p : probes) EXPECT_EQ(Send(p.message, p.wParam, p.lParam), p.swallowed ? 1 : 0) << p.what;
}

std::vector<std::string> UtilitiesLines(const std::wstring& log) {
  std::vector<std::string> found;
  for (const std::string& line : ReadLines(log))
    if (line.find("Utilities") != std::string::npos) found.push_back(line);
  return found;
}

class TaskbarFilter : public ::testing::Test {
 protected:
  void SetUp() override {
    device_.profile().Set(wince::profile::kEventLogFile, log_);
    ASSERT_TRUE(shell_.running());
  }
  void TearDown() override { qzr::RestoreTaskbar(); }

  ScratchFolder folder_{L"filter"};
  std::wstring log_ = folder_ / L"events.txt";
  DeviceScope device_{L"PocketPC", 10};  // release 6: the tap threshold is the bar's right edge
  testing_support::DeviceShellProcess shell_;
};

}  // namespace

TEST_F(TaskbarFilter, PocketPcModel10SwallowsLogsAndRestores) {
  RECT bar;
  ASSERT_TRUE(GetWindowRect(TaskBar(), &bar));
  EXPECT_EQ(qzr::InstallTaskbarFilter(), 0);  // no volume allowance on model 10
  EXPECT_TRUE(TaskBarBecomes(false)) << "the task bar stays shown";
  qzr::SetTaskbarFilterSettings(0, 0);

  ExpectFiltered({
      {"left Windows key", WM_KEYDOWN, VK_LWIN, 0, true},
      {"right Windows key", WM_KEYDOWN, VK_RWIN, 0, true},
      {"Escape", WM_KEYDOWN, VK_ESCAPE, 0, true},
      {"a letter", WM_KEYDOWN, 'A', 0, false},
      {"Windows key up", WM_KEYUP, VK_LWIN, 0, false},
      {"tap on the Start area", WM_LBUTTONDOWN, 0, At(5, 5), true},
      {"tap at the right end", WM_LBUTTONUP, 0, At(bar.right - 1, 5), true},
      {"tap past the right edge", WM_LBUTTONUP, 0, At(bar.right, 5), false},
      {"shell hot key 4", WM_HOTKEY, 4, 0, true},
      {"shell hot key 8", WM_HOTKEY, 8, 0, true},
      {"shell hot key 5", WM_HOTKEY, 5, 0, false},
      {"menu popup", WM_INITMENUPOPUP, 0, 0, true},
      {"menu loop", WM_ENTERMENULOOP, 0, 0, true},
      {"Enter alone", WM_KEYDOWN, VK_RETURN, 0, false},
      {"0xC1 down", WM_KEYDOWN, 0xC1, 0, false},
      {"Enter with 0xC1 held", WM_KEYDOWN, VK_RETURN, 0, true},
      {"0xC1 up", WM_KEYUP, 0xC1, 0, false},
      {"Enter after 0xC1 up", WM_KEYDOWN, VK_RETURN, 0, false},
  });
  const std::vector<std::string> lines = UtilitiesLines(log_);
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_NE(lines[0].find("[category 4] ..\\..\\common source\\Utilities (234), Keydown 193 (0xC1), Gatekeeper = true"),
            std::string::npos) << lines[0];
  EXPECT_NE(lines[1].find("..\\..\\common source\\Utilities (240), Keydown 13 (0x0D), Work the magic"), std::string::npos)
      << lines[1];
  EXPECT_NE(lines[2].find("..\\..\\common source\\Utilities (246), Keyup 193 (0xC1), Gatekeeper = false"),
            std::string::npos) << lines[2];

  // Start-up's settings reach the filter in the shell's process.
  qzr::SetTaskbarFilterSettings(0, 1);
  ExpectFiltered({{"Windows key once enabled", WM_KEYDOWN, VK_LWIN, 0, false},
                  {"Escape stays locked", WM_KEYDOWN, VK_ESCAPE, 0, true}});

  // Leave with 0xC1 held: a later install starts with the gatekeeper down.
  Send(WM_KEYDOWN, 0xC1);
  qzr::RestoreTaskbar();
  EXPECT_TRUE(TaskBarBecomes(true)) << "the task bar stays hidden";
  ExpectFiltered({{"Escape after restore", WM_KEYDOWN, VK_ESCAPE, 0, false},
                  {"tap after restore", WM_LBUTTONDOWN, 0, At(5, 5), false},
                  {"menu after restore", WM_INITMENUPOPUP, 0, 0, false}});

  qzr::InstallTaskbarFilter();
  ExpectFiltered({{"Escape after a second install", WM_KEYDOWN, VK_ESCAPE, 0, true},
                  {"Windows key locked again until settings come", WM_KEYDOWN, VK_LWIN, 0, true},
                  {"Enter: the gatekeeper starts down", WM_KEYDOWN, VK_RETURN, 0, false}});
  qzr::SetTaskbarFilterSettings(0, 1);

  // A second launcher passing through (install, then restore on its way out) leaves this one's
  // filter and settings in place.
  EXPECT_FALSE(testing_support::RunProbe(folder_, L"filter", [] {}, false).empty());
  ExpectFiltered({{"Escape after the other launcher left", WM_KEYDOWN, VK_ESCAPE, 0, true},
                  {"Windows key still enabled", WM_KEYDOWN, VK_LWIN, 0, false}});
  qzr::RestoreTaskbar();
  ExpectFiltered({{"Escape after the second restore", WM_KEYDOWN, VK_ESCAPE, 0, false}});
  EXPECT_EQ(UtilitiesLines(log_).size(), 4u);  // the one 0xC1 down before the restore
}

TEST_F(TaskbarFilter, EmbeddedPlatformSwallowsKeysAndTheCorner) {
  DeviceScope embedded(L"XScale", 5);
  qzr::InstallTaskbarFilter();
  ExpectFiltered({
      {"tap in the corner", WM_LBUTTONDOWN, 0, At(10, 10), true},
      {"tap right of the corner", WM_LBUTTONDOWN, 0, At(30, 10), false},
      {"any key down", WM_KEYDOWN, 'A', 0, true},
      {"system key down", WM_SYSKEYDOWN, VK_TAB, 0, true},
      {"hot key", WM_HOTKEY, 4, 0, false},
      {"menu popup", WM_INITMENUPOPUP, 0, 0, false},
  });
}

TEST_F(TaskbarFilter, OtherPlatformsPassEverything) {
  DeviceScope other(L"Other", 10);
  qzr::InstallTaskbarFilter();
  EXPECT_TRUE(TaskBarBecomes(false)) << "the task bar stays shown";
  ExpectFiltered({{"Windows key", WM_KEYDOWN, VK_LWIN, 0, false}, {"tap", WM_LBUTTONDOWN, 0, At(1, 1), false}});
  qzr::RestoreTaskbar();
  EXPECT_TRUE(TaskBarBecomes(true)) << "the task bar stays hidden";
}
