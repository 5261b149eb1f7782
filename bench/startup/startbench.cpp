// startbench.exe: from process creation to the main dialog painted and answering input, for
// the launcher (launch code 20, as the start-up list starts it) and for a bare dialog program
// with the same template, taking turns. Prints the medians and their ratio.
//   startbench RUNS LAUNCHER_EXE BARE_EXE
#include <windows.h>
#include <tlhelp32.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "../BenchTiming.h"
#include "WhitelistCache.h"
#include "Win32Owners.h"

namespace {

constexpr DWORD kStartTimeoutMs = 30000;

using bench::Median;
using bench::NowMs;

// The program's visible dialog, if any. The search asks only for dialogs (one class-filtered
// list from the server), not for every top-level window and its class: the poll runs every
// millisecond, and a costly one would slow the program it measures.
HWND FindDialog(DWORD pid) {
  for (HWND window = FindWindowExW(nullptr, nullptr, L"#32770", nullptr); window;
       window = FindWindowExW(nullptr, window, L"#32770", nullptr)) {
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == pid && IsWindowVisible(window)) return window;
  }
  return nullptr;
}

// The dialog is ready when it is visible, its thread answers a sent message (the modal loop
// runs), and nothing of it is left to paint.
bool DialogReady(HWND dialog) {
  DWORD_PTR result = 0;
  if (!SendMessageTimeoutW(dialog, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 5000, &result)) return false;
  return !GetUpdateRect(dialog, nullptr, FALSE);
}

// Starts the program and returns the milliseconds until its dialog is ready; -1 on failure.
double TimeStart(const std::wstring& exe, const std::wstring& arguments, PROCESS_INFORMATION* pi) {
  STARTUPINFOW si{sizeof si};
  std::wstring cmd = L"\"" + exe + L"\" " + arguments;
  std::wstring folder = exe.substr(0, exe.find_last_of(L'\\') + 1);
  double t0 = NowMs();
  if (!CreateProcessW(exe.c_str(), cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, L"C:\\", &si, pi)) return -1;
  HWND dialog = nullptr;
  while (NowMs() - t0 < kStartTimeoutMs) {
    if (!dialog || !IsWindowVisible(dialog)) dialog = FindDialog(pi->dwProcessId);
    if (dialog && DialogReady(dialog)) return NowMs() - t0;
    if (WaitForSingleObject(pi->hProcess, 1) == WAIT_OBJECT_0) return -1;
  }
  return -1;
}

void WaitForProgramsNamed(const wchar_t* name) {
  qzr::KernelHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  PROCESSENTRY32W entry{sizeof entry};
  if (!snapshot || !Process32FirstW(snapshot.get(), &entry)) return;
  do {
    if (_wcsicmp(entry.szExeFile, name) != 0) continue;
    qzr::KernelHandle process(OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE, FALSE, entry.th32ProcessID));
    if (process && WaitForSingleObject(process.get(), 10000) != WAIT_OBJECT_0) TerminateProcess(process.get(), 1);
  } while (Process32NextW(snapshot.get(), &entry));
}

void End(PROCESS_INFORMATION& pi, bool launcher) {
  TerminateProcess(pi.hProcess, 0);
  WaitForSingleObject(pi.hProcess, 10000);
  CloseHandle(pi.hProcess);
  CloseHandle(pi.hThread);
  if (!launcher) return;
  // The launcher ended abruptly: the monitor is told to end as the launcher would, so that the
  // next start creates the whitelist block afresh.
  if (HANDLE terminate = OpenEventW(EVENT_MODIFY_STATE, FALSE, qzr::whitelist::kTerminateEventName)) {
    SetEvent(terminate);
    WaitForProgramsNamed(L"Gatewarden.exe");
    CloseHandle(terminate);
  }
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 4) {
    fprintf(stderr, "usage: startbench RUNS LAUNCHER_EXE BARE_EXE\n");
    return 2;
  }
  int runs = std::max(1, _wtoi(argv[1]));
  const std::wstring programs[2] = {argv[2], argv[3]};
  std::vector<double> times[2];
  // Per round, the launcher's start over that round's bare start: a change in the machine's load
  // between rounds cancels out of these.
  std::vector<double> roundRatios;
  for (int i = -1; i < runs; ++i) {  // the first round warms Wine's caches
    double round[2] = {-1, -1};
    for (int k = 0; k < 2; ++k) {
      int which = (i + k + 2) % 2;
      PROCESS_INFORMATION pi{};
      double t = TimeStart(programs[which], which == 0 ? L"20" : L"", &pi);
      if (pi.hProcess) End(pi, which == 0);
      if (t < 0) {
        fprintf(stderr, "%ls: no dialog within %lu ms\n", programs[which].c_str(), kStartTimeoutMs);
        continue;
      }
      if (i >= 0) times[which].push_back(t);
      round[which] = t;
      Sleep(50);
    }
    if (i >= 0 && round[0] > 0 && round[1] > 0) roundRatios.push_back(round[0] / round[1]);
  }
  double shell = Median(times[0]), bare = Median(times[1]);
  printf("starts per program: %d (completed: launcher %zu, bare dialog %zu)\n", runs, times[0].size(), times[1].size());
  printf("(a) QZRShell 20, whitelist on, to the main dialog painted and answering: median %.1f ms\n", shell);
  printf("(b) bare dialog program, same template:                               median %.1f ms\n", bare);
  printf("ratio (a) / (b) = %.2f   (target: at most 1.30)\n", bare > 0 ? shell / bare : 0);
  bench::PrintDistribution("(a)", times[0], 10);
  bench::PrintDistribution("(b)", times[1], 10);
  const double within = Median(roundRatios);
  printf("within each round (a) / (b): median %.2f (%zu rounds)\n", within, roundRatios.size());
  const bench::Modes ma = bench::SplitModes(times[0]);
  printf("P3 ratio=%.3f a=%.1f b=%.1f round=%.3f a_modes=%d a_slow_share=%.2f\n", bare > 0 ? shell / bare : 0, shell, bare,
         within, ma.twoModes ? 2 : 1, ma.slowShare);
  return 0;
}
