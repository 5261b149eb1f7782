// The status page opened from a running main dialog: facts from the device profile, the
// identification block, Exit through the password, relayout on a screen-size notice.
#include <gtest/gtest.h>

#include <map>

#include "DialogDriver.h"
#include "LauncherDialog.h"
#include "StatusDialog.h"
#include "UiLayout.h"

using namespace testing_support;
using namespace ui_testing;

namespace {

class StatusPageTest : public testing::Test, protected FreshDevice {};

}  // namespace

TEST_F(StatusPageTest, ShowsBatteryAndTheMainDialogsFacts) {
  const struct {
    const wchar_t* percent;
    const wchar_t* text;
    int position;  // -1: not checked
  } cases[] = {{L"87", L"87%", 87}, {L"255", L"Unknown", -1}};
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::PrintToString(std::wstring(c.percent)));
    profile.Set(L"BatteryPercent", c.percent);
    auto model = MakeModel(true, {L"One"});
    qzr::LauncherDialog dialog(*model);
    std::map<int, std::wstring> shown;
    int position = -1;
    EXPECT_EQ(RunThenEnd(dialog, {[&] { PostCommand(TopDialog(), IDC_STATUS_BUTTON); },
                                  [&] {
                                    HWND page = TopDialog();
                                    for (int id : kStatusPageControls) shown[id] = TextOf(page, id);
                                    position = static_cast<int>(SendDlgItemMessageW(page, 1000, PBM_GETPOS, 0, 0));
                                    Command(page, IDCANCEL);
                                  }}),
              kEnded);
    EXPECT_EQ(shown[1002], c.text);
    if (c.position >= 0) {
      EXPECT_EQ(position, c.position);
    }
    EXPECT_EQ(shown[1028], L"10.20.30.41");
    EXPECT_EQ(shown[1029], dialog.statusTexts().macAddressText);
    EXPECT_EQ(shown[1030], dialog.statusTexts().authenticationText);
    EXPECT_EQ(shown[1026], dialog.statusTexts().serialNumberText);
    for (int id : {1029, 1030, 1026}) EXPECT_FALSE(shown[id].empty()) << id;
    EXPECT_LE(shown[1026].size(), 14u);
    EXPECT_EQ(shown[1032], L"Battery Status");
    // The whitelist is off in this model: the launcher line and the notice line only.
    EXPECT_EQ(shown[1020].rfind(L"Korvanex Launcher 2.20.03.0147\r\n", 0), 0u);
    EXPECT_EQ(shown[1020].find(L"\r\n", 32), std::wstring::npos) << testing::PrintToString(shown[1020]);
  }
}

TEST_F(StatusPageTest, ExitAsksForThePasswordAndKeepsThePageOnAWrongOne) {
  auto model = MakeModel(true, {L"One"});
  model->password = L"Pa55wd";
  qzr::LauncherDialog dialog(*model);
  HWND page = nullptr;
  bool focusOnExit = false, pageStayed = false;
  ScriptedSteps steps({
      [&] { PostCommand(TopDialog(), IDC_STATUS_BUTTON); },
      [&] {
        page = TopDialog();
        PostCommand(page, IDC_EXIT_BUTTON);
      },
      [&] {
        HWND password = TopDialog();
        Type(password, L"pa55wd");
        Command(password, IDOK);
        PostCommand(password, IDCANCEL);
      },
      [&] {
        pageStayed = TopDialog() == page && qzr::StatusDialog::Current() != nullptr;
        focusOnExit = GetFocus() == GetDlgItem(page, IDC_EXIT_BUTTON);
        PostMessageW(page, WM_CLOSE, 0, 0);  // the close request is Exit too
      },
      [&] {
        HWND password = TopDialog();
        Type(password, L"Pa55wd");
        PostCommand(password, IDOK);
      },
  });
  EXPECT_EQ(dialog.DoModal(), qzr::kExitResult);
  EXPECT_TRUE(pageStayed);
  EXPECT_TRUE(focusOnExit);
  ASSERT_EQ(boxes.boxes.size(), 1u);
  EXPECT_EQ(boxes.boxes[0].caption, L"Password Error");
}

TEST_F(StatusPageTest, ScreenSizeNoticeLaysThePageOutAgain) {
  auto model = MakeModel(true, {L"One"});
  qzr::LauncherDialog dialog(*model);
  qzr::LayoutPlan expected;
  qzr::ControlRects after;
  EXPECT_EQ(RunThenEnd(dialog, {[&] { PostCommand(TopDialog(), IDC_STATUS_BUTTON); },
                                [&] {
                                  HWND page = TopDialog();
                                  for (int id : kStatusPageControls) {
                                    RECT r{};
                                    GetWindowRect(GetDlgItem(page, id), &r);
                                    MoveWindow(GetDlgItem(page, id), 1, 1, r.right - r.left, r.bottom - r.top, FALSE);
                                  }
                                  qzr::StatusLayoutInput in;
                                  in.screenWidth = GetSystemMetrics(SM_CXSCREEN);
                                  in.screenHeight = GetSystemMetrics(SM_CYSCREEN);
                                  in.fullScreen = true;
                                  in.current = qzr::ReadControlRects(page, kStatusPageControls);
                                  expected = qzr::StatusDialogLayout(in);
                                  SendMessageW(page, WM_SETTINGCHANGE, qzr::kScreenSizeChange, 0);
                                  after = qzr::ReadControlRects(page, kStatusPageControls);
                                  Command(page, IDCANCEL);
                                }}),
            kEnded);
  int checked = 0;
  for (const qzr::Placement& p : expected) {
    if (p.action != qzr::Placing::Move || p.id == qzr::kDialogItem) continue;
    EXPECT_EQ(after[p.id], p.rect) << "control " << p.id;
    ++checked;
  }
  EXPECT_EQ(checked, 13);
}
