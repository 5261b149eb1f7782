// launchbench.exe: how long a launch through the shell's open operation takes with the whitelist
// monitor's hook in place (with the device's event log writing its file, and discarding), without
// it, and as a bare process start. Prints the medians and the hook's overhead as a multiple of the
// bare start.
#include <windows.h>

#include <algorithm>
#include <functional>
#include <cstdio>
#include <string>
#include <vector>

#include "../BenchTiming.h"
#include "BenchLauncher.h"
#include "Win32Owners.h"
#include "WhitelistCache.h"
#include "DeviceProfile.h"
#include "wince.h"

namespace {

constexpr DWORD kLaunchTimeoutMs = 30000;

using bench::Median;
using bench::NowMs;

// One launch: `start` returns the process it started (or nullptr on failure); the time runs
// until the target says it runs. The started process is waited for afterwards, outside the
// measured time, so that its ending does not fall into the next measurement.
template <typename Start>
bool TimeLaunch(HANDLE ready, Start start, std::vector<double>* times) {
  ResetEvent(ready);
  double t0 = NowMs();
  HANDLE process = start();
  if (!process) {
    fprintf(stderr, "launch failed: error %lu\n", GetLastError());
    return false;
  }
  bool ran = WaitForSingleObject(ready, kLaunchTimeoutMs) == WAIT_OBJECT_0;
  double t1 = NowMs();
  if (process != INVALID_HANDLE_VALUE) {
    WaitForSingleObject(process, kLaunchTimeoutMs);
    CloseHandle(process);
  }
  if (!ran) {
    fprintf(stderr, "target did not run within %lu ms\n", kLaunchTimeoutMs);
    return false;
  }
  if (times) times->push_back(t1 - t0);
  Sleep(25);  // the target, and the monitor's own ending, settle before the next launch
  return true;
}

}  // namespace

// Usage: launchbench [launches] [monitor program]; the monitor defaults to the Gatewarden.exe
// beside this program.
int wmain(int argc, wchar_t** argv) {
  int launches = argc > 1 ? _wtoi(argv[1]) : 60;
  if (launches < 1) launches = 60;
  // The programs it starts lie beside the benchmark program.
  const std::wstring bin = qzr::ModuleFolder(nullptr, MAX_PATH);
  const std::wstring monitor = argc > 2 ? argv[2] : bin + L"Gatewarden.exe";
  const std::wstring target = bench::kTargetDevicePath;
  qzr::KernelHandle ready = bench::PrepareTarget(bin);
  if (!ready) return 1;

  auto shellOpen = [&]() -> HANDLE {
    SHELLEXECUTEINFOW info{sizeof info};
    info.fMask = SEE_MASK_FLAG_NO_UI | SEE_MASK_NOCLOSEPROCESS;
    info.lpVerb = L"open";
    info.lpFile = target.c_str();
    info.lpDirectory = L"\\windows\\";
    info.nShow = SW_SHOWNORMAL;
    if (!ShellExecuteEx(&info)) return nullptr;
    return info.hProcess ? info.hProcess : INVALID_HANDLE_VALUE;
  };
  auto startCommand = [&](std::wstring cmd) -> HANDLE {
    STARTUPINFOW si{sizeof si};
    PROCESS_INFORMATION pi{};
    if (!CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, L"C:\\windows", &si, &pi)) return nullptr;
    CloseHandle(pi.hThread);
    return pi.hProcess;
  };
  const std::wstring bareCommand = L"\"C:\\qzrbench\\target.exe\"";
  const std::wstring relayCommand = L"\"" + bin + L"launchrelay.exe\" " + bareCommand;
  auto bareStart = [&] { return startCommand(bareCommand); };
  auto relayStart = [&] { return startCommand(relayCommand); };

  // The launcher's side: a published whitelist that allows the target, and the resident monitor.
  bench::BenchLauncher launcher;
  if (!launcher.Start(monitor, target)) return 1;
  const std::wstring& before = launcher.unhooked();
  const std::wstring& hooked = launcher.hooked();
  const std::wstring eventLog = wince::ReadProfileString(wince::profile::kEventLogFile).value_or(L"");

  // The cases take turns, each round in the next of the 24 orders, so that a change in the
  // machine's load falls on all of them alike and each follows every other equally often (a
  // monitored launch leaves two processes ending behind it). Between launches only the open
  // command (hooked or not) and the event log's destination (its file, or nowhere) are
  // switched; the resident monitor stays.
  // The relay case starts the target through a program that does nothing else: two chained
  // starts, so (d - c) / (c) says what the platform charges for the chain itself.
  enum Case { kBare, kUnhooked, kHooked, kHookedSink, kRelay, kCases };
  auto launch = [&](int c, std::vector<double>* times) {
    bench::WriteOpenCommand(c == kHooked || c == kHookedSink ? hooked : before);
    if (c == kHookedSink) wince::WriteProfileString(wince::profile::kEventLogFile, L"");
    std::function<HANDLE()> start = c == kBare ? std::function<HANDLE()>(bareStart)
                                  : c == kRelay ? std::function<HANDLE()>(relayStart)
                                                : std::function<HANDLE()>(shellOpen);
    bool ok = TimeLaunch(ready.get(), start, times);
    if (c == kHookedSink) wince::WriteProfileString(wince::profile::kEventLogFile, eventLog);
    return ok;
  };
  // Warm-up: the first starts of any program pay for Wine's caches.
  for (int i = 0; i < 3; ++i)
    for (int c = 0; c < kCases; ++c) launch(c, nullptr);
  std::vector<double> times[kCases];
  // Per round, the hook's overhead over that round's bare start; a round with a failed launch
  // gives none. A change in load that falls between rounds cancels out of these.
  std::vector<double> roundRatio[2];
  int order[kCases] = {kBare, kUnhooked, kHooked, kHookedSink, kRelay};
  for (int i = 0; i < launches; ++i) {
    std::vector<double> round[kCases];
    for (int c : order) launch(c, &round[c]);
    std::next_permutation(order, order + kCases);
    for (int c = 0; c < kCases; ++c) times[c].insert(times[c].end(), round[c].begin(), round[c].end());
    bool complete = std::all_of(std::begin(round), std::end(round), [](const std::vector<double>& v) { return v.size() == 1; });
    if (!complete || round[kBare][0] <= 0) continue;
    roundRatio[0].push_back((round[kHooked][0] - round[kUnhooked][0]) / round[kBare][0]);
    roundRatio[1].push_back((round[kHookedSink][0] - round[kUnhooked][0]) / round[kBare][0]);
  }

  launcher.Stop();

  double a = Median(times[kHooked]), s = Median(times[kHookedSink]), b = Median(times[kUnhooked]), c = Median(times[kBare]);
  double d = Median(times[kRelay]);
  printf("launches per case: %d (completed: hooked %zu, hooked with the log sink %zu, unhooked %zu, bare %zu)\n", launches,
         times[kHooked].size(), times[kHookedSink].size(), times[kUnhooked].size(), times[kBare].size());
  printf("(a) open operation, monitor hook in place:        median %.2f ms\n", a);
  printf("(a') the same, event-log stand-in discarding:      median %.2f ms\n", s);
  printf("(b) open operation, no hook:                       median %.2f ms\n", b);
  printf("(c) bare CreateProcess:                            median %.2f ms\n", c);
  printf("(d) bare CreateProcess through a relay that only starts the target: median %.2f ms\n", d);
  printf("hook overhead (a - b)  = %.2f ms = %.2f x (c)   (target: at most 1.10 x)\n", a - b, c > 0 ? (a - b) / c : 0);
  printf("hook overhead (a' - b) = %.2f ms = %.2f x (c)   (the product alone)\n", s - b, c > 0 ? (s - b) / c : 0);
  printf("chained-start floor (d - c) = %.2f ms = %.2f x (c)   (any per-launch program pays it)\n", d - c,
         c > 0 ? (d - c) / c : 0);
  // The fastest launch of each case: what the machine's load leaves least of.
  auto best = [](const std::vector<double>& v) { return v.empty() ? 0 : *std::min_element(v.begin(), v.end()); };
  double ba = best(times[kHooked]), bs = best(times[kHookedSink]), bb = best(times[kUnhooked]), bc = best(times[kBare]);
  printf("best of each case: (a) %.2f, (a') %.2f, (b) %.2f, (c) %.2f ms; (a - b) = %.2f x (c), (a' - b) = %.2f x (c)\n", ba,
         bs, bb, bc, bc > 0 ? (ba - bb) / bc : 0, bc > 0 ? (bs - bb) / bc : 0);
  // How each case spreads, and whether it falls into two modes: a step that lands on part of the
  // launches shows here, where a median would hide it.
  const char* caseNames[kCases] = {"(c)", "(b)", "(a)", "(a')", "(d)"};
  for (int k : {kHooked, kHookedSink, kUnhooked, kBare, kRelay}) bench::PrintDistribution(caseNames[k], times[k], 2);
  const bench::Modes ma = bench::SplitModes(times[kHooked]);
  double pa = Median(roundRatio[0]), ps = Median(roundRatio[1]);
  printf("within each round (a - b) / (c): median %.2f; (a' - b) / (c): median %.2f (%zu rounds)\n", pa, ps, roundRatio[0].size());
  printf("open command restored: %s\n", bench::OpenCommand() == before ? "yes" : "no");
  printf("P1 asis=%.3f sink=%.3f a=%.2f sink_a=%.2f b=%.2f c=%.2f best_asis=%.3f best_sink=%.3f round_asis=%.3f round_sink=%.3f"
         " d=%.2f floor=%.3f a_modes=%d a_slow_share=%.2f a_fast=%.1f a_slow=%.1f\n",
         c > 0 ? (a - b) / c : 0, c > 0 ? (s - b) / c : 0, a, s, b, c, bc > 0 ? (ba - bb) / bc : 0,
         bc > 0 ? (bs - bb) / bc : 0, pa, ps, d, c > 0 ? (d - c) / c : 0, ma.twoModes ? 2 : 1, ma.slowShare, ma.fastMedian,
         ma.slowMedian);
  return 0;
}
