// Layout rules at every screen size and mode: nothing off the screen, no overlaps, list meeting logo.
// The live dialogs (and the password dialog) are held to these plans in LiveLayoutTest.
#include <gtest/gtest.h>

#include <iterator>
#include <map>
#include <string>

#include "ui/UiLayout.h"
#include "ui/resource.h"

using qzr::LayoutPlan;
using qzr::Placing;
using qzr::Rect;

namespace {

// The rectangles a plan moves controls to, without the dialog itself.
std::map<int, Rect> Moved(const LayoutPlan& plan) {
  std::map<int, Rect> at;
  for (const qzr::Placement& p : plan)
    if (p.action == Placing::Move && p.id != qzr::kDialogItem) at[p.id] = p.rect;
  for (const qzr::Placement& p : plan)
    if (p.action == Placing::Hide) at.erase(p.id);
  return at;
}

bool Overlap(const Rect& r, const Rect& q) { return r.x < q.right() && q.x < r.right() && r.y < q.bottom() && q.y < r.bottom(); }

void ExpectInside(const std::map<int, Rect>& at, int w, int h, const std::string& where) {
  for (const auto& [id, r] : at)
    EXPECT_TRUE(r.x >= 0 && r.y >= 0 && r.right() <= w && r.bottom() <= h && r.w >= 0 && r.h >= 0)
        << where << ": control " << id << " at " << r.x << "," << r.y << " " << r.w << "x" << r.h;
}

void ExpectNoOverlap(const std::map<int, Rect>& at, const std::string& where) {
  for (auto a = at.begin(); a != at.end(); ++a)
    for (auto b = std::next(a); b != at.end(); ++b)
      EXPECT_FALSE(Overlap(a->second, b->second)) << where << ": " << a->first << " overlaps " << b->first;
}

const struct { int w, h; } kScreens[] = {{480, 640}, {480, 800}, {640, 480}, {320, 240}, {240, 320}, {1024, 768}};

// The status page's controls where its template puts them.
const qzr::ControlRects kStatusControls = {
    {IDC_BATTERY_FRAME, {5, 3, 200, 50}}, {IDC_PROGRESS, {12, 13, 100, 12}}, {IDC_BATTERY_TEXT, {12, 23, 100, 14}},
    {IDC_TEXT_BLOCK, {0, 38, 200, 50}},   {IDC_IP_ADDRESS, {12, 90, 180, 16}}, {IDC_MAC_LABEL, {2, 102, 90, 16}},
    {IDC_MAC_ADDRESS, {66, 102, 100, 16}}, {IDC_AUTH_LABEL, {2, 114, 90, 16}}, {IDC_AUTHENTICATION, {66, 114, 100, 16}},
    {IDC_SERIAL_LABEL, {2, 126, 90, 16}}, {IDC_SERIAL, {66, 126, 100, 16}},   {IDCANCEL, {5, 150, 70, 24}},
    {IDC_EXIT_BUTTON, {90, 150, 70, 24}}};

}  // namespace

TEST(ScreenLayout, MainDialogStaysOnTheScreenAndTheListMeetsTheLogo) {
  for (const auto& s : kScreens)
    for (bool full : {true, false})
      for (int logo : {0, 30, 40})
        for (int items : {3, 10})
          for (int model : {8, 10})
            for (bool gauge : {true, false}) {
              qzr::MainLayoutInput in;
              in.screenWidth = s.w;
              in.screenHeight = s.h;
              in.fullScreen = full;
              in.logoHeight = logo;
              in.itemCount = items;
              in.workHeight = full ? s.h : s.h - s.h / 8;
              in.meter = {2, s.h - 60, 70, 30};
              in.modelId = model;
              in.gaugeExists = gauge;
              const std::string where = std::to_string(s.w) + "x" + std::to_string(s.h) + (full ? " full" : " windowed") +
                                        " logo " + std::to_string(logo) + " items " + std::to_string(items) + " model " +
                                        std::to_string(model) + (gauge ? "" : " no gauge");
              const std::map<int, Rect> at = Moved(qzr::MainDialogLayout(in));
              ExpectInside(at, s.w, full ? s.h : in.workHeight, where);
              ExpectNoOverlap(at, where);
              ASSERT_TRUE(at.count(IDC_PROGRAM_LIST) && at.count(IDC_LOGO)) << where;
              const Rect &list = at.at(IDC_PROGRAM_LIST), &logoAt = at.at(IDC_LOGO);
              EXPECT_TRUE(list.bottom() == logoAt.y || logoAt.bottom() == list.y) << where;
              EXPECT_EQ(list.w, s.w) << where;
              if (!gauge) EXPECT_EQ(at.count(IDC_BATTERY_GAUGE), 0u) << where;
            }
}

TEST(ScreenLayout, StatusPageStaysOnTheScreen) {
  for (const auto& s : kScreens)
    for (bool full : {true, false}) {
      const std::string where = std::to_string(s.w) + "x" + std::to_string(s.h) + (full ? " full" : " windowed");
      const std::map<int, Rect> at = Moved(qzr::StatusDialogLayout({s.w, s.h, full, kStatusControls}));
      ExpectInside(at, s.w, s.h, where);
      // The battery frame and the text block hold the controls drawn on them; Back and Exit touch nothing.
      for (int button : {IDCANCEL, IDC_EXIT_BUTTON})
        if (at.count(button))
          for (const auto& [id, r] : at)
            if (id != button) EXPECT_FALSE(Overlap(at.at(button), r)) << where << ": " << button << " overlaps " << id;
    }
}

// Windowed, the page's client area ends at the soft-key bar: the value rows stay whole above it,
// one under the other, each as high as before, and a page with room is laid out as ever.
TEST(ScreenLayout, WindowedStatusRowsEndAboveTheSoftKeyBar) {
  const int rows[] = {IDC_IP_ADDRESS, IDC_MAC_ADDRESS, IDC_AUTHENTICATION, IDC_SERIAL};
  const struct {
    int w, h, client;
  } cases[] = {{640, 480, 376}, {320, 240, 188}, {480, 640, 536}, {480, 800, 696}, {240, 320, 268}, {640, 480, 200}};
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.w << "x" << c.h << " client " << c.client);
    qzr::StatusLayoutInput in{c.w, c.h, false, kStatusControls};
    const LayoutPlan whole = qzr::StatusDialogLayout(in);
    in.clientHeight = c.client;
    const LayoutPlan fitted = qzr::StatusDialogLayout(in);
    std::map<int, Rect> before = Moved(whole), after = Moved(fitted);
    if (before[IDC_SERIAL].bottom() <= c.client) EXPECT_TRUE(fitted == whole) << "a page with room moved";
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

TEST(ScreenLayout, LargeScreensAreTheThreeNamedSizes) {
  const struct {
    int w, h;
    bool large;
  } cases[] = {{480, 640, true}, {480, 800, true}, {640, 480, true}, {320, 240, false}, {640, 480 + 1, false}, {800, 480, false}};
  for (const auto& c : cases) EXPECT_EQ(qzr::IsLargeScreen(c.w, c.h), c.large) << c.w << "x" << c.h;
}
