// The simulated shell's hot keys.
#include <windows.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "DeviceProfile.h"
#include "KeypadDriver.h"
#include "ShellKeys.h"
#include "ShellLayout.h"
#include "ShellWindows.h"
#include "aygshell.h"
#include "shellexec.h"

namespace devshell::app {

void RegisterShellHotKeys() {
  for (const devshell::ShellHotKey& k : devshell::ShellHotKeys()) {
    if (RegisterHotKey(shell.taskBar, k.id, k.modifiers, k.vk)) shell.heldHotKeys.push_back(k.id);
    else Note(std::wstring(L"hot key ") + k.name + L" is held by another program");
  }
}

LRESULT ReleaseHotKey(UINT modifiers, UINT vk) {
  const devshell::ShellHotKey* k = devshell::FindShellHotKey(modifiers, vk);
  if (!k) return 0;
  auto held = std::find(shell.heldHotKeys.begin(), shell.heldHotKeys.end(), k->id);
  if (held == shell.heldHotKeys.end()) return 0;
  UnregisterHotKey(shell.taskBar, k->id);
  shell.heldHotKeys.erase(held);
  Note(std::wstring(L"hot key ") + k->name + L" given up");
  return 1;
}

void OnHotKey(int id) {
  const devshell::ShellHotKey* k = devshell::FindShellHotKeyById(id);
  if (!k) return;
  Note(std::wstring(L"hot key ") + k->name);
  using A = devshell::HotKeyAction;
  switch (k->action) {
    case A::kPhoneTalk: ShowNotice(L"Phone: no network"); break;
    case A::kPhoneEnd: ShowNotice(L"Phone: call ended"); break;
    case A::kVolumeUp: ShowNotice(L"Volume up"); break;
    case A::kVolumeDown: ShowNotice(L"Volume down"); break;
    case A::kStartMenu: OpenStartMenu(k->name); break;
    case A::kDeviceLock: ShowNotice(L"Device locked"); break;
    case A::kBack: Back(k->name); break;
    case A::kToday: ShowToday(k->name); break;
    case A::kTaskSwitcher: OpenSwitcher(L"Running Programs", k->name); break;
    case A::kTaskManager: OpenSwitcher(L"Task Manager", k->name); break;
  }
}

}  // namespace devshell::app
