// CoreDLL.dll stand-in: the core-library exports that device programs look up by name at run
// time (soft input panel, power status, hot-key release), answered by the simulated handheld.
#include <windows.h>

#include <cstring>

#include "ShellKeys.h"
#include "aygshell.h"
#include "power.h"

namespace {

constexpr DWORD kSipInfoSize = sizeof(SIPINFO);
static_assert(sizeof(SIPINFO) == 48, "the device's SIPINFO layout");

HWND FindSip() { return FindWindowW(wince::taskbar::kSipClassName, nullptr); }

// In the id range that Win32 leaves to libraries (programs use 0x0000-0xBFFF), so the probe
// never replaces a key of the caller's.
constexpr int kProbeHotKeyId = 0xFFFE;

}  // namespace

extern "C" {

// flags: SIPF_ON shows the keyboard, anything else hides it. FALSE when the device shell
// (which owns the keyboard) is not running.
__declspec(dllexport) BOOL WINAPI SipShowIM(DWORD flags) {
  HWND sip = FindSip();
  if (!sip) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  DWORD_PTR result = 0;
  return SendMessageTimeoutW(sip, wince::taskbar::kSipShowMessage, (flags & SIPF_ON) ? 1 : 0, 0, SMTO_ABORTIFHUNG,
                             2000, &result) && result;
}

__declspec(dllexport) BOOL WINAPI SipGetInfo(SIPINFO* info) {
  if (!info || info->cbSize < kSipInfoSize) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  HWND sip = FindSip();
  if (!sip) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  const DWORD size = info->cbSize;
  memset(info, 0, kSipInfoSize);
  info->cbSize = size;
  const bool shown = IsWindowVisible(sip);
  info->fdwFlags = shown ? SIPF_ON : 0;
  GetWindowRect(sip, &info->rcSipRect);
  // What is left for programs: below a visible task bar, above a visible keyboard.
  info->rcVisibleDesktop = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  HWND taskBar = FindWindowW(wince::taskbar::kClassName, nullptr);
  RECT bar;
  if (taskBar && IsWindowVisible(taskBar) && GetWindowRect(taskBar, &bar)) info->rcVisibleDesktop.top = bar.bottom;
  if (shown) info->rcVisibleDesktop.bottom = info->rcSipRect.top;
  return TRUE;
}

__declspec(dllexport) BOOL WINAPI GetSystemPowerStatusEx(PSYSTEM_POWER_STATUS_EX status, BOOL update) {
  (void)update;
  int percent = 0;
  if (!status || !wince::ReadBatteryPercent(&percent)) {
    SetLastError(ERROR_NOT_SUPPORTED);
    return FALSE;
  }
  SYSTEM_POWER_STATUS_EX2 full;
  wince::FillBatteryStatus(percent, &full);
  // The shorter record is the leading part of the longer one.
  memcpy(status, &full, sizeof *status);
  return TRUE;
}

// Takes a hot key away from whichever program holds it, so that the caller's RegisterHotKey can
// claim it. The device shell is the one holder of system keys here: it is asked to let go and
// answers once it has. TRUE also when nobody held the key; FALSE only when the shell does not answer.
__declspec(dllexport) BOOL WINAPI UnregisterFunc1(UINT modifiers, UINT virtualKey) {
  // On the device this is a kernel call; here a key that nobody holds is recognised without a
  // round trip to the shell: registering it for a moment succeeds only then.
  if (RegisterHotKey(nullptr, kProbeHotKeyId, modifiers, virtualKey)) {
    UnregisterHotKey(nullptr, kProbeHotKeyId);
    return TRUE;
  }
  HWND taskBar = FindWindowW(wince::taskbar::kClassName, nullptr);
  if (!taskBar) return TRUE;
  DWORD_PTR released = 0;
  if (!SendMessageTimeoutW(taskBar, devshell::kReleaseHotKeyMessage, modifiers, virtualKey, SMTO_ABORTIFHUNG, 5000,
                           &released))
    return FALSE;
  return TRUE;
}

}  // extern "C"
