// The settings the launcher hands the task bar filter, which runs in the shell's process:
// one named shared section, written by the launcher, read by the filter library.
#pragma once

#include <cstdint>

namespace qzr::lockdown {

inline constexpr wchar_t kFilterSettingsSection[] = L"QZR_TaskbarFilter_Settings";

struct SharedFilterSettings {
  uint32_t size;          // sizeof(SharedFilterSettings) once the launcher has written it
  uint32_t installCount;  // a new install starts the filter's state afresh
  int32_t platformType;
  int32_t modelId;
  int32_t tapThreshold;
  int32_t volumeAllowance;  // effective
  int32_t enableWindowsKey;
  uint32_t facility;        // event-log facility of the launcher
  uint32_t ownerProcessId;  // the launcher whose settings these are
  uint64_t desktopWindow;
  uint64_t mainWindow;
};

}  // namespace qzr::lockdown
