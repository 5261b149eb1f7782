// The main dialog's self-drawn controls: battery gauge, signal meter and the top-logo static.
#pragma once

#include <windows.h>

#include <array>
#include <string>
#include <vector>

#include "Win32Owners.h"

#include "ui/ScreenRules.h"

namespace qzr {

// Colour blend per red/green/blue byte: c1 + (c2 - c1) * t, clamped to 0..255, truncated.
COLORREF Blend(COLORREF c1, COLORREF c2, double t);

// Gauge geometry for a client rectangle: the outline (a closed line of 9 points), the body
// under it, the inner rectangle and the segments to fill (right and bottom edges exclusive).
struct GaugeGeometry {
  std::array<POINT, 9> outline;
  RECT body;
  RECT inner;
  std::vector<RECT> segments;
};
GaugeGeometry ComputeGaugeGeometry(const RECT& client, int orientation, int level, int maxLevel, int segmentCount);

// The bars of a signal meter in mode 0 for a W x Hc client area (right edges exclusive).
struct MeterBar {
  RECT rect;
  COLORREF colour;
};
struct MeterColours {
  COLORREF low, mid, high;
};
std::vector<MeterBar> ComputeMeterBars(int width, int height, int barCount, int value, int minValue, int maxValue,
                                       const MeterColours& colours);

// Each of red, green and blue replaced by 255 minus itself: the meter's text colour.
COLORREF InverseColour(COLORREF colour);

// An existing control's window procedure taken over by an owner object, found again through a
// window property; the original procedure is put back on Detach or when the control goes.
class Subclass {
 public:
  Subclass() = default;
  ~Subclass() { Detach(); }
  Subclass(const Subclass&) = delete;
  Subclass& operator=(const Subclass&) = delete;

  bool Attach(HWND control, const wchar_t* property, void* owner, WNDPROC proc);
  void Detach();
  HWND hwnd() const { return hwnd_; }
  // The original procedure; on WM_NCDESTROY the subclass is detached first.
  LRESULT CallPrevious(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

  template <typename T>
  static T* Owner(HWND control, const wchar_t* property) {
    return static_cast<T*>(GetPropW(control, property));
  }

 private:
  HWND hwnd_ = nullptr;
  WNDPROC previousProc_ = nullptr;
  const wchar_t* property_ = nullptr;
};

class BatteryGauge {
 public:
  BatteryGauge();
  ~BatteryGauge();
  // Creates the gauge window as a child of `parent` at `rect` (parent client coordinates).
  bool Create(HWND parent, const RECT& rect, DWORD style, UINT id);
  bool Destroy();  // true when the window was destroyed (or there was none)
  HWND hwnd() const { return hwnd_; }

  void SetOutlineColour(COLORREF colour);
  void SetOrientation(int orientation);  // 0 nub top, 1 bottom, 2 left, 3 right
  void SetFillColour(COLORREF colour);
  void SetLevel(int level);              // clamped to 0..100
  int level() const;

  // Draws into `dc` over `client` exactly as the window paints (tests paint into memory bitmaps).
  void Draw(HDC dc, const RECT& client) const;

 private:
  static LRESULT CALLBACK WndProc(HWND, UINT, WPARAM, LPARAM);
  void Repaint();
  HWND hwnd_ = nullptr;
  mutable CriticalSection lock_;
  COLORREF outlineColour_ = 0;
  int orientation_ = 0;
  COLORREF fillColour_ = 0x0000FF00;
  COLORREF backgroundColour_;
  int level_ = 0;
  int segmentCount_ = 7;
  int maxLevel_ = 100;
};

class SignalMeter {
 public:
  static constexpr UINT kRepaintMessage = WM_USER + 0x84;
  SignalMeter();
  ~SignalMeter();
  // Takes over an existing static control (the dialog's control 1024).
  bool Attach(HWND control);
  void Detach();
  HWND hwnd() const { return subclass_.hwnd(); }

  void SetValue(int value);
  void SetRange(int a, int b);
  void GetRange(int* minValue, int* maxValue) const;
  void SetBarCount(int count);
  void SetBackgroundColour(COLORREF colour);
  void SetMode(MeterMode mode);
  void LoadPictures(UINT linkUpId, UINT noLinkId, COLORREF transparent, HINSTANCE module = nullptr);
  void SetText(const std::wstring& text);  // through WM_SETTEXT when attached
  int value() const;
  MeterMode mode() const { return mode_; }
  int repaintsPosted() const { return repaintsPosted_; }  // posted 0x484 messages, for tests

  void Draw(HDC dc, const RECT& client) const;

 private:
  static LRESULT CALLBACK WndProc(HWND, UINT, WPARAM, LPARAM);
  void PostRepaint();
  Subclass subclass_;
  mutable CriticalSection lock_;
  int value_ = 50;
  int minValue_ = 0;
  int maxValue_ = 100;
  int barCount_ = 5;
  COLORREF colourLow_ = 0x000000FF, colourMid_ = 0x0000FFFF, colourHigh_ = 0x0000FF00;
  COLORREF backgroundColour_ = 0;
  std::wstring text_;
  GdiObject pictureLinkUp_, pictureNoLink_;
  COLORREF transparentColour_ = 0x000000FF;
  MeterMode mode_ = MeterMode::BarsAndText;
  int repaintsPosted_ = 0;
};

// The static control that shows the top logo, erasing its background with the logo's
// top-left pixel colour.
class LogoStatic {
 public:
  bool Attach(HWND control);
  void Detach();
  HWND hwnd() const { return subclass_.hwnd(); }

 private:
  static LRESULT CALLBACK WndProc(HWND, UINT, WPARAM, LPARAM);
  Subclass subclass_;
};

}  // namespace qzr
