// The keypad driver: key translation through the registry tables, and their reload on the
// driver's two events. It runs on a thread of its own so that the task bar's thread, which may
// wait on the X server, never delays key input.
#include "KeypadDriver.h"

#include <map>
#include <string>

#include "DeviceProfile.h"
#include "KeypadRegistry.h"
#include "ShellKeys.h"
#include "Win32UserOwners.h"

namespace devshell {

namespace {

// Keys the driver sends itself carry this mark, so that its hook lets them through.
constexpr ULONG_PTR kDriverMark = 0x515A524B;  // "QZRK"

struct Driver {
  HWND taskBar = nullptr;
  keypad::Keypad keypad;  // the device's physical keys (scan codes)
  keypad::Tables tables;  // what the registry says they produce
  std::map<UINT, keypad::PhysicalKey> pressed;  // PC keys held down, as handheld keys
  std::map<UINT, bool> shellKeysDown;  // translated keys held down that went to the task bar
  // The Windows key is held back while down: released alone it goes to the task bar (the Start
  // menu); with another key it is sent on first, so that Win+key hot keys still match.
  bool windowsDown = false;
  bool windowsSentOn = false;
  UINT windowsVk = 0;
} driver;

void PostKey(UINT vk, bool down) {
  bool wasDown = driver.shellKeysDown[vk];
  driver.shellKeysDown[vk] = down;
  LPARAM lParam = down ? (wasDown ? 0x40000001 : 0x00000001) : static_cast<LPARAM>(0xC0000001);
  // Sent, not posted: the task bar tells the driver's keys from key presses that only reach it
  // because it happens to have the focus. A notify message never blocks the hook.
  SendNotifyMessageW(driver.taskBar, down ? WM_KEYDOWN : WM_KEYUP, vk, lParam);
}

void Inject(UINT vk, bool down) {
  INPUT in{};
  in.type = INPUT_KEYBOARD;
  in.ki.wVk = static_cast<WORD>(vk);
  in.ki.dwFlags = down ? 0 : KEYEVENTF_KEYUP;
  in.ki.dwExtraInfo = kDriverMark;
  SendInput(1, &in, sizeof in);
}

bool IsWindowsKey(UINT vk) { return vk == VK_LWIN || vk == VK_RWIN; }

// Hands a translated key on; true when the original key press is used up.
bool Deliver(UINT translated, UINT original, bool down) {
  if (translated == 0) return true;  // the tables switch the key off
  if (IsWindowsKey(translated) && IsWindowsKey(original)) {
    if (down) {
      if (!driver.windowsDown) {
        driver.windowsDown = true;
        driver.windowsSentOn = false;
        driver.windowsVk = original;
      }
    } else {
      if (driver.windowsSentOn) {
        Inject(original, false);
      } else if (driver.windowsDown) {
        PostKey(translated, true);
        PostKey(translated, false);
      }
      driver.windowsDown = false;
    }
    return true;
  }
  if (IsWindowsKey(translated) || ButtonOfVk(translated)) {
    PostKey(translated, down);
    return true;
  }
  if (translated == original) return false;
  Inject(translated, down);
  return true;
}

LRESULT CALLBACK KeyboardHook(int code, WPARAM wParam, LPARAM lParam) {
  if (code != HC_ACTION) return CallNextHookEx(nullptr, code, wParam, lParam);
  const auto* key = reinterpret_cast<const KBDLLHOOKSTRUCT*>(lParam);
  if (key->dwExtraInfo == kDriverMark) return CallNextHookEx(nullptr, code, wParam, lParam);
  const bool down = wParam == WM_KEYDOWN || wParam == WM_SYSKEYDOWN;
  const UINT vk = key->vkCode;
  if (down && driver.windowsDown && !driver.windowsSentOn && !IsWindowsKey(vk)) {
    driver.windowsSentOn = true;
    Inject(driver.windowsVk, true);
    Inject(vk, true);
    return 1;
  }

  // Enter while button 1 is held belongs to the shell (the maintenance sequence).
  if (vk == VK_RETURN && driver.shellKeysDown[0xC1]) {
    PostKey(VK_RETURN, down);
    return 1;
  }
  if (vk == VK_RETURN && !down && driver.shellKeysDown[VK_RETURN]) {
    PostKey(VK_RETURN, false);
    return 1;
  }

  std::optional<keypad::PhysicalKey> physical;
  if (auto held = driver.pressed.find(vk); held != driver.pressed.end()) physical = held->second;
  else if (down) physical = keypad::PhysicalKeyFor(vk, (GetAsyncKeyState(VK_CONTROL) & 0x8000) != 0);
  else physical = keypad::PhysicalKeyFor(vk, false);
  if (!physical) return CallNextHookEx(nullptr, code, wParam, lParam);
  if (down) driver.pressed[vk] = *physical;
  else driver.pressed.erase(vk);

  auto translated = keypad::TranslateScan(driver.tables, keypad::ScanCodeOf(driver.keypad, *physical));
  if (!translated) return CallNextHookEx(nullptr, code, wParam, lParam);
  if (Deliver(*translated, vk, down)) return 1;
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

// `qzremu button n`: the button pressed and released, as its key would be.
void PressButton(int n) {
  if (n < 1 || n > keypad::kAppButtons) return;
  auto translated = keypad::TranslateScan(driver.tables, keypad::ScanCodeOf(driver.keypad, keypad::Button(n)));
  if (!translated || *translated == 0) {
    wince::AppendJournal(L"keypad: button " + std::to_wstring(n) + L" produces no key");
    return;
  }
  for (bool down : {true, false}) {
    if (IsWindowsKey(*translated) || ButtonOfVk(*translated)) PostKey(*translated, down);
    else Inject(*translated, down);
  }
}

LRESULT CALLBACK DriverWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == kPressButtonMessage) {
    PressButton(static_cast<int>(wParam));
    return TRUE;
  }
  return DefWindowProcW(hwnd, msg, wParam, lParam);
}

void LoadTables(const wchar_t* reason) {
  auto tables = keypad::ReadTables();
  if (!tables) {
    keypad::WriteFactoryTables(driver.keypad);
    tables = keypad::ReadTables();
    wince::AppendJournal(L"keypad: factory tables seeded for " + driver.keypad.name);
  }
  driver.tables = tables.value_or(keypad::Tables{});
  if (reason) wince::AppendJournal(std::wstring(L"keypad: tables reloaded (") + reason + L")");
}

DWORD WINAPI DriverThread(LPVOID) {
  driver.keypad = keypad::KeypadOfProfile();
  LoadTables(nullptr);
  // Auto-reset when the driver makes them; one made first by someone else may be manual-reset,
  // so each wake resets it as well.
  const wchar_t* names[2] = {keypad::kChangeEvent, keypad::kChangeUsbEvent};
  qzr::KernelHandle changed[2] = {qzr::KernelHandle(CreateEventW(nullptr, FALSE, FALSE, names[0])),
                                  qzr::KernelHandle(CreateEventW(nullptr, FALSE, FALSE, names[1]))};
  HANDLE events[2] = {changed[0].get(), changed[1].get()};

  WNDCLASSW wc{};
  wc.lpfnWndProc = DriverWindowProc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = kKeypadDriverClass;
  RegisterClassW(&wc);
  CreateWindowExW(WS_EX_TOOLWINDOW, kKeypadDriverClass, L"Keypad", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                  wc.hInstance, nullptr);
  qzr::WindowsHook hook(SetWindowsHookExW(WH_KEYBOARD_LL, KeyboardHook, GetModuleHandleW(nullptr), 0));
  if (!hook) wince::AppendJournal(L"keypad: no keyboard hook, keys go untranslated");

  for (;;) {
    DWORD r = MsgWaitForMultipleObjects(2, events, FALSE, INFINITE, QS_ALLINPUT);
    if (r == WAIT_OBJECT_0 || r == WAIT_OBJECT_0 + 1) {
      int i = static_cast<int>(r - WAIT_OBJECT_0);
      ResetEvent(events[i]);
      LoadTables(names[i]);
      continue;
    }
    if (r != WAIT_OBJECT_0 + 2) break;
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.message == WM_QUIT) return 0;
      DispatchMessageW(&msg);
    }
  }
  return 0;
}

}  // namespace

bool StartKeypadDriver(HWND taskBar) {
  driver.taskBar = taskBar;
  // The driver runs until the shell's process ends: nobody waits for its thread.
  return static_cast<bool>(qzr::KernelHandle(CreateThread(nullptr, 0, DriverThread, nullptr, 0, nullptr)));
}

}  // namespace devshell
