// Battery gauge, signal meter and top-logo static: geometry as plain functions, painting off screen.
#include "ui/DrawnControls.h"

#include <algorithm>
#include <cmath>

#include "Win32Owners.h"
#include "Win32UserOwners.h"

namespace qzr {

namespace {

constexpr wchar_t kGaugeClass[] = L"QZR.BatteryGauge";
constexpr wchar_t kMeterProperty[] = L"QZR.SignalMeter";
constexpr wchar_t kLogoProperty[] = L"QZR.LogoStatic";
constexpr DWORD kImageTypeBits = 0x0E;

int ClampByte(double v) {
  if (!(v > 0)) return 0;  // NaN too
  if (v > 255) return 255;
  return static_cast<int>(v);
}

// The device's static-control colour (CE system colour 25, COLOR_STATIC) is what the desktop
// calls the button face: the colour statics and dialogs paint behind themselves.
COLORREF StaticBackgroundColour() { return GetSysColor(COLOR_BTNFACE); }

void FillSolid(HDC dc, const RECT& r, COLORREF colour) {
  GdiObject brush(CreateSolidBrush(colour));
  if (brush) FillRect(dc, &r, static_cast<HBRUSH>(brush.get()));
}

// Draws through a memory bitmap of the client size and copies it in one block; draws straight
// into the target when the memory context or bitmap cannot be made.
template <typename DrawFn>
void PaintOffScreen(HDC target, const RECT& client, DrawFn draw) {
  int w = client.right - client.left, h = client.bottom - client.top;
  MemoryDC memory(w > 0 && h > 0 ? CreateCompatibleDC(target) : nullptr);
  GdiObject bitmap(memory ? CreateCompatibleBitmap(target, w, h) : nullptr);
  if (!memory || !bitmap) {
    draw(target, client);
    return;
  }
  ScopedSelectObject select(memory.get(), bitmap.get());
  RECT local{0, 0, w, h};
  draw(memory.get(), local);
  BitBlt(target, client.left, client.top, w, h, memory.get(), 0, 0, SRCCOPY);
}

}  // namespace

bool Subclass::Attach(HWND control, const wchar_t* property, void* owner, WNDPROC proc) {
  if (!control || hwnd_) return false;
  // Within the process only: the control belongs to our own dialog.
  SetPropW(control, property, owner);
  auto previous = reinterpret_cast<WNDPROC>(SetWindowLongPtrW(control, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(proc)));
  if (!previous) {
    RemovePropW(control, property);
    return false;
  }
  property_ = property;
  previousProc_ = previous;
  hwnd_ = control;
  return true;
}

void Subclass::Detach() {
  if (!hwnd_) return;
  SetWindowLongPtrW(hwnd_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previousProc_));
  RemovePropW(hwnd_, property_);
  hwnd_ = nullptr;
}

LRESULT Subclass::CallPrevious(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  WNDPROC previous = previousProc_;
  // The control's last message: it must not come back to a procedure that outlives it.
  if (msg == WM_NCDESTROY) Detach();
  return CallWindowProcW(previous, hwnd, msg, wParam, lParam);
}

COLORREF Blend(COLORREF c1, COLORREF c2, double t) {
  auto channel = [t](int a, int b) { return ClampByte(a + (b - a) * t); };
  return RGB(channel(GetRValue(c1), GetRValue(c2)), channel(GetGValue(c1), GetGValue(c2)),
             channel(GetBValue(c1), GetBValue(c2)));
}

COLORREF InverseColour(COLORREF colour) {
  return RGB(255 - GetRValue(colour), 255 - GetGValue(colour), 255 - GetBValue(colour));
}

GaugeGeometry ComputeGaugeGeometry(const RECT& client, int orientation, int level, int maxLevel, int segmentCount) {
  GaugeGeometry g{};
  const int left = client.left, top = client.top, right = client.right - 1, bottom = client.bottom - 1;
  const int W = right - left, Hh = bottom - top;
  const bool vertical = orientation == 0 || orientation == 1;
  const int n = vertical ? static_cast<int>(Hh * 0.05) : static_cast<int>(W * 0.05);
  const int half = vertical ? (W - static_cast<int>(W * 0.25)) / 2 : (Hh - static_cast<int>(Hh * 0.25)) / 2;
  switch (orientation) {
    case 0:
      g.outline = {{{left, top + n}, {left + half, top + n}, {left + half, top}, {right - half, top},
                    {right - half, top + n}, {right, top + n}, {right, bottom}, {left, bottom}, {left, top + n}}};
      g.body = {left, top + n, right, bottom};
      break;
    case 1:
      g.outline = {{{left, bottom - n}, {left + half, bottom - n}, {left + half, bottom}, {right - half, bottom},
                    {right - half, bottom - n}, {right, bottom - n}, {right, top}, {left, top}, {left, bottom - n}}};
      g.body = {left, top, right, bottom - n};
      break;
    case 2:
      g.outline = {{{left + n, top}, {left + n, top + half}, {left, top + half}, {left, bottom - half},
                    {left + n, bottom - half}, {left + n, bottom}, {right, bottom}, {right, top}, {left + n, top}}};
      g.body = {left + n, top, right, bottom};
      break;
    default:
      g.outline = {{{right - n, top}, {right - n, top + half}, {right, top + half}, {right, bottom - half},
                    {right - n, bottom - half}, {right - n, bottom}, {left, bottom}, {left, top}, {right - n, top}}};
      g.body = {left, top, right - n, bottom};
      break;
  }
  g.inner = {g.body.left + 1, g.body.top + 1, g.body.right - 2, g.body.bottom - 2};
  if (segmentCount <= 0 || g.inner.right == g.inner.left) return g;

  const int start = vertical ? g.inner.top : g.inner.left;
  const int end = vertical ? g.inner.bottom : g.inner.right;
  const int L = end - start;
  int step = L / segmentCount;
  if (step < 2) step = 1;
  const int gap = std::max(1, ((step * 2) / 5) / 2);
  int thickness = step - gap;
  if (thickness < 2) thickness = 1;
  double ratio = maxLevel > 0 ? static_cast<double>(level) / maxLevel : 0.0;
  ratio = std::clamp(ratio, 0.0, 1.0);
  const int count = static_cast<int>(L * ratio) / step;
  const bool fromFarEnd = orientation == 0 || orientation == 2;
  for (int i = 0; i < count; ++i) {
    int a, b;
    if (fromFarEnd) {
      b = end - gap / 2 - i * step;
      a = b - thickness;
    } else {
      a = start + gap / 2 + i * step;
      b = a + thickness;
    }
    g.segments.push_back(vertical ? RECT{g.inner.left, a, g.inner.right, b} : RECT{a, g.inner.top, b, g.inner.bottom});
  }
  return g;
}

std::vector<MeterBar> ComputeMeterBars(int width, int height, int barCount, int value, int minValue, int maxValue,
                                       const MeterColours& colours) {
  std::vector<MeterBar> bars;
  if (barCount <= 0 || width <= 0) return bars;
  const int step = std::max(1, width / barCount);
  const int gap = std::max(1, ((step * 2) / 5) / 2);
  const int barWidth = std::max(1, step - gap);
  const int n = width / step;
  int filled = 0;
  if (maxValue != minValue)
    filled = static_cast<int>((static_cast<float>(value - minValue) / static_cast<float>(maxValue - minValue)) *
                              static_cast<float>(width));
  if (n < 1) return bars;
  int x = gap / 2;
  for (int i = 0;; ++i) {
    const int centre = x + barWidth / 2;
    const double t = static_cast<double>(centre) / width;
    const int top = height - static_cast<int>(t * height);
    const COLORREF colour = t < 0.5 ? Blend(colours.low, colours.mid, 2 * t) : Blend(colours.mid, colours.high, 2 * (t - 0.5));
    bars.push_back({RECT{x, top, x + barWidth, height}, colour});
    x += step;
    if (x > filled || i + 1 >= n) break;
  }
  return bars;
}

// ---- BatteryGauge ----

BatteryGauge::BatteryGauge() : backgroundColour_(StaticBackgroundColour()) {}

BatteryGauge::~BatteryGauge() { Destroy(); }

bool BatteryGauge::Create(HWND parent, const RECT& rect, DWORD style, UINT id) {
  static const ATOM atom = [] {
    WNDCLASSW wc{};
    wc.lpfnWndProc = WndProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.lpszClassName = kGaugeClass;
    return RegisterClassW(&wc);
  }();
  if (!atom || hwnd_) return false;
  return CreateWindowExW(0, kGaugeClass, L"", style, rect.left, rect.top, rect.right - rect.left,
                         rect.bottom - rect.top, parent, reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)),
                         GetModuleHandleW(nullptr), this) != nullptr;
}

bool BatteryGauge::Destroy() {
  if (!hwnd_) return true;
  if (!DestroyWindow(hwnd_)) return false;
  hwnd_ = nullptr;
  return true;
}

void BatteryGauge::SetOutlineColour(COLORREF colour) {
  CriticalSectionLock lock(lock_);
  outlineColour_ = colour;
}

void BatteryGauge::SetOrientation(int orientation) {
  CriticalSectionLock lock(lock_);
  if (orientation < 0 || orientation > 3) return;  // no such nub position
  orientation_ = orientation;
  Repaint();
}

void BatteryGauge::SetFillColour(COLORREF colour) {
  CriticalSectionLock lock(lock_);
  fillColour_ = colour;
  Repaint();
}

void BatteryGauge::SetLevel(int level) {
  CriticalSectionLock lock(lock_);
  level = std::clamp(level, 0, 100);
  if (level == level_) return;
  level_ = level;
  Repaint();
}

int BatteryGauge::level() const {
  CriticalSectionLock lock(lock_);
  return level_;
}

void BatteryGauge::Repaint() {
  if (!hwnd_) return;
  InvalidateRect(hwnd_, nullptr, TRUE);
  UpdateWindow(hwnd_);
}

void BatteryGauge::Draw(HDC dc, const RECT& client) const {
  CriticalSectionLock lock(lock_);
  FillSolid(dc, client, backgroundColour_);
  GaugeGeometry g = ComputeGaugeGeometry(client, orientation_, level_, maxLevel_, segmentCount_);
  GdiObject pen(CreatePen(PS_SOLID, 1, outlineColour_));
  HGDIOBJ oldPen = pen ? SelectObject(dc, pen.get()) : nullptr;
  Polyline(dc, g.outline.data(), static_cast<int>(g.outline.size()));
  const COLORREF light = Blend(fillColour_, RGB(255, 255, 255), 0.5);
  const COLORREF dark = Blend(fillColour_, RGB(0, 0, 0), 0.5);
  for (const RECT& s : g.segments) {
    FillSolid(dc, s, fillColour_);
    const int w = s.right - s.left, h = s.bottom - s.top;
    if (w > 2 && h > 2) {
      FillSolid(dc, RECT{s.left, s.top, s.right - 1, s.top + 1}, light);
      FillSolid(dc, RECT{s.left, s.top, s.left + 1, s.bottom - 1}, light);
      FillSolid(dc, RECT{s.right - 1, s.top, s.right, s.bottom}, dark);
      FillSolid(dc, RECT{s.left, s.bottom - 1, s.right, s.bottom}, dark);
    }
  }
  if (oldPen) SelectObject(dc, oldPen);
}

LRESULT CALLBACK BatteryGauge::WndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  auto* self = reinterpret_cast<BatteryGauge*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  switch (msg) {
    case WM_NCCREATE:
      self = static_cast<BatteryGauge*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
      self->hwnd_ = hwnd;
      SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
      break;
    case WM_ERASEBKGND:
      return 1;  // the paint covers the whole client area
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(hwnd, &ps);
      RECT client;
      GetClientRect(hwnd, &client);
      if (self) PaintOffScreen(dc, client, [self](HDC d, const RECT& r) { self->Draw(d, r); });
      EndPaint(hwnd, &ps);
      return 0;
    }
    case WM_NCDESTROY:
      if (self) self->hwnd_ = nullptr;
      SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
      break;
  }
  return DefWindowProcW(hwnd, msg, wParam, lParam);
}

// ---- SignalMeter ----

SignalMeter::SignalMeter() = default;

SignalMeter::~SignalMeter() { Detach(); }

bool SignalMeter::Attach(HWND control) { return subclass_.Attach(control, kMeterProperty, this, WndProc); }

void SignalMeter::Detach() { subclass_.Detach(); }

void SignalMeter::PostRepaint() {
  if (hwnd() && PostMessageW(hwnd(), kRepaintMessage, 0, 0)) ++repaintsPosted_;
}

void SignalMeter::SetValue(int value) {
  CriticalSectionLock lock(lock_);
  value_ = value;
  if (value_ < minValue_) value_ = minValue_;
  if (value_ > maxValue_) value_ = maxValue_;
  PostRepaint();
}

void SignalMeter::SetRange(int a, int b) {
  CriticalSectionLock lock(lock_);
  maxValue_ = std::max(a, b);
  minValue_ = std::min(a, b);
  SetValue(value_);
}

void SignalMeter::GetRange(int* minValue, int* maxValue) const {
  CriticalSectionLock lock(lock_);
  if (minValue) *minValue = minValue_;
  if (maxValue) *maxValue = maxValue_;
}

void SignalMeter::SetBarCount(int count) {
  CriticalSectionLock lock(lock_);
  barCount_ = count;
  PostRepaint();
}

void SignalMeter::SetBackgroundColour(COLORREF colour) {
  CriticalSectionLock lock(lock_);
  if (colour == backgroundColour_) return;
  backgroundColour_ = colour;
  PostRepaint();
}

void SignalMeter::SetMode(MeterMode mode) {
  if (mode == mode_) return;
  mode_ = mode;
  PostRepaint();
}

void SignalMeter::LoadPictures(UINT linkUpId, UINT noLinkId, COLORREF transparent, HINSTANCE module) {
  if (!module) module = GetModuleHandleW(nullptr);
  pictureLinkUp_.reset(LoadImageW(module, MAKEINTRESOURCEW(linkUpId), IMAGE_BITMAP, 0, 0, 0));
  pictureNoLink_.reset(LoadImageW(module, MAKEINTRESOURCEW(noLinkId), IMAGE_BITMAP, 0, 0, 0));
  transparentColour_ = transparent;
}

void SignalMeter::SetText(const std::wstring& text) {
  if (hwnd()) {
    SendMessageW(hwnd(), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
    return;
  }
  CriticalSectionLock lock(lock_);
  text_ = text;
}

int SignalMeter::value() const {
  CriticalSectionLock lock(lock_);
  return value_;
}

void SignalMeter::Draw(HDC dc, const RECT& client) const {
  CriticalSectionLock lock(lock_);
  FillSolid(dc, client, backgroundColour_);
  const int W = client.right - client.left, Hc = client.bottom - client.top;
  if (mode_ == MeterMode::LinkUpPicture || mode_ == MeterMode::NoLinkPicture) {
    HGDIOBJ picture = mode_ == MeterMode::LinkUpPicture ? pictureLinkUp_.get() : pictureNoLink_.get();
    BITMAP info{};
    if (!picture || !GetObjectW(picture, sizeof info, &info)) return;
    MemoryDC memory(CreateCompatibleDC(dc));
    if (!memory) return;
    ScopedSelectObject select(memory.get(), picture);
    TransparentBlt(dc, client.left + (W - info.bmWidth) / 2, client.top + (Hc - info.bmHeight) / 2, info.bmWidth,
                   info.bmHeight, memory.get(), 0, 0, info.bmWidth, info.bmHeight, transparentColour_);
    return;
  }
  if (mode_ != MeterMode::BarsAndText) return;
  for (const MeterBar& bar : ComputeMeterBars(W, Hc, barCount_, value_, minValue_, maxValue_,
                                              {colourLow_, colourMid_, colourHigh_})) {
    RECT r = bar.rect;
    OffsetRect(&r, client.left, client.top);
    FillSolid(dc, r, bar.colour);
  }
  HFONT font = hwnd() ? reinterpret_cast<HFONT>(SendMessageW(hwnd(), WM_GETFONT, 0, 0)) : nullptr;
  HGDIOBJ oldFont = font ? SelectObject(dc, font) : nullptr;
  SetTextColor(dc, InverseColour(backgroundColour_));
  int oldMode = SetBkMode(dc, TRANSPARENT);
  RECT textRect = client;
  DrawTextW(dc, text_.c_str(), static_cast<int>(text_.size()), &textRect, DT_LEFT | DT_TOP | DT_SINGLELINE | DT_NOPREFIX);
  SetBkMode(dc, oldMode);
  if (oldFont) SelectObject(dc, oldFont);
}

LRESULT CALLBACK SignalMeter::WndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  auto* self = Subclass::Owner<SignalMeter>(hwnd, kMeterProperty);
  if (!self) return DefWindowProcW(hwnd, msg, wParam, lParam);
  auto paintNow = [self, hwnd] {
    WindowDC dc(hwnd);
    if (!dc) return;
    RECT client;
    GetClientRect(hwnd, &client);
    PaintOffScreen(dc.get(), client, [self](HDC d, const RECT& r) { self->Draw(d, r); });
  };
  switch (msg) {
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(hwnd, &ps);
      RECT client;
      GetClientRect(hwnd, &client);
      PaintOffScreen(dc, client, [self](HDC d, const RECT& r) { self->Draw(d, r); });
      EndPaint(hwnd, &ps);
      return 0;
    }
    case WM_SETTEXT: {
      {
        CriticalSectionLock lock(self->lock_);
        self->text_ = lParam ? reinterpret_cast<const wchar_t*>(lParam) : L"";
      }
      // The static keeps its own copy too, so that the window text reads back what was set.
      LRESULT result = self->subclass_.CallPrevious(hwnd, msg, wParam, lParam);
      paintNow();
      return result;
    }
    case kRepaintMessage:
      paintNow();
      return 0;
  }
  return self->subclass_.CallPrevious(hwnd, msg, wParam, lParam);
}

// ---- LogoStatic ----

namespace {

COLORREF LogoBackground(HWND control) {
  COLORREF colour = GetSysColor(COLOR_WINDOW);
  auto image = reinterpret_cast<HBITMAP>(SendMessageW(control, STM_GETIMAGE, IMAGE_BITMAP, 0));
  if (!image) return colour;
  MemoryDC memory(CreateCompatibleDC(nullptr));
  if (!memory) return colour;
  HGDIOBJ old = SelectObject(memory.get(), image);
  if (old) {
    COLORREF pixel = GetPixel(memory.get(), 0, 0);
    if (pixel != CLR_INVALID) colour = pixel;
    SelectObject(memory.get(), old);
  }
  return colour;
}

}  // namespace

bool LogoStatic::Attach(HWND control) { return subclass_.Attach(control, kLogoProperty, this, WndProc); }

void LogoStatic::Detach() { subclass_.Detach(); }

LRESULT CALLBACK LogoStatic::WndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  auto* self = Subclass::Owner<LogoStatic>(hwnd, kLogoProperty);
  if (!self) return DefWindowProcW(hwnd, msg, wParam, lParam);
  if (msg == WM_ERASEBKGND && (GetWindowLongW(hwnd, GWL_STYLE) & kImageTypeBits)) {
    HDC dc = reinterpret_cast<HDC>(wParam);
    RECT box;
    if (GetClipBox(dc, &box) != ERROR) FillSolid(dc, box, LogoBackground(hwnd));
    return 1;
  }
  return self->subclass_.CallPrevious(hwnd, msg, wParam, lParam);
}

}  // namespace qzr
