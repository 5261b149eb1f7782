// LauncherApp: the application object; InitInstance runs the launcher's whole life.
#pragma once

#include <windows.h>

#include <string>

#include "LauncherConfig.h"

namespace qzr {

class LauncherApp {
 public:
  // Constructs the configuration model, which sets up the whitelist (monitor included).
  LauncherApp() = default;
  virtual ~LauncherApp() = default;
  LauncherApp(const LauncherApp&) = delete;
  LauncherApp& operator=(const LauncherApp&) = delete;

  // Start-up in its fixed order, the main dialog, and the end; always FALSE.
  BOOL InitInstance(const wchar_t* commandLine);

  std::wstring launcherFolder;  // lower-cased, with its final backslash
  LauncherConfig config;
  DWORD launchCode = 0;
};

// Another launcher started from the same program file: brings its window to the front (1) or 0.
int ActivateRunningInstance();

// Mutex name for a module file name: lower-cased, backslashes become forward slashes.
std::wstring InstanceMutexName(const std::wstring& moduleFileName);

}  // namespace qzr
