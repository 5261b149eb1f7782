// The Windows Mobile shell calls, against the real device shell where it takes part.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "DeviceProfile.h"
#include "ShellLayout.h"
#include "TestSupport.h"
#include "softkeys.h"
#include "wince.h"

using namespace testing_support;
namespace tb = wince::taskbar;

namespace {

void Tap(HWND window, POINT p) {
  LPARAM at = MAKELPARAM(p.x, p.y);
  PostMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, at);
  PostMessageW(window, WM_LBUTTONUP, 0, at);
}

POINT Centre(const RECT& r) { return {(r.left + r.right) / 2, (r.top + r.bottom) / 2}; }

LRESULT TaskBarState() { return SendMessageW(DeviceShellProcess::TaskBar(), tb::kQueryStateMessage, 0, 0); }

std::string Bmp24(int w, int h, COLORREF colour) {
  int stride = (w * 3 + 3) & ~3;
  std::string pixels;
  for (int y = 0; y < h; ++y) {
    std::string row;
    for (int x = 0; x < w; ++x) row += {char(GetBValue(colour)), char(GetGValue(colour)), char(GetRValue(colour))};
    row.resize(stride, '\0');
    pixels += row;
  }
  BITMAPFILEHEADER fh{0x4D42, DWORD(14 + 40 + pixels.size()), 0, 0, 14 + 40};
  BITMAPINFOHEADER ih{sizeof ih, w, h, 1, 24, BI_RGB, DWORD(pixels.size())};
  return std::string(reinterpret_cast<char*>(&fh), 14) + std::string(reinterpret_cast<char*>(&ih), 40) + pixels;
}

}  // namespace

TEST(Aygshell, SoftKeyResourceParsingRefusesMalformedResources) {
  const std::vector<WORD> cases[] = {{2, 32783, 32775, 32780}, {0}, {}};  // shorter than its count says, no keys, empty
  for (const std::vector<WORD>& words : cases) {
    std::vector<wince::SoftKey> keys;
    EXPECT_FALSE(wince::ParseSoftKeys(words.data(), words.size() * 2, &keys)) << words.size();
    EXPECT_TRUE(keys.empty()) << words.size();
  }
}

TEST(Aygshell, SoftKeyBarFromResourceSendsCommandsToOwner) {
  struct Case {
    UINT resource;
    DWORD flags;
    bool created;
    std::vector<UINT> commands;  // sent by tapping key 0, then key 1 (where there is one)
  } cases[] = {
      {155, 0, true, {32771}},
      {156, 0, true, {32775, 32771}},
      {157, 0, false, {}},  // three keys: malformed
      {999, 0, false, {}},  // no such resource
      {0, SHCMBF_EMPTYBAR, true, {}},
  };
  const int width = GetSystemMetrics(SM_CXSCREEN), height = GetSystemMetrics(SM_CYSCREEN);
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "resource " << c.resource);
    TestWindow owner;
    SHMENUBARINFO info{sizeof info};
    info.hwndParent = owner.hwnd();
    info.nToolBarId = c.resource;
    info.hInstRes = GetModuleHandleW(nullptr);
    info.dwFlags = c.flags;
    ASSERT_EQ(SHCreateMenuBar(&info) != FALSE, c.created);
    if (!c.created) {
      EXPECT_EQ(SHFindMenuBar(owner.hwnd()), nullptr);
      continue;
    }
    ASSERT_NE(info.hwndMB, nullptr);
    EXPECT_EQ(SHFindMenuBar(owner.hwnd()), info.hwndMB);
    RECT r;
    GetWindowRect(info.hwndMB, &r);
    EXPECT_EQ(r.bottom, height);
    EXPECT_EQ(r.right - r.left, width);
    EXPECT_EQ(r.bottom - r.top, wince::ShellBarHeight(width, height));
    RECT client;
    GetClientRect(info.hwndMB, &client);
    for (size_t i = 0; i < c.commands.size(); ++i)
      Tap(info.hwndMB, Centre(wince::SoftKeyRect(client.right, client.bottom, static_cast<int>(c.commands.size()), int(i))));
    ASSERT_TRUE(PumpUntil([&] { return owner.commands.size() >= c.commands.size(); }));
    PumpUntil([] { return false; }, 100);
    EXPECT_EQ(owner.commands, c.commands);
    DestroyWindow(info.hwndMB);
    EXPECT_EQ(SHFindMenuBar(owner.hwnd()), nullptr);
  }
  SHMENUBARINFO bad{sizeof bad};
  EXPECT_FALSE(SHCreateMenuBar(&bad));  // no owner
  EXPECT_FALSE(SHCreateMenuBar(nullptr));
}

// A window sized over the whole screen ends above its soft-key bar, as on the device, however
// it is sized later; a real click on a key then reaches the bar, not the window under it.
TEST(Aygshell, OwnerEndsAboveItsSoftKeyBar) {
  const int width = GetSystemMetrics(SM_CXSCREEN), height = GetSystemMetrics(SM_CYSCREEN);
  TestWindow owner;
  SetWindowLongPtrW(owner.hwnd(), GWL_STYLE, WS_POPUP | WS_VISIBLE);
  MoveWindow(owner.hwnd(), 0, 0, width, height, TRUE);
  SHMENUBARINFO info{sizeof info};
  info.hwndParent = owner.hwnd();
  info.nToolBarId = 156;
  info.hInstRes = GetModuleHandleW(nullptr);
  ASSERT_TRUE(SHCreateMenuBar(&info));
  RECT bar, r;
  GetWindowRect(info.hwndMB, &bar);
  GetWindowRect(owner.hwnd(), &r);
  EXPECT_EQ(r.bottom, bar.top);
  MoveWindow(owner.hwnd(), 0, 0, width, height, TRUE);  // what the product's full-size move does
  GetWindowRect(owner.hwnd(), &r);
  EXPECT_EQ(r.bottom, bar.top);
  SetWindowPos(owner.hwnd(), nullptr, 0, 26, 0, 0, SWP_NOSIZE | SWP_NOZORDER);  // moved down, as centring does
  GetWindowRect(owner.hwnd(), &r);
  EXPECT_EQ(r.top, 26);
  EXPECT_EQ(r.bottom, bar.top);
  MoveWindow(owner.hwnd(), 10, 10, 100, 100, TRUE);  // wholly above the bar: left alone
  GetWindowRect(owner.hwnd(), &r);
  EXPECT_EQ(r.bottom, 110);

  MoveWindow(owner.hwnd(), 0, 0, width, height, TRUE);
  SetForegroundWindow(owner.hwnd());
  PumpUntil([] { return false; }, 200);
  POINT key = Centre(wince::SoftKeyRect(bar.right - bar.left, bar.bottom - bar.top, 2, 1));
  key.x += bar.left;
  key.y += bar.top;
  EXPECT_EQ(WindowFromPoint(key), info.hwndMB);
  TapScreen(key);
  EXPECT_TRUE(PumpUntil([&] { return !owner.commands.empty(); }));
  EXPECT_EQ(owner.commands, std::vector<UINT>{32771});

  EXPECT_EQ(wince::HeightAboveMenuBar(0, 588, 588), 588);
  EXPECT_EQ(wince::HeightAboveMenuBar(600, 40, 588), 40);  // below the bar's top
  EXPECT_EQ(wince::HeightAboveMenuBar(0, 640, -1), 640);   // a bar moved off the screen
  DestroyWindow(info.hwndMB);
}

TEST(Aygshell, SoftKeyGeometry) {
  struct Case {
    int count, index;
    RECT expected;
  } cases[] = {
      {1, 0, {0, 0, 240, 26}}, {2, 0, {0, 0, 240, 26}}, {2, 1, {240, 0, 480, 26}}, {1, 1, {0, 0, 0, 0}}, {0, 0, {0, 0, 0, 0}},
  };
  for (const Case& c : cases) {
    RECT r = wince::SoftKeyRect(480, 26, c.count, c.index);
    EXPECT_TRUE(EqualRect(&r, &c.expected)) << c.count << "/" << c.index;
  }
  EXPECT_EQ(wince::SoftKeyAt(480, 26, 2, {479, 10}), 1);
  EXPECT_EQ(wince::SoftKeyAt(480, 26, 1, {300, 10}), -1);
}

TEST(Aygshell, DoneButtonStateAndFullScreenWithoutShell) {
  DeviceShellProcess::CloseRunning();
  TestWindow owner;
  EXPECT_EQ(wince::DoneButtonState(owner.hwnd()), 0u);
  // Shown and hidden through the real task bar: OkButtonFollowsForegroundAndSendsIdOk.
  EXPECT_TRUE(SHDoneButton(owner.hwnd(), SHDB_SHOW));
  EXPECT_FALSE(SHDoneButton(owner.hwnd(), 3));
  EXPECT_EQ(wince::DoneButtonState(owner.hwnd()), 1u);
  EXPECT_FALSE(SHDoneButton(nullptr, SHDB_SHOW));
  EXPECT_FALSE(SHFullScreen(owner.hwnd(), SHFS_HIDETASKBAR));  // no task bar to change
}

TEST(Aygshell, FullScreenDrivesTheRealTaskBar) {
  DeviceShellProcess shell;
  ASSERT_TRUE(shell.running());
  TestWindow owner;
  struct Step {
    DWORD flags;
    bool visible;
    LRESULT shows;  // start icon and SIP button bits
  } steps[] = {
      {SHFS_HIDETASKBAR | SHFS_HIDESIPBUTTON | SHFS_HIDESTARTICON, false, 0},
      {SHFS_SHOWTASKBAR | SHFS_SHOWSIPBUTTON, true, tb::kShowsSipButton},
      {SHFS_HIDESIPBUTTON, true, 0},
      {SHFS_SHOWSTARTICON | SHFS_SHOWSIPBUTTON, true, tb::kShowsStartIcon | tb::kShowsSipButton},
      {SHFS_HIDETASKBAR, false, tb::kShowsStartIcon | tb::kShowsSipButton},
      {SHFS_SHOWTASKBAR, true, tb::kShowsStartIcon | tb::kShowsSipButton},
  };
  for (const Step& s : steps) {
    SCOPED_TRACE(testing::Message() << "flags 0x" << std::hex << s.flags);
    EXPECT_TRUE(SHFullScreen(owner.hwnd(), s.flags));
    // The shell answers before it hides or shows its window.
    EXPECT_TRUE(PumpUntil([&] { return (IsWindowVisible(DeviceShellProcess::TaskBar()) != FALSE) == s.visible; }));
    EXPECT_EQ(TaskBarState() & (tb::kShowsStartIcon | tb::kShowsSipButton), s.shows);
  }
  // The bar sits across the top of the screen.
  RECT r;
  GetWindowRect(DeviceShellProcess::TaskBar(), &r);
  const int width = GetSystemMetrics(SM_CXSCREEN), height = GetSystemMetrics(SM_CYSCREEN);
  EXPECT_EQ(r.top, 0);
  EXPECT_EQ(r.right - r.left, width);
  EXPECT_EQ(r.bottom, wince::ShellBarHeight(width, height));
  HWND desktop = FindWindowW(tb::kDesktopClassName, nullptr);
  ASSERT_NE(desktop, nullptr);
  GetWindowRect(desktop, &r);
  EXPECT_EQ(r.right - r.left, width);
  EXPECT_EQ(r.bottom - r.top, height);
}

TEST(Aygshell, OkButtonFollowsForegroundAndSendsIdOk) {
  DeviceShellProcess shell;
  ASSERT_TRUE(shell.running());
  TestWindow owner;
  ASSERT_TRUE(owner.Front());

  EXPECT_TRUE(SHDoneButton(owner.hwnd(), SHDB_SHOW));
  ASSERT_TRUE(PumpUntil([] { return (TaskBarState() & tb::kShowsOkButton) != 0; }));
  RECT client;
  GetClientRect(DeviceShellProcess::TaskBar(), &client);
  Tap(DeviceShellProcess::TaskBar(), Centre(devshell::LayoutTaskBar(client.right, client.bottom).okButton));
  ASSERT_TRUE(PumpUntil([&] { return !owner.commands.empty(); }));
  EXPECT_EQ(owner.commands, std::vector<UINT>{IDOK});

  // A tap elsewhere on the bar sends nothing.
  owner.commands.clear();
  Tap(DeviceShellProcess::TaskBar(), Centre(devshell::LayoutTaskBar(client.right, client.bottom).title));
  PumpUntil([] { return false; }, 300);
  EXPECT_TRUE(owner.commands.empty());

  EXPECT_TRUE(SHDoneButton(owner.hwnd(), SHDB_HIDE));
  ASSERT_TRUE(PumpUntil([] { return (TaskBarState() & tb::kShowsOkButton) == 0; }));
  Tap(DeviceShellProcess::TaskBar(), Centre(devshell::LayoutTaskBar(client.right, client.bottom).okButton));
  PumpUntil([] { return false; }, 300);
  EXPECT_TRUE(owner.commands.empty());
}

TEST(Aygshell, SipShowsHidesAndTypesIntoTheFocusedWindow) {
  auto show = Export<BOOL(WINAPI*)(DWORD)>(L"CoreDLL.dll", "SipShowIM");
  auto info = Export<BOOL(WINAPI*)(SIPINFO*)>(L"CoreDLL.dll", "SipGetInfo");
  auto unregister = Export<BOOL(WINAPI*)(UINT, UINT)>(L"CoreDLL.dll", "UnregisterFunc1");
  ASSERT_TRUE(show && info && unregister);
  EXPECT_TRUE(unregister(MOD_WIN, VK_F1));

  DeviceShellProcess::CloseRunning();
  SIPINFO si{sizeof si};
  EXPECT_FALSE(show(1));  // no device shell, no keyboard
  EXPECT_FALSE(info(&si));

  DeviceShellProcess shell;
  ASSERT_TRUE(shell.running());
  TestWindow owner;
  HWND edit = CreateWindowExW(0, L"EDIT", L"", WS_CHILD | WS_VISIBLE | WS_BORDER, 5, 5, 150, 24, owner.hwnd(), nullptr,
                              nullptr, nullptr);
  ASSERT_TRUE(owner.Front());
  SetFocus(edit);

  struct Step {
    DWORD show;
    DWORD flags;
  } steps[] = {{1, SIPF_ON}, {0, 0}, {1, SIPF_ON}};
  for (const Step& s : steps) {
    EXPECT_TRUE(show(s.show));
    si = SIPINFO{sizeof si};
    ASSERT_TRUE(info(&si));
    EXPECT_EQ(si.fdwFlags & SIPF_ON, s.flags) << s.show;
  }
  EXPECT_EQ(si.rcVisibleDesktop.bottom, si.rcSipRect.top);
  SIPINFO small{40};
  EXPECT_FALSE(info(&small));

  HWND sip = FindWindowW(tb::kSipClassName, nullptr);
  RECT client;
  GetClientRect(sip, &client);
  for (wchar_t key : std::wstring(L"42a\b7")) {
    int row = 0, column = 0;
    ASSERT_TRUE(devshell::FindSipKey(key, &row, &column));
    Tap(sip, Centre(devshell::SipKeyRect(client.right, client.bottom, row, column)));
  }
  wchar_t text[16] = {};
  EXPECT_TRUE(PumpUntil([&] {
    GetWindowTextW(edit, text, 16);
    return std::wstring(text) == L"427";
  })) << Narrow(text);
  EXPECT_EQ(GetForegroundWindow(), owner.hwnd());  // typing did not take the foreground
  EXPECT_TRUE(show(0));
}

TEST(Aygshell, PowerStatusFromProfile) {
  auto statusEx = Export<BOOL(WINAPI*)(PSYSTEM_POWER_STATUS_EX, BOOL)>(L"CoreDLL.dll", "GetSystemPowerStatusEx");
  ASSERT_NE(statusEx, nullptr);
  ProfileScope scope;
  struct Case {
    const wchar_t* value;  // nullptr: not in the profile
    DWORD copied;
    BYTE percent, flag;
  } cases[] = {
      {L"42", 56, 42, 0x00}, {L"100", 56, 100, 0x01}, {L"3", 56, 3, 0x04}, {L"20", 56, 20, 0x02},
      {L"255", 56, 255, 0xFF}, {L"256", 0, 0, 0}, {L"4x", 0, 0, 0}, {L"", 0, 0, 0}, {nullptr, 0, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << (c.value ? Narrow(c.value) : "(missing)"));
    if (c.value) scope.Set(wince::profile::kBatteryPercent, c.value);
    else scope.Unset(wince::profile::kBatteryPercent);
    BYTE record[64];
    memset(record, 0xAB, sizeof record);
    EXPECT_EQ(GetSystemPowerStatusEx2(reinterpret_cast<PSYSTEM_POWER_STATUS_EX2>(record), 56, TRUE), c.copied);
    EXPECT_EQ(record[56], 0xAB);
    SYSTEM_POWER_STATUS_EX ex{};
    EXPECT_EQ(statusEx(&ex, TRUE) != FALSE, c.copied != 0);
    if (!c.copied) continue;
    EXPECT_EQ(record[2], c.percent);
    EXPECT_EQ(record[1], c.flag);
    EXPECT_EQ(ex.BatteryLifePercent, c.percent);
  }
  // A shorter record than the device's gets only its own length.
  scope.Set(wince::profile::kBatteryPercent, L"77");
  BYTE shortRecord[8];
  memset(shortRecord, 0xAB, sizeof shortRecord);
  EXPECT_EQ(GetSystemPowerStatusEx2(reinterpret_cast<PSYSTEM_POWER_STATUS_EX2>(shortRecord), 4, TRUE), 4u);
  EXPECT_EQ(shortRecord[2], 77);
  EXPECT_EQ(shortRecord[4], 0xAB);
  EXPECT_EQ(GetSystemPowerStatusEx2(nullptr, 56, TRUE), 0u);
}

TEST(Aygshell, LoadDIBitmapFromFile) {
  ScratchFolder folder(L"dib");
  ASSERT_TRUE(WriteBytes(folder / L"logo.bmp", Bmp24(5, 3, RGB(12, 34, 56))));
  ASSERT_TRUE(WriteBytes(folder / L"broken.bmp", "BM not a bitmap"));
  // Root-relative, as the device names files; the current folder is drive C.
  std::wstring devicePath = (folder / L"logo.bmp").substr(2);
  struct Case {
    std::wstring path;
    bool loaded;
  } cases[] = {{folder / L"logo.bmp", true}, {devicePath, true}, {folder / L"missing.bmp", false},
               {folder / L"broken.bmp", false}, {L"", false}};
  for (const Case& c : cases) {
    HBITMAP bitmap = SHLoadDIBitmap(c.path.c_str());
    EXPECT_EQ(bitmap != nullptr, c.loaded) << Narrow(c.path);
    if (!bitmap) continue;
    DIBSECTION dib{};
    ASSERT_EQ(GetObjectW(bitmap, sizeof dib, &dib), static_cast<int>(sizeof dib));  // a DIB section
    EXPECT_EQ(dib.dsBm.bmWidth, 5);
    EXPECT_EQ(dib.dsBm.bmHeight, 3);
    const BYTE* first = static_cast<const BYTE*>(dib.dsBm.bmBits);
    EXPECT_EQ(RGB(first[2], first[1], first[0]), RGB(12, 34, 56));
    DeleteObject(bitmap);
  }
}
