// The launcher's half of the whitelist cache: it alone creates, fills, withdraws and wipes the
// block; the monitor only reads it.
#include "core/LauncherWhitelist.h"

#include <algorithm>
#include <string>

#include "core/IniFile.h"
#include "core/LauncherConfig.h"
#include "core/MessageBoxes.h"
#include "device/DeviceIdentity.h"
#include "EventLogLines.h"
#include "wince.h"

namespace qzr {
namespace {

namespace wl = whitelist;

constexpr DWORD kOrphanPollMs = 100;
constexpr DWORD kHookPollMs = 5;
constexpr wchar_t kPermitKeyFormat[] = L"Permit%d";

// Takes what an Open... call returned; true when the named object was there.
bool NamedObjectExists(HANDLE opened) { return static_cast<bool>(KernelHandle(opened)); }

}  // namespace

wl::WhitelistEntries WhitelistEntriesFrom(const WhitelistSources& sources, std::function<std::wstring(int n)> permit) {
  wl::WhitelistEntries entries;
  const int buttons = std::clamp(sources.buttonCount, 0, kButtonSlots);
  if (sources.buttons)
    for (int i = 0; i < buttons; ++i) entries.programs.push_back(sources.buttons[i].exePath);
  if (sources.appKeys)
    for (int k = 0; k < kAppKeySlots; ++k)
      if (sources.appKeys[k].appKeyWhitelisted) entries.programs.push_back(sources.appKeys[k].appKeyExe);
  entries.programs.push_back(sources.launcherPath);
  // The volume dialog is found by file name alone: it lives in a different folder per image.
  if (sources.deviceModelIs8) entries.programs.push_back(kVolumeProgramName);
  entries.permit = std::move(permit);
  if (sources.buttons)
    for (int i = 0; i < buttons; ++i)
      if (sources.buttons[i].singleInstance && !sources.buttons[i].exePath.empty())
        entries.singleInstance.push_back(sources.buttons[i].exePath);
  return entries;
}

LauncherWhitelist::~LauncherWhitelist() {
  AwaitMonitorStart();
  CloseSharedCache();
}

void LauncherWhitelist::Construct() {
  menuIniPath_ = settings_.menuIniPath;
  if (menuIniPath_.empty()) GetMenuIniPath(menuIniPath_);
  enabled_ = !menuIniPath_.empty() &&
             ReadIniBool(kWhitelistEnabledKey, kWhitelistSection, menuIniPath_.c_str(), false);
  if (!enabled_) {
    monitorRunning_ = true;
    return;
  }
  monitorRunning_ = false;
  if (!AcquireSharedMemMutex()) return;
  if (!CreateSharedCache(BlockSizeForMenuIni())) return;
  CreateWhitelistEvents();
  StartMonitorInBackground();
}

DWORD LauncherWhitelist::BlockSizeForMenuIni() const {
  DWORD iniBytes = 0;
  WIN32_FILE_ATTRIBUTE_DATA info{};
  if (GetFileAttributesExW(menuIniPath_.c_str(), GetFileExInfoStandard, &info))
    iniBytes = info.nFileSizeHigh ? MAXDWORD : info.nFileSizeLow;
  return wl::BlockSizeFor(iniBytes);
}

void LauncherWhitelist::FindMonitorPath() {
  monitorPath_ = settings_.monitorPath;
  if (monitorPath_.empty()) {
    std::wstring folder;
    if (GetLauncherFolder(folder) && !folder.empty()) monitorPath_ = folder + kMonitorProgramName;
  }
}

void LauncherWhitelist::StartMonitor() {
  AwaitMonitorStart();
  FindMonitorPath();
  bool launched = !monitorPath_.empty() && view_ && LaunchWhiteListEnforcer();
  if (!launched) eventlog::Write(eventlog::lines::kLaunchMonitorFails);
}

void LauncherWhitelist::StartMonitorInBackground() {
  FindMonitorPath();
  monitorRunning_ = false;
  if (!monitorPath_.empty() && view_) startThread_.reset(CreateThread(nullptr, 0, StartMonitorThread, this, 0, nullptr));
  // Without a thread the start is made here, as StartMonitor makes it.
  if (!startThread_) StartMonitor();
}

DWORD WINAPI LauncherWhitelist::StartMonitorThread(void* self) {
  auto* whitelist = static_cast<LauncherWhitelist*>(self);
  whitelist->monitorRunning_ = whitelist->StartMonitorProcess();
  return 0;
}

void LauncherWhitelist::AwaitMonitorStart() {
  if (!startThread_) return;
  WaitForSingleObject(startThread_.get(), INFINITE);
  startThread_.reset();
  if (!monitorRunning_ && blockOwned_) ShowMessageBox(nullptr, kEnforcerUnavailableText, kLauncherTitle, MB_OK | MB_ICONERROR);
  if (!monitorRunning_) eventlog::Write(eventlog::lines::kLaunchMonitorFails);
}

bool LauncherWhitelist::AcquireSharedMemMutex() {
  mutex_.reset(CreateMutexW(nullptr, FALSE, settings_.names.mutex.c_str()));
  if (!mutex_) {
    eventlog::Write(eventlog::lines::kCreateMutexFailed, static_cast<int>(GetLastError()));
    return false;
  }
  for (;;) {
    DWORD rc = WaitForSingleObject(mutex_.get(), wl::kMutexWaitMs);
    if (rc == WAIT_TIMEOUT) continue;
    // An abandoned mutex is owned all the same; refusing it would leave every later
    // launcher restricted after one crash.
    mutexHeld_ = rc == WAIT_OBJECT_0 || rc == WAIT_ABANDONED;
    return mutexHeld_;
  }
}

bool LauncherWhitelist::CreateSharedCache(DWORD size) {
  if (view_) return true;
  mapping_.reset(CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, size, settings_.names.cache.c_str()));
  if (!mapping_) return false;
  if (GetLastError() == ERROR_ALREADY_EXISTS) {
    // Another launcher's block: this instance never touches it.
    blockOwned_ = false;
    blockFound_ = true;
    mapping_.reset();
    return false;
  }
  blockFound_ = false;
  blockCreated_ = true;
  blockOwned_ = true;
  TakeWriterMutex();
  view_.reset(MapViewOfFile(mapping_.get(), FILE_MAP_ALL_ACCESS, 0, 0, size));
  if (!view_) {
    mapping_.reset();
    return false;
  }
  blockSize_ = size;
  wl::InitializeBlock(WritableBlock());
  return true;
}

void LauncherWhitelist::CreateWhitelistEvents() {
  if (!syncEvent_) syncEvent_.reset(CreateEventW(nullptr, TRUE, FALSE, settings_.names.sync.c_str()));
  if (!terminateEvent_) terminateEvent_.reset(CreateEventW(nullptr, TRUE, FALSE, settings_.names.terminate.c_str()));
}

bool LauncherWhitelist::LaunchWhiteListEnforcer() {
  if (!view_) return false;
  monitorRunning_ = StartMonitorProcess();
  if (!monitorRunning_ && blockOwned_) ShowMessageBox(nullptr, kEnforcerUnavailableText, kLauncherTitle, MB_OK | MB_ICONERROR);
  return monitorRunning_;
}

// Reads only what Construct set before the start thread began.
bool LauncherWhitelist::StartMonitorProcess() {
  std::wstring productName = kMonitorProductName;
  std::wstring versionText;
  if (!GetFileVersionText(monitorPath_, productName, versionText)) return false;
  PROCESS_INFORMATION pi{};
  if (!CeCreateProcessW(monitorPath_.c_str(), L"", nullptr, nullptr, FALSE, 0, nullptr, nullptr, nullptr, &pi)) return false;
  // The monitor runs on its own; the launcher keeps no handle to it.
  StartedProcess started(pi);
  return true;
}

bool LauncherWhitelist::TakeWriterMutex() {
  if (writerMutex_) return true;
  KernelHandle mutex(CreateMutexW(nullptr, TRUE, settings_.names.writer.c_str()));
  if (!mutex) return false;
  if (GetLastError() == ERROR_ALREADY_EXISTS) {
    // A live writer owns it for its whole life; an abandoned or released one has no writer.
    DWORD rc = WaitForSingleObject(mutex.get(), 0);
    if (rc != WAIT_OBJECT_0 && rc != WAIT_ABANDONED) return false;
  }
  writerMutex_ = std::move(mutex);
  return true;
}

void LauncherWhitelist::ReleaseWriterMutex() {
  if (!writerMutex_) return;
  ReleaseMutex(writerMutex_.get());
  writerMutex_.reset();
}

bool LauncherWhitelist::EndOrphanedMonitor() {
  const wl::CacheObjectNames& names = settings_.names;
  if (!NamedObjectExists(OpenFileMappingW(FILE_MAP_READ, FALSE, names.cache.c_str()))) return true;
  if (!TakeWriterMutex()) return false;  // the block's writer is alive: not ours to touch
  eventlog::Write(eventlog::lines::kOrphanMonitorFound);
  CreateWhitelistEvents();
  if (terminateEvent_) SetEvent(terminateEvent_.get());
  // The monitor unhooks before it lets go of the block, and its singleton mutex goes only
  // with its process: once both are gone, a new monitor can become the resident one.
  bool ended = false;
  for (DWORD waited = 0; waited <= kOrphanedMonitorWaitMs; waited += kOrphanPollMs) {
    ended = !NamedObjectExists(OpenFileMappingW(FILE_MAP_READ, FALSE, names.cache.c_str())) &&
            !NamedObjectExists(OpenMutexW(SYNCHRONIZE, FALSE, names.monitorSingleton.c_str()));
    if (ended) break;
    Sleep(kOrphanPollMs);
  }
  if (!ended) {
    eventlog::Write(eventlog::lines::kOrphanMonitorStays);
    ReleaseWriterMutex();
    return false;
  }
  // Both events outlived the monitor through this instance's handles; the next monitor must
  // neither end at once nor read lists before they are written.
  if (syncEvent_) ResetEvent(syncEvent_.get());
  if (terminateEvent_) ResetEvent(terminateEvent_.get());
  blockFound_ = false;
  return true;
}

bool LauncherWhitelist::WaitForMonitorHook(DWORD timeoutMs) {
  AwaitMonitorStart();
  if (hookWaited_ || !enabled_ || !monitorRunning_ || !blockOwned_) return true;
  hookWaited_ = true;
  for (DWORD waited = 0;; waited += kHookPollMs) {
    // Until the monitor has created the mutex it has not hooked either.
    KernelHandle singleton(OpenMutexW(SYNCHRONIZE | MUTEX_MODIFY_STATE, FALSE, settings_.names.monitorSingleton.c_str()));
    if (singleton) {
      DWORD rc = WaitForSingleObject(singleton.get(), waited < timeoutMs ? timeoutMs - waited : 0);
      if (rc != WAIT_OBJECT_0 && rc != WAIT_ABANDONED) return false;
      ReleaseMutex(singleton.get());
      return true;
    }
    if (waited >= timeoutMs) return false;
    Sleep(kHookPollMs);
  }
}

void LauncherWhitelist::PrepareSharedCache(bool owned) {
  if (owned && !enabled_) {
    // The whitelist is off now, but a monitor left by a crashed launcher would go on
    // enforcing the old lists.
    if (!view_) EndOrphanedMonitor();
    ReleaseWriterMutex();
    return;
  }
  if (!enabled_) return;
  // A second instance never gets here with owned set: it leaves the block alone.
  if (owned && blockFound_ && mutexHeld_ && EndOrphanedMonitor() && CreateSharedCache(BlockSizeForMenuIni())) {
    CreateWhitelistEvents();
    StartMonitor();
  }
  // Owning needs both: no other launcher runs, and this instance created the block.
  blockOwned_ = owned && blockCreated_;
  if (blockOwned_ && mutexHeld_ && view_) {
    std::span<uint8_t> block = WritableBlock();
    std::fill(block.begin() + wl::kSizeOffset + 4, block.end(), uint8_t{0});
    wl::WriteUnit(block, wl::kMarkerOffset / 2, wl::kBlockMarker);
    list1Pos_ = wl::kListsPos;
  }
  if (mutexHeld_) {
    ReleaseMutex(mutex_.get());
    mutexHeld_ = false;
  }
}

void LauncherWhitelist::PublishWhitelist(const WhitelistSources& sources) {
  if (!list1Pos_ || !view_) {
    if (enabled_) ShowFrameworkMessageBox(kIncompleteInitializationText);
    return;
  }
  std::wstring iniPath = sources.menuIniPath.empty() ? menuIniPath_ : sources.menuIniPath;
  const IniSnapshot* snapshot = sources.menuIni;
  auto permit = [&iniPath, snapshot](int n) {
    wchar_t key[32];
    swprintf(key, 32, kPermitKeyFormat, n);
    return snapshot ? snapshot->ReadValue(kWhitelistSection, key, L"") : ReadIniValue(kWhitelistSection, key, L"", iniPath.c_str());
  };
  wl::ComposeResult result = wl::ComposeWhitelist(WritableBlock(), WhitelistEntriesFrom(sources, permit));
  list2Start_ = result.list2Start;
  for (int i = 0; i < result.exceedsMemoryWarnings; ++i) ShowFrameworkMessageBox(kExceedsMemoryText);
  // Stays set for the rest of the launcher's life: every later monitor reads at once.
  if (syncEvent_) SetEvent(syncEvent_.get());
}

void LauncherWhitelist::WithdrawWhitelist() {
  AwaitMonitorStart();
  if (!blockOwned_ || !view_) return;
  wl::WriteUnit(WritableBlock(), wl::kMarkerOffset / 2, 0);
  monitorRunning_ = false;
  // Lets a monitor that is reading the lists finish before the block goes.
  Sleep(kWithdrawSettleMs);
}

void LauncherWhitelist::CloseSharedCache() {
  AwaitMonitorStart();
  if (blockOwned_ && terminateEvent_) SetEvent(terminateEvent_.get());
  if (mutexHeld_) {
    ReleaseMutex(mutex_.get());
    mutexHeld_ = false;
  }
  if (mapping_) {
    if (blockOwned_ && view_) {
      std::span<uint8_t> block = WritableBlock();
      std::fill(block.begin(), block.end(), uint8_t{0});
    }
    view_.reset();
    mapping_.reset();
    list1Pos_ = 0;
    list2Start_ = 0;
    blockSize_ = 0;
  }
  syncEvent_.reset();
  ReleaseWriterMutex();
}

}  // namespace qzr
