// gwsteps.exe: a per-launch Gatewarden start, step by step, with Gatewarden's own code and the
// same imports, each step's end written to the step clock. Started by launchsteps.exe with the
// program to start as its argument, while a resident Gatewarden holds the singleton.
#include <windows.h>

#include "../BenchTiming.h"
#include "EventLog.h"
#include "Gatewarden.h"
#include "StepClock.h"
#include "WhitelistView.h"
#include "Win32Owners.h"
#include "wince.h"

namespace el = qzr::eventlog;
namespace mon = qzr::monitor;

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  const double entry = bench::NowMs();
  qzr::KernelHandle mapping(OpenFileMappingW(FILE_MAP_WRITE, FALSE, bench::kStepClockName));
  qzr::MappedView view(mapping ? MapViewOfFile(mapping.get(), FILE_MAP_WRITE, 0, 0, sizeof(bench::StepClock)) : nullptr);
  if (!view) return 1;
  auto* clock = static_cast<bench::StepClock*>(view.get());
  clock->count = 0;
  auto mark = [&](double t) {
    if (clock->count < bench::kMaxMarks) clock->marks[clock->count++] = t;
  };
  mark(entry);

  // The order and the calls of RunGatewarden and WhitelistView::Enforce for a per-launch start;
  // the lines are held back until the program is on its way, as there.
  qzr::KernelHandle singleton(CreateMutexW(nullptr, TRUE, mon::kSingletonMutexName));
  if (singleton && GetLastError() == ERROR_ALREADY_EXISTS) WaitForSingleObject(singleton.get(), mon::kSingletonWaitMs);
  qzr::KernelHandle monitorEvent(CreateEventW(nullptr, FALSE, FALSE, mon::kMonitorEventName));
  mark(bench::NowMs());
  {
    mon::WhitelistView gate;
    gate.CreateWhitelistEvents();
    gate.Open();
    mark(bench::NowMs());
    // Its own name holds no "gatewarden" to be skipped by.
    gate.ParseCommandLine(__wargv + 1, __argc - 1);
    bool allowed = gate.IsAllowed();
    bool single = allowed && gate.IsSingleInstance();
    std::string name(gate.program().begin(), gate.program().end());
    mark(bench::NowMs());
    PROCESS_INFORMATION pi{};
    if (allowed && !single &&
        CeCreateProcessW(gate.program().c_str(), gate.arguments().c_str(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                         nullptr, &pi)) {
      qzr::StartedProcess started(pi);
      mark(bench::NowMs());
      el::SetFacilityNumber(el::RegisterFacility(el::kFacilityName));
      mark(bench::NowMs());
      el::Log(el::kCategoryInfo, "Gatewarden starts");
      el::Log(el::kCategoryInfo, ".\\Gatewarden (%d), wFacilityNumber = %d", 688, static_cast<int>(el::FacilityNumber()));
      el::Log(el::kCategoryInfo, ".\\WhiteList (%d), %s is allowed to run", 249, name.c_str());
      el::Log(el::kCategoryInfo, ".\\WhiteList (%d), CreateProcess %s succeeded", 292, name.c_str());
      mark(bench::NowMs());
    }
    gate.WaitForLauncherExit(false, singleton.get());
  }
  el::Log(el::kCategoryInfo, "Gatewarden exits");
  mark(bench::NowMs());
  return 0;
}
