// The task bar filter's decision over a stream of messages: settings as the launcher computes
// them from the task bar's rectangle, or as any bytes the shared section may hold, then the
// messages with their raw parameters.
#include <cstdint>
#include <cstring>

#include "EventLogLines.h"
#include "LockdownRules.h"

namespace {

namespace ld = qzr::lockdown;

struct Input {
  const uint8_t* data;
  size_t size;
  template <typename T>
  T Take() {
    T value{};
    const size_t n = size < sizeof value ? size : sizeof value;
    std::memcpy(&value, data, n);
    data += n;
    size -= n;
    return value;
  }
};

const UINT kMessages[] = {WM_KEYDOWN,     WM_KEYUP,         WM_SYSKEYDOWN, WM_LBUTTONDOWN, WM_LBUTTONUP,
                          WM_USER,        WM_HOTKEY,        WM_INITMENUPOPUP, WM_ENTERMENULOOP};
const WPARAM kKeys[] = {0xC1, VK_RETURN, VK_ESCAPE, VK_LWIN, VK_RWIN, 4, 8};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Input in{data, size};
  ld::FilterSettings settings;
  const uint8_t mode = in.Take<uint8_t>();
  if (mode & 1) {
    settings.platformType = in.Take<int32_t>();
    settings.modelId = in.Take<int32_t>();
    settings.tapThreshold = in.Take<int32_t>();
    settings.volumeAllowance = in.Take<int32_t>();
    settings.enableWindowsKey = in.Take<int32_t>();
  } else {
    settings.platformType = in.Take<uint8_t>() % 4;
    settings.modelId = in.Take<uint8_t>() % 17;
    const int releaseCode = in.Take<uint8_t>() % 8;
    RECT taskBar;
    taskBar.left = in.Take<int32_t>();
    taskBar.top = in.Take<int32_t>();
    taskBar.right = in.Take<int32_t>();
    taskBar.bottom = in.Take<int32_t>();
    const ld::TapLimits limits =
        ld::ComputeTapLimits(settings.platformType, settings.modelId, releaseCode, (mode & 2) ? nullptr : &taskBar);
    settings.tapThreshold = limits.tapThreshold;
    settings.volumeAllowance = ld::EffectiveVolumeAllowance(limits.volumeAllowance, (mode >> 2) & 1);
    settings.enableWindowsKey = (mode >> 3) & 1;
  }
  settings.desktopWindow = in.Take<uint16_t>();
  settings.mainWindow = in.Take<uint16_t>();

  ld::FilterState state;
  while (in.size > 0) {
    const uint8_t pick = in.Take<uint8_t>();
    const UINT message = pick < 0xF0 ? kMessages[pick % std::size(kMessages)] : in.Take<uint16_t>();
    const uint8_t keyPick = in.Take<uint8_t>();
    const WPARAM wParam = keyPick < 0x80 ? kKeys[keyPick % std::size(kKeys)] : in.Take<uint32_t>();
    const LPARAM lParam = static_cast<int32_t>(in.Take<uint32_t>());

    const uint8_t gateBefore = state.gatekeeper;
    const ld::FilterDecision d = ld::DecideTaskbarMessage(settings, state, message, wParam, lParam);

    if (state.gatekeeper > 1) __builtin_trap();
    if (settings.platformType != 1 && settings.platformType != 2 &&
        (d.verdict != ld::FilterVerdict::Pass || d.line != ld::MaintenanceLine::None))
      __builtin_trap();
    // Only the desktop's activation request is redirected, and only to the launcher.
    if (d.verdict == ld::FilterVerdict::PassWithLParam &&
        (settings.platformType != 2 || message != WM_USER || wParam != 8 || settings.desktopWindow == 0 ||
         static_cast<uint64_t>(lParam) != settings.desktopWindow || d.lParam != static_cast<LPARAM>(settings.mainWindow)))
      __builtin_trap();
    // The keys out of the kiosk never reach the task bar.
    if (settings.platformType == 1 && message == WM_KEYDOWN && wParam == VK_ESCAPE && d.verdict != ld::FilterVerdict::Swallow)
      __builtin_trap();
    if (settings.platformType == 2 && (message == WM_KEYDOWN || message == WM_SYSKEYDOWN) &&
        d.verdict != ld::FilterVerdict::Swallow)
      __builtin_trap();
    // A tap left of the threshold (less the volume area) is taken away, any other passes.
    if (settings.platformType == 1 && (message == WM_LBUTTONDOWN || message == WM_LBUTTONUP)) {
      const int64_t x = static_cast<short>(LOWORD(lParam));
      const bool left = x < int64_t{settings.tapThreshold} - int64_t{settings.volumeAllowance};
      if (left != (d.verdict == ld::FilterVerdict::Swallow)) __builtin_trap();
    }
    if (d.line == ld::MaintenanceLine::WorkTheMagic && (gateBefore != 1 || d.verdict != ld::FilterVerdict::Swallow))
      __builtin_trap();
    const qzr::eventlog::Line* text = ld::MaintenanceLineFor(d.line);
    if ((d.line == ld::MaintenanceLine::None) != (text == nullptr)) __builtin_trap();
    if (text && !std::strstr(text->format, "(%d)")) __builtin_trap();
  }
  return 0;
}
