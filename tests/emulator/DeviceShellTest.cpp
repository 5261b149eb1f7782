// The device shell as lockdown meets it: one qzrdeviceshell.exe serves the tests in turn, keys and
// taps are real input (SendInput), and what happens is read from the screen's windows, the device
// journal and the registry.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <memory>
#include <string>
#include <vector>

#include "DeviceProfile.h"
#include "KeypadRegistry.h"
#include "ShellKeys.h"
#include "ShellLayout.h"
#include "TestSupport.h"
#include "wince.h"

using namespace testing_support;
namespace tb = wince::taskbar;

namespace {

HWND TaskBar() { return FindWindowW(tb::kClassName, nullptr); }

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

// A window of the test in front while the test types: keys that nobody takes (Enter, the Windows
// key's echo) land here, never in a window that an earlier test left open.
class KeySink {
 public:
  KeySink() {
    const int w = GetSystemMetrics(SM_CXSCREEN), h = GetSystemMetrics(SM_CYSCREEN);
    hwnd_ = CreateWindowExW(0, L"STATIC", L"Key sink", WS_POPUP | WS_VISIBLE, w / 4, h / 3, w / 2, h / 6, nullptr, nullptr,
                            nullptr, nullptr);
    Front();
  }
  ~KeySink() { DestroyWindow(hwnd_); }
  KeySink(const KeySink&) = delete;
  KeySink& operator=(const KeySink&) = delete;
  void Front() {
    SetForegroundWindow(hwnd_);
    PumpUntil([&] { return GetForegroundWindow() == hwnd_; }, 2000);
  }

 private:
  HWND hwnd_ = nullptr;
};

// The device journal from the moment the object is made.
class Journal {
 public:
  Journal() : path_(wince::ReadProfileString(wince::profile::kJournalFile).value_or(L"")), skip_(ReadLines(path_).size()) {}
  std::vector<std::string> Lines() const {
    auto all = ReadLines(path_);
    return std::vector<std::string>(all.begin() + std::min(skip_, all.size()), all.end());
  }
  size_t Count(const std::string& part) const {
    size_t n = 0;
    for (const auto& line : Lines()) n += line.find(part) != std::string::npos;
    return n;
  }
  bool Has(const std::string& part) const { return Count(part) > 0; }
  bool WaitFor(const std::string& part, DWORD timeoutMs = 8000) const {
    return PumpUntil([&] { return Has(part); }, timeoutMs);
  }
  std::string Dump() const {
    std::string s;
    for (const auto& line : Lines()) s += line + "\n";
    return s;
  }

 private:
  std::wstring path_;
  size_t skip_;
};

void Key(WORD vk, bool down) {
  INPUT in{};
  in.type = INPUT_KEYBOARD;
  in.ki.wVk = vk;
  in.ki.dwFlags = down ? 0 : KEYEVENTF_KEYUP;
  SendInput(1, &in, sizeof in);
  Sleep(20);
}

// Presses a combination: modifiers down in order, the last key down and up, modifiers up.
void Press(std::vector<WORD> keys) {
  for (WORD k : keys) Key(k, true);
  for (auto k = keys.rbegin(); k != keys.rend(); ++k) Key(*k, false);
  Sleep(200);
}

void TapScreen(POINT p) {
  INPUT in[3] = {};
  for (auto& i : in) i.type = INPUT_MOUSE;
  in[0].mi.dx = MulDiv(p.x, 65535, GetSystemMetrics(SM_CXSCREEN) - 1);
  in[0].mi.dy = MulDiv(p.y, 65535, GetSystemMetrics(SM_CYSCREEN) - 1);
  in[0].mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
  in[1].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
  in[2].mi.dwFlags = MOUSEEVENTF_LEFTUP;
  for (INPUT& i : in) {
    SendInput(1, &i, sizeof i);
    Sleep(50);
  }
  Sleep(150);
}

int Bar() { return wince::ShellBarHeight(GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)); }

// Back to a quiet screen: whatever the shell shows closed.
void Quiet() {
  if (ShellState() & (devshell::kShowsStartMenu | devshell::kShowsSwitcher | devshell::kShowsNotice)) Press({VK_ESCAPE});
  PumpUntil([] { return !(ShellState() & (devshell::kShowsStartMenu | devshell::kShowsSwitcher | devshell::kShowsNotice)); },
            3000);
}

int RunQzremu(const std::wstring& args) {
  ProcessResult r = RunProcess(L"\"" + BinFolder() + L"qzremu.exe\" " + args);
  return r.finished ? static_cast<int>(r.exitCode) : -1;
}

// A registry key's subtree removed now and put back as it was afterwards.
class RegistryScope {
 public:
  RegistryScope(HKEY root, std::wstring path) : root_(root), path_(std::move(path)) {
    static int counter = 0;
    backup_ = L"QZRTestBackup\\" + std::to_wstring(GetCurrentProcessId()) + L"_" + std::to_wstring(++counter);
    saved_ = Copy(root_, path_, HKEY_CURRENT_USER, backup_);
    RegDeleteTreeW(root_, path_.c_str());
  }
  ~RegistryScope() {
    RegDeleteTreeW(root_, path_.c_str());
    if (saved_) Copy(HKEY_CURRENT_USER, backup_, root_, path_);
    RegDeleteTreeW(HKEY_CURRENT_USER, backup_.c_str());
  }

 private:
  static bool Copy(HKEY fromRoot, const std::wstring& from, HKEY toRoot, const std::wstring& to) {
    HKEY source = nullptr, target = nullptr;
    if (RegOpenKeyExW(fromRoot, from.c_str(), 0, KEY_ALL_ACCESS, &source) != ERROR_SUCCESS) return false;
    RegCreateKeyExW(toRoot, to.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &target, nullptr);
    RegCopyTreeW(source, nullptr, target);
    RegCloseKey(target);
    RegCloseKey(source);
    return true;
  }
  HKEY root_;
  std::wstring path_, backup_;
  bool saved_ = false;
};

bool SetString(HKEY root, const std::wstring& path, const wchar_t* name, const std::wstring& text) {
  HKEY key = nullptr;
  if (RegCreateKeyExW(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) != ERROR_SUCCESS) return false;
  bool ok = RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                           static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
  RegCloseKey(key);
  return ok;
}

// Sets a keypad change event as the launcher does (manual-reset, made set) and waits for the
// driver's reload.
bool Reload(const wchar_t* name, const Journal& journal) {
  HANDLE e = CreateEventW(nullptr, TRUE, TRUE, name);
  SetEvent(e);
  CloseHandle(e);
  return journal.WaitFor("keypad: tables reloaded (" + Narrow(name) + ")");
}

// The keypad tables go back to the default device's factory state after a test changed them.
struct FactoryKeypadAfterwards {
  ~FactoryKeypadAfterwards() { RunQzremu(L"keypad seed"); }
};

// One device shell serves the tests in turn, with its keypad driver up and the test's key sink in
// front. A test that changes what the running shell holds (its hot keys, its keypad tables)
// spends it, and the next test starts a fresh one.
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
    sink_ = std::make_unique<KeySink>();
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
  std::unique_ptr<KeySink> sink_;
  bool spent_ = false;
};

}  // namespace

TEST_F(DeviceShell, WindowsKeyAndStartTapOpenItEscapeClosesIt) {
  ASSERT_FALSE(Shows(devshell::kStartMenuClass));
  Journal journal;

  Press({VK_LWIN});
  EXPECT_TRUE(PumpUntil([] { return Shows(devshell::kStartMenuClass); })) << journal.Dump();
  EXPECT_EQ(TitleOf(devshell::kStartMenuClass), L"Start");
  Press({VK_ESCAPE});
  EXPECT_TRUE(PumpUntil([] { return !Shows(devshell::kStartMenuClass); }));

  // The right-hand Windows key does the same.
  Press({VK_RWIN});
  EXPECT_TRUE(PumpUntil([] { return Shows(devshell::kStartMenuClass); }));
  Press({VK_ESCAPE});
  EXPECT_TRUE(PumpUntil([] { return !Shows(devshell::kStartMenuClass); }));

  // A tap on the title area does nothing; a tap on the Start area opens the menu.
  TapScreen({Bar() * 3, Bar() / 2});
  Sleep(500);
  EXPECT_FALSE(Shows(devshell::kStartMenuClass));
  TapScreen({Bar() / 2, Bar() / 2});
  EXPECT_TRUE(PumpUntil([] { return Shows(devshell::kStartMenuClass); })) << journal.Dump();
  EXPECT_TRUE(journal.Has("shell: Start menu opened (Windows key)"));
  EXPECT_TRUE(journal.Has("shell: Start menu opened (Start tap)"));

  // With the Start menu up, Win+F6 (a Win combination) goes to the Today screen: the Windows
  // key held with another key is no lone Windows key press.
  Press({VK_LWIN, VK_F6});
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
  HWND window = CreateWindowExW(0, L"STATIC", L"Activated by the shell", WS_POPUP | WS_VISIBLE, 40, 80, 200, 100,
                                nullptr, nullptr, nullptr, nullptr);
  HWND other = CreateWindowExW(0, L"STATIC", L"Other", WS_POPUP | WS_VISIBLE, 60, 100, 200, 100, nullptr, nullptr,
                               nullptr, nullptr);
  SetForegroundWindow(other);
  PumpUntil([&] { return GetForegroundWindow() == other; }, 2000);
  PostMessageW(TaskBar(), WM_USER, 8, reinterpret_cast<LPARAM>(window));
  EXPECT_TRUE(PumpUntil([&] { return GetForegroundWindow() == window; }));
  // The desktop's own handle (as the desktop posts it) asks for the Today screen.
  PostMessageW(TaskBar(), WM_USER, 8, reinterpret_cast<LPARAM>(FindWindowW(tb::kDesktopClassName, nullptr)));
  EXPECT_TRUE(PumpUntil([] { return (ShellState() & devshell::kShowsToday) != 0; }));
  DestroyWindow(other);
  DestroyWindow(window);
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
    Press(c.keys);
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
  HMODULE core = LoadLibraryW((BinFolder() + L"CoreDLL.dll").c_str());
  ASSERT_NE(core, nullptr);
  using UnregisterFunc1 = BOOL(WINAPI*)(UINT, UINT);
  auto unregister = reinterpret_cast<UnregisterFunc1>(GetProcAddress(core, "UnregisterFunc1"));
  ASSERT_NE(unregister, nullptr);
  auto thirdProgram = [](UINT mods, UINT vk) {
    return RunProcess(L"\"" + BinFolder() + L"hotkeyclaim.exe\" " + std::to_wstring(mods) + L" " + std::to_wstring(vk))
        .exitCode;
  };
  struct Case {
    int id;
    UINT mods;
    UINT vk;
    std::vector<WORD> keys;
    const char* shellName;
  };
  const Case cases[] = {
      {0xA000, MOD_WIN, VK_F6, {VK_LWIN, VK_F6}, "Win+F6"},
      {0xA002, 0, VK_F3, {VK_F3}, "F3"},
      {0xA003, 0, VK_F4, {VK_F4}, "F4"},
      {0xA004, 0, VK_F6, {VK_F6}, "F6"},
      {0xA005, 0, VK_F7, {VK_F7}, "F7"},
      {0xA006, 0, VK_F22, {VK_F22}, "F22"},
      {0xA007, 0, VK_ESCAPE, {VK_ESCAPE}, "Escape"},
      {0xA050, MOD_ALT, VK_TAB, {VK_MENU, VK_TAB}, "Alt+Tab"},
      {0xA051, MOD_ALT | MOD_CONTROL, VK_DELETE, {VK_CONTROL, VK_MENU, VK_DELETE}, "Ctrl+Alt+Del"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.shellName);
    EXPECT_FALSE(RegisterHotKey(nullptr, c.id, c.mods, c.vk)) << "the shell holds it";
    Journal journal;
    EXPECT_TRUE(unregister(c.mods, c.vk));
    EXPECT_TRUE(journal.Has(std::string("hot key ") + c.shellName + " ")) << journal.Dump();
    ASSERT_TRUE(RegisterHotKey(nullptr, c.id, c.mods, c.vk)) << GetLastError();
    EXPECT_EQ(thirdProgram(c.mods, c.vk), 1u) << "now the caller holds it";

    Press(c.keys);
    MSG msg{};
    bool got = PumpUntil([&] { return PeekMessageW(&msg, nullptr, WM_HOTKEY, WM_HOTKEY, PM_REMOVE) != 0; }, 3000);
    EXPECT_TRUE(got);
    EXPECT_EQ(static_cast<int>(msg.wParam), c.id);
    Sleep(300);
    EXPECT_EQ(journal.Count(std::string("shell: hot key ") + c.shellName), 1u) << "only the giving up: " << journal.Dump();
    EXPECT_EQ(ShellState() & (devshell::kShowsNotice | devshell::kShowsSwitcher | devshell::kShowsToday), 0);
    UnregisterHotKey(nullptr, c.id);
  }
  // A combination the shell doesn't hold: nothing to take, and still TRUE.
  EXPECT_TRUE(unregister(MOD_SHIFT, VK_F9));
  FreeLibrary(core);
}

// Application buttons open the file that the shell key's "Default" names, through the open
// operation; a button without one does nothing.
TEST_F(DeviceShell, OpenTheConfiguredShortcutThroughTheOpenOperation) {
  ScratchFolder folder(L"buttons");
  std::vector<std::unique_ptr<RegistryScope>> keys;
  for (int n = 1; n <= 6; ++n)
    keys.push_back(std::make_unique<RegistryScope>(HKEY_LOCAL_MACHINE, devshell::ButtonKeyPath(n)));
  std::wstring shortcut = folder / L"40C2.lnk";
  std::wstring target = L"\"\\Windows\\demonotes.exe\" hello";
  ASSERT_TRUE(SHCreateShortcut(shortcut.data(), target.data()));
  std::wstring device = wince::DeviceFormPath(shortcut, L'C');
  ASSERT_TRUE(SetString(HKEY_LOCAL_MACHINE, devshell::ButtonKeyPath(2), L"Default", L"\"" + device + L"\""));
  ASSERT_TRUE(SetString(HKEY_LOCAL_MACHINE, devshell::ButtonKeyPath(3), L"Default", device));
  ASSERT_TRUE(SetString(HKEY_LOCAL_MACHINE, devshell::ButtonKeyPath(6), L"Default", L"\\Windows\\demoscan.exe"));
  ASSERT_TRUE(SetString(HKEY_LOCAL_MACHINE, devshell::ButtonKeyPath(4), L"Default", L"\"\""));

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
    if (c.byKey) Press({VK_CONTROL, static_cast<WORD>(VK_F1 + c.button - 1)});
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
  ASSERT_TRUE(SetString(HKEY_CLASSES_ROOT, L"exefile\\shell\\open\\command", L"Default",
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
  const Case cases[] = {
      {nullptr, nullptr, L"Keypad_VX12"},  // the default profile's device
      {nullptr, L"Korvanex VP21", L"Keypad_VP21"},
      {nullptr, L"Korvanex VR42", L"Keypad_VR42"},
      {L"VX13 Rugged", L"Korvanex VX13", L"Keypad_VX13"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.config);
    if (c.pal) profile.Set(wince::profile::kPalModel, c.pal);
    else profile.Unset(wince::profile::kPalModel);
    if (c.oem) profile.Set(wince::profile::kOemInfo, c.oem);
    else if (c.pal) profile.Unset(wince::profile::kOemInfo);
    if (!c.pal && !c.oem) {
      profile.Set(wince::profile::kPalModel, L"VX12 Rugged Handheld");
      profile.Set(wince::profile::kOemInfo, L"Korvanex VX12");
    }
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

// The driver reloads its tables once for each time either event is set, however the setter
// made the event (the launcher makes them manual-reset and initially set).
TEST_F(DeviceShell, ReloadsOnEachEventAndJournalsIt) {
  for (const wchar_t* name : {keypad::kChangeEvent, keypad::kChangeUsbEvent}) {
    std::string line = "keypad: tables reloaded (" + Narrow(name) + ")";
    for (int round = 1; round <= 2; ++round) {
      Journal journal;
      HANDLE e = CreateEventW(nullptr, TRUE, TRUE, name);
      ASSERT_NE(e, nullptr);
      EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS)) << "the driver made it";
      SetEvent(e);
      CloseHandle(e);
      EXPECT_TRUE(journal.WaitFor(line)) << journal.Dump();
      Sleep(500);
      EXPECT_EQ(journal.Count(line), 1u) << journal.Dump();
      EXPECT_EQ(journal.Count("keypad: tables reloaded"), 1u) << journal.Dump();
    }
  }
}

// What a key does follows the tables as they are after a reload: the Windows key remapped to
// 0xC1 becomes application button 1, a volume key switched off does nothing.
TEST_F(DeviceShell, RemappedKeysActAsTheTablesSayAfterTheReload) {
  Spend();
  FactoryKeypadAfterwards restore;
  RegistryScope button1(HKEY_LOCAL_MACHINE, devshell::ButtonKeyPath(1));
  ASSERT_EQ(RunQzremu(L"keypad seed"), 0);
  ASSERT_TRUE(Reload(keypad::kChangeEvent, Journal()));
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
    Press({c.key});
    EXPECT_TRUE(PumpUntil([&] { return (ShellState() & c.before) != 0; })) << "factory tables";
    Quiet();

    auto tables = keypad::ReadTables();
    ASSERT_TRUE(tables.has_value());
    HKEY layout = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, tables->layoutKey.c_str(), 0, KEY_ALL_ACCESS, &layout), ERROR_SUCCESS);
    for (int p = 0; p < 3; ++p) {
      std::vector<BYTE>& plane = tables->planes[p];
      for (size_t at = 0; at + 6 <= plane.size(); at += 6)
        if (plane[at] == 7 && plane[at + 1] == c.scan) std::copy(c.replacement.begin(), c.replacement.end(), plane.begin() + at + 2);
      RegSetValueExW(layout, keypad::kPlaneNames[p], 0, REG_BINARY, plane.data(), static_cast<DWORD>(plane.size()));
    }
    RegCloseKey(layout);
    Journal journal;
    ASSERT_TRUE(Reload(keypad::kChangeUsbEvent, journal));

    Press({c.key});
    if (c.after) EXPECT_TRUE(journal.WaitFor(c.after)) << journal.Dump();
    else Sleep(1500);
    EXPECT_EQ(ShellState() & c.before, 0) << journal.Dump();
    EXPECT_FALSE(journal.Has("Start menu opened")) << journal.Dump();
    EXPECT_FALSE(journal.Has("notice")) << journal.Dump();
  }
}

// Enter reaches the task bar only while application button 1 (0xC1) is held, as the launcher's
// maintenance sequence expects; otherwise it goes to the focused window as usual.
TEST_F(DeviceShell, EnterGoesToTheTaskBarWhileButtonOneIsHeld) {
  RegistryScope button1(HKEY_LOCAL_MACHINE, devshell::ButtonKeyPath(1));
  {
    Journal journal;
    Press({VK_RETURN});
    Sleep(800);
    EXPECT_FALSE(journal.Has("shell: Enter key")) << journal.Dump();
  }
  Journal journal;
  Key(VK_CONTROL, true);
  Key(VK_F1, true);
  Key(VK_RETURN, true);
  Key(VK_RETURN, false);
  Key(VK_F1, false);
  Key(VK_CONTROL, false);
  EXPECT_TRUE(journal.WaitFor("shell: Enter key")) << journal.Dump();
  auto lines = journal.Lines();
  auto at = [&](const std::string& part) {
    return std::find_if(lines.begin(), lines.end(), [&](const std::string& l) { return l.find(part) != std::string::npos; });
  };
  EXPECT_LT(at("shell: button 1: nothing assigned"), at("shell: Enter key")) << journal.Dump();
  // Released, button 1 no longer holds Enter back.
  Journal after;
  Press({VK_RETURN});
  Sleep(800);
  EXPECT_FALSE(after.Has("shell: Enter key")) << after.Dump();
}

// The Today screen's soft keys run the "Open" command of HKCU Today\Keys\112 and \113.
TEST_F(DeviceShell, SoftKeysRunTheirOpenCommand) {
  RegistryScope today(HKEY_CURRENT_USER, L"Software\\Microsoft\\Today\\Keys");
  ASSERT_TRUE(SetString(HKEY_CURRENT_USER, devshell::TodaySoftKeyPath(1), nullptr, L"Launcher"));
  ASSERT_TRUE(SetString(HKEY_CURRENT_USER, devshell::TodaySoftKeyPath(1), L"Open", L"\"\\Windows\\demoscan.exe\" today"));
  ASSERT_TRUE(SetString(HKEY_CURRENT_USER, devshell::TodaySoftKeyPath(2), nullptr, L"Notes"));
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
    std::wstring open = L"\"\\Windows\\demonotes.exe\"";
    std::wstring data = open + L'\0' + L'\0';
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, devshell::TodaySoftKeyPath(2).c_str(), 0, KEY_ALL_ACCESS, &key), ERROR_SUCCESS);
    RegSetValueExW(key, L"Open", 0, REG_SZ, reinterpret_cast<const BYTE*>(data.data()),
                   static_cast<DWORD>(data.size() * sizeof(wchar_t)));
    RegCloseKey(key);
    Journal journal;
    TapScreen(centre(2));
    EXPECT_TRUE(journal.WaitFor("Demo demonotes args=[]")) << journal.Dump();
  }
}
