// LauncherDialog: the operator's main screen.
#pragma once

#include <windows.h>

namespace qzr {

class LauncherApp;

inline constexpr INT_PTR kExitResult = 3;

// Runs the main dialog modally; returns its result.
INT_PTR RunLauncherDialog(LauncherApp& app);

}  // namespace qzr
