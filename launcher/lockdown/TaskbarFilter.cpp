// QZRTaskbarFilter.dll: the task bar filter. It runs in the shell's process, in front of the
// task bar's own window procedure, and reads its settings from the launcher's shared section.
#include <cstring>

#include "EventLogLines.h"
#include "lockdown/LockdownRules.h"
#include "lockdown/TaskbarFilterSettings.h"
#include "Win32Owners.h"
#include "wince.h"

namespace {

namespace ld = qzr::lockdown;

// The filter's state in the shell's process; it runs on the task bar's thread only.
struct FilterRecord {
  qzr::KernelHandle section;
  qzr::MappedView view;
  uint32_t installCount = 0;
  ld::FilterState state;
};
FilterRecord g_filter;

// A copy of what the launcher wrote; false until it has written a whole record.
bool ReadSettings(ld::FilterSettings* settings, uint32_t* facility) {
  if (!g_filter.view) {
    g_filter.section.reset(OpenFileMappingW(FILE_MAP_READ, FALSE, ld::kFilterSettingsSection));
    if (!g_filter.section) return false;
    g_filter.view.reset(MapViewOfFile(g_filter.section.get(), FILE_MAP_READ, 0, 0, sizeof(ld::SharedFilterSettings)));
    if (!g_filter.view) return false;
  }
  ld::SharedFilterSettings shared;
  std::memcpy(&shared, g_filter.view.get(), sizeof shared);
  if (shared.size != sizeof shared) return false;
  if (shared.installCount != g_filter.installCount) {
    g_filter.installCount = shared.installCount;
    g_filter.state = ld::FilterState{};
  }
  settings->platformType = shared.platformType;
  settings->modelId = shared.modelId;
  settings->tapThreshold = shared.tapThreshold;
  settings->volumeAllowance = shared.volumeAllowance;
  settings->enableWindowsKey = shared.enableWindowsKey;
  settings->desktopWindow = shared.desktopWindow;
  settings->mainWindow = shared.mainWindow;
  *facility = shared.facility;
  return true;
}

}  // namespace

extern "C" __declspec(dllexport) LRESULT CALLBACK TaskbarFilterProc(HWND window, UINT message, WPARAM wParam,
                                                                    LPARAM lParam) {
  ld::FilterSettings settings;
  uint32_t facility = 0;
  if (!ReadSettings(&settings, &facility)) return CeCallPreviousWindowProc(window, message, wParam, lParam);

  const ld::FilterDecision decision = ld::DecideTaskbarMessage(settings, g_filter.state, message, wParam, lParam);
  if (decision.line != ld::MaintenanceLine::None) {
    const qzr::eventlog::Line* line = ld::MaintenanceLineFor(decision.line);
    qzr::eventlog::LogStringEx(static_cast<WORD>(facility), line->category, line->format, line->sourceLine);
  }
  switch (decision.verdict) {
    case ld::FilterVerdict::Swallow:
      return 1;
    case ld::FilterVerdict::PassWithLParam:
      return CeCallPreviousWindowProc(window, message, wParam, decision.lParam);
    case ld::FilterVerdict::Pass:
      break;
  }
  return CeCallPreviousWindowProc(window, message, wParam, lParam);
}
