// Taking keys and shell features away from the operator, and giving them back.
#pragma once

#include <windows.h>

#include <string>

namespace qzr {

class LauncherConfig;

// ---- Shell integration ----------------------------------------------------------------------

// Hides the task bar and puts the filter in front of its window procedure; returns the volume
// allowance worked out on the way (0 when there is none).
int InstallTaskbarFilter();
// Takes the filter out again and shows the task bar.
void RestoreTaskbar();
void ShowTaskbar(bool show);
// What start-up hands the filter after the install: the effective volume allowance and the
// EnableWindowsKey setting.
void SetTaskbarFilterSettings(int volumeAllowance, int windowsKeyEnabled);
// The main dialog's window, which the desktop's activation requests are turned to.
void SetTaskbarFilterMainWindow(HWND mainWindow);

void DisableSessionTimeout();
void RedirectTodaySoftKeys();
void RestoreTodaySoftKeys();
// Writes text as REG_SZ into an existing subkey (null name: the default value); 0 or E_FAIL (0x80004005).
bool SetRegString(HKEY root, const std::wstring& subkey, const wchar_t* valueName, const std::wstring& text);

inline constexpr wchar_t kTaskbarClass[] = L"HHTaskBar";
inline constexpr wchar_t kDesktopClass[] = L"DesktopExplorerWindow";
inline constexpr wchar_t kTaskbarFilterLibrary[] = L"QZRTaskbarFilter.dll";

// ---- Keypad tables --------------------------------------------------------------------------

// The six members below, in this order, each under its own condition.
void ApplyKeyboardRemaps(const LauncherConfig& config);
void PatchVkeyGold();
void ClearVolumeVkeys();
void RemapLayoutForModels236();
void RemapLayoutForModel4();
void RemapLayoutForModel5();
void RemapLayoutByModelRules(const LauncherConfig& config);

inline constexpr wchar_t kKeyboardChangeEvent[] = L"QZR_KEYBOARD_CHANGE";
inline constexpr wchar_t kKeyboardChangeUsbEvent[] = L"QZR_KEYBOARD_CHANGE_USB";

// ---- Hot keys and application buttons -------------------------------------------------------

// The hot keys go to this thread: start-up runs before the main dialog has a window.
void LockKeys(const LauncherConfig& config);
// `launcherFolder` (lower-cased, with its final backslash) holds the shortcuts that are made.
void SetupApplicationKeys(const LauncherConfig& config, const std::wstring& launcherFolder,
                          const std::wstring& moduleFileName);
// Binds one button (shortcut, shell key) and tells the shell.
void AssignApplicationKey(const std::wstring& launcherFolder, const std::wstring& keyName,
                          const std::wstring& programPath, const std::wstring& shortcutPath);
// The binding alone, without telling the shell; true when the shell key was written.
bool WriteApplicationKey(const std::wstring& launcherFolder, const std::wstring& keyName,
                         const std::wstring& programPath, const std::wstring& shortcutPath);
// The settings-change notice (0xE4) that makes the shell read its button keys again.
void NotifyShellKeysChanged();

}  // namespace qzr
