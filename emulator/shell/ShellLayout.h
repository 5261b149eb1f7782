// Geometry of the device shell's windows: the task bar's tap areas, the on-screen keyboard, the
// Start menu, task switcher, notices and Today soft keys. The shell's hot keys: ShellKeys.h.
#pragma once

#include <windows.h>

#include <string>

namespace devshell {

// The task bar's areas in its client coordinates: the Start icon at the left end (the Start
// area: x from 0 to the bar's height; a tap there opens the Start menu); at the right
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

// The Start menu drops from the task bar's left end: a header row, then one row per item.
RECT StartMenuRect(int screenWidth, int screenHeight, int itemCount);
RECT StartMenuItemRect(int menuWidth, int barHeight, int index);
// The item under a point of the menu's client area, or -1.
int StartMenuItemAt(int menuWidth, int barHeight, int itemCount, POINT point);

// The task switcher: a panel in the screen's middle, a heading row and one row per program.
RECT SwitcherRect(int screenWidth, int screenHeight, int rows);
RECT SwitcherRowRect(int panelWidth, int barHeight, int row);
int SwitcherRowAt(int panelWidth, int barHeight, int rows, POINT point);

// A notice (volume, phone, device lock): a bubble under the task bar, two bars high.
RECT NoticeRect(int screenWidth, int screenHeight);

// The Today screen's two soft keys at the desktop's bottom (desktop = whole screen):
// soft key 1 the left half, soft key 2 the right half. TodaySoftKeyAt answers 1, 2 or 0.
RECT TodaySoftKeyRect(int screenWidth, int screenHeight, int softKey);
int TodaySoftKeyAt(int screenWidth, int screenHeight, POINT point);

}  // namespace devshell
