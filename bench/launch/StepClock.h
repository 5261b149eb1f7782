// The step clock shared by launchsteps.exe and gwsteps.exe: a named block of times, the first
// written by the parent just before it starts the child, the rest by the child at each step.
#pragma once

#include <windows.h>

namespace bench {

inline constexpr wchar_t kStepClockName[] = L"QZR_BENCH_STEP_CLOCK";
inline constexpr int kMaxMarks = 16;

struct StepClock {
  double start;              // parent, just before CreateProcess
  double marks[kMaxMarks];   // child, in step order
  double targetReady;        // parent, when the started program said it runs
  int count;
};

}  // namespace bench
