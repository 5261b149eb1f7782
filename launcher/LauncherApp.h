// LauncherApp: the application object; InitInstance runs the launcher's whole life: start-up
// and the main dialog, which calls back into Leave when the exit password is given.
#pragma once

#include <windows.h>

#include <string>

#include "core/LauncherConfig.h"
#include "Win32Owners.h"

namespace qzr {

inline constexpr int kExitCode = 0;

class LauncherApp {
 public:
  LauncherApp() = default;
  virtual ~LauncherApp() = default;
  LauncherApp(const LauncherApp&) = delete;
  LauncherApp& operator=(const LauncherApp&) = delete;

  // Start-up in its fixed order, then the main dialog; the process's exit code, which is the
  // same (kExitCode) however the run ends.
  int InitInstance(const wchar_t* commandLine);
  // The exit password was given and the launcher's dialogs still stand: the shell's task bar,
  // start key and soft keys back as menu.ini asks, then a warm boot offered, owned by `owner`,
  // when one of them needs it.
  void Leave(HWND owner);

  std::wstring launcherFolder;  // lower-cased, with its final backslash
  LauncherConfig config;
  DWORD launchCode = 0;

 private:
  // menu.ini into the model, then what start-up does with it: the whitelist published, the
  // shell's start key brought in line (which may ask for a warm boot).
  void LoadConfiguration();
};

// Another launcher started from the same program file: brings its window to the front (true).
bool ActivateRunningInstance();

// Mutex name for a module file name: lower-cased, backslashes become forward slashes.
std::wstring InstanceMutexName(const std::wstring& moduleFileName);

}  // namespace qzr
