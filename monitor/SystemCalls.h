// The system calls that only one of Gatewarden's roles makes, bound by name on first use. A
// per-launch start, which every program the shell opens pays for, then loads no library for
// them: importing advapi32 would add three libraries to each start, user32 about as much as
// the start itself costs.
#pragma once

#include <windows.h>

namespace qzr::monitor {

// The resident instance's registry edit.
struct RegistryCalls {
  decltype(&RegOpenKeyExW) open = nullptr;
  decltype(&RegQueryValueExW) query = nullptr;
  decltype(&RegSetValueExW) set = nullptr;
  decltype(&RegCloseKey) close = nullptr;
  bool complete = false;
};

// The single-instance check: finding a program's window and bringing it forward.
struct WindowCalls {
  decltype(&EnumWindows) enumWindows = nullptr;
  decltype(&IsWindowVisible) isWindowVisible = nullptr;
  decltype(&GetWindowRect) getWindowRect = nullptr;
  decltype(&GetWindowThreadProcessId) getWindowThreadProcessId = nullptr;
  decltype(&SystemParametersInfoW) systemParametersInfo = nullptr;
  decltype(&SetForegroundWindow) setForegroundWindow = nullptr;
  decltype(&GetLastActivePopup) getLastActivePopup = nullptr;
  bool complete = false;
};

// Bound once for the process; the library stays loaded. `complete` is false when the library
// or any of its calls is missing.
const RegistryCalls& Registry();
const WindowCalls& Windows();

}  // namespace qzr::monitor
