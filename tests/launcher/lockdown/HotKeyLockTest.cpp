// Hot keys taken by a launcher process cannot be registered by another program, per platform and flags.
#include <gtest/gtest.h>

#include <set>

#include "LockdownTestSupport.h"
#include "ProbeSupport.h"

using namespace lockdown_test;

namespace {

struct Combination { const char* name; UINT modifiers; UINT key; };
// Every combination the launcher may take, and two it never takes.
const Combination kCombinations[] = {
    {"Win+F6", MOD_WIN, VK_F6},       {"F3", 0, VK_F3},         {"F4", 0, VK_F4},
    {"F6", 0, VK_F6},                 {"F7", 0, VK_F7},         {"F22", 0, VK_F22},
    {"Escape", 0, VK_ESCAPE},         {"Alt+Tab", MOD_ALT, VK_TAB}, {"Ctrl+Alt+Del", MOD_ALT | MOD_CONTROL, VK_DELETE},
    {"F8", 0, VK_F8},                 {"Win+F7", MOD_WIN, VK_F7},
};

// Runs the probe with the flags, tries every combination while it holds its keys, and returns
// those that could not be registered.
std::set<std::string> TakenByLauncher(int taskManager, int phone, int volume, int deviceLock) {
  ScratchFolder folder(L"hotkeys");
  std::set<std::string> taken;
  bool tried = false;
  const std::wstring flags = std::to_wstring(taskManager) + L" " + std::to_wstring(phone) + L" " +
                             std::to_wstring(volume) + L" " + std::to_wstring(deviceLock);
  RunProbe(folder, L"hotkeys " + flags, [&] {
    tried = true;
    int id = 0x7000;
    for (const Combination& c : kCombinations) {
      if (RegisterHotKey(nullptr, ++id, c.modifiers, c.key)) UnregisterHotKey(nullptr, id);
      else taken.insert(c.name);
    }
  });
  EXPECT_TRUE(tried) << "probe did not get ready";
  return taken;
}

}  // namespace

TEST(HotKeyLock, AnotherProgramCannotTakeTheLockedCombinations) {
  using S = std::set<std::string>;
  const S pocketPcAlways = {"Win+F6", "Escape"};
  struct Case { const wchar_t* platform; int taskManager, phone, volume, deviceLock; S taken; } cases[] = {
      {L"PocketPC", 0, 0, 0, 0, {"Win+F6", "F3", "F4", "F6", "F7", "F22", "Escape", "Alt+Tab", "Ctrl+Alt+Del"}},
      {L"PocketPC", 1, 1, 1, 1, pocketPcAlways},
      {L"PocketPC", 1, 0, 1, 1, {"Win+F6", "F3", "F4", "Escape"}},
      {L"PocketPC", 1, 1, 0, 1, {"Win+F6", "F6", "F7", "Escape"}},
      {L"PocketPC", 0, 1, 1, 0, {"Win+F6", "F22", "Escape", "Alt+Tab", "Ctrl+Alt+Del"}},
      {L"XScale", 0, 0, 0, 0, {"Alt+Tab", "Ctrl+Alt+Del"}},
      {L"Other", 0, 0, 0, 0, {"Alt+Tab", "Ctrl+Alt+Del"}},
      {L"Other", 1, 0, 0, 0, {}},
  };
  for (const Case& c : cases) {
    DeviceScope device(c.platform, 10);
    EXPECT_EQ(TakenByLauncher(c.taskManager, c.phone, c.volume, c.deviceLock), c.taken)
        << Narrow(c.platform) << " " << c.taskManager << c.phone << c.volume << c.deviceLock;
  }
}
