// The exit password dialog alone: six-character field, Cancel, Keyboard toggle through the SIP calls.
// Matching: LauncherDialogTest and StatusDialogTest; windowed soft keys: LiveLayoutTest.
#include <gtest/gtest.h>

#include "DialogDriver.h"
#include "ui/ExitPasswordDialog.h"
#include "ui/LauncherDialog.h"
#include "ui/SipEntries.h"
#include "TestSupport.h"
#include "wince.h"

using namespace ui_testing;

// The device shell's keyboard window as the platform library's SIP calls find it: shown and
// hidden on request, its visibility the SIP's state.
class ShellSipWindow {
 public:
  ShellSipWindow() {
    WNDCLASSW wc{};
    wc.lpfnWndProc = [](HWND w, UINT m, WPARAM wp, LPARAM lp) -> LRESULT {
      if (m == wince::taskbar::kSipShowMessage) {
        ShowWindow(w, wp ? SW_SHOWNA : SW_HIDE);
        return 1;
      }
      return DefWindowProcW(w, m, wp, lp);
    };
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = wince::taskbar::kSipClassName;
    RegisterClassW(&wc);
    hwnd_ = CreateWindowExW(WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE, wince::taskbar::kSipClassName, L"", WS_POPUP, 0, 400,
                            240, 80, nullptr, nullptr, wc.hInstance, nullptr);
  }
  ~ShellSipWindow() { DestroyWindow(hwnd_); }
  bool shown() const { return IsWindowVisible(hwnd_) != FALSE; }

 private:
  HWND hwnd_ = nullptr;
};

TEST(ExitPassword, FieldTakesSixCharactersKeyboardTwiceShowsThenHidesTheSipCancelReturnsTwo) {
  ShellSipWindow sip;
  MessageBoxRecorder boxes;
  auto model = MakeModel(true);
  model->password = L"123456";
  int leaves = 0;
  qzr::ExitPasswordDialog dialog(*model, [&](HWND) { ++leaves; });
  std::wstring afterSeven;
  std::vector<uint32_t> flags;
  std::vector<bool> seen;
  bool focusInEdit = true, held = false;
  auto query = [&] {
    qzr::SipInfoRecord info;
    flags.push_back(qzr::SipGetInfo(&info) ? info.flags : 0xFFFFFFFF);
    seen.push_back(sip.shown());
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
  EXPECT_EQ(leaves, 0) << "neither a wrong password nor Cancel puts anything back";
  EXPECT_EQ(afterSeven, L"123456");
  EXPECT_EQ(boxes.boxes.size(), 1u);
  EXPECT_TRUE(held);
  EXPECT_FALSE(dialog.holdsPlatformLibrary());
  EXPECT_EQ(flags, (std::vector<uint32_t>{0, 1, 0}));
  EXPECT_EQ(seen, (std::vector<bool>{false, true, false}));
  EXPECT_TRUE(focusInEdit);
  // Cancel hid the SIP again; the entries outlive the dialog and its library handle.
  EXPECT_FALSE(sip.shown());
  qzr::SipInfoRecord info;
  ASSERT_TRUE(qzr::SipGetInfo(&info));
  EXPECT_EQ(info.flags, 0u);
}

// The right password runs the leaving steps once, from the standing dialog, which owns what they
// show; only then does the dialog end with the exit result.
TEST(ExitPassword, RightPasswordLeavesWhileTheDialogStands) {
  auto model = MakeModel(true);
  model->password = L"42";
  std::vector<HWND> owners;
  bool ownerStood = false;
  qzr::ExitPasswordDialog dialog(*model, [&](HWND owner) {
    owners.push_back(owner);
    ownerStood = IsWindow(owner) && IsWindowVisible(owner);
  });
  HWND shown = nullptr;
  ScriptedSteps steps({
      [&] {
        shown = TopDialog();
        Type(shown, L"42");
        Command(shown, IDOK);
      },
  });
  EXPECT_EQ(dialog.DoModal(), qzr::kExitResult);
  ASSERT_EQ(owners.size(), 1u);
  EXPECT_EQ(owners[0], shown);
  EXPECT_TRUE(ownerStood);
  EXPECT_FALSE(dialog.holdsPlatformLibrary());
}
