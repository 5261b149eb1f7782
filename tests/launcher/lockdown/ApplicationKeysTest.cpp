// The six application buttons in the real registry and shortcut files, on Pocket PCs and elsewhere.
#include <gtest/gtest.h>

#include "core/LauncherConfig.h"
#include "lockdown/Lockdown.h"
#include "LockdownTestSupport.h"
#include "MessageBoxRecorder.h"

using namespace lockdown_test;

namespace {

const std::wstring kShellKeys = L"Software\\Microsoft\\Shell\\Keys";
const std::wstring kModule = L"\\Flash File Store\\launcher\\QZRShell.exe";

std::wstring KeyPath(int n) { return kShellKeys + L"\\40C" + std::to_wstring(n); }

// 256 bytes: the text, then zeros.
RawValue Fixed(const std::wstring& text) {
  std::vector<BYTE> data = TextBytes(text, 0);
  data.resize(256, 0);
  return {REG_SZ, data};
}

// The device's shortcut text: the target's length, "#", the target.
std::string ShortcutText(const std::wstring& target) { return std::to_string(target.size()) + "#" + Narrow(target); }

// Counts the shell-keys notices that reach a top-level window of this process.
class SettingChangeWatcher {
 public:
  SettingChangeWatcher() {
    WNDCLASSW wc{};
    wc.lpfnWndProc = Proc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"QZRTestSettingWatcher";
    RegisterClassW(&wc);
    count_ = 0;
    window_ = CreateWindowExW(0, wc.lpszClassName, L"watcher", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, wc.hInstance, nullptr);
  }
  ~SettingChangeWatcher() { DestroyWindow(window_); }
  int Count() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
    return count_;
  }
  // Shell keys 40C1 to 40C6 present when the last notice arrived.
  static inline int keysAtLastNotice_ = 0;

 private:
  static LRESULT CALLBACK Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_SETTINGCHANGE && wParam == 0xE4 && lParam == 0) {
      ++count_;
      keysAtLastNotice_ = 0;
      for (int n = 1; n <= 6; ++n) keysAtLastNotice_ += KeyExists(HKEY_LOCAL_MACHINE, KeyPath(n)) ? 1 : 0;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
  }
  static inline int count_ = 0;
  HWND window_ = nullptr;
};

class ApplicationKeys : public ::testing::Test {
 protected:
  void SetUp() override {
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, kShellKeys.c_str());
    launcherFolder_ = folder_.path();
  }
  void TearDown() override { RegDeleteTreeW(HKEY_LOCAL_MACHINE, kShellKeys.c_str()); }
  ScratchFolder folder_{L"appkeys"};
  DeviceScope device_{L"PocketPC", 10};
  qzr::LauncherConfig config_;
  std::wstring launcherFolder_;
  testing_support::MessageBoxRecorder boxes_;
};

}  // namespace

TEST_F(ApplicationKeys, EachSlotKindOnAPocketPc) {
  // Slot 2's button keeps what it had; its old shortcut too.
  ASSERT_TRUE(WriteRaw(HKEY_LOCAL_MACHINE, KeyPath(2), L"Default", REG_SZ, TextBytes(L"\"\\windows\\camera.lnk\"")));
  ASSERT_TRUE(WriteBytes(folder_ / L"40C2.lnk", "old"));
  ASSERT_TRUE(WriteBytes(folder_ / L"40C1.lnk", "stale shortcut of an earlier start"));
  // program, shortcut, title, configured
  config_.appKeys = {{
      {},
      {L"UNLOCKED", L"", L"", true},
      {L"\\windows\\notepad.exe", L"", L"", true},
      {L"\"\\program files\\scan\\scan.exe\"", L"", L"", true},
      {L"\\windows\\calc.exe", L"\\windows\\start menu\\calc.lnk", L"", true},
      {L"unlocked", L"", L"", true},
  }};
  SettingChangeWatcher watcher;
  qzr::SetupApplicationKeys(config_, launcherFolder_, kModule);

  struct Expect {
    int n;
    std::wstring shortcutTarget;  // content of 40Cn.lnk in the launcher's folder; empty: none made
    std::wstring defaultValue;
    std::wstring icon;
  } expects[] = {
      {1, L"\"" + kModule + L"\"", L"\"" + folder_.path() + L"40C1.lnk\"", L"\"" + kModule + L"\""},
      {3, L"\"\\windows\\notepad.exe\"", L"\"" + folder_.path() + L"40C3.lnk\"", L"\"\\windows\\notepad.exe\""},
      {4, L"\"\\program files\\scan\\scan.exe\"", L"\"" + folder_.path() + L"40C4.lnk\"",
       L"\"\\program files\\scan\\scan.exe\""},
      {5, L"", L"\"\\windows\\start menu\\calc.lnk\"", L"\\windows\\calc.exe"},
  };
  for (const Expect& e : expects) {
    const std::wstring key = KeyPath(e.n);
    EXPECT_EQ(ReadRaw(HKEY_LOCAL_MACHINE, key, L"Default"), Fixed(e.defaultValue)) << e.n;
    EXPECT_EQ(ReadRaw(HKEY_LOCAL_MACHINE, key, L"ResetCmd"), Fixed(e.defaultValue)) << e.n;
    EXPECT_EQ(ReadRaw(HKEY_LOCAL_MACHINE, key, L"Icon"), Fixed(e.icon)) << e.n;
    EXPECT_EQ(ReadRaw(HKEY_LOCAL_MACHINE, key, L"Flags"), (RawValue{REG_DWORD, {0, 0, 0, 0}})) << e.n;
    auto lnk = ReadBytes(folder_ / (L"40C" + std::to_wstring(e.n) + L".lnk"));
    if (e.shortcutTarget.empty()) {
      EXPECT_FALSE(lnk.has_value()) << e.n;
    } else {
      EXPECT_EQ(lnk, ShortcutText(e.shortcutTarget)) << e.n;
    }
  }
  // "UNLOCKED" in any case leaves key and shortcut alone.
  EXPECT_EQ(ReadRaw(HKEY_LOCAL_MACHINE, KeyPath(2), L"Default"), (RawValue{REG_SZ, TextBytes(L"\"\\windows\\camera.lnk\"")}));
  EXPECT_FALSE(ReadRaw(HKEY_LOCAL_MACHINE, KeyPath(2), L"Icon").has_value());
  EXPECT_EQ(ReadBytes(folder_ / L"40C2.lnk"), std::string("old"));
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, KeyPath(6)));
  EXPECT_TRUE(boxes_.boxes.empty());
  // One notice once every key is in place: the shell never reads a half-written set.
  EXPECT_EQ(watcher.Count(), 1);
  EXPECT_EQ(watcher.keysAtLastNotice_, 5);
}

TEST_F(ApplicationKeys, LongTextsAreCutAndShortOnesZeroFilled) {
  const std::wstring longExe = L"\\" + std::wstring(200, L'p') + L".exe";
  qzr::AssignApplicationKey(launcherFolder_, L"40C1", longExe, L"\\s.lnk");
  auto icon = ReadRaw(HKEY_LOCAL_MACHINE, KeyPath(1), L"Icon");
  ASSERT_TRUE(icon.has_value());
  EXPECT_EQ(icon, Fixed(longExe.substr(0, 127)));
  EXPECT_EQ(ReadRaw(HKEY_LOCAL_MACHINE, KeyPath(1), L"Default"), Fixed(L"\"\\s.lnk\""));
}

TEST_F(ApplicationKeys, FailedShortcutIsShownAndTheKeyWrittenAllTheSame) {
  launcherFolder_ = folder_.path() + L"missing\\";
  qzr::AssignApplicationKey(launcherFolder_, L"40C3", L"\\windows\\notepad.exe", L"");
  ASSERT_EQ(boxes_.boxes.size(), 1u);
  EXPECT_EQ(boxes_.boxes[0].caption + L": " + boxes_.boxes[0].text, L"Error: Creating Shortcut Failed!");
  EXPECT_EQ(ReadRaw(HKEY_LOCAL_MACHINE, KeyPath(3), L"Default"), Fixed(L"\"" + launcherFolder_ + L"40C3.lnk\""));
  EXPECT_EQ(ReadRaw(HKEY_LOCAL_MACHINE, KeyPath(3), L"Icon"), Fixed(L"\"\\windows\\notepad.exe\""));
}

TEST_F(ApplicationKeys, OtherPlatformsKeepTheirButtons) {
  for (const wchar_t* platform : {L"XScale", L"Other"}) {
    DeviceScope device(platform, 10);
    config_.appKeys[1] = {L"\\a.exe", L"", L"", true};
    SettingChangeWatcher watcher;
    qzr::SetupApplicationKeys(config_, launcherFolder_, kModule);
    EXPECT_EQ(watcher.Count(), 0) << Narrow(platform);
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kShellKeys)) << Narrow(platform);
    EXPECT_FALSE(ReadBytes(folder_ / L"40C1.lnk").has_value()) << Narrow(platform);
  }
}

// Start-up binds the same keys every time: what already holds its binding is left as it is and
// needs no notice, while any difference in a key or its shortcut is written again.
TEST_F(ApplicationKeys, KeysThatHoldTheirBindingAreLeftAloneAndAnyDifferenceIsRewritten) {
  config_.appKeys = {};
  config_.appKeys[4] = {L"\\windows\\calc.exe", L"\\windows\\start menu\\calc.lnk", L"", true};
  auto start = [&] {
    SettingChangeWatcher watcher;
    qzr::SetupApplicationKeys(config_, launcherFolder_, kModule);
    return watcher.Count();
  };
  ASSERT_EQ(start(), 1);
  const std::string launcherShortcut = ShortcutText(L"\"" + kModule + L"\"");
  // Text after the counted target is not part of it: the shortcut still leads to the launcher.
  ASSERT_TRUE(WriteBytes(folder_ / L"40C6.lnk", launcherShortcut + "\r\n"));
  EXPECT_EQ(start(), 0) << "nothing changed";
  EXPECT_EQ(ReadBytes(folder_ / L"40C6.lnk"), launcherShortcut + "\r\n");

  ASSERT_TRUE(WriteRaw(HKEY_LOCAL_MACHINE, KeyPath(1), L"Name", REG_SZ, TextBytes(L"extra")));
  ASSERT_TRUE(WriteRaw(HKEY_LOCAL_MACHINE, KeyPath(5), L"Icon", REG_SZ, TextBytes(L"\\windows\\calc.exe")));
  const std::pair<const wchar_t*, std::string> badShortcuts[] = {
      {L"40C2.lnk", "3#\"\\Flash File Store\\launcher\\QZRShell.exe\""},  // another target
      {L"40C3.lnk", std::to_string(launcherShortcut.size() + 5) + launcherShortcut.substr(launcherShortcut.find('#'))},
      {L"40C4.lnk", "#" + launcherShortcut},
  };
  for (const auto& [name, text] : badShortcuts) ASSERT_TRUE(WriteBytes(folder_ / name, text));
  ASSERT_TRUE(DeleteFileW((folder_ / L"40C6.lnk").c_str()));
  EXPECT_EQ(start(), 1);
  EXPECT_FALSE(ReadRaw(HKEY_LOCAL_MACHINE, KeyPath(1), L"Name").has_value());
  EXPECT_EQ(ReadRaw(HKEY_LOCAL_MACHINE, KeyPath(5), L"Icon"), Fixed(L"\\windows\\calc.exe"));
  for (const wchar_t* name : {L"40C2.lnk", L"40C3.lnk", L"40C4.lnk", L"40C6.lnk"})
    EXPECT_EQ(ReadBytes(folder_ / name), launcherShortcut) << Narrow(name);
  EXPECT_TRUE(boxes_.boxes.empty());
}
