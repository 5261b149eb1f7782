// The launcher side of the shared whitelist cache: creates the block and its events, starts
// the monitor, publishes the lists after menu.ini is loaded, withdraws them at the end.
#pragma once

#include <windows.h>

#include <array>
#include <string>

namespace qzr {

// What the lists are composed from, taken from the configuration model.
struct WhitelistSources {
  int buttonCount = 0;
  const std::wstring* exePath = nullptr;     // 10 slots
  const int* singleInstance = nullptr;       // 10 slots
  const std::wstring* appKeyExe = nullptr;   // 6 slots
  const int* appKeyWhitelisted = nullptr;    // 6 slots
  std::wstring launcherPath;                 // launcher folder + "QZRShell.exe"
  bool deviceModelIs8 = false;
  std::wstring menuIniPath;                  // for the Permit%d keys
};

class LauncherWhitelist {
 public:
  LauncherWhitelist() = default;
  ~LauncherWhitelist();
  LauncherWhitelist(const LauncherWhitelist&) = delete;
  LauncherWhitelist& operator=(const LauncherWhitelist&) = delete;

  // Model construction: reads WhiteListEnabled, and when on takes the mutex, creates the
  // block and events and starts the monitor.
  void Construct();
  void PrepareSharedCache(bool owned);
  void PublishWhitelist(const WhitelistSources& sources);
  void WithdrawWhitelist();
  void CloseSharedCache();

  bool enabled() const { return enabled_; }
  // False keeps the main dialog in restricted mode.
  bool monitorRunning() const { return monitorRunning_; }

 private:
  bool enabled_ = false;
  bool monitorRunning_ = true;
};

}  // namespace qzr
