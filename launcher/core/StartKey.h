// Start key, reboot flags and the clean-up warm boot.
#pragma once

namespace qzr {

class LauncherConfig;

// First start after a clean-up warm boot: clears the flag and answers true; the launcher
// then ends before it changes anything.
bool TakeCleanUpStart();

// Brings the shell's start-key setting in line with the configuration; may ask for a warm boot.
void SyncStartKeySetting(LauncherConfig& config);

}  // namespace qzr
