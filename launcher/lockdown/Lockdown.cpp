// Device lockdown is not built yet: the task bar, keys and keypad are left to the device.
#include "Lockdown.h"

#include <windows.h>

namespace qzr {

int InstallTaskbarFilter() { return 0; }
void RestoreTaskbar() {}
void RedirectTodaySoftKeys() {}
void DisableSessionTimeout() {}
void RestoreTodaySoftKeys() {}

// Shows or hides the device's task bar window.
void ShowTaskbar(bool show) {
  if (HWND bar = FindWindowW(L"HHTaskBar", nullptr)) ShowWindow(bar, show ? SW_SHOWNA : SW_HIDE);
}
void SetTaskbarFilterSettings(int, int) {}
void ApplyKeyboardRemaps(LauncherApp&) {}
void LockKeys(LauncherApp&) {}
void SetupApplicationKeys(LauncherApp&, const std::wstring&) {}

}  // namespace qzr
