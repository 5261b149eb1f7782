// launchbench.exe: how long a launch through the shell's open operation takes with the whitelist
// monitor's hook in place, without it, and as a bare process start. Prints the medians and the
// hook's overhead as a multiple of the bare start.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "Win32Owners.h"
#include "WhitelistCache.h"
#include "wince.h"

namespace wl = qzr::whitelist;

namespace {

constexpr wchar_t kReadyEvent[] = L"QZR_BENCH_READY_EVENT";
constexpr DWORD kLaunchTimeoutMs = 30000;

std::wstring ModuleFolder() {
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring s(path);
  return s.substr(0, s.find_last_of(L'\\') + 1);
}

double NowMs() {
  static LARGE_INTEGER frequency = [] {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return f;
  }();
  LARGE_INTEGER t;
  QueryPerformanceCounter(&t);
  return 1000.0 * static_cast<double>(t.QuadPart) / static_cast<double>(frequency.QuadPart);
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  size_t n = v.size();
  return n == 0 ? 0 : (n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2);
}

std::wstring OpenCommand() {
  qzr::RegKey key;
  key.Open(HKEY_CLASSES_ROOT, L"exefile\\shell\\open\\command");
  return key.ReadString(L"Default").value_or(L"");
}

// Times `launches` runs of `start`, each until the target says it runs.
template <typename Start>
std::vector<double> TimeLaunches(int launches, HANDLE ready, Start start) {
  std::vector<double> times;
  for (int i = 0; i < launches; ++i) {
    ResetEvent(ready);
    double t0 = NowMs();
    if (!start()) {
      fprintf(stderr, "launch failed: error %lu\n", GetLastError());
      continue;
    }
    if (WaitForSingleObject(ready, kLaunchTimeoutMs) != WAIT_OBJECT_0) {
      fprintf(stderr, "target did not run within %lu ms\n", kLaunchTimeoutMs);
      continue;
    }
    times.push_back(NowMs() - t0);
    Sleep(20);  // let the previous processes end before the next measurement
  }
  return times;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  int launches = argc > 1 ? _wtoi(argv[1]) : 60;
  if (launches < 1) launches = 60;
  const std::wstring bin = ModuleFolder();
  CreateDirectoryW(L"C:\\qzrbench", nullptr);
  if (!CopyFileW((bin + L"launchtarget.exe").c_str(), L"C:\\qzrbench\\target.exe", FALSE)) {
    fprintf(stderr, "cannot copy launchtarget.exe\n");
    return 1;
  }
  const std::wstring target = L"\\qzrbench\\target.exe";
  qzr::KernelHandle ready(CreateEventW(nullptr, TRUE, FALSE, kReadyEvent));
  SetEnvironmentVariableW(L"QZR_BENCH_READY", kReadyEvent);

  auto shellOpen = [&] {
    SHELLEXECUTEINFOW info{sizeof info};
    info.fMask = SEE_MASK_FLAG_NO_UI;
    info.lpVerb = L"open";
    info.lpFile = target.c_str();
    info.lpDirectory = L"\\windows\\";
    info.nShow = SW_SHOWNORMAL;
    return ShellExecuteEx(&info) != FALSE;
  };
  auto bareStart = [&] {
    STARTUPINFOW si{sizeof si};
    PROCESS_INFORMATION pi{};
    std::wstring cmd = L"\"C:\\qzrbench\\target.exe\"";
    if (!CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, L"C:\\windows", &si, &pi)) return false;
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return true;
  };

  // Warm-up: the first starts of any program pay for Wine's caches.
  TimeLaunches(5, ready.get(), bareStart);
  TimeLaunches(5, ready.get(), shellOpen);
  std::vector<double> bare = TimeLaunches(launches, ready.get(), bareStart);
  std::vector<double> unhooked = TimeLaunches(launches, ready.get(), shellOpen);

  // The launcher's side: a published whitelist that allows the target, and the resident monitor.
  const DWORD size = wl::kMinBlockSize;
  qzr::KernelHandle mapping(CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, size, wl::kCacheName));
  qzr::MappedView view(MapViewOfFile(mapping.get(), FILE_MAP_ALL_ACCESS, 0, 0, size));
  if (!view) {
    fprintf(stderr, "cannot create the whitelist block\n");
    return 1;
  }
  std::span<uint8_t> block(static_cast<uint8_t*>(view.get()), size);
  wl::InitializeBlock(block);
  wl::WhitelistEntries entries;
  entries.programs = {L"\\windows\\notes.exe", target, L"\\qzr\\qzrshell.exe"};
  wl::ComposeWhitelist(block, entries);
  qzr::KernelHandle sync(CreateEventW(nullptr, TRUE, FALSE, wl::kSyncEventName));
  qzr::KernelHandle terminate(CreateEventW(nullptr, TRUE, FALSE, wl::kTerminateEventName));
  SetEvent(sync.get());
  const std::wstring before = OpenCommand();
  PROCESS_INFORMATION pi{};
  if (!CeCreateProcessW((bin + L"Gatewarden.exe").c_str(), L"", nullptr, nullptr, FALSE, 0, nullptr, L"C:\\", nullptr, &pi)) {
    fprintf(stderr, "cannot start Gatewarden.exe\n");
    return 1;
  }
  qzr::KernelHandle resident(pi.hProcess), residentThread(pi.hThread);
  for (int i = 0; i < 200 && OpenCommand() == before; ++i) Sleep(50);
  if (OpenCommand() == before) {
    fprintf(stderr, "the monitor did not hook the open command\n");
    return 1;
  }
  TimeLaunches(5, ready.get(), shellOpen);
  std::vector<double> hooked = TimeLaunches(launches, ready.get(), shellOpen);

  SetEvent(terminate.get());
  WaitForSingleObject(resident.get(), 10000);
  std::fill(block.begin(), block.end(), uint8_t{0});

  double a = Median(hooked), b = Median(unhooked), c = Median(bare);
  printf("launches per case: %d (completed: hooked %zu, unhooked %zu, bare %zu)\n", launches, hooked.size(),
         unhooked.size(), bare.size());
  printf("(a) open operation, monitor hook in place: median %.2f ms\n", a);
  printf("(b) open operation, no hook:               median %.2f ms\n", b);
  printf("(c) bare CreateProcess:                    median %.2f ms\n", c);
  printf("hook overhead (a - b) = %.2f ms = %.2f x (c)   (target: at most 1.20 x)\n", a - b, c > 0 ? (a - b) / c : 0);
  printf("open command restored: %s\n", OpenCommand() == before ? "yes" : "no");
  return 0;
}
