// Shared by the monitor tests: a launcher's block under the real names, the demo program, the event log.
#pragma once

#include <windows.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "DeviceProfile.h"
#include "TestSupport.h"
#include "Text.h"
#include "WhitelistCache.h"
#include "Win32Owners.h"
#include "shellexec.h"

namespace monitor_test {

namespace wl = qzr::whitelist;
using namespace testing_support;

inline constexpr wchar_t kSeededOpenCommand[] = L"\"%1\" %*";

// The block, lists and events as a running launcher holds them, under the names Gatewarden uses.
class FakeLauncher {
 public:
  explicit FakeLauncher(const std::wstring& list1, const std::wstring& list2, bool published = true,
                        DWORD size = wl::kMinBlockSize) {
    mapping_.reset(CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, size, wl::kCacheName));
    alreadyExisted_ = GetLastError() == ERROR_ALREADY_EXISTS;
    view_.reset(MapViewOfFile(mapping_.get(), FILE_MAP_ALL_ACCESS, 0, 0, size));
    block_ = {static_cast<uint8_t*>(view_.get()), view_ ? size : 0};
    wl::InitializeBlock(block_);
    size_t pos = wl::kListsPos;
    for (wchar_t c : list1) wl::WriteUnit(block_, pos++, c);
    wl::WriteUnit(block_, pos++, 0);
    wl::WriteUnit(block_, pos++, wl::kBlockMarker);
    for (wchar_t c : list2) wl::WriteUnit(block_, pos++, c);
    sync_.reset(CreateEventW(nullptr, TRUE, FALSE, wl::kSyncEventName));
    terminate_.reset(CreateEventW(nullptr, TRUE, FALSE, wl::kTerminateEventName));
    if (published) Publish();
  }
  ~FakeLauncher() {
    SetEvent(terminate_.get());
    std::fill(block_.begin(), block_.end(), uint8_t{0});
  }
  bool ok() const { return view_ && !alreadyExisted_; }
  void Publish() { SetEvent(sync_.get()); }
  void Withdraw() { wl::WriteUnit(block_, 0, 0); }
  void Terminate() { SetEvent(terminate_.get()); }

 private:
  qzr::KernelHandle mapping_;
  qzr::MappedView view_;
  std::span<uint8_t> block_;
  bool alreadyExisted_ = false;
  qzr::KernelHandle sync_;
  qzr::KernelHandle terminate_;
};

// "C:\qzrtest\x" -> "\qzrtest\x": how the device names a file.
inline std::wstring DevicePath(const std::wstring& path) {
  return path.size() > 2 && path[1] == L':' ? path.substr(2) : path;
}

inline std::wstring Lower(std::wstring s) { return qzr::LowerCase(s); }

inline std::wstring GatewardenPath() { return BinFolder() + L"Gatewarden.exe"; }
// The quoted path that the resident instance puts in front of the open command.
inline std::wstring HookedPrefix() { return L"\"" + Lower(BinFolder()) + L"Gatewarden.exe\""; }

inline std::wstring CopyDemo(const std::wstring& target) {
  CopyFileW((BinFolder() + L"qzrdemo.exe").c_str(), target.c_str(), FALSE);
  return target;
}

// Event-log lines without their facility: "[category 4] text".
inline std::vector<std::string> LogTexts(const std::wstring& path) {
  std::vector<std::string> texts;
  for (const std::string& line : ReadLines(path)) {
    size_t at = line.find("] [category ");
    if (at != std::string::npos) texts.push_back(line.substr(at + 2));
  }
  return texts;
}

inline std::vector<std::string> DecisionTexts(const std::wstring& path) {
  std::vector<std::string> decisions;
  for (const std::string& text : LogTexts(path))
    if (text.find("\\WhiteList (") != std::string::npos) decisions.push_back(text);
  return decisions;
}

inline std::optional<std::wstring> OpenCommand() {
  return ReadRegString(HKEY_CLASSES_ROOT, L"exefile\\shell\\open\\command", L"Default");
}

inline void ResetOpenCommand() {
  WriteRegString(HKEY_CLASSES_ROOT, L"exefile\\shell\\open\\command", L"Default", kSeededOpenCommand);
}

// The resident Gatewarden as the launcher starts it; ended through the launcher's terminate event.
class Resident {
 public:
  explicit Resident(FakeLauncher& launcher) : launcher_(launcher) {
    STARTUPINFOW si{sizeof si};
    PROCESS_INFORMATION pi{};
    std::wstring cmd = L"\"" + BinFolder() + L"Gatewarden.exe\"";
    if (!CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, L"C:\\", &si, &pi)) return;
    process_.reset(pi.hProcess);
    CloseHandle(pi.hThread);
    hooked_ = PumpUntil([] { return OpenCommand() == HookedPrefix() + L" " + kSeededOpenCommand; }, 10000);
  }
  ~Resident() {
    launcher_.Terminate();
    if (process_) WaitForSingleObject(process_.get(), 10000);
  }
  bool hooked() const { return hooked_; }
  HANDLE process() const { return process_.get(); }

 private:
  FakeLauncher& launcher_;
  qzr::KernelHandle process_;
  bool hooked_ = false;
};

// The device shell's open operation on a file, from the \windows folder.
inline bool OpenThroughShell(const std::wstring& file, const wchar_t* parameters = nullptr) {
  SHELLEXECUTEINFOW info{sizeof info};
  info.fMask = SEE_MASK_FLAG_NO_UI;
  info.lpVerb = L"open";
  info.lpFile = file.c_str();
  info.lpParameters = parameters;
  info.lpDirectory = L"\\windows\\";
  info.nShow = SW_SHOWNORMAL;
  return CeShellExecuteEx(&info) != FALSE;
}

// Runs Gatewarden as the shell would, with the program and its arguments, and waits for it.
inline ProcessResult RunGatewarden(const std::wstring& arguments) {
  return RunProcess(L"\"" + GatewardenPath() + L"\" " + arguments, 40000);
}

}  // namespace monitor_test
