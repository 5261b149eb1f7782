// The exit password dialog on its own: the six-character field, Cancel, the Keyboard toggle
// through the platform library's SIP calls to the device shell's keyboard window. Matching is
// tried from the main dialog and the status page, windowed mode's soft keys in LiveLayoutTest.
#include <gtest/gtest.h>

#include "DialogDriver.h"
#include "ExitPasswordDialog.h"
#include "LauncherDialog.h"
#include "SipEntries.h"
#include "TestSupport.h"
#include "wince.h"

using namespace ui_testing;

namespace {

bool SipShown() { return IsWindowVisible(FindWindowW(wince::taskbar::kSipClassName, nullptr)) != FALSE; }

}  // namespace

TEST(ExitPassword, FieldTakesSixCharactersKeyboardTwiceShowsThenHidesTheSipCancelReturnsTwo) {
  DeviceShellProcess shell(wince::taskbar::kSipClassName);
  ASSERT_TRUE(shell.running());
  MessageBoxRecorder boxes;
  auto model = MakeModel(true);
  model->password = L"123456";
  qzr::ExitPasswordDialog dialog(*model);
  std::wstring afterSeven;
  std::vector<uint32_t> flags;
  std::vector<bool> seen;
  bool focusInEdit = true, held = false;
  auto query = [&] {
    qzr::SipInfoRecord info;
    flags.push_back(qzr::SipGetInfo(&info) ? info.flags : 0xFFFFFFFF);
    seen.push_back(SipShown());
  };
  ScriptedSteps steps({
      [&] {
        HWND d = TopDialog();
        Type(d, L"1234567");
        afterSeven = TextOf(d, 1002);
        Type(d, L"x");
        Command(d, IDOK);
        held = dialog.holdsPlatformLibrary();
        query();
        Command(d, IDC_KEYBOARD_BUTTON);
        query();
        focusInEdit = focusInEdit && GetFocus() == GetDlgItem(d, 1002);
        Command(d, IDC_KEYBOARD_BUTTON);
        query();
        focusInEdit = focusInEdit && GetFocus() == GetDlgItem(d, 1002);
        Command(d, IDC_KEYBOARD_BUTTON);
        PostCommand(d, IDCANCEL);
      },
  });
  EXPECT_EQ(dialog.DoModal(), IDCANCEL);
  EXPECT_EQ(afterSeven, L"123456");
  EXPECT_EQ(boxes.boxes.size(), 1u);
  EXPECT_TRUE(held);
  EXPECT_FALSE(dialog.holdsPlatformLibrary());
  EXPECT_EQ(flags, (std::vector<uint32_t>{0, 1, 0}));
  EXPECT_EQ(seen, (std::vector<bool>{false, true, false}));
  EXPECT_TRUE(focusInEdit);
  // Cancel hid the SIP again; the entries outlive the dialog and its library handle.
  EXPECT_FALSE(SipShown());
  qzr::SipInfoRecord info;
  ASSERT_TRUE(qzr::SipGetInfo(&info));
  EXPECT_EQ(info.flags, 0u);
}
