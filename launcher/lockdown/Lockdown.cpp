// Device lockdown is not built yet: the task bar, keys and keypad are left to the device.
#include "Lockdown.h"

namespace qzr {

int InstallTaskbarFilter() { return 0; }
void RestoreTaskbar() {}
void RedirectTodaySoftKeys() {}
void DisableSessionTimeout() {}
void SetTaskbarFilterSettings(int, int) {}
void ApplyKeyboardRemaps(LauncherApp&) {}
void LockKeys(LauncherApp&) {}
void SetupApplicationKeys(LauncherApp&, const std::wstring&) {}

}  // namespace qzr
