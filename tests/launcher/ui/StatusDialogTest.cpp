// The status page over a running main dialog: device facts, Back, Exit through the password.
#include <gtest/gtest.h>

#include <map>

#include "DialogDriver.h"
#include "ui/LauncherDialog.h"
#include "ui/StatusDialog.h"

using namespace ui_testing;

namespace {

class StatusPageTest : public testing::Test, protected FreshDevice {};

}  // namespace

TEST_F(StatusPageTest, ButtonAndSoftKeyOpenThePageWithTheDevicesFactsAndBackReturns) {
  const struct {
    int command;
    const wchar_t* percent;
    const wchar_t* text;
    int position;  // -1: not checked
    bool fullScreen;
  } cases[] = {{IDC_STATUS_BUTTON, L"87", L"87%", 87, true},
               {IDM_STATUS_KEY, L"255", L"Unknown", -1, true},
               // Windowed, the first refresh is five seconds away: the page must not show zeros.
               {IDC_STATUS_BUTTON, L"64", L"64%", 64, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::PrintToString(std::wstring(c.percent)));
    profile.Set(L"BatteryPercent", c.percent);
    auto model = MakeModel(c.fullScreen, {L"One"});
    qzr::LauncherDialog dialog(*model);
    std::map<int, std::wstring> shown;
    int position = -1;
    bool childFlagWhileUp = false, statusPageUp = false, backToList = false;
    HWND page = nullptr;
    // The page opens before the main dialog's claim on the screen falls due, a second after its
    // activation, and is looked at after it: the claim must not take the screen from the page.
    EXPECT_EQ(RunThenEnd(dialog, {[&] { PostCommand(TopDialog(), c.command); },
                                  [&] { ScriptedSteps::Again(9); },
                                  [&] {
                                    page = TopDialog();
                                    statusPageUp = GetDlgItem(page, IDC_BATTERY_FRAME) != nullptr && page != dialog.hwnd() &&
                                                   GetForegroundWindow() == page;
                                    childFlagWhileUp = dialog.modalChildUp();
                                    for (int id : kStatusPageControls) shown[id] = TextOf(page, id);
                                    position = static_cast<int>(SendDlgItemMessageW(page, 1000, PBM_GETPOS, 0, 0));
                                    Command(page, IDCANCEL);
                                  },
                                  [&] { backToList = !IsWindow(page) && TopDialog() == dialog.hwnd(); }}),
              kEnded);
    EXPECT_TRUE(statusPageUp);
    EXPECT_TRUE(childFlagWhileUp);
    EXPECT_TRUE(backToList);
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
        pageStayed = TopDialog() == page && IsWindow(page);
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
