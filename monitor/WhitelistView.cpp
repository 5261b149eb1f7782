// The per-launch decision of Gatewarden over the launcher's two lists.
#include "WhitelistView.h"

#include <algorithm>
#include <optional>
#include <string>

#include "EventLogLines.h"
#include "SystemCalls.h"
#include "Text.h"
#include "wince.h"

namespace qzr::monitor {
namespace {

namespace el = eventlog;

constexpr wchar_t kOwnName[] = L"gatewarden";
constexpr DWORD kProcessPathChars = 260;

struct WindowSearch {
  // In the form CeGetProcessImagePath answers in: a program named with the device's drive
  // letter ("C:\apps\x.exe", as a desktop shell passes it) would otherwise never be found.
  std::wstring program;
  RECT workArea;
  HWND found = nullptr;
};

BOOL CALLBACK FindProgramWindow(HWND window, LPARAM param) {
  auto* search = reinterpret_cast<WindowSearch*>(param);
  const WindowCalls& w = Windows();
  // The cheap tests first: most top-level windows fail them, and only the rest cost a
  // look at their process.
  if (!w.isWindowVisible(window)) return TRUE;
  RECT rect{};
  if (!w.getWindowRect(window, &rect) || !IsActivatableRect(rect, search->workArea)) return TRUE;
  DWORD pid = 0;
  w.getWindowThreadProcessId(window, &pid);
  if (pid == 0) return TRUE;
  wchar_t path[kProcessPathChars + 1] = {};
  if (!CeGetProcessImagePath(pid, path, kProcessPathChars + 1)) return TRUE;
  if (!EqualsNoCase(path, search->program)) return TRUE;
  search->found = window;
  return FALSE;
}

}  // namespace

bool IsActivatableRect(const RECT& window, const RECT& workArea) {
  return window.left >= 0 && window.top >= 0 && window.left <= workArea.right && window.right - window.left != 0 &&
         window.bottom - window.top != 0;
}

bool WhitelistView::ParseCommandLine(const wchar_t* const* argv, int count) {
  program_.clear();
  arguments_.clear();
  firstArgument_ = argumentCount_ = 0;
  if (count <= 0 || !argv || !argv[0] || !*argv[0]) return false;
  int i = 0;
  while (i < count) {
    program_ = LowerCase(TrimWhite(argv[i] ? argv[i] : L""));
    ++i;
    // The shell's command line starts with the monitor itself.
    if (program_.find(kOwnName) == std::wstring::npos) break;
    program_.clear();
  }
  if (program_.empty()) return false;
  firstArgument_ = i;
  argumentCount_ = count - i;
  for (; i < count; ++i) {
    if (argv[i]) arguments_ += argv[i];
    arguments_ += L' ';
  }
  while (!arguments_.empty() && arguments_.back() == L' ') arguments_.pop_back();
  return true;
}

bool WhitelistView::IsAllowed() {
  // Without a usable cache there is no whitelist to enforce.
  if (!IsUsable()) return true;
  if (list1().empty()) return false;
  return MatchInList(program_, list1());
}

bool WhitelistView::IsSingleInstance() { return IsUsable() && MatchInList(program_, list2()); }

HWND WhitelistView::FindRunningWindow() const {
  const WindowCalls& w = Windows();
  if (!w.complete) return nullptr;
  WindowSearch search{wince::DeviceFormPath(program_), {}};
  if (!w.systemParametersInfo(SPI_GETWORKAREA, 0, &search.workArea, 0)) search.workArea = {0, 0, 0x7FFF, 0x7FFF};
  w.enumWindows(FindProgramWindow, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

bool WhitelistView::ActivateRunningProgram() {
  const WindowCalls& w = Windows();
  HWND found = FindRunningWindow();
  if (!found) return false;
  // The window comes forward together with the owned window last active in it, as the
  // device's foreground call does for a handle with its low bit set.
  w.setForegroundWindow(found);
  HWND popup = w.getLastActivePopup(found);
  if (popup && popup != found) w.setForegroundWindow(popup);
  return true;
}

bool WhitelistView::AwaitFirstWindow(HANDLE process, DWORD timeoutMs) const {
  const DWORD begin = GetTickCount();
  for (;;) {
    if (FindRunningWindow()) return true;
    const DWORD spent = GetTickCount() - begin;
    if (spent >= timeoutMs) return false;
    // A copy that ends before it shows a window leaves nothing to bring forward.
    if (WaitForSingleObject(process, std::min<DWORD>(kWindowPollMs, timeoutMs - spent)) != WAIT_TIMEOUT) return false;
  }
}

bool WhitelistView::Enforce(const wchar_t* const* argv, int count, LaunchLog& log) {
  started_ = {};
  if (!ParseCommandLine(argv, count)) return false;
  std::optional<std::string> name = TryAnsiFromWide(program_);
  auto line = [&](const el::Line& decided) {
    if (name) log.Text(decided, *name);
  };
  if (!IsAllowed()) {
    line(el::lines::kRefused);
    return false;
  }
  line(el::lines::kAllowed);
  const bool singleInstance = IsSingleInstance();
  if (singleInstance) {
    line(el::lines::kSingleInstance);
    if (ActivateRunningProgram()) {
      line(el::lines::kAlreadyRunning);
      return true;
    }
  }
  PROCESS_INFORMATION started{};
  if (!CeCreateProcessW(program_.c_str(), arguments_.c_str(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, nullptr, &started)) {
    int error = static_cast<int>(GetLastError());
    if (name) log.TextNumber(el::lines::kStartFailed, *name, error);
    return false;
  }
  started_ = StartedProcess(started);
  line(el::lines::kStarted);
  // The next decision is taken only once this one is over. For a single-instance program it
  // is over when the new copy can be found: a second tap while the copy is still starting
  // would otherwise find no window and start a second copy.
  if (singleInstance) AwaitFirstWindow(started_.process.get(), kFirstWindowWaitMs);
  return true;
}

void WhitelistView::WaitForLauncherExit(bool resident, HANDLE singleton, DWORD pollMs) {
  if (singleton) ReleaseMutex(singleton);
  if (!resident || !valid()) return;
  for (;;) {
    if (WaitForSingleObject(terminateEvent(), pollMs) != WAIT_TIMEOUT) return;
    if (IsCacheWithdrawn()) return;
  }
}

}  // namespace qzr::monitor
