// Geometry of the device shell's windows: the task bar's tap areas and the on-screen keyboard.
#pragma once

#include <windows.h>

#include <string>

namespace devshell {

// The task bar's areas in its client coordinates: the Start icon at the left end; at the right
// end the "ok" button (a square), left of it the volume icon (height - 4 wide), then the SIP
// button; the foreground window's title between.
struct TaskBarLayout {
  RECT startIcon;
  RECT title;
  RECT sipButton;
  RECT volumeIcon;
  RECT okButton;
};
TaskBarLayout LayoutTaskBar(int width, int height);

// The on-screen keyboard: a grid of kSipRows x kSipColumns keys. '\b' is backspace, '\r' Enter.
inline constexpr int kSipRows = 4;
inline constexpr int kSipColumns = 10;
wchar_t SipKeyAt(int row, int column);
std::wstring SipKeyLabel(int row, int column);
RECT SipKeyRect(int width, int height, int row, int column);
// The key under a point of a width x height keyboard, or 0.
wchar_t SipKeyUnder(int width, int height, POINT point);
// Where a key is; false when the keyboard has no such key.
bool FindSipKey(wchar_t key, int* row, int* column);

// The keyboard window on the screen: full width, just above the soft-key bar.
RECT SipWindowRect(int screenWidth, int screenHeight);

}  // namespace devshell
