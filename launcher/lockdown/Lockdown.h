// Taking keys and shell features away from the operator, and giving them back.
#pragma once

#include <string>

namespace qzr {

class LauncherApp;

// Shell integration: hides the task bar and filters its input; returns the volume allowance.
int InstallTaskbarFilter();
void RestoreTaskbar();
void RedirectTodaySoftKeys();
void DisableSessionTimeout();
void RestoreTodaySoftKeys();
void ShowTaskbar(bool show);
void SetTaskbarFilterSettings(int volumeAllowance, int windowsKeyEnabled);

// Keypad tables remapped as the lock flags require.
void ApplyKeyboardRemaps(LauncherApp& app);

// Hot keys that the configuration disables, and the six hardware application buttons.
void LockKeys(LauncherApp& app);
void SetupApplicationKeys(LauncherApp& app, const std::wstring& moduleFileName);

}  // namespace qzr
