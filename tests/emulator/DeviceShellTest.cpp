// The device shell as lockdown meets it, driven by real input (SendInput) and read back from its windows.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <memory>
#include <string>
#include <vector>

#include "DeviceProfile.h"
#include "KeypadRegistry.h"
#include "RegistrySupport.h"
#include "ShellKeys.h"
#include "ShellLayout.h"
#include "TestSupport.h"
#include "wince.h"

using namespace testing_support;
namespace tb = wince::taskbar;

namespace {

HWND TaskBar() { return DeviceShellProcess::TaskBar(); }

LRESULT ShellState() {
  DWORD_PTR state = 0;
  SendMessageTimeoutW(TaskBar(), devshell::kShellStateMessage, 0, 0, SMTO_ABORTIFHUNG, 3000, &state);
  return static_cast<LRESULT>(state);
}

bool Shows(const wchar_t* windowClass) {
  HWND w = FindWindowW(windowClass, nullptr);
  return w && IsWindowVisible(w);
}

std::wstring TitleOf(const wchar_t* windowClass) {
  wchar_t text[128] = {};
  if (HWND w = FindWindowW(windowClass, nullptr)) GetWindowTextW(w, text, 128);
  return text;
}

// Demo programs that buttons and soft keys started: closed so that nothing covers the desktop.
void CloseDemos() {
  for (int i = 0; i < 50; ++i) {
    HWND demo = FindWindowW(L"QZR.Demo", nullptr);
    if (!demo) return;
    PostMessageW(demo, WM_CLOSE, 0, 0);
    DestroyWindow(demo);
    Sleep(50);
    if (FindWindowW(L"QZR.Demo", nullptr) == demo) PostMessageW(demo, WM_LBUTTONUP, 0, 0);
  }
}

int Bar() { return wince::ShellBarHeight(GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)); }

// Back to a quiet screen: whatever the shell shows closed.
void Quiet() {
  if (ShellState() & (devshell::kShowsStartMenu | devshell::kShowsSwitcher | devshell::kShowsNotice)) PressKeys({VK_ESCAPE});
  PumpUntil([] { return !(ShellState() & (devshell::kShowsStartMenu | devshell::kShowsSwitcher | devshell::kShowsNotice)); },
            3000);
}

int RunQzremu(const std::wstring& args) {
  ProcessResult r = RunProcess(L"\"" + BinFolder() + L"qzremu.exe\" " + args);
  return r.finished ? static_cast<int>(r.exitCode) : -1;
}

// Sets a keypad change event as the launcher does (manual-reset, made set; the driver made it
// first) and waits for the driver's reload, which comes once for each time the event is set.
void Reload(const wchar_t* name) {
  Journal journal;
  HANDLE e = CreateEventW(nullptr, TRUE, TRUE, name);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS)) << "the driver made it";
  SetEvent(e);
  CloseHandle(e);
  const std::string line = "keypad: tables reloaded (" + Narrow(name) + ")";
  ASSERT_TRUE(journal.WaitFor(line)) << journal.Dump();
  Sleep(500);
  EXPECT_EQ(journal.Count("keypad: tables reloaded"), 1u) << journal.Dump();
}

// The keypad tables go back to the default device's factory state after a test changed them.
struct FactoryKeypadAfterwards {
  ~FactoryKeypadAfterwards() { RunQzremu(L"keypad seed"); }
};

// One device shell serves the tests in turn, keypad driver up, with the test's key sink in front for
// keys nobody takes. A test that changes what the shell holds (hot keys, keypad tables) spends it.
class DeviceShell : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!shell_ || !shell_->running()) {
      shell_.reset();
      shell_ = std::make_unique<DeviceShellProcess>(devshell::kKeypadDriverClass);
      Sleep(300);  // the driver's hook is set right after its window
    }
    ASSERT_TRUE(shell_->running());
    // A window new to the shell: one that was in front when the Today screen came would keep it.
    sink_ = std::make_unique<TestWindow>();
    sink_->Front();
    Quiet();
  }
  void TearDown() override {
    sink_.reset();
    CloseDemos();
    if (spent_) shell_.reset();
    spent_ = false;
  }
  static void TearDownTestSuite() { shell_.reset(); }
  // Puts the test's key sink in front again (after a test brought other windows forward).
  void Refocus() { sink_->Front(); }
  void Spend() { spent_ = true; }

 private:
  static inline std::unique_ptr<DeviceShellProcess> shell_;
  std::unique_ptr<TestWindow> sink_;
  bool spent_ = false;
};

}  // namespace

TEST_F(DeviceShell, WindowsKeyAndStartTapOpenItEscapeClosesIt) {
  ASSERT_FALSE(Shows(devshell::kStartMenuClass));
  Journal journal;

  for (WORD windowsKey : {VK_LWIN, VK_RWIN}) {
    SCOPED_TRACE(windowsKey);
    PressKeys({windowsKey});
    EXPECT_TRUE(PumpUntil([] { return Shows(devshell::kStartMenuClass); })) << journal.Dump();
    EXPECT_EQ(TitleOf(devshell::kStartMenuClass), L"Start");
    PressKeys({VK_ESCAPE});
    EXPECT_TRUE(PumpUntil([] { return !Shows(devshell::kStartMenuClass); }));
  }

  // A tap on the title area does nothing; a tap on the Start area opens the menu.
  TapScreen({Bar() * 3, Bar() / 2});
  Sleep(500);
  EXPECT_FALSE(Shows(devshell::kStartMenuClass));
  TapScreen({Bar() / 2, Bar() / 2});
  EXPECT_TRUE(PumpUntil([] { return Shows(devshell::kStartMenuClass); })) << journal.Dump();
  EXPECT_TRUE(journal.Has("shell: Start menu opened (Windows key)"));
  EXPECT_TRUE(journal.Has("shell: Start menu opened (Start tap)"));

  // With the Start menu up, Win+F6 goes to the Today screen: a Windows key held with another is no lone press.
  PressKeys({VK_LWIN, VK_F6});
  EXPECT_TRUE(PumpUntil([] { return (ShellState() & devshell::kShowsToday) != 0; })) << journal.Dump();
  EXPECT_FALSE(Shows(devshell::kStartMenuClass));
}

// The shell's own messages, as the launcher's filter passes or swallows them.
TEST_F(DeviceShell, MenuMessagesAndTheActivateRequest) {
  for (UINT msg : {static_cast<UINT>(WM_INITMENUPOPUP), static_cast<UINT>(WM_ENTERMENULOOP)}) {
    PostMessageW(TaskBar(), msg, 0, 0);
    EXPECT_TRUE(PumpUntil([] { return Shows(devshell::kStartMenuClass); })) << msg;
    Quiet();
  }
  // WM_USER 8 brings the named window to the front (and leaves the Today screen).
  TestWindow window, other;
  other.Front();
  PostMessageW(TaskBar(), WM_USER, 8, reinterpret_cast<LPARAM>(window.hwnd()));
  EXPECT_TRUE(PumpUntil([&] { return GetForegroundWindow() == window.hwnd(); }));
  // The desktop's own handle (as the desktop posts it) asks for the Today screen.
  PostMessageW(TaskBar(), WM_USER, 8, reinterpret_cast<LPARAM>(FindWindowW(tb::kDesktopClassName, nullptr)));
  EXPECT_TRUE(PumpUntil([] { return (ShellState() & devshell::kShowsToday) != 0; }));
}

TEST_F(DeviceShell, EachSystemKeyActsVisibly) {
  struct Case {
    std::vector<WORD> keys;
    LRESULT shows;
    const wchar_t* windowClass;
    const wchar_t* title;
  };
  const Case cases[] = {
      {{VK_ESCAPE}, devshell::kShowsToday, nullptr, nullptr},  // first: nothing else is up
      {{VK_F3}, devshell::kShowsNotice, devshell::kNoticeClass, L"Phone: no network"},
      {{VK_F4}, devshell::kShowsNotice, devshell::kNoticeClass, L"Phone: call ended"},
      {{VK_F6}, devshell::kShowsNotice, devshell::kNoticeClass, L"Volume up"},
      {{VK_F7}, devshell::kShowsNotice, devshell::kNoticeClass, L"Volume down"},
      {{VK_F22}, devshell::kShowsNotice, devshell::kNoticeClass, L"Device locked"},
      {{VK_CONTROL, VK_ESCAPE}, devshell::kShowsStartMenu, devshell::kStartMenuClass, L"Start"},
      {{VK_MENU, VK_TAB}, devshell::kShowsSwitcher, devshell::kSwitcherClass, L"Running Programs"},
      {{VK_CONTROL, VK_MENU, VK_DELETE}, devshell::kShowsSwitcher, devshell::kSwitcherClass, L"Task Manager"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.keys.back());
    Quiet();
    PressKeys(c.keys);
    EXPECT_TRUE(PumpUntil([&] { return (ShellState() & c.shows) != 0; }));
    if (c.windowClass) {
      EXPECT_TRUE(Shows(c.windowClass));
      EXPECT_EQ(TitleOf(c.windowClass), c.title);
    }
  }
}

// UnregisterFunc1 takes each combination the launcher claims away from the shell: the caller's
// RegisterHotKey then succeeds, a third program's fails, and the key reaches the caller only.
TEST_F(DeviceShell, UnregisterFunc1TakesTheKeyFromTheShell) {
  Spend();
  auto unregister = Export<BOOL(WINAPI*)(UINT, UINT)>(BinFolder() + L"CoreDLL.dll", "UnregisterFunc1");
  ASSERT_NE(unregister, nullptr);
  auto thirdProgram = [](UINT mods, UINT vk) {
    const std::wstring demo = L"\"" + BinFolder() + L"qzrdemo.exe\" --claim-hotkey ";
    return RunProcess(demo + std::to_wstring(mods) + L" " + std::to_wstring(vk)).exitCode;
  };
  // Every hot key the shell holds, pressed with its modifiers.
  for (const devshell::ShellHotKey& k : devshell::ShellHotKeys()) {
    const std::string name = Narrow(k.name);
    SCOPED_TRACE(name);
    const int id = 0xA000 + k.id;
    std::vector<WORD> keys;
    if (k.modifiers & MOD_CONTROL) keys.push_back(VK_CONTROL);
    if (k.modifiers & MOD_ALT) keys.push_back(VK_MENU);
    if (k.modifiers & MOD_WIN) keys.push_back(VK_LWIN);
    keys.push_back(static_cast<WORD>(k.vk));
    EXPECT_FALSE(RegisterHotKey(nullptr, id, k.modifiers, k.vk)) << "the shell holds it";
    Journal journal;
    EXPECT_TRUE(unregister(k.modifiers, k.vk));
    EXPECT_TRUE(journal.Has("shell: hot key " + name + " given up")) << journal.Dump();
    ASSERT_TRUE(RegisterHotKey(nullptr, id, k.modifiers, k.vk)) << GetLastError();
    EXPECT_EQ(thirdProgram(k.modifiers, k.vk), 1u) << "now the caller holds it";

    PressKeys(keys);
    MSG msg{};
    EXPECT_TRUE(PumpUntil([&] { return PeekMessageW(&msg, nullptr, WM_HOTKEY, WM_HOTKEY, PM_REMOVE) != 0; }, 3000));
    EXPECT_EQ(static_cast<int>(msg.wParam), id);
    Sleep(300);
    EXPECT_EQ(journal.Count("shell: hot key " + name), 1u) << "only the giving up: " << journal.Dump();
    EXPECT_EQ(ShellState() & (devshell::kShowsNotice | devshell::kShowsSwitcher | devshell::kShowsToday |
                              devshell::kShowsStartMenu),
              0);
    UnregisterHotKey(nullptr, id);
  }
  // A combination the shell doesn't hold: nothing to take, still TRUE, and the key left free.
  EXPECT_TRUE(unregister(MOD_SHIFT, VK_F9));
  EXPECT_TRUE(RegisterHotKey(nullptr, 0xA0FF, MOD_SHIFT, VK_F9) && UnregisterHotKey(nullptr, 0xA0FF));
}

// Application buttons open their shell key's "Default" through the open operation; one without it does nothing.
TEST_F(DeviceShell, OpenTheConfiguredShortcutThroughTheOpenOperation) {
  ScratchFolder folder(L"buttons");
  std::vector<std::unique_ptr<RegistryScope>> keys;
  for (int n = 1; n <= 6; ++n)
    keys.push_back(std::make_unique<RegistryScope>(HKEY_LOCAL_MACHINE, devshell::ButtonKeyPath(n)));
  std::wstring shortcut = folder / L"40C2.lnk";
  std::wstring target = L"\"\\Windows\\demonotes.exe\" hello";
  ASSERT_TRUE(SHCreateShortcut(shortcut.data(), target.data()));
  std::wstring device = wince::DeviceFormPath(shortcut, L'C');
  ASSERT_TRUE(WriteRegString(HKEY_LOCAL_MACHINE, devshell::ButtonKeyPath(2), L"Default", L"\"" + device + L"\""));
  ASSERT_TRUE(WriteRegString(HKEY_LOCAL_MACHINE, devshell::ButtonKeyPath(3), L"Default", device));
  ASSERT_TRUE(WriteRegString(HKEY_LOCAL_MACHINE, devshell::ButtonKeyPath(6), L"Default", L"\\Windows\\demoscan.exe"));
  ASSERT_TRUE(WriteRegString(HKEY_LOCAL_MACHINE, devshell::ButtonKeyPath(4), L"Default", L"\"\""));

  struct Case {
    int button;
    bool byKey;  // Ctrl+F<n> on the keyboard, else `qzremu button n`
    const char* expect;
  };
  const Case cases[] = {
      {2, false, "Demo demonotes args=[hello]"},
      {3, true, "Demo demonotes args=[hello]"},
      {6, true, "Demo demoscan args=[]"},
      {5, false, "shell: button 5: nothing assigned"},
      {1, true, "shell: button 1: nothing assigned"},
      {4, true, "shell: button 4: nothing assigned"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.button);
    Journal journal;
    if (c.byKey) PressKeys({VK_CONTROL, static_cast<WORD>(VK_F1 + c.button - 1)});
    else EXPECT_EQ(RunQzremu(L"button " + std::to_wstring(c.button)), 0);
    EXPECT_TRUE(journal.WaitFor(c.expect)) << journal.Dump();
    Sleep(300);
    EXPECT_EQ(journal.Count("Demo "), std::string(c.expect).find("Demo") == 0 ? 1u : 0u) << journal.Dump();
    EXPECT_FALSE(journal.Has("Volume")) << "Ctrl+F6 is a button, not the volume key";
    CloseDemos();
    Refocus();
  }

  // The .exe class's open command decides how the program starts (the whitelist monitor's hook).
  RegistryScope command(HKEY_CLASSES_ROOT, L"exefile\\shell\\open\\command");
  ASSERT_TRUE(WriteRegString(HKEY_CLASSES_ROOT, L"exefile\\shell\\open\\command", L"Default",
                        L"\"\\Windows\\demoscan.exe\" gate \"%1\" %*"));
  Journal journal;
  EXPECT_EQ(RunQzremu(L"button 2"), 0);
  EXPECT_TRUE(journal.WaitFor("Demo demoscan args=[gate \"\\Windows\\demonotes.exe\" hello]")) << journal.Dump();
  EXPECT_FALSE(journal.Has("Demo demonotes"));
}

TEST(DeviceShellKeypad, InstallSeedsTheProfileModelsTablesVolatile) {
  FactoryKeypadAfterwards restore;
  ProfileScope profile;
  struct Case {
    const wchar_t* pal;
    const wchar_t* oem;
    const wchar_t* config;
  };
  // Which names give which model: KeypadTables.EachModelCarriesTheRecordsItsRemapRuleLooksFor.
  const Case cases[] = {
      {L"VX12 Rugged Handheld", L"Korvanex VX12", L"Keypad_VX12"},  // the default profile's device
      {L"", L"Korvanex VR42", L"Keypad_VR42"},
      {L"VX13 Rugged", L"Korvanex VX13", L"Keypad_VX13"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.config);
    profile.Set(wince::profile::kPalModel, c.pal);
    profile.Set(wince::profile::kOemInfo, c.oem);
    ASSERT_EQ(RunQzremu(L"keypad seed"), 0);
    auto tables = keypad::ReadTables();
    ASSERT_TRUE(tables.has_value());
    keypad::Keypad expected = keypad::KeypadOfProfile();
    EXPECT_EQ(tables->activeConfig, c.config);
    EXPECT_EQ(tables->layoutId, expected.tables.layoutId);
    EXPECT_EQ(tables->vkey, expected.tables.vkey);
    EXPECT_EQ(tables->vkeyGold, expected.tables.vkeyGold);
    for (int p = 0; p < 3; ++p) EXPECT_EQ(tables->planes[p], expected.tables.planes[p]) << p;
    // Volatile: Wine refuses a lasting key below a volatile one.
    HKEY child = nullptr;
    LONG rc = RegCreateKeyExW(HKEY_LOCAL_MACHINE, (std::wstring(keypad::kKeybdKey) + L"\\Lasting").c_str(), 0, nullptr, 0,
                              KEY_ALL_ACCESS, nullptr, &child, nullptr);
    EXPECT_EQ(rc, ERROR_CHILD_MUST_BE_VOLATILE);
    if (child) RegCloseKey(child);
  }
}

// After a reload (on either event) keys follow the tables: the Windows key remapped to 0xC1 is
// application button 1, a volume key switched off does nothing.
TEST_F(DeviceShell, RemappedKeysActAsTheTablesSayAfterTheReload) {
  Spend();
  FactoryKeypadAfterwards restore;
  RegistryScope button1(HKEY_LOCAL_MACHINE, devshell::ButtonKeyPath(1));
  ASSERT_EQ(RunQzremu(L"keypad seed"), 0);
  ASSERT_NO_FATAL_FAILURE(Reload(keypad::kChangeEvent));
  keypad::Keypad k = keypad::KeypadOfProfile();
  struct Case {
    WORD key;
    BYTE scan;
    std::array<BYTE, 4> replacement;  // b2..b5
    LRESULT before;
    const char* after;
  };
  const Case cases[] = {
      {VK_LWIN, k.windowsScan, {0x00, 0x02, 0x10, 0xC1}, devshell::kShowsStartMenu, "shell: button 1: nothing assigned"},
      {VK_F6, k.volumeUpScan, {0x00, 0x00, 0x00, 0x00}, devshell::kShowsNotice, nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.key);
    Quiet();
    PressKeys({c.key});
    EXPECT_TRUE(PumpUntil([&] { return (ShellState() & c.before) != 0; })) << "factory tables";
    Quiet();

    auto tables = keypad::ReadTables();
    ASSERT_TRUE(tables.has_value());
    for (int p = 0; p < 3; ++p) {
      std::vector<BYTE>& plane = tables->planes[p];
      for (size_t at = 0; at + 6 <= plane.size(); at += 6)
        if (plane[at] == 7 && plane[at + 1] == c.scan) std::copy(c.replacement.begin(), c.replacement.end(), plane.begin() + at + 2);
      ASSERT_TRUE(WriteRaw(HKEY_LOCAL_MACHINE, tables->layoutKey, keypad::kPlaneNames[p], REG_BINARY, plane));
    }
    ASSERT_NO_FATAL_FAILURE(Reload(keypad::kChangeUsbEvent));
    Journal journal;
    PressKeys({c.key});
    if (c.after) EXPECT_TRUE(journal.WaitFor(c.after)) << journal.Dump();
    else Sleep(1500);
    EXPECT_EQ(ShellState() & c.before, 0) << journal.Dump();
    EXPECT_FALSE(journal.Has("Start menu opened")) << journal.Dump();
    EXPECT_FALSE(journal.Has("notice")) << journal.Dump();
  }
}

// Enter reaches the task bar only while button 1 (0xC1) is held, as the launcher's maintenance sequence expects.
TEST_F(DeviceShell, EnterGoesToTheTaskBarWhileButtonOneIsHeld) {
  RegistryScope button1(HKEY_LOCAL_MACHINE, devshell::ButtonKeyPath(1));
  Journal journal;
  PressKeys({VK_CONTROL, VK_F1, VK_RETURN});  // Ctrl+F1 is application button 1
  EXPECT_TRUE(journal.WaitFor("shell: Enter key")) << journal.Dump();
  auto lines = journal.Lines();
  auto at = [&](const std::string& part) {
    return std::find_if(lines.begin(), lines.end(), [&](const std::string& l) { return l.find(part) != std::string::npos; });
  };
  EXPECT_LT(at("shell: button 1: nothing assigned"), at("shell: Enter key")) << journal.Dump();
  // Alone, and with button 1 released again, Enter goes to the focused window.
  Journal after;
  PressKeys({VK_RETURN});
  Sleep(800);
  EXPECT_FALSE(after.Has("shell: Enter key")) << after.Dump();
}

// The Today screen's soft keys run the "Open" command of HKCU Today\Keys\112 and \113.
TEST_F(DeviceShell, SoftKeysRunTheirOpenCommand) {
  RegistryScope today(HKEY_CURRENT_USER, L"Software\\Microsoft\\Today\\Keys");
  ASSERT_TRUE(WriteRegString(HKEY_CURRENT_USER, devshell::TodaySoftKeyPath(1), nullptr, L"Launcher"));
  ASSERT_TRUE(WriteRegString(HKEY_CURRENT_USER, devshell::TodaySoftKeyPath(1), L"Open", L"\"\\Windows\\demoscan.exe\" today"));
  ASSERT_TRUE(WriteRegString(HKEY_CURRENT_USER, devshell::TodaySoftKeyPath(2), nullptr, L"Notes"));
  const int w = GetSystemMetrics(SM_CXSCREEN), h = GetSystemMetrics(SM_CYSCREEN);
  auto centre = [&](int key) {
    RECT r = devshell::TodaySoftKeyRect(w, h, key);
    return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
  };
  {
    Journal journal;
    TapScreen(centre(1));
    EXPECT_TRUE(journal.WaitFor("Demo demoscan args=[today]")) << journal.Dump();
    CloseDemos();
  }
  {
    // Key 113 without "Open": nothing runs.
    Journal journal;
    TapScreen(centre(2));
    EXPECT_TRUE(journal.WaitFor("shell: Today soft key 2: no command")) << journal.Dump();
    EXPECT_FALSE(journal.Has("Demo "));
  }
  {
    // Redirected as the launcher does it: the text plus one more null character.
    ASSERT_TRUE(WriteRaw(HKEY_CURRENT_USER, devshell::TodaySoftKeyPath(2), L"Open", REG_SZ,
                         TextBytes(L"\"\\Windows\\demonotes.exe\"", 2)));
    Journal journal;
    TapScreen(centre(2));
    EXPECT_TRUE(journal.WaitFor("Demo demonotes args=[]")) << journal.Dump();
  }
}
