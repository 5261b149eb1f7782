// Runs the device probe child where the maker's libraries can be taken away and put back.
#pragma once

#include <windows.h>

#include <functional>
#include <map>
#include <string>

#include "TestSupport.h"

namespace testing_support {

// Renames a file out of the way for the owner's lifetime, or until Restore().
class HiddenFile {
 public:
  explicit HiddenFile(std::wstring path) : path_(std::move(path)), aside_(path_ + L".hidden") {
    hidden_ = MoveFileExW(path_.c_str(), aside_.c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
  }
  ~HiddenFile() { Restore(); }
  HiddenFile(const HiddenFile&) = delete;
  HiddenFile& operator=(const HiddenFile&) = delete;
  bool hidden() const { return hidden_; }
  void Restore() {
    if (hidden_) hidden_ = !MoveFileExW(aside_.c_str(), path_.c_str(), MOVEFILE_REPLACE_EXISTING);
  }

 private:
  std::wstring path_, aside_;
  bool hidden_ = false;
};

// Runs device_probe.exe in `mode` from drive C, copied alone into `folder` (or, `alone` false, beside the libraries
// built with it); calls between() after its first round and returns its "key=value" results (none if unfinished).
inline std::map<std::string, std::string> RunProbe(const ScratchFolder& folder, const std::wstring& mode,
                                                   const std::function<void()>& between, bool alone = true) {
  std::map<std::string, std::string> results;
  std::wstring exe = alone ? folder / L"device_probe.exe" : BinFolder() + L"device_probe.exe";
  if (alone && !CopyFileW((BinFolder() + L"device_probe.exe").c_str(), exe.c_str(), FALSE)) return results;
  std::wstring tag = std::to_wstring(GetCurrentProcessId()) + L"_" + std::to_wstring(GetTickCount64());
  std::wstring readyName = L"QZR_TEST_PROBE_READY_" + tag, goName = L"QZR_TEST_PROBE_GO_" + tag;
  HANDLE ready = CreateEventW(nullptr, TRUE, FALSE, readyName.c_str());
  HANDLE go = CreateEventW(nullptr, TRUE, FALSE, goName.c_str());
  std::wstring resultFile = folder / L"probe.txt";
  std::wstring cmd = L"\"" + exe + L"\" " + mode + L" \"" + resultFile + L"\" " + readyName + L" " + goName;
  STARTUPINFOW si{sizeof si};
  PROCESS_INFORMATION pi{};
  if (CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, L"C:\\", &si, &pi)) {
    HANDLE waits[2] = {ready, pi.hProcess};
    if (WaitForMultipleObjects(2, waits, FALSE, 30000) == WAIT_OBJECT_0) {
      between();
      SetEvent(go);
    }
    if (WaitForSingleObject(pi.hProcess, 30000) != WAIT_OBJECT_0) TerminateProcess(pi.hProcess, 1);
    WaitForSingleObject(pi.hProcess, 5000);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
  }
  CloseHandle(ready);
  CloseHandle(go);
  for (const auto& line : ReadLines(resultFile)) {
    size_t eq = line.find('=');
    if (eq != std::string::npos) results[line.substr(0, eq)] = line.substr(eq + 1);
  }
  return results;
}

}  // namespace testing_support
