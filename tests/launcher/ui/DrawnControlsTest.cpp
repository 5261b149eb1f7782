// Battery gauge, signal meter and logo static: geometry by numbers, and pixels painted into memory bitmaps.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "DialogDriver.h"
#include "ui/DrawnControls.h"

using qzr::BatteryGauge;
using qzr::SignalMeter;
using ui_testing::Canvas;

namespace {

constexpr COLORREF kGreen = 0x0000FF00;
constexpr COLORREF kBlack = 0;

// Runs of `colour` (or, with other, of any other colour) along row y: {start, end exclusive}.
std::vector<std::pair<int, int>> RunsInRow(const Canvas& canvas, int y, COLORREF colour, bool other = false) {
  std::vector<std::pair<int, int>> runs;
  const int w = canvas.rect().right;
  auto in = [&](int x) { return (canvas.At(x, y) == colour) != other; };
  for (int x = 0; x < w; ++x) {
    if (!in(x)) continue;
    int start = x;
    while (x < w && in(x)) ++x;
    runs.push_back({start, x});
  }
  return runs;
}

int Count(const Canvas& canvas, COLORREF colour) {
  int n = 0;
  const RECT r = canvas.rect();
  for (int y = 0; y < r.bottom; ++y)
    for (int x = 0; x < r.right; ++x) n += canvas.At(x, y) == colour;
  return n;
}

// A plain top-level window with one static child, for the controls that take over a static.
class StaticHost {
 public:
  explicit StaticHost(DWORD staticStyle) {
    parent_ = CreateWindowExW(0, L"STATIC", L"host", WS_POPUP, 0, 0, 200, 100, nullptr, nullptr, nullptr, nullptr);
    control_ = CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE | staticStyle, 10, 10, 70, 30, parent_,
                               reinterpret_cast<HMENU>(1024), nullptr, nullptr);
  }
  ~StaticHost() { DestroyWindow(parent_); }
  HWND control() const { return control_; }

 private:
  HWND parent_ = nullptr, control_ = nullptr;
};

int PendingMessages(HWND hwnd, UINT msg) {
  int n = 0;
  MSG m;
  while (PeekMessageW(&m, hwnd, msg, msg, PM_REMOVE)) ++n;
  return n;
}

}  // namespace

TEST(DrawnControls, GaugePaintsSegmentsOutlineAndFrame) {
  struct Case { int level; size_t segments; } cases[] = {{100, 7}, {14, 0}, {50, 3}, {-1, 0}, {250, 7}};
  for (const Case& c : cases) {
    BatteryGauge gauge;
    gauge.SetOrientation(3);
    gauge.SetFillColour(kGreen);
    gauge.SetOutlineColour(kBlack);
    gauge.SetLevel(c.level);
    Canvas canvas(77, 20);
    gauge.Draw(canvas.dc(), canvas.rect());
    SCOPED_TRACE(testing::Message() << "level " << c.level);
    // Segment interiors are the fill colour; one run per segment on the middle row.
    auto runs = RunsInRow(canvas, 9, kGreen);
    ASSERT_EQ(runs.size(), c.segments);
    if (!runs.empty()) {
      EXPECT_EQ(runs[0].first, 3);  // segment 2..10: light left edge at 2, dark right edge at 9
      EXPECT_EQ(runs[0].second, 9);
      EXPECT_EQ(canvas.At(2, 9), RGB(127, 255, 127));
      EXPECT_EQ(canvas.At(9, 9), RGB(0, 127, 0));
      EXPECT_EQ(canvas.At(5, 1), RGB(127, 255, 127));  // top edge
      EXPECT_EQ(canvas.At(5, 16), RGB(0, 127, 0));     // bottom edge
    }
    EXPECT_EQ(canvas.At(0, 9), kBlack);    // body's left edge
    EXPECT_EQ(canvas.At(76, 10), kBlack);  // the nub's far side
    EXPECT_NE(canvas.At(76, 2), kBlack);   // beside the nub: background
  }
  // Degenerate sizes draw no segments rather than misbehave.
  EXPECT_TRUE(qzr::ComputeGaugeGeometry({0, 0, 3, 3}, 3, 100, 100, 7).segments.empty());
  EXPECT_TRUE(qzr::ComputeGaugeGeometry({0, 0, 77, 20}, 3, 100, 100, 0).segments.empty());
}

TEST(DrawnControls, GaugeWindowTakesItsRectangleAndRepaints) {
  BatteryGauge gauge;
  HWND parent = CreateWindowExW(0, L"STATIC", L"host", WS_POPUP | WS_VISIBLE, 0, 0, 200, 100, nullptr, nullptr, nullptr, nullptr);
  ASSERT_TRUE(gauge.Create(parent, {10, 10, 87, 30}, WS_CHILD | WS_VISIBLE, 432));
  RECT r;
  GetClientRect(gauge.hwnd(), &r);
  EXPECT_EQ(r.right, 77);
  EXPECT_EQ(SendMessageW(gauge.hwnd(), WM_ERASEBKGND, 0, 0), 1);
  gauge.SetLevel(30);  // repaints at once through the window; must not deadlock on its lock
  EXPECT_TRUE(gauge.Destroy());
  EXPECT_EQ(gauge.hwnd(), nullptr);
  EXPECT_TRUE(gauge.Destroy());
  DestroyWindow(parent);
}

TEST(DrawnControls, MeterPaintsBarsUpToItsClampedValueAndInverseText) {
  SignalMeter meter;
  meter.SetRange(-40, -85);  // given the wrong way round
  meter.SetBarCount(7);
  // The first value, 50, is lowered to the new maximum. -60: (25 / 45) * 70 = 38 pixels filled,
  // four bars begun.
  const struct { int value; int bars; } cases[] = {{50, 7}, {-40, 7}, {-85, 1}, {-60, 4}, {-100, 1}, {-20, 7}};
  for (const auto& c : cases) {
    if (c.value != 50) meter.SetValue(c.value);
    Canvas canvas(70, 30);
    meter.Draw(canvas.dc(), canvas.rect());
    // On the bottom row every bar shows as a run between black gaps.
    EXPECT_EQ(static_cast<int>(RunsInRow(canvas, 29, kBlack, /*other=*/true).size()), c.bars) << c.value;
    if (c.bars == 7) {  // red at the left end, green towards the right end
      EXPECT_EQ(GetRValue(canvas.At(4, 29)), 255);
      EXPECT_LT(GetGValue(canvas.At(4, 29)), 64);
      EXPECT_EQ(GetGValue(canvas.At(65, 29)), 255);
      EXPECT_LT(GetRValue(canvas.At(65, 29)), 64);
    }
  }
  // Text in the inverse of the background, at the top left.
  meter.SetBackgroundColour(RGB(10, 20, 30));
  meter.SetText(L"-47");
  Canvas canvas(70, 30);
  meter.Draw(canvas.dc(), canvas.rect());
  EXPECT_GT(Count(canvas, RGB(245, 235, 225)), 5);
}

TEST(DrawnControls, MeterPostsOneRepaintPerChange) {
  StaticHost host(WS_BORDER);
  SignalMeter meter;
  ASSERT_TRUE(meter.Attach(host.control()));
  PendingMessages(host.control(), SignalMeter::kRepaintMessage);

  meter.SetMode(qzr::MeterMode::LinkUpPicture);
  meter.SetMode(qzr::MeterMode::LinkUpPicture);
  EXPECT_EQ(PendingMessages(host.control(), SignalMeter::kRepaintMessage), 1);
  meter.SetBackgroundColour(RGB(1, 2, 3));
  meter.SetBackgroundColour(RGB(1, 2, 3));
  EXPECT_EQ(PendingMessages(host.control(), SignalMeter::kRepaintMessage), 1);
  meter.SetValue(70);
  meter.SetBarCount(7);
  EXPECT_EQ(PendingMessages(host.control(), SignalMeter::kRepaintMessage), 2);
  EXPECT_EQ(meter.repaintsPosted(), 4);

  // The repaint message is answered by the meter itself; the text is kept and drawn.
  EXPECT_EQ(SendMessageW(host.control(), SignalMeter::kRepaintMessage, 0, 0), 0);
  EXPECT_EQ(SendMessageW(host.control(), WM_ERASEBKGND, 0, 0), 1);
  meter.SetMode(qzr::MeterMode::BarsAndText);
  meter.SetBackgroundColour(0);
  meter.SetText(L"-60");
  wchar_t text[16] = {};
  GetWindowTextW(host.control(), text, 16);
  EXPECT_STREQ(text, L"-60");
  Canvas canvas(70, 30);
  meter.Draw(canvas.dc(), canvas.rect());
  EXPECT_GT(Count(canvas, RGB(255, 255, 255)), 5);
  meter.Detach();
}

TEST(DrawnControls, LogoErasesWithImageTopLeftPixel) {
  // A logo whose pixel (0, 0) differs from the rest: 0x00RRGGBB values, top row first.
  BITMAPINFO bi{};
  bi.bmiHeader = {sizeof(BITMAPINFOHEADER), 8, -8, 1, 32, BI_RGB};
  DWORD* bits = nullptr;
  HBITMAP image = CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, reinterpret_cast<void**>(&bits), nullptr, 0);
  ASSERT_NE(image, nullptr);
  std::fill(bits, bits + 64, 0x00C8C8C8);
  bits[0] = 0x000C2238;

  struct Case {
    bool withImage;
    COLORREF expected;
  } cases[] = {{false, GetSysColor(COLOR_WINDOW)}, {true, RGB(12, 34, 56)}};
  for (const Case& c : cases) {
    StaticHost host(SS_BITMAP | SS_CENTERIMAGE);
    if (c.withImage) SendMessageW(host.control(), STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(image));
    qzr::LogoStatic logoStatic;
    ASSERT_TRUE(logoStatic.Attach(host.control()));
    Canvas target(20, 10);
    EXPECT_EQ(SendMessageW(host.control(), WM_ERASEBKGND, reinterpret_cast<WPARAM>(target.dc()), 0), 1);
    EXPECT_EQ(target.At(0, 0), c.expected);
    EXPECT_EQ(target.At(19, 9), c.expected);
    if (c.withImage) SendMessageW(host.control(), STM_SETIMAGE, IMAGE_BITMAP, 0);
    logoStatic.Detach();
  }
  DeleteObject(image);
}
