// The launcher as a process, in the orders the device relies on: the monitor's failure box before
// anything is published, the warm-boot prompt on leaving while the dialogs still stand, and the
// screen claim after an activation that leaves another program's window in front.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <optional>

#include "LauncherProcess.h"
#include "RegistrySupport.h"
#include "lockdown/StartKey.h"
#include "WhitelistCache.h"
#include "Win32Owners.h"

using namespace testing_support;
using namespace launcher_process;
namespace p = wince::profile;
namespace wl = qzr::whitelist;

namespace {

constexpr wchar_t kEnforcerUnavailable[] = L"White-List enforcement is not available, access is restricted.";
constexpr wchar_t kWarmBootPrompt[] = L"Korvanex Launcher detects a configuration change which requires a warm boot.";
constexpr char kBootLine[] = "PALBOOT_BootTerminal 0x30";

bool Has(const std::vector<std::string>& lines, const std::string& part) {
  return std::any_of(lines.begin(), lines.end(), [&](const std::string& l) { return l.find(part) != std::string::npos; });
}

// Serves the test's windows for a while.
void Pause(DWORD ms) { PumpUntil([] { return false; }, ms); }

bool WaitForSignal(InstalledLauncher& launcher, const std::string& line) {
  return PumpUntil([&] { return Has(launcher.Journal(), line); }, 30000);
}

std::optional<DWORD> LauncherFlag(const wchar_t* key, const wchar_t* name) {
  qzr::RegKey k;
  return k.Open(HKEY_LOCAL_MACHINE, key) ? k.ReadDword(name) : std::nullopt;
}

bool EventSet(const wchar_t* name) {
  qzr::KernelHandle event(OpenEventW(SYNCHRONIZE, FALSE, name));
  return event && WaitForSingleObject(event.get(), 0) == WAIT_OBJECT_0;
}

// The first character of list 1 in the live block: 0 while nothing is published.
std::optional<wchar_t> FirstListCharacter() {
  qzr::KernelHandle mapping(OpenFileMappingW(FILE_MAP_READ, FALSE, wl::kCacheName));
  if (!mapping) return std::nullopt;
  qzr::MappedView view(MapViewOfFile(mapping.get(), FILE_MAP_READ, 0, 0, wl::kMinBlockSize));
  if (!view) return std::nullopt;
  return static_cast<const wchar_t*>(view.get())[wl::kListsPos];
}

}  // namespace

// A Gatewarden.exe that is not the monitor (here the launcher's own program, which lacks the
// monitor's product name): the box stops start-up before the lists are written or the device
// is signalled, and once it is answered the launcher runs restricted.
TEST(LauncherOrder, MonitorFailureBoxComesBeforeAnythingIsPublished) {
  InstalledLauncher launcher(
      "[Caption]\r\nButton1=Notes\r\n[exe]\r\nButton1=\\windows\\demonotes.exe\r\n"
      "[WhiteList]\r\nWhiteListEnabled=TRUE\r\nPermit1=\\windows\\a.exe\r\n[Auto start]\r\nEnabled=FALSE\r\n");
  ASSERT_TRUE(CopyFileW((BinFolder() + L"QZRShell.exe").c_str(), (launcher.folder / L"Gatewarden.exe").c_str(), FALSE));
  RunningLauncher run(launcher.Start(L"20", 0));
  ASSERT_NE(run.get(), nullptr);

  HWND box = nullptr;
  ASSERT_TRUE(PumpUntil([&] { return (box = BoxShowing(run.id(), kEnforcerUnavailable)) != nullptr; }, 20000))
      << "the box of a monitor that cannot start";
  EXPECT_EQ(TextOf(box), L"Korvanex Launcher");
  EXPECT_FALSE(EventSet(wl::kSyncEventName)) << "the lists are not published while the box is up";
  EXPECT_EQ(FirstListCharacter(), std::optional<wchar_t>(L'\0')) << "the block holds no lists yet";
  EXPECT_TRUE(launcher.Journal().empty()) << "the device is not yet signalled";
  EXPECT_EQ(DialogWith(run.id(), kProgramList), nullptr) << "no main screen behind the box";

  PressKeysIn(box, {VK_RETURN});
  HWND page = WaitForDialogWith(run.id(), kBatteryProgress);
  ASSERT_NE(page, nullptr) << "restricted mode: the status page comes up over the main screen";
  HWND main = DialogWith(run.id(), kProgramList);
  ASSERT_NE(main, nullptr);
  EXPECT_EQ(SendMessageW(GetDlgItem(main, kProgramList), LVM_GETITEMCOUNT, 0, 0), 0) << "and the list stays empty";
  EXPECT_TRUE(EventSet(wl::kSyncEventName)) << "the lists were published after the box";
  EXPECT_EQ(launcher.Journal(), std::vector<std::string>{"SignalStarted 20"});
  EXPECT_TRUE(Has(launcher.Events(), "LaunchWhiteListEnforcer fails"));
}

// Leaving through the status page's Exit and the password, with a start-key change and
// redirected soft keys to undo: both are put back before the warm-boot prompt comes up; the prompt belongs to the password dialog, which belongs to the
// launcher's screens, all still standing; only after OK is the boot asked for and the launcher ends.
TEST(LauncherOrder, WarmBootPromptOnLeavingIsOwnedByTheStandingDialogs) {
  const std::wstring shellKey = Widen(qzr::kBubbletilesKey), flagsKey = Widen(qzr::kLauncherKey);
  const std::wstring todayKey = L"Software\\Microsoft\\Today\\Keys\\112";
  SavedValues saved({{HKEY_LOCAL_MACHINE, shellKey, L"HardwareStartKeyEnabled"},
                     {HKEY_LOCAL_MACHINE, flagsKey, L"StartButtonSettingChanged"},
                     {HKEY_LOCAL_MACHINE, flagsKey, L"CleanUpRebootFlag"}});
  RegistryScope today(HKEY_CURRENT_USER, L"Software\\Microsoft\\Today\\Keys", false);
  {
    qzr::RegKey k;
    ASSERT_TRUE(k.Create(HKEY_LOCAL_MACHINE, shellKey));
    k.WriteDword(L"HardwareStartKeyEnabled", 0);  // in step with a shown start icon
    ASSERT_TRUE(k.Create(HKEY_LOCAL_MACHINE, flagsKey));
    k.WriteDword(L"StartButtonSettingChanged", 1);
    k.WriteDword(L"CleanUpRebootFlag", 0);
  }
  ASSERT_TRUE(WriteRegString(HKEY_CURRENT_USER, todayKey, L"Open", L"\\windows\\calendar.exe"));

  DeviceShellProcess shell;
  ASSERT_TRUE(shell.running());
  InstalledLauncher launcher(
      "[Caption]\r\nButton1=Notes\r\n[exe]\r\nButton1=\\windows\\demonotes.exe\r\n[PassWord]\r\npwd=1234\r\n"
      "[RestoreOnTermination]\r\nEnabled=TRUE\r\n[Auto start]\r\nEnabled=FALSE\r\n");
  launcher.profile.Unset(p::kPalBootResult);
  launcher.profile.Unset(p::kRebootOnBootRequest);
  RunningLauncher run(launcher.Start(L"20", 0));
  ASSERT_TRUE(WaitForSignal(launcher, "SignalStarted 20"));
  ASSERT_NE(ReadRegString(HKEY_CURRENT_USER, todayKey, L"Open"), L"\\windows\\calendar.exe") << "redirected at start";

  HWND main = WaitForDialogWith(run.id(), kProgramList);
  ASSERT_NE(main, nullptr);
  ASSERT_TRUE(PumpUntil([&] { return GetForegroundWindow() == main; }, 5000));
  Pause(1500);  // start-up's own screen claim is over
  HWND page = TapUntilDialog(main, kStatusOrExitButton, run.id(), kBatteryProgress);
  ASSERT_NE(page, nullptr);
  HWND password = TapUntilDialog(page, kStatusOrExitButton, run.id(), kPasswordEdit, kBatteryProgress);
  ASSERT_NE(password, nullptr);
  EXPECT_FALSE(IsWindowVisible(DeviceShellProcess::TaskBar())) << "full screen until the password";
  TypeIn(password, L"1234");
  PressKeysIn(password, {VK_RETURN});

  HWND box = nullptr;
  ASSERT_TRUE(PumpUntil([&] { return (box = BoxShowing(run.id(), kWarmBootPrompt)) != nullptr; }, 15000));
  EXPECT_EQ(GetWindow(box, GW_OWNER), password) << "the prompt's owner is the password dialog";
  EXPECT_EQ(GetAncestor(box, GA_ROOTOWNER), main) << "over the launcher's main window";
  EXPECT_TRUE(IsWindow(password) && IsWindow(page) && IsWindow(main)) << "no dialog has ended yet";
  EXPECT_EQ(LauncherFlag(shellKey.c_str(), L"HardwareStartKeyEnabled"), 1u) << "the start key was toggled back";
  EXPECT_EQ(LauncherFlag(flagsKey.c_str(), L"StartButtonSettingChanged"), 0u);
  EXPECT_EQ(LauncherFlag(flagsKey.c_str(), L"CleanUpRebootFlag"), 1u);
  EXPECT_EQ(ReadRegString(HKEY_CURRENT_USER, todayKey, L"Open"), L"\\windows\\calendar.exe") << "the soft keys are back";
  EXPECT_FALSE(Has(launcher.Journal(), kBootLine)) << "the boot waits for the operator's OK";

  PressKeysIn(box, {VK_RETURN});
  EXPECT_TRUE(PumpUntil([&] { return Has(launcher.Journal(), kBootLine); }, 10000));
  EXPECT_TRUE(run.Ended(15000)) << "the dialogs end after the prompt and the launcher with them";
}

// The launcher claims the screen a second after it is activated, unless another program's
// window came to the front in that second: that window stays there. A second start of the
// launcher, which activates the first, still leaves the first one in front.
TEST(LauncherOrder, ScreenClaimLeavesAWindowThatCameUpMeanwhileInFront) {
  InstalledLauncher launcher("[Caption]\r\nButton1=Notes\r\n[exe]\r\nButton1=\\windows\\demonotes.exe\r\n"
                             "[Auto start]\r\nEnabled=FALSE\r\n");
  RunningLauncher run(launcher.Start(L"20", 0));
  ASSERT_TRUE(WaitForSignal(launcher, "SignalStarted 20"));
  HWND main = WaitForDialogWith(run.id(), kProgramList);
  ASSERT_NE(main, nullptr);
  ASSERT_TRUE(PumpUntil([&] { return GetForegroundWindow() == main; }, 5000));
  Pause(1500);  // start-up's own claim is over

  TestWindow other;
  // Each round activates the launcher as the device does, by starting it again.
  for (DWORD meanwhileMs : {100u, 500u}) {
    SCOPED_TRACE(meanwhileMs);
    ASSERT_TRUE(other.Front());
    HANDLE second = launcher.Start(L"21", 0);
    ASSERT_NE(second, nullptr);
    EXPECT_TRUE(PumpUntil([&] { return GetForegroundWindow() == main; }, 10000)) << "the second start activates the first";
    Pause(meanwhileMs);
    ASSERT_TRUE(other.Front());
    Pause(2000);
    EXPECT_EQ(GetForegroundWindow(), other.hwnd()) << "the window that came up stays in front";
    EXPECT_EQ(WaitForSingleObject(second, 10000), static_cast<DWORD>(WAIT_OBJECT_0));
    CloseHandle(second);
  }

  ASSERT_TRUE(other.Front());
  ProcessResult second = RunProcess(L"\"" + launcher.exe + L"\" 22", 30000);
  EXPECT_TRUE(second.finished);
  Pause(2000);
  EXPECT_EQ(GetForegroundWindow(), main) << "the running launcher is in front and stays there";
  EXPECT_EQ(launcher.Journal(), std::vector<std::string>{"SignalStarted 20"});
}
