// Every line the launcher, its task-bar filter, the platform binder and Gatewarden write to the
// device's event log, with the source line each one carries. docs/troubleshooting.md ("Event
// log: launcher and whitelist monitor") tells administrators what each line means, and they
// search their logs for these very texts and numbers: change a line only together with that
// table.
#pragma once

#include <windows.h>

#include "EventLog.h"

namespace qzr::eventlog {

// A line written with the program's facility: format takes the source line first ("(%d)"),
// then the arguments; a sourceLine of 0 marks a line without a source.
struct Line {
  DWORD category;
  int sourceLine;
  const char* format;
};

// A line the platform binder writes through LogString, with an event code and no source.
struct CodedLine {
  DWORD eventCode;
  const char* format;
};

namespace lines {

// ---- launcher ------------------------------------------------------------------------------
inline constexpr Line kLauncherStarts{kCategoryInfo, 64, "..\\..\\common source\\launcher (%d), InitInstance"};
inline constexpr Line kLauncherFacility{kCategoryInfo, 65, "..\\..\\common source\\launcher (%d), wFacilityNumber = %d"};
inline constexpr Line kLaunchMonitorFails{kCategoryError, 509,
                                          "..\\..\\common source\\FileAcces (%d), LaunchWhiteListEnforcer fails"};
inline constexpr Line kCreateMutexFailed{kCategoryError, 569,
                                         "..\\..\\common source\\FileAcces (%d), CreateMutex failed, rc=%d"};
// A menu.ini that the reader cannot make sense of (another encoding, a different file) would
// otherwise open the kiosk without a word: no buttons, no whitelist, no exit password.
inline constexpr Line kNoKnownSection{
    kCategoryError, 120, "..\\..\\common source\\LauncherConfig (%d), %s (%lu bytes) holds none of the known sections"};
inline constexpr Line kOrphanMonitorFound{
    kCategoryInfo, 260,
    "..\\..\\common source\\LauncherWhitelist (%d), whitelist of an ended launcher found, ending its monitor"};
inline constexpr Line kOrphanMonitorStays{
    kCategoryError, 290, "..\\..\\common source\\LauncherWhitelist (%d), the monitor of an ended launcher did not end"};

// ---- the task-bar filter's maintenance sequence ------------------------------------------------
inline constexpr Line kGatekeeperTrue{kCategoryInfo, 234,
                                      "..\\..\\common source\\Utilities (%d), Keydown 193 (0xC1), Gatekeeper = true"};
inline constexpr Line kWorkTheMagic{kCategoryInfo, 240,
                                    "..\\..\\common source\\Utilities (%d), Keydown 13 (0x0D), Work the magic"};
inline constexpr Line kGatekeeperFalse{kCategoryInfo, 246,
                                       "..\\..\\common source\\Utilities (%d), Keyup 193 (0xC1), Gatekeeper = false"};

// ---- the platform binder -------------------------------------------------------------------
inline constexpr CodedLine kPalLoading{kEventInfo, "Loading %ls,winerr:0x%x,proc:0x%x\r\n"};
inline constexpr CodedLine kPalAllFailed{kEventError, "All PAL load attempts failed. proc:0x%x\r\n"};
inline constexpr CodedLine kPalNotSupported{kEventInfo, "%s not supported\r\n"};

// ---- Gatewarden ----------------------------------------------------------------------------
inline constexpr Line kMonitorStarts{kCategoryInfo, 0, "Gatewarden starts"};
inline constexpr Line kMonitorFacility{kCategoryInfo, 688, ".\\Gatewarden (%d), wFacilityNumber = %d"};
inline constexpr Line kMonitorExits{kCategoryInfo, 0, "Gatewarden exits"};
inline constexpr Line kAllowed{kCategoryInfo, 249, ".\\WhiteList (%d), %s is allowed to run"};
inline constexpr Line kSingleInstance{kCategoryInfo, 261, ".\\WhiteList (%d), Only 1 instance of %s is allowed"};
inline constexpr Line kAlreadyRunning{kCategoryInfo, 271, ".\\WhiteList (%d), %s is already running"};
inline constexpr Line kStarted{kCategoryInfo, 292, ".\\WhiteList (%d), CreateProcess %s succeeded"};
inline constexpr Line kStartFailed{kCategoryError, 301, ".\\WhiteList (%d), CreateProcess %s error %d"};
inline constexpr Line kRefused{kCategoryInfo, 321, ".\\WhiteList (%d), %s is NOT allowed to run"};

}  // namespace lines

// Writes line with the program's facility: its source line first when it has one.
template <typename... Args>
DWORD Write(const Line& line, Args... args) {
  if (line.sourceLine == 0) return Log(line.category, line.format, args...);
  return Log(line.category, line.format, line.sourceLine, args...);
}

template <typename... Args>
DWORD Write(const CodedLine& line, Args... args) {
  return LogString(line.eventCode, line.format, args...);
}

}  // namespace qzr::eventlog
