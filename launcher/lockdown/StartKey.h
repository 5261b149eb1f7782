// Start key, reboot flags and the clean-up warm boot.
#pragma once

#include <windows.h>

namespace qzr {

class LauncherConfig;

inline constexpr char kLauncherKey[] = "Software\\Korvanex\\Utilities\\KORVANEX_LAUNCHER";
inline constexpr char kBubbletilesKey[] = "SOFTWARE\\Microsoft\\Shell\\Bubbletiles";

// False on any failure. Keys are opened, never created.
bool ReadLauncherFlag(const char* keyPath, const char* valueName, DWORD* value);
bool WriteLauncherFlag(const char* keyPath, const char* valueName, DWORD value);
bool ToggleHardwareStartKey();

// First start after a clean-up warm boot: clears the flag and answers true; the launcher
// then ends before it changes anything.
bool TakeCleanUpStart();

// Brings the shell's start-key setting in line with the configuration; may ask for a warm boot.
void SyncStartKeySetting(LauncherConfig& config);
void PromptWarmBoot(HWND owner);

// Leaving the launcher, in this order; then CleanUpCheckOnLeaving with the password dialog.
void RestoreStartKeySetting(const LauncherConfig& config);
void RestoreSoftKeySetting(const LauncherConfig& config);
void CleanUpCheckOnLeaving(HWND owner);

}  // namespace qzr
