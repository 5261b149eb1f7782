// Where the controls of the three screens go for a screen size and mode: plain functions over
// numbers that return one placement per control, applied to live dialogs by ApplyLayout.
#pragma once

#include <windows.h>

#include <map>
#include <vector>

namespace qzr {

struct Rect {
  int x = 0, y = 0, w = 0, h = 0;
  int right() const { return x + w; }
  int bottom() const { return y + h; }
  bool operator==(const Rect&) const = default;
};

enum class Placing { Move, Hide, ShowEnabled };

// Control kDialogItem stands for the dialog itself ("dialog to screen").
inline constexpr int kDialogItem = 0;

struct Placement {
  int id = 0;
  Placing action = Placing::Move;
  Rect rect;
  bool bigFont = false;  // the screen's large font goes on this control
  bool operator==(const Placement&) const = default;
};
using LayoutPlan = std::vector<Placement>;

// Current rectangles of controls in dialog client coordinates, by id.
using ControlRects = std::map<int, Rect>;

// The three large screens get a 24-pixel Tahoma.
bool IsLargeScreen(int width, int height);

struct MainLayoutInput {
  int screenWidth = 0;
  int screenHeight = 0;
  bool fullScreen = true;
  int logoHeight = 0;
  int itemCount = 0;
  int workHeight = 0;
  int modelId = 0;
  bool gaugeExists = true;
  Rect meter;  // the signal meter's current rectangle
};
LayoutPlan MainDialogLayout(const MainLayoutInput& in);

struct StatusLayoutInput {
  int screenWidth = 0;
  int screenHeight = 0;
  bool fullScreen = true;
  ControlRects current;  // own sizes and the anchors of "below" placements
  int clientHeight = 0;  // windowed: from the task bar's bottom to the soft-key bar's top; 0 unknown
};
LayoutPlan StatusDialogLayout(const StatusLayoutInput& in);

struct PasswordLayoutInput {
  int screenWidth = 0;
  int screenHeight = 0;
  Rect prompt;  // the prompt's current rectangle; its height spaces the rows
};
LayoutPlan PasswordDialogLayout(const PasswordLayoutInput& in);

// The adapters: current client rectangles of controls, and carrying out a plan.
ControlRects ReadControlRects(HWND dialog, const std::vector<int>& ids);
void ApplyLayout(HWND dialog, const LayoutPlan& plan, HFONT bigFont);
// A fresh 24-pixel Tahoma (weight 400, swiss family).
HFONT CreateLargeFont();

}  // namespace qzr
