// Layout rules of the main dialog, the status page and the password dialog, for every screen
// size and mode, as numbers.
#include <gtest/gtest.h>

#include <iterator>
#include <map>
#include <string>

#include "UiLayout.h"
#include "resource.h"

using qzr::LayoutPlan;
using qzr::Placement;
using qzr::Placing;
using qzr::Rect;

namespace {

Placement Mv(int id, int x, int y, int w, int h, bool big = false) { return {id, Placing::Move, {x, y, w, h}, big}; }
Placement Hd(int id) { return {id, Placing::Hide, {}, false}; }
Placement Sh(int id) { return {id, Placing::ShowEnabled, {}, false}; }
Placement Screen(int w, int h) { return Mv(qzr::kDialogItem, 0, 0, w, h); }

std::string Describe(const LayoutPlan& plan) {
  std::string s;
  for (const Placement& p : plan) {
    s += std::to_string(p.id) + (p.action == Placing::Move ? " move " : p.action == Placing::Hide ? " hide" : " show") +
         (p.action == Placing::Move ? std::to_string(p.rect.x) + "," + std::to_string(p.rect.y) + "," +
                                          std::to_string(p.rect.w) + "," + std::to_string(p.rect.h)
                                    : "") +
         (p.bigFont ? " big" : "") + "\n";
  }
  return s;
}

constexpr int kList = IDC_PROGRAM_LIST, kLogo = IDC_LOGO, kMeter = IDC_SIGNAL_METER, kGauge = IDC_BATTERY_GAUGE,
              kStatus = IDC_STATUS_BUTTON, kSnLabel = IDC_SERIAL_LABEL, kSn = IDC_SERIAL, kSpeaker = IDC_SPEAKER;

}  // namespace

TEST(ScreenLayout, MainDialogForEverySizeAndMode) {
  struct Case {
    const char* name;
    qzr::MainLayoutInput in;
    LayoutPlan expected;
  };
  auto input = [](int w, int h, bool full, int logoH, int items, int work, Rect meter = {2, 600, 70, 30},
                  int model = 10, bool gauge = true) {
    qzr::MainLayoutInput in;
    in.screenWidth = w;
    in.screenHeight = h;
    in.fullScreen = full;
    in.logoHeight = logoH;
    in.itemCount = items;
    in.workHeight = work;
    in.meter = meter;
    in.modelId = model;
    in.gaugeExists = gauge;
    return in;
  };
  const Case cases[] = {
      {"480x640 windowed, band twice the logo", input(480, 640, false, 40, 3, 560),
       {Hd(kGauge), Hd(kMeter), Hd(kStatus), Mv(kLogo, 0, 480, 480, 80), Mv(kList, 0, 0, 480, 480)}},
      {"480x640 windowed, ten items: band is the logo", input(480, 640, false, 40, 10, 560),
       {Hd(kGauge), Hd(kMeter), Hd(kStatus), Mv(kLogo, 0, 520, 480, 40), Mv(kList, 0, 0, 480, 520)}},
      {"480x640 full screen", input(480, 640, true, 40, 3, 640),
       {Mv(kGauge, 170, 590, 140, 40), Mv(kStatus, 330, 590, 140, 40, true), Mv(kMeter, 20, 590, 140, 40),
        Mv(kLogo, 0, 510, 480, 80), Hd(kSnLabel), Hd(kSn), Mv(kList, 0, 0, 480, 510), Screen(480, 640)}},
      {"480x640 full screen, no logo, no gauge", input(480, 640, true, 0, 3, 640, {2, 600, 70, 30}, 10, false),
       {Mv(kStatus, 330, 590, 140, 40, true), Mv(kMeter, 20, 590, 140, 40), Mv(kLogo, 0, 590, 480, 0), Hd(kSnLabel),
        Hd(kSn), Mv(kList, 0, 0, 480, 590), Screen(480, 640)}},
      {"480x800 windowed", input(480, 800, false, 40, 3, 700),
       {Hd(kGauge), Hd(kMeter), Hd(kStatus), Mv(kLogo, 0, 620, 480, 80), Mv(kList, 0, 0, 480, 620), Hd(kSnLabel), Hd(kSn)}},
      {"480x800 windowed, no gauge", input(480, 800, false, 40, 3, 700, {2, 600, 70, 30}, 10, false),
       {Hd(kMeter), Hd(kStatus), Mv(kLogo, 0, 620, 480, 80), Mv(kList, 0, 0, 480, 620), Hd(kSnLabel), Hd(kSn)}},
      {"480x800 full screen: the logo sits on the moved meter", input(480, 800, true, 40, 3, 800),
       {Mv(kGauge, 170, 746, 140, 50), Mv(kStatus, 320, 736, 140, 60, true), Mv(kMeter, 20, 736, 140, 60),
        Mv(kLogo, 0, 656, 480, 80), Mv(kList, 0, 0, 480, 656), Screen(480, 800), Hd(kSnLabel), Hd(kSn)}},
      {"640x480 windowed: the logo below the list", input(640, 480, false, 40, 3, 375),
       {Hd(kGauge), Hd(kMeter), Hd(kStatus), Mv(kList, 0, 30, 640, 290), Mv(kLogo, 0, 320, 640, 55)}},
      {"640x480 full screen", input(640, 480, true, 40, 3, 480),
       {Mv(kList, 0, 0, 640, 290), Mv(kLogo, 0, 290, 640, 80), Hd(kSnLabel), Hd(kSn), Mv(kMeter, 90, 420, 140, 50),
        Mv(kGauge, 250, 420, 140, 50),
        Mv(kStatus, 480, 420, 140, 50, true), Screen(640, 480)}},
      {"320x240 windowed", input(320, 240, false, 40, 3, 200),
       {Hd(kGauge), Hd(kMeter), Hd(kStatus), Mv(kList, 0, 0, 320, 145), Mv(kLogo, 0, 145, 320, 40), Screen(320, 240)}},
      {"320x240 full screen", input(320, 240, true, 40, 3, 240),
       {Hd(kSnLabel), Hd(kSn), Mv(kList, 0, 0, 320, 145), Mv(kLogo, 0, 145, 320, 40), Mv(kMeter, 10, 210, 105, 25),
        Mv(kGauge, 125, 210, 70, 25),
        Mv(kStatus, 240, 210, 70, 25), Screen(320, 240)}},
      {"other size windowed", input(240, 320, false, 30, 3, 250),
       {Hd(kGauge), Hd(kMeter), Hd(kStatus), Mv(kLogo, 0, 220, 240, 30), Mv(kList, 0, 0, 240, 220)}},
      {"other size full screen, plain", input(1024, 768, true, 30, 3, 768, {2, 700, 60, 40}),
       {Mv(kMeter, 5, 700, 57, 40), Mv(kLogo, 0, 670, 1024, 30), Mv(kList, 0, 0, 1024, 670), Mv(kGauge, 72, 746, 70, 20),
        Mv(kStatus, 152, 700, 70, 40), Screen(1024, 768), Hd(kSnLabel), Hd(kSn)}},
      {"other size full screen, speaker model", input(1024, 768, true, 30, 3, 768, {2, 700, 60, 40}, 8),
       {Mv(kMeter, 1, 700, 61, 40), Mv(kLogo, 0, 670, 1024, 30), Mv(kList, 0, 0, 1024, 670), Mv(kGauge, 63, 746, 70, 20),
        Mv(kStatus, 134, 700, 65, 40), Mv(kSpeaker, 200, 700, 823, 40), Sh(kSpeaker), Screen(1024, 768), Hd(kSnLabel),
        Hd(kSn)}},
      {"other size full screen, no gauge", input(1024, 768, true, 30, 3, 768, {2, 700, 60, 40}, 10, false),
       {Mv(kMeter, 5, 700, 57, 40), Mv(kLogo, 0, 670, 1024, 30), Mv(kList, 0, 0, 1024, 670), Mv(kStatus, 72, 700, 70, 40),
        Screen(1024, 768), Hd(kSnLabel), Hd(kSn)}},
  };
  for (const Case& c : cases) {
    LayoutPlan plan = qzr::MainDialogLayout(c.in);
    EXPECT_EQ(Describe(plan), Describe(c.expected)) << c.name;
  }
}

TEST(ScreenLayout, StatusPageForEverySizeAndMode) {
  // Template places with the own heights that "below" placements keep.
  const qzr::ControlRects own = {
      {IDC_BATTERY_FRAME, {5, 3, 200, 50}}, {IDC_PROGRESS, {12, 13, 100, 12}}, {IDC_BATTERY_TEXT, {12, 23, 100, 14}},
      {IDC_TEXT_BLOCK, {0, 38, 200, 50}},   {IDC_IP_ADDRESS, {12, 90, 180, 16}}, {IDC_MAC_LABEL, {2, 102, 90, 16}},
      {IDC_MAC_ADDRESS, {66, 102, 100, 16}}, {IDC_AUTH_LABEL, {2, 114, 90, 16}}, {IDC_AUTHENTICATION, {66, 114, 100, 16}},
      {IDC_SERIAL_LABEL, {2, 126, 90, 16}}, {IDC_SERIAL, {66, 126, 100, 16}},   {IDCANCEL, {5, 150, 70, 24}},
      {IDC_EXIT_BUTTON, {90, 150, 70, 24}}};
  struct Case {
    const char* name;
    int w, h;
    bool full;
    LayoutPlan expected;
  };
  const Case cases[] = {
      {"480x640: value fields end at the screen edge", 480, 640, true,
       {Mv(1032, 20, 30, 440, 110), Mv(1000, 40, 70, 400, 20), Mv(1002, 40, 90, 400, 26), Mv(1020, 0, 150, 480, 180),
        Mv(1028, 46, 350, 434, 16), Mv(1033, 20, 366, 200, 16), Mv(1029, 230, 366, 240, 16), Mv(1035, 20, 390, 200, 16),
        Mv(1030, 230, 390, 240, 16), Mv(1034, 20, 426, 200, 16), Mv(1026, 240, 426, 240, 16), Mv(2, 20, 576, 140, 60),
        Mv(1006, 320, 576, 140, 60), Screen(480, 640)}},
      {"480x800", 480, 800, false,
       {Mv(1032, 20, 30, 440, 110), Mv(1000, 40, 70, 400, 20), Mv(1002, 40, 90, 400, 26), Mv(1020, 0, 150, 480, 220),
        Mv(1028, 66, 430, 300, 68), Mv(1033, 20, 498, 200, 16), Mv(1029, 230, 498, 240, 16), Mv(1035, 20, 522, 200, 16),
        Mv(1030, 230, 522, 240, 16), Mv(1034, 20, 558, 200, 16), Mv(1026, 240, 558, 240, 16), Mv(2, 20, 736, 140, 60),
        Mv(1006, 320, 736, 140, 60), Screen(480, 800)}},
      {"640x480: the font goes on the texts and buttons", 640, 480, true,
       {Mv(1032, 90, 10, 460, 110), Mv(1000, 120, 50, 400, 20), Mv(1002, 100, 70, 440, 26, true),
        Mv(1020, 80, 125, 480, 250, true), Mv(1028, 100, 240, 460, 60, true), Mv(1033, 100, 300, 160, 34, true),
        Mv(1029, 300, 300, 260, 34, true), Mv(1035, 96, 334, 164, 34, true), Mv(1030, 300, 334, 160, 34, true),
        Mv(1034, 200, 368, 60, 34, true), Mv(1026, 300, 368, 200, 34, true), Mv(2, 20, 402, 140, 58, true),
        Mv(1006, 480, 402, 140, 58, true), Screen(640, 480)}},
      {"320x240", 320, 240, false,
       {Mv(1032, 45, 5, 230, 55), Mv(1000, 60, 25, 200, 10), Mv(1002, 50, 35, 220, 13), Mv(1020, 40, 60, 240, 125),
        Mv(1028, 50, 120, 230, 30), Mv(1033, 50, 150, 80, 17), Mv(1029, 150, 150, 130, 17), Mv(1035, 48, 167, 82, 17),
        Mv(1030, 150, 167, 80, 17), Mv(1034, 100, 184, 30, 17), Mv(1026, 150, 184, 100, 17), Mv(2, 10, 201, 70, 29),
        Mv(1006, 240, 201, 70, 29), Screen(320, 240)}},
      {"other size, full screen", 240, 320, true,
       {Mv(1032, 10, 15, 220, 55), Mv(1000, 20, 35, 200, 10), Mv(1002, 20, 45, 200, 13), Mv(1020, 0, 75, 240, 90),
        Mv(1028, 23, 175, 217, 16), Mv(1033, 10, 191, 100, 16), Mv(1029, 115, 191, 120, 16), Mv(1035, 10, 211, 100, 16),
        Mv(1030, 115, 211, 120, 16), Mv(1034, 10, 237, 100, 16), Mv(1026, 120, 237, 120, 16), Mv(2, 10, 288, 70, 30),
        Mv(1006, 160, 288, 70, 30), Screen(240, 320)}},
      {"other size, windowed: Back and Exit stay", 240, 320, false,
       {Mv(1032, 10, 15, 220, 55), Mv(1000, 20, 35, 200, 10), Mv(1002, 20, 45, 200, 13), Mv(1020, 0, 70, 240, 50),
        Mv(1028, 23, 120, 217, 16), Mv(1033, 10, 136, 100, 16), Mv(1029, 115, 136, 120, 16), Mv(1035, 10, 152, 100, 16),
        Mv(1030, 115, 152, 120, 16), Mv(1034, 10, 168, 100, 16), Mv(1026, 120, 168, 120, 16), Screen(240, 320)}},
  };
  for (const Case& c : cases) {
    qzr::StatusLayoutInput in{c.w, c.h, c.full, own};
    EXPECT_EQ(Describe(qzr::StatusDialogLayout(in)), Describe(c.expected)) << c.name;
  }
}

// Windowed, the page's client area ends at the soft-key bar: the value rows stay whole above it,
// one under the other, each as high as before, and a page with room is laid out as ever.
TEST(ScreenLayout, WindowedStatusRowsEndAboveTheSoftKeyBar) {
  const qzr::ControlRects own = {{IDC_IP_ADDRESS, {12, 90, 180, 16}}, {IDC_MAC_LABEL, {2, 102, 90, 16}},
                                 {IDC_MAC_ADDRESS, {66, 102, 100, 16}}, {IDC_AUTH_LABEL, {2, 114, 90, 16}},
                                 {IDC_AUTHENTICATION, {66, 114, 100, 16}}, {IDC_SERIAL_LABEL, {2, 126, 90, 16}},
                                 {IDC_SERIAL, {66, 126, 100, 16}}, {IDC_TEXT_BLOCK, {0, 38, 200, 50}},
                                 {IDC_BATTERY_FRAME, {5, 3, 200, 50}}};
  const int rows[] = {IDC_IP_ADDRESS, IDC_MAC_ADDRESS, IDC_AUTHENTICATION, IDC_SERIAL};
  const struct {
    int w, h, client;
  } cases[] = {{640, 480, 376}, {320, 240, 188}, {480, 640, 536}, {480, 800, 696}, {240, 320, 268}, {640, 480, 200}};
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.w << "x" << c.h << " client " << c.client);
    qzr::StatusLayoutInput in{c.w, c.h, false, own};
    const LayoutPlan whole = qzr::StatusDialogLayout(in);
    in.clientHeight = c.client;
    const LayoutPlan fitted = qzr::StatusDialogLayout(in);
    std::map<int, Rect> before, after;
    for (const Placement& p : whole) before[p.id] = p.rect;
    for (const Placement& p : fitted) after[p.id] = p.rect;
    if (before[IDC_SERIAL].bottom() <= c.client) EXPECT_EQ(Describe(fitted), Describe(whole));
    for (int id : {IDC_MAC_LABEL, IDC_MAC_ADDRESS, IDC_AUTH_LABEL, IDC_AUTHENTICATION, IDC_SERIAL_LABEL, IDC_SERIAL}) {
      EXPECT_LE(after[id].bottom(), c.client) << id << " runs under the soft-key bar";
      EXPECT_EQ(after[id].h, before[id].h) << id;
    }
    for (size_t i = 1; i < std::size(rows); ++i)
      EXPECT_LE(after[rows[i - 1]].bottom(), after[rows[i]].y) << rows[i] << " overlaps the row above";
    EXPECT_GE(after[IDC_IP_ADDRESS].h, after[IDC_MAC_ADDRESS].h);
    EXPECT_GE(after[IDC_IP_ADDRESS].y, 0);
  }
}

TEST(ScreenLayout, PasswordDialogForEverySize) {
  const Rect prompt{5, 5, 200, 16};
  struct Case {
    int w, h;
    LayoutPlan expected;
  };
  const Case cases[] = {
      {480, 640,
       {Mv(1051, 20, 60, 200, 16), Mv(1031, 20, 101, 200, 16, true), Mv(1002, 20, 136, 200, 40, true),
        Mv(1006, 280, 130, 180, 50, true), Mv(2, 20, 240, 180, 50, true), Mv(1, 280, 240, 180, 50, true), Sh(1006),
        Screen(480, 640)}},
      {480, 800,
       {Mv(1051, 20, 60, 200, 16), Mv(1031, 20, 101, 200, 16, true), Mv(1002, 20, 136, 200, 40, true),
        Mv(1006, 280, 130, 180, 50, true), Mv(2, 20, 240, 180, 50, true), Mv(1, 280, 240, 180, 50, true), Sh(1006),
        Screen(480, 800)}},
      {640, 480,
       {Mv(1051, 20, 10, 200, 16), Mv(1031, 100, 36, 200, 34, true), Mv(1002, 100, 76, 200, 40, true),
        Mv(1006, 380, 70, 180, 50, true), Mv(2, 20, 160, 180, 50, true), Mv(1, 440, 160, 180, 50, true), Sh(1006),
        Screen(640, 480)}},
      {320, 240,
       {Mv(1051, 10, 5, 200, 16), Mv(1031, 50, 26, 100, 17), Mv(1002, 50, 46, 100, 20), Mv(1006, 190, 43, 90, 25),
        Mv(2, 10, 80, 90, 25), Mv(1, 220, 80, 90, 25), Sh(1006), Screen(320, 240)}},
      {240, 320,
       {Mv(1031, 10, 60, 100, 17), Mv(1002, 10, 80, 100, 20), Mv(1006, 140, 77, 90, 25), Mv(2, 10, 150, 90, 25),
        Mv(1, 140, 150, 90, 25), Sh(1006), Screen(240, 320)}},
  };
  for (const Case& c : cases) {
    qzr::PasswordLayoutInput in{c.w, c.h, prompt};
    EXPECT_EQ(Describe(qzr::PasswordDialogLayout(in)), Describe(c.expected)) << c.w << "x" << c.h;
  }
  // With the prompt where the template puts it and as tall as the screen's DPI makes it, no
  // two of the dialog's controls overlap.
  const struct {
    int w, h;
    Rect prompt;
  } sizes[] = {{480, 640, {15, 20, 390, 32}}, {480, 800, {15, 20, 390, 32}}, {640, 480, {15, 20, 390, 32}},
               {320, 240, {8, 8, 195, 16}},   {240, 320, {8, 8, 195, 16}}};
  for (const auto& size : sizes) {
    std::map<int, Rect> at{{1051, size.prompt}};
    for (const qzr::Placement& step : qzr::PasswordDialogLayout({size.w, size.h, size.prompt}))
      if (step.action == qzr::Placing::Move && step.id != qzr::kDialogItem) at[step.id] = step.rect;
    for (auto a = at.begin(); a != at.end(); ++a)
      for (auto b = std::next(a); b != at.end(); ++b) {
        const Rect &r = a->second, &q = b->second;
        EXPECT_FALSE(r.x < q.right() && q.x < r.right() && r.y < q.bottom() && q.y < r.bottom())
            << size.w << "x" << size.h << ": " << a->first << " overlaps " << b->first;
      }
  }
}

TEST(ScreenLayout, LargeScreensAreTheThreeNamedSizes) {
  const struct {
    int w, h;
    bool large;
  } cases[] = {{480, 640, true}, {480, 800, true}, {640, 480, true}, {320, 240, false}, {640, 480 + 1, false}, {800, 480, false}};
  for (const auto& c : cases) EXPECT_EQ(qzr::IsLargeScreen(c.w, c.h), c.large) << c.w << "x" << c.h;
}
