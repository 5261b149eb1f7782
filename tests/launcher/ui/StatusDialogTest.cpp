// The status page opened from a running main dialog: facts from the device profile, the
// identification block, Exit through the password, relayout on a screen-size notice.
#include <gtest/gtest.h>

#include "DeviceIdentity.h"
#include "DialogDriver.h"
#include "LauncherDialog.h"
#include "MainWindow.h"
#include "StatusDialog.h"
#include "TestSupport.h"
#include "UiLayout.h"

using namespace testing_support;
using namespace ui_testing;

namespace {

int CountLines(const std::wstring& text) {
  int lines = 1;
  for (size_t at = text.find(L"\r\n"); at != std::wstring::npos; at = text.find(L"\r\n", at + 2)) ++lines;
  return lines;
}

const std::vector<int> kPageControls = {1032, 1000, 1002, 1020, 1028, 1033, 1029, 1035, 1030, 1034, 1026, 2, 1006};

class StatusPageTest : public testing::Test {
 protected:
  void SetUp() override {
    qzr::SetNetworkUp(true);
    profile.Set(L"RadioIp", L"10.20.30.41");
    profile.Set(L"RadioAssociation", L"0");
    qzr::ResetDeviceFactsForTesting();
  }
  ProfileScope profile;
  BoxRecorder boxes;
};

}  // namespace

TEST_F(StatusPageTest, ShowsBatteryAndTheMainDialogsFacts) {
  const struct {
    const wchar_t* percent;
    const wchar_t* text;
    int position;  // -1: not checked
  } cases[] = {{L"100", L"100%", 100}, {L"87", L"87%", 87}, {L"255", L"Unknown", -1}};
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::PrintToString(std::wstring(c.percent)));
    profile.Set(L"BatteryPercent", c.percent);
    auto model = MakeModel(true, {L"One"});
    qzr::LauncherDialog dialog(*model);
    std::wstring battery, block, ip, mac, auth, serial, frame;
    int position = -1;
    ScriptedSteps steps({
        [&] { PostCommand(TopDialog(), IDC_STATUS_BUTTON); },
        [&] {
          HWND page = TopDialog();
          battery = TextOf(page, 1002);
          position = static_cast<int>(SendDlgItemMessageW(page, 1000, PBM_GETPOS, 0, 0));
          block = TextOf(page, 1020);
          ip = TextOf(page, 1028);
          mac = TextOf(page, 1029);
          auth = TextOf(page, 1030);
          serial = TextOf(page, 1026);
          frame = TextOf(page, 1032);
          Command(page, IDCANCEL);
        },
        [&] { EndDialog(TopDialog(), 5); },
    });
    EXPECT_EQ(dialog.DoModal(), 5);
    EXPECT_EQ(battery, c.text);
    if (c.position >= 0) {
      EXPECT_EQ(position, c.position);
    }
    EXPECT_EQ(ip, dialog.statusTexts().ipAddressText);
    EXPECT_EQ(ip, L"10.20.30.41");
    EXPECT_EQ(mac, dialog.statusTexts().macAddressText);
    EXPECT_FALSE(mac.empty());
    EXPECT_EQ(auth, dialog.statusTexts().authenticationText);
    EXPECT_FALSE(auth.empty());
    EXPECT_EQ(serial, dialog.statusTexts().serialNumberText);
    EXPECT_FALSE(serial.empty());
    EXPECT_LE(serial.size(), 14u);
    EXPECT_EQ(frame, L"Battery Status");
    // The whitelist is off in this model: the launcher line and the notice line only.
    EXPECT_EQ(CountLines(block), 2) << testing::PrintToString(block);
    EXPECT_EQ(block.rfind(L"Korvanex Launcher 2.20.03.0147\r\n", 0), 0u);
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
  ScriptedSteps steps({
      [&] { PostCommand(TopDialog(), IDC_STATUS_BUTTON); },
      [&] {
        HWND page = TopDialog();
        for (int id : kPageControls) {
          RECT r{};
          GetWindowRect(GetDlgItem(page, id), &r);
          MoveWindow(GetDlgItem(page, id), 1, 1, r.right - r.left, r.bottom - r.top, FALSE);
        }
        qzr::StatusLayoutInput in;
        in.screenWidth = GetSystemMetrics(SM_CXSCREEN);
        in.screenHeight = GetSystemMetrics(SM_CYSCREEN);
        in.fullScreen = true;
        in.current = qzr::ReadControlRects(page, kPageControls);
        expected = qzr::StatusDialogLayout(in);
        SendMessageW(page, WM_SETTINGCHANGE, qzr::kScreenSizeChange, 0);
        after = qzr::ReadControlRects(page, kPageControls);
        Command(page, IDCANCEL);
      },
      [&] { EndDialog(TopDialog(), 5); },
  });
  EXPECT_EQ(dialog.DoModal(), 5);
  int checked = 0;
  for (const qzr::Placement& p : expected) {
    if (p.action != qzr::Placing::Move || p.id == qzr::kDialogItem) continue;
    EXPECT_EQ(after[p.id], p.rect) << "control " << p.id;
    ++checked;
  }
  EXPECT_EQ(checked, 13);
}
