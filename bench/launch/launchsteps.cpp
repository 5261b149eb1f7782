// launchsteps.exe: where the time of a monitored launch goes. Starts, side by side, the bare
// target, a per-launch Gatewarden as the shell would (with the event-log stand-in writing and
// discarding), and gwsteps.exe, which runs the same per-launch start step by step with
// Gatewarden's own code; prints medians, the overhead as a multiple of the bare start, and the
// steps. Run by bench/shell-launch with STEPS set.
//   launchsteps RUNS MONITOR
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "../BenchTiming.h"
#include "BenchLauncher.h"
#include "DeviceProfile.h"
#include "StepClock.h"
#include "Win32Owners.h"
#include "wince.h"

namespace {

constexpr DWORD kLaunchTimeoutMs = 30000;
constexpr const char* kStepNames[] = {
    "process creation up to the entry point",
    "singleton mutex, monitor event",
    "cache events, opening the block",
    "command line, sync, lists, matching",
    "starting the program (CreateProcess)",
};
constexpr int kCriticalSteps = 5;  // after these the program is on its way; the rest runs beside it
constexpr const char* kAfterNames[] = {
    "loading the event log, registering the facility",
    "log: starts, facility, allowed, succeeded",
    "release, close, log: exits",
};
constexpr int kAfterSteps = 3;

}  // namespace

int wmain(int argc, wchar_t** argv) {
  int runs = argc > 1 ? std::max(1, _wtoi(argv[1])) : 40;
  // The programs it starts lie beside the benchmark program.
  const std::wstring bin = qzr::ModuleFolder(nullptr, MAX_PATH);
  const std::wstring monitor = argc > 2 ? argv[2] : bin + L"Gatewarden.exe";
  const std::wstring steps = bin + L"gwsteps.exe";
  const std::wstring target = bench::kTargetDevicePath;
  qzr::KernelHandle ready = bench::PrepareTarget(bin);
  if (!ready) return 1;
  qzr::KernelHandle clockMapping(
      CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, sizeof(bench::StepClock), bench::kStepClockName));
  qzr::MappedView clockView(MapViewOfFile(clockMapping.get(), FILE_MAP_ALL_ACCESS, 0, 0, sizeof(bench::StepClock)));
  if (!clockView) return 1;
  auto* clock = static_cast<bench::StepClock*>(clockView.get());

  bench::BenchLauncher launcher;
  if (!launcher.Start(monitor, target)) return 1;
  const std::wstring eventLog = wince::ReadProfileString(wince::profile::kEventLogFile).value_or(L"");

  enum Case { kBare, kMonitor, kMonitorSink, kSteps, kStepsSink, kCases };
  const char* caseNames[] = {"(c) bare start of the program", "(m) per-launch Gatewarden, event log writing",
                             "(m') the same, event log discarding", "gwsteps, event log writing",
                             "gwsteps, event log discarding"};
  std::vector<double> times[kCases];
  // Per step, for the two gwsteps cases: its duration, and the program's time to run after its start.
  std::vector<double> stepTimes[2][bench::kMaxMarks + 1];

  auto launch = [&](int c, bool keep) {
    bool sink = c == kMonitorSink || c == kStepsSink;
    if (sink) wince::WriteProfileString(wince::profile::kEventLogFile, L"");
    ResetEvent(ready.get());
    *clock = {};
    PROCESS_INFORMATION pi{};
    STARTUPINFOW si{sizeof si};
    std::wstring bare = L"\"C:\\qzrbench\\target.exe\"";
    const std::wstring quotedTarget = L"\"" + target + L"\"";
    double t0 = bench::NowMs();
    clock->start = t0;
    BOOL started = c == kBare ? CreateProcessW(nullptr, bare.data(), nullptr, nullptr, FALSE, 0, nullptr, L"C:\\windows", &si, &pi)
                              : CeCreateProcessW(c == kSteps || c == kStepsSink ? steps.c_str() : monitor.c_str(),
                                                 quotedTarget.c_str(), nullptr, nullptr, FALSE, 0, nullptr, L"\\windows\\",
                                                 nullptr, &pi);
    if (!started) {
      fprintf(stderr, "launch failed (%s): error %lu\n", caseNames[c], GetLastError());
      return false;
    }
    qzr::StartedProcess process(pi);
    bool ran = WaitForSingleObject(ready.get(), kLaunchTimeoutMs) == WAIT_OBJECT_0;
    double t1 = bench::NowMs();
    clock->targetReady = t1;
    WaitForSingleObject(process.process.get(), kLaunchTimeoutMs);
    if (sink) wince::WriteProfileString(wince::profile::kEventLogFile, eventLog);
    if (!ran) {
      fprintf(stderr, "target did not run within %lu ms (%s)\n", kLaunchTimeoutMs, caseNames[c]);
      return false;
    }
    if (keep) {
      times[c].push_back(t1 - t0);
      if ((c == kSteps || c == kStepsSink) && clock->count == kCriticalSteps + kAfterSteps) {
        auto& out = stepTimes[c == kStepsSink];
        double previous = t0;
        for (int i = 0; i < clock->count; ++i) {
          out[i].push_back(clock->marks[i] - previous);
          previous = clock->marks[i];
        }
        out[bench::kMaxMarks].push_back(t1 - clock->marks[kCriticalSteps - 1]);
      }
    }
    Sleep(25);  // the processes' endings settle before the next launch
    return true;
  };

  for (int i = 0; i < 3; ++i)
    for (int c = 0; c < kCases; ++c) launch(c, false);
  int order[kCases] = {kBare, kMonitor, kMonitorSink, kSteps, kStepsSink};
  // A launch that fails is reported and left out; the others still count.
  int failed = 0;
  for (int i = 0; i < runs; ++i) {
    for (int c : order)
      if (!launch(c, true)) ++failed;
    std::next_permutation(order, order + kCases);
  }
  launcher.Stop();

  double med[kCases];
  for (int c = 0; c < kCases; ++c) med[c] = bench::Median(times[c]);
  printf("launches per case: %d (failed: %d)\n", runs, failed);
  for (int c = 0; c < kCases; ++c)
    printf("  %-50s median %7.2f ms  best %7.2f ms\n", caseNames[c], med[c],
           times[c].empty() ? 0 : *std::min_element(times[c].begin(), times[c].end()));
  const double c = med[kBare];
  printf("Gatewarden's part (m - c) / (c) = %.2f, event log discarding (m' - c) / (c) = %.2f\n",
         c > 0 ? (med[kMonitor] - c) / c : 0, c > 0 ? (med[kMonitorSink] - c) / c : 0);
  printf("\nper-launch steps (medians, ms)                          writing  discarding\n");
  for (int i = 0; i < kCriticalSteps + kAfterSteps; ++i)
    printf("  %-52s %7.2f  %7.2f\n", i < kCriticalSteps ? kStepNames[i] : kAfterNames[i - kCriticalSteps],
           bench::Median(stepTimes[0][i]), bench::Median(stepTimes[1][i]));
  printf("  %-52s %7.2f  %7.2f\n", "the program, from its start until it runs", bench::Median(stepTimes[0][bench::kMaxMarks]),
         bench::Median(stepTimes[1][bench::kMaxMarks]));
  printf("STEPS m=%.3f sink=%.3f\n", c > 0 ? (med[kMonitor] - c) / c : 0, c > 0 ? (med[kMonitorSink] - c) / c : 0);
  return 0;
}
