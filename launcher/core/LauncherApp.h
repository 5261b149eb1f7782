// LauncherApp: the application object; InitInstance runs the launcher's whole life: start-up,
// the main dialog, and leaving.
#pragma once

#include <windows.h>

#include <string>

#include "core/LauncherConfig.h"
#include "Win32Owners.h"

namespace qzr {

class LauncherApp {
 public:
  LauncherApp() = default;
  virtual ~LauncherApp() = default;
  LauncherApp(const LauncherApp&) = delete;
  LauncherApp& operator=(const LauncherApp&) = delete;

  // Start-up in its fixed order, the main dialog, and leaving; always FALSE.
  BOOL InitInstance(const wchar_t* commandLine);

  std::wstring launcherFolder;  // lower-cased, with its final backslash
  LauncherConfig config;
  DWORD launchCode = 0;

 private:
  // menu.ini into the model, then what start-up does with it: the whitelist published, the
  // shell's start key brought in line (which may ask for a warm boot).
  void LoadConfiguration();
  // The exit password was given: the shell's task bar, start key and soft keys back as
  // menu.ini asks, and a warm boot offered when one of them needs it.
  void Leave();
};

// Another launcher started from the same program file: brings its window to the front (1) or 0.
int ActivateRunningInstance();

// Mutex name for a module file name: lower-cased, backslashes become forward slashes.
std::wstring InstanceMutexName(const std::wstring& moduleFileName);

}  // namespace qzr
