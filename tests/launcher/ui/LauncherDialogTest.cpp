// The main dialog run in-process: list, launches, network gating, auto start, password, restricted mode.
#include <gtest/gtest.h>

#include <algorithm>
#include <optional>

#include "DialogDriver.h"
#include "ui/LauncherDialog.h"
#include "ui/StatusDialog.h"
#include "ui/UiLayout.h"

using namespace ui_testing;

namespace {

// One launch of device_probe as a button's program: where it writes, and what it wrote.
class ProbeLaunch {
 public:
  explicit ProbeLaunch(const ScratchFolder& folder, const std::wstring& name) : out_(folder / name) {
    SetEnvironmentVariableW(L"QZR_LAUNCH_PROBE_OUT", out_.c_str());
  }
  std::optional<std::string> Wait(DWORD ms = 15000) const {
    for (DWORD waited = 0;; waited += 100) {
      if (auto text = ReadBytes(out_)) return text;
      if (waited >= ms) return std::nullopt;
      Sleep(100);
    }
  }

 private:
  std::wstring out_;
};

std::wstring ProbeProgram() { return BinFolder() + L"device_probe.exe"; }

std::wstring ItemText(HWND dialog, int item) {
  wchar_t text[128] = {};
  ListView_GetItemText(GetDlgItem(dialog, IDC_PROGRAM_LIST), item, 0, text, 128);
  return text;
}

bool EndsWithWindowsFolder(const std::string& text) {
  std::string lower;
  for (char c : text) lower += static_cast<char>(tolower(static_cast<unsigned char>(c)));
  return lower.find("cwd=c:\\windows\n") != std::string::npos || lower.find("cwd=c:\\windows\\\n") != std::string::npos;
}

class MainDialogTest : public testing::Test, protected FreshDevice {
 protected:
  ScratchFolder scratch{L"uimain"};
};

}  // namespace

// Enter on the selected item, pressed for real, is LiveLayoutTest's.
TEST_F(MainDialogTest, ListShowsSlotsInOrderAndTapsLaunchThroughTheShell) {
  auto model = MakeModel(true, {L"Scanner", L"", L"Gone", L"Empty"});
  model->buttons[4].caption = L"Not shown";
  model->buttons[0].exePath = ProbeProgram();
  model->buttons[0].parameters = L"alpha beta";
  model->buttons[2].exePath = scratch / L"missing.exe";

  std::optional<std::string> tapped;
  bool nothingForOutOfRange = false;
  qzr::LauncherDialog dialog(*model);
  EXPECT_EQ(RunThenEnd(dialog,
                       {
                           [&] {
                             HWND d = TopDialog();
                             EXPECT_EQ(ListView_GetItemCount(GetDlgItem(d, IDC_PROGRAM_LIST)), 4);
                             EXPECT_EQ(ItemText(d, 0), L"Scanner");
                             EXPECT_EQ(ItemText(d, 1), L"");
                             EXPECT_EQ(dialog.listItemCount(), 4);
                             ProbeLaunch launch(scratch, L"tap.txt");
                             EXPECT_EQ(NotifyList(d, NM_CLICK, 0), 0);
                             tapped = launch.Wait();
                           },
                           [&] {
                             HWND d = TopDialog();
                             ProbeLaunch launch(scratch, L"none.txt");
                             NotifyList(d, NM_CLICK, 4);
                             NotifyList(d, NM_CLICK, -1);
                             ListView_SetItemState(GetDlgItem(d, IDC_PROGRAM_LIST), -1, 0, LVIS_SELECTED);
                             NotifyList(d, NM_RETURN, -1);
                             nothingForOutOfRange = !launch.Wait(1500).has_value();
                             // A missing program, and an empty path, still go to the shell.
                             NotifyList(d, NM_CLICK, 2);
                             NotifyList(d, NM_CLICK, 3);
                           },
                       }),
            kEnded);
  ASSERT_TRUE(tapped.has_value());
  EXPECT_TRUE(EndsWithWindowsFolder(*tapped)) << *tapped;
  EXPECT_NE(tapped->find("args=alpha beta\n"), std::string::npos) << *tapped;
  EXPECT_TRUE(nothingForOutOfRange);
  ASSERT_EQ(boxes.boxes.size(), 2u);
  for (const ShownBox& box : boxes.boxes) {
    EXPECT_EQ(box.caption, L"Shell Error");
    EXPECT_EQ(box.type, static_cast<UINT>(MB_OK));
    EXPECT_FALSE(box.text.empty());
  }
}

// What the meter shows: bars on black, or a picture on the button face: the plug drawn in
// gold, or the same plug with red across it; never the pictures' transparent blue.
struct MeterPicture { bool plug, crossed, blue; };
MeterPicture SeenOn(const std::vector<DWORD>& pixels) {
  auto count = [&](auto match) {
    return std::count_if(pixels.begin(), pixels.end(), [&](DWORD c) { return match(c >> 16 & 0xFF, c >> 8 & 0xFF, c & 0xFF); });
  };
  const bool bars = count([](int r, int g, int b) { return r + g + b == 0; }) * 3 > static_cast<long>(pixels.size());
  const bool gold = count([](int r, int g, int b) { return r > 0xE0 && g > 0xC0 && g < 0xE8 && b < 0x40; }) > 0;
  const bool red = count([](int r, int g, int b) { return r > 0xE0 && g < 0x40 && b < 0x40; }) > 0;
  const bool blue = count([](int r, int g, int b) { return r < 0x20 && g < 0x20 && b > 0xE0; }) > 0;
  return {!bars && gold && !red, !bars && gold && red, blue};
}

TEST_F(MainDialogTest, AdapterAnswersFromTheProfileDecideMeterAndGating) {
  auto model = MakeModel(true, {L"Online", L"Local"});
  model->buttons[0].exePath = model->buttons[1].exePath = ProbeProgram();
  model->buttons[0].needsSignal = true;
  const struct {
    const wchar_t* name;
    const wchar_t* wiredLink;  // nullptr: no wired adapter
    const wchar_t* association;
    bool plug, crossed, onlineLaunches;
  } cases[] = {
      {L"cradle, 100 Mbit/s", L"up", L"1", true, false, true},
      {L"no wired adapter, radio not associated", nullptr, L"1", false, true, false},
      {L"no wired adapter, radio associated", nullptr, L"0", false, false, true},
  };
  qzr::LauncherDialog dialog(*model);
  std::vector<std::function<void()>> script;
  int n = 0;
  for (const auto& c : cases) {
    script.push_back([&, c] {
      if (c.wiredLink) {
        profile.Set(L"WiredLink", c.wiredLink);
        profile.Set(L"WiredSpeed", L"100000000");
      } else {
        profile.Unset(L"WiredLink");
      }
      profile.Set(L"RadioAssociation", c.association);
      SendMessageW(TopDialog(), WM_TIMER, qzr::kRefreshTimer, 0);
    });
    script.push_back([&, c, n] {
      SCOPED_TRACE(testing::PrintToString(std::wstring(c.name)));
      HWND d = TopDialog();
      const MeterPicture seen = SeenOn(ScreenPixels(GetDlgItem(d, IDC_SIGNAL_METER)));
      if ((seen.plug != c.plug || seen.crossed != c.crossed) && ScriptedSteps::Again(20)) return;
      EXPECT_EQ(seen.plug, c.plug);
      EXPECT_EQ(seen.crossed, c.crossed);
      EXPECT_FALSE(seen.blue);
      EXPECT_EQ(dialog.networkUp(), c.onlineLaunches);
      ProbeLaunch online(scratch, L"online" + std::to_wstring(n) + L".txt");
      NotifyList(d, NM_CLICK, 0);
      EXPECT_EQ(online.Wait(c.onlineLaunches ? 15000 : 1500).has_value(), c.onlineLaunches);
      ProbeLaunch local(scratch, L"local" + std::to_wstring(n) + L".txt");
      NotifyList(d, NM_CLICK, 1);
      EXPECT_TRUE(local.Wait().has_value());
    });
    ++n;
  }
  EXPECT_EQ(RunThenEnd(dialog, std::move(script)), kEnded);
  EXPECT_TRUE(boxes.boxes.empty());
}

TEST_F(MainDialogTest, AutoStartAfterTwoSecondsUnlessFullScreenFindsNoNetwork) {
  const struct { bool fullScreen; const wchar_t* address; bool launches; } cases[] = {
      {true, L"10.20.30.41", true},
      {true, L"169.254.12.7", false},  // the first refresh at start-up already knows
      {false, L"169.254.12.7", true},  // no refresh before 5 s: NetworkUp still holds its first true
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "fullScreen " << c.fullScreen << " address "
                                    << testing::PrintToString(std::wstring(c.address)));
    profile.Set(L"RadioIp", c.address);
    auto model = MakeModel(c.fullScreen, {L"First"});
    model->buttons[0].exePath = ProbeProgram();
    model->buttons[0].needsSignal = true;
    model->autoStart = 1;
    ProbeLaunch launch(scratch, std::wstring(L"auto") + (c.fullScreen ? L"f" : L"w") + c.address + L".txt");
    const DWORD opened = GetTickCount();
    std::optional<std::string> started;
    DWORD startedAfter = 0;
    qzr::LauncherDialog dialog(*model);
    // Polls without blocking: the dialog's own timer has to run between the steps. A start
    // ends the dialog at once; without one it stays up more than twice the auto-start delay.
    std::vector<std::function<void()>> polls(18, [&] {
      if (!started && (started = launch.Wait(0))) startedAfter = GetTickCount() - opened;
      if (started) EndDialog(TopDialog(), kEnded);
    });
    polls.push_back([&] { EndDialog(TopDialog(), kEnded); });
    ScriptedSteps steps(std::move(polls), 250);
    EXPECT_EQ(dialog.DoModal(), kEnded);
    EXPECT_EQ(started.has_value(), c.launches);
    if (started) {
      EXPECT_GE(startedAfter, 1900u);
    }
  }
}

TEST_F(MainDialogTest, OkCancelAndCloseAllAskForThePasswordWhichMustMatchWhole) {
  auto model = MakeModel(true, {L"One"});
  model->password = L"abc12";
  const struct {
    UINT way;  // 0: the close request
    const wchar_t* wrong;
  } cases[] = {{IDOK, L"ABC12"}, {IDCANCEL, L"abc1"}, {0, L" abc12"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.way);
    boxes.boxes.clear();
    size_t dialogsWithPassword = 0;
    qzr::LauncherDialog dialog(*model);
    HWND main = nullptr;
    ScriptedSteps steps({
        [&] {
          main = TopDialog();
          if (c.way) PostCommand(main, c.way);
          else PostMessageW(main, WM_CLOSE, 0, 0);
        },
        [&] {
          HWND password = TopDialog();
          EXPECT_NE(password, main);
          dialogsWithPassword = ThreadDialogs().size();
          Type(password, c.wrong);
          Command(password, IDOK);
        },
        [&] {
          HWND password = TopDialog();
          EXPECT_NE(password, main) << "a wrong password leaves the launcher running";
          EXPECT_EQ(TextOf(password, 1002), L"") << "a refused entry empties the field";
          EXPECT_EQ(GetFocus(), GetDlgItem(password, 1002));
          Type(password, L"abc12");
          PostCommand(password, IDOK);
        },
    });
    EXPECT_EQ(dialog.DoModal(), qzr::kExitResult);
    EXPECT_EQ(dialogsWithPassword, 2u);
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].text, L"Invalid Password");
    EXPECT_EQ(boxes.boxes[0].caption, L"Password Error");
    EXPECT_EQ(boxes.boxes[0].type, static_cast<UINT>(MB_OK));
  }
}

TEST_F(MainDialogTest, RestrictedModeKeepsTheStatusPageUpUntilExit) {
  ASSERT_TRUE(WriteBytes(scratch / L"menu.ini", "[WhiteList]\r\nWhiteListEnabled=TRUE\r\n"));
  auto model = MakeModel(true, {L"One", L"Two"});
  model->password = L"";
  RebuildWhitelist(*model, scratch / L"menu.ini", scratch / L"Gatewarden.exe", L"_uitest");
  ASSERT_FALSE(model->whitelist.monitorRunning());

  qzr::LauncherDialog dialog(*model);
  bool stillOnStatus = false;
  ScriptedSteps steps({
      [&] {
        HWND page = TopDialog();
        ASSERT_NE(GetDlgItem(page, IDC_BATTERY_FRAME), nullptr) << "the status page is up";
        Command(page, IDCANCEL);
        Command(page, IDM_BACK_KEY);
        stillOnStatus = IsWindow(page) && TopDialog() == page;
        PostCommand(page, IDC_EXIT_BUTTON);
      },
      [&] { PostCommand(TopDialog(), IDOK); },  // empty password configured: an empty field passes
  });
  EXPECT_EQ(dialog.DoModal(), qzr::kExitResult);
  EXPECT_TRUE(stillOnStatus);
  EXPECT_EQ(dialog.listItemCount(), 0) << "the list is never filled in restricted mode";
}

// Each control scattered, then the screen-size notice: the main dialog and the status page are
// laid out again as the rules say.
TEST_F(MainDialogTest, ScreenSizeNoticeLaysTheControlsOutAgain) {
  auto model = MakeModel(true, {L"One", L"Two", L"Three"});
  qzr::LauncherDialog dialog(*model);
  int mainMoved = 0, statusMoved = 0;
  EXPECT_EQ(RunThenEnd(dialog, {[&] {
                                  HWND d = TopDialog();
                                  for (int id : {IDC_PROGRAM_LIST, IDC_LOGO, IDC_STATUS_BUTTON})
                                    MoveWindow(GetDlgItem(d, id), 3, 3, 10, 10, FALSE);
                                  const qzr::LayoutPlan plan = MainPlan(dialog, d, true);
                                  SetForegroundWindow(GetDesktopWindow());
                                  SendMessageW(d, WM_SETTINGCHANGE, qzr::kScreenSizeChange, 0);
                                  mainMoved = ExpectFollows("main", d, plan, true, false);
                                  PostCommand(d, IDC_STATUS_BUTTON);
                                },
                                [&] {
                                  HWND page = TopDialog();
                                  for (int id : kStatusPageControls) {
                                    RECT r{};
                                    GetWindowRect(GetDlgItem(page, id), &r);
                                    MoveWindow(GetDlgItem(page, id), 1, 1, r.right - r.left, r.bottom - r.top, FALSE);
                                  }
                                  const qzr::LayoutPlan plan = StatusPlan(page, true);
                                  SendMessageW(page, WM_SETTINGCHANGE, qzr::kScreenSizeChange, 0);
                                  statusMoved = ExpectFollows("status", page, plan, true, false);
                                  Command(page, IDCANCEL);
                                }}),
            kEnded);
  EXPECT_GE(mainMoved, 3);
  EXPECT_EQ(statusMoved, 13);
}

TEST_F(MainDialogTest, TimerFortyFiveSetsTheIgnoreTouchEvent) {
  auto model = MakeModel(true, {L"One"});
  ASSERT_EQ(OpenEventW(SYNCHRONIZE, FALSE, L"QZR_IGNORE_TOUCH"), nullptr) << "left over from elsewhere";
  DWORD wait = WAIT_FAILED;
  qzr::LauncherDialog dialog(*model);
  EXPECT_EQ(RunThenEnd(dialog, {[&] {
              HANDLE keep = CreateEventW(nullptr, TRUE, FALSE, L"QZR_IGNORE_TOUCH");
              SendMessageW(TopDialog(), WM_TIMER, qzr::kIgnoreTouchTimer, 0);
              wait = WaitForSingleObject(keep, 0);
              CloseHandle(keep);
            }}),
            kEnded);
  EXPECT_EQ(wait, WAIT_OBJECT_0);
}
