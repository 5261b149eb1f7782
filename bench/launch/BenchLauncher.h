// What the launch benchmarks need of a running launcher: a published whitelist that allows the
// target, and the resident Gatewarden with its hook in place. Undone when it goes.
#pragma once

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <span>
#include <string>

#include "Text.h"
#include "WhitelistCache.h"
#include "Win32Owners.h"
#include "wince.h"

namespace bench {

inline constexpr wchar_t kTargetDevicePath[] = L"\\qzrbench\\target.exe";
inline constexpr wchar_t kReadyEvent[] = L"QZR_BENCH_READY_EVENT";

// Puts the trivial target program at C:\qzrbench\target.exe and returns the event it sets
// when it runs (named to it through the environment); nothing when the copy fails.
inline qzr::KernelHandle PrepareTarget(const std::wstring& bin) {
  CreateDirectoryW(L"C:\\qzrbench", nullptr);
  if (!CopyFileW((bin + L"launchtarget.exe").c_str(), L"C:\\qzrbench\\target.exe", FALSE)) {
    fprintf(stderr, "cannot copy launchtarget.exe\n");
    return {};
  }
  SetEnvironmentVariableW(L"QZR_BENCH_READY", kReadyEvent);
  return qzr::KernelHandle(CreateEventW(nullptr, TRUE, FALSE, kReadyEvent));
}

inline std::wstring OpenCommand() {
  qzr::RegKey key;
  key.Open(HKEY_CLASSES_ROOT, L"exefile\\shell\\open\\command");
  return key.ReadString(L"Default").value_or(L"");
}

inline bool WriteOpenCommand(const std::wstring& command) {
  qzr::RegKey key;
  return key.Open(HKEY_CLASSES_ROOT, L"exefile\\shell\\open\\command", KEY_SET_VALUE) && key.WriteString(L"Default", command);
}

class BenchLauncher {
 public:
  // False when the block cannot be made or the monitor does not hook the open command.
  bool Start(const std::wstring& monitor, const std::wstring& target) {
    namespace wl = qzr::whitelist;
    const DWORD size = wl::kMinBlockSize;
    mapping_.reset(CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, size, wl::kCacheName));
    view_.reset(mapping_ ? MapViewOfFile(mapping_.get(), FILE_MAP_ALL_ACCESS, 0, 0, size) : nullptr);
    if (!view_) {
      fprintf(stderr, "cannot create the whitelist block\n");
      return false;
    }
    block_ = {static_cast<uint8_t*>(view_.get()), size};
    wl::InitializeBlock(block_);
    wl::WhitelistEntries entries;
    entries.programs = {L"\\windows\\notes.exe", target, L"\\qzr\\qzrshell.exe"};
    wl::ComposeWhitelist(block_, entries);
    sync_.reset(CreateEventW(nullptr, TRUE, FALSE, wl::kSyncEventName));
    terminate_.reset(CreateEventW(nullptr, TRUE, FALSE, wl::kTerminateEventName));
    SetEvent(sync_.get());
    unhooked_ = OpenCommand();
    PROCESS_INFORMATION pi{};
    if (!CeCreateProcessW(monitor.c_str(), L"", nullptr, nullptr, FALSE, 0, nullptr, L"C:\\", nullptr, &pi)) {
      fprintf(stderr, "cannot start %ls\n", monitor.c_str());
      return false;
    }
    resident_ = qzr::StartedProcess(pi);
    for (int i = 0; i < 200 && OpenCommand() == unhooked_; ++i) Sleep(50);
    hooked_ = OpenCommand();
    if (hooked_ == unhooked_) {
      fprintf(stderr, "the monitor did not hook the open command\n");
      return false;
    }
    return true;
  }
  // Ends the resident monitor, which takes its hook out, and clears the block.
  void Stop() {
    if (!resident_) return;
    WriteOpenCommand(hooked_);  // the resident monitor takes out what it put in
    SetEvent(terminate_.get());
    WaitForSingleObject(resident_.process.get(), 10000);
    resident_ = {};
    std::fill(block_.begin(), block_.end(), uint8_t{0});
  }
  ~BenchLauncher() { Stop(); }
  const std::wstring& hooked() const { return hooked_; }
  const std::wstring& unhooked() const { return unhooked_; }

 private:
  qzr::KernelHandle mapping_;
  qzr::MappedView view_;
  std::span<uint8_t> block_;
  qzr::KernelHandle sync_;
  qzr::KernelHandle terminate_;
  qzr::StartedProcess resident_;
  std::wstring unhooked_;
  std::wstring hooked_;
};

}  // namespace bench
