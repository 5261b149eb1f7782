// The per-launch decision: which program is asked for, whether the lists allow it, and
// starting it, refusing it or bringing its running copy to the front.
#pragma once

#include <windows.h>

#include <string>

#include "LaunchLog.h"
#include "ListMatch.h"
#include "WhitelistCache.h"
#include "Win32Owners.h"

namespace qzr::monitor {

inline constexpr DWORD kLauncherPollMs = 30000;
// How long a single-instance start holds the next decision back while the new copy comes up.
inline constexpr DWORD kFirstWindowWaitMs = 5000;
inline constexpr DWORD kWindowPollMs = 20;

// A window that can be brought to the front: on screen from the top left, not beyond the
// work area's right edge, with an area.
bool IsActivatableRect(const RECT& window, const RECT& workArea);

class WhitelistView : public whitelist::WhitelistCacheView {
 public:
  explicit WhitelistView(whitelist::CacheObjectNames names = {}) : WhitelistCacheView(std::move(names)) {}

  // Fills program and arguments; false when there is nothing to start.
  bool ParseCommandLine(const wchar_t* const* argv, int count);
  bool IsAllowed();
  bool IsSingleInstance();
  bool ActivateRunningProgram();
  // Waits until the program shows a window that ActivateRunningProgram would find; false when
  // `process` ends first or the time runs out.
  bool AwaitFirstWindow(HANDLE process, DWORD timeoutMs) const;
  // The whole per-launch decision, its lines given to `log`.
  bool Enforce(const wchar_t* const* argv, int count, LaunchLog& log);
  // Lets the next per-launch instance decide; the resident instance then waits for the
  // terminate event, polling for a withdrawn block.
  void WaitForLauncherExit(bool resident, HANDLE singleton, DWORD pollMs = kLauncherPollMs);

  const std::wstring& program() const { return program_; }
  const std::wstring& arguments() const { return arguments_; }

 private:
  HWND FindRunningWindow() const;

  std::wstring program_;
  std::wstring arguments_;
  int firstArgument_ = 0;
  int argumentCount_ = 0;
  // Handles of the started program stay with the monitor until it ends.
  StartedProcess started_;
};

}  // namespace qzr::monitor
