// The launcher side of the shared whitelist cache: creates the block and its events, starts
// the monitor, publishes the lists after menu.ini is loaded, withdraws them at the end.
#pragma once

#include <windows.h>

#include <array>
#include <cstdint>
#include <functional>
#include <span>
#include <string>

#include "core/IniFile.h"
#include "WhitelistCache.h"
#include "Win32Owners.h"

namespace qzr {

inline constexpr wchar_t kMonitorProgramName[] = L"Gatewarden.exe";
inline constexpr wchar_t kMonitorProductName[] = L"Korvanex Whitelist";
inline constexpr wchar_t kVolumeProgramName[] = L"QZRVolDlg.exe";
inline constexpr wchar_t kWhitelistSection[] = L"WhiteList";
inline constexpr wchar_t kWhitelistEnabledKey[] = L"WhiteListEnabled";
inline constexpr wchar_t kEnforcerUnavailableText[] = L"White-List enforcement is not available, access is restricted.";
inline constexpr wchar_t kIncompleteInitializationText[] = L"ERROR: Incomplete initialization sequence!";
inline constexpr wchar_t kExceedsMemoryText[] = L"WARNING: INI content exceeds memory!";
inline constexpr DWORD kWithdrawSettleMs = 1050;
// How long a restarted launcher waits for the monitor of a launcher that died to end.
inline constexpr DWORD kOrphanedMonitorWaitMs = 15000;

struct ButtonSlot;
struct AppKeySlot;

// What the lists are composed from, taken from the configuration model.
struct WhitelistSources {
  int buttonCount = 0;
  const ButtonSlot* buttons = nullptr;  // kButtonSlots slots
  const AppKeySlot* appKeys = nullptr;  // kAppKeySlots slots
  std::wstring launcherPath;                 // launcher folder + "QZRShell.exe"
  bool deviceModelIs8 = false;
  std::wstring menuIniPath;                  // for the Permit%d keys
  const IniSnapshot* menuIni = nullptr;      // when set, the Permit%d keys are read from it instead
};

// Both lists' entries in publishing order; `permit` yields the raw value of Permit<n>.
whitelist::WhitelistEntries WhitelistEntriesFrom(const WhitelistSources& sources,
                                                 std::function<std::wstring(int n)> permit);

// Where the whitelist finds its files and objects. The product leaves the paths empty and
// takes them from the launcher's own folder; tests name a scratch menu.ini and monitor.
struct WhitelistSettings {
  std::wstring menuIniPath;
  std::wstring monitorPath;
  whitelist::CacheObjectNames names;
};

class LauncherWhitelist {
 public:
  LauncherWhitelist() = default;
  explicit LauncherWhitelist(WhitelistSettings settings) : settings_(std::move(settings)) {}
  ~LauncherWhitelist();
  LauncherWhitelist(const LauncherWhitelist&) = delete;
  LauncherWhitelist& operator=(const LauncherWhitelist&) = delete;

  // The first step of start-up: reads WhiteListEnabled, and when on takes the mutex, creates
  // the block and events and starts the monitor.
  void Construct();
  void PrepareSharedCache(bool owned);
  void PublishWhitelist(const WhitelistSources& sources);
  void WithdrawWhitelist();
  void CloseSharedCache();

  // The steps of Construct.
  bool AcquireSharedMemMutex();
  bool CreateSharedCache(DWORD size);
  void CreateWhitelistEvents();
  bool LaunchWhiteListEnforcer();

  // After a launcher crash its resident monitor keeps the block open with the old lists and
  // its hook in place. A launcher that passed its single-instance test and finds the block's
  // writer gone ends that monitor through the terminate event and waits until it has
  // unhooked and exited; true when no orphaned monitor is left.
  bool EndOrphanedMonitor();

  // The resident monitor owns its singleton mutex from its start until its hook of the shell's
  // open command is in place; a program opened before then would start unchecked. Waits, at the
  // first launch only, up to timeoutMs for that point. True once the hook is in or when there is
  // no monitor of this launcher to wait for; false when it did not get there in time (the
  // launch then goes ahead, as it always did).
  bool WaitForMonitorHook(DWORD timeoutMs);

  // The outcome of the monitor start Construct set off, with its box and log line when it failed;
  // start-up waits for it before the single-instance test, so that nothing is prepared or
  // published while the operator is told that the whitelist cannot be enforced.
  void AwaitMonitorStart();

  bool enabled() const { return enabled_; }
  // False keeps the main dialog in restricted mode. Waits for the start Construct set off.
  bool monitorRunning() const {
    const_cast<LauncherWhitelist*>(this)->AwaitMonitorStart();
    return monitorRunning_;
  }
  bool blockOwned() const { return blockOwned_; }
  bool mutexHeld() const { return mutexHeld_; }
  std::span<const uint8_t> block() const {
    return {static_cast<const uint8_t*>(view_.get()), view_ ? blockSize_ : 0};
  }

 private:
  bool TakeWriterMutex();
  void ReleaseWriterMutex();
  DWORD BlockSizeForMenuIni() const;
  void FindMonitorPath();
  void StartMonitor();
  // Construct's monitor start: creating the process waits for the new process to come up, so
  // it runs on a thread of its own while start-up goes on. Everything that reads its outcome
  // awaits it first; the outcome's message box and log line come from the awaiting thread.
  void StartMonitorInBackground();
  static DWORD WINAPI StartMonitorThread(void* self);
  bool StartMonitorProcess();
  std::span<uint8_t> WritableBlock() { return {static_cast<uint8_t*>(view_.get()), view_ ? blockSize_ : 0}; }

  WhitelistSettings settings_;
  bool enabled_ = false;
  bool monitorRunning_ = true;
  KernelHandle mutex_;
  bool mutexHeld_ = false;
  KernelHandle mapping_;
  MappedView view_;
  DWORD blockSize_ = 0;
  bool blockCreated_ = false;  // this instance created the block
  bool blockOwned_ = false;    // ... and is confirmed as the only launcher
  bool blockFound_ = false;    // the block existed when this instance tried to create it
  KernelHandle writerMutex_;   // owned while this instance is the block's writer
  size_t list1Pos_ = 0;        // 0 until prepared
  size_t list2Start_ = 0;
  KernelHandle syncEvent_;
  KernelHandle terminateEvent_;
  std::wstring menuIniPath_;
  std::wstring monitorPath_;
  bool hookWaited_ = false;
  KernelHandle startThread_;  // Construct's monitor start, until awaited
};

}  // namespace qzr
