// The three operator screens opened live inside a Wine virtual desktop of one handheld size,
// their controls compared with what the layout rules give for that size, full screen and windowed.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>

#include "DeviceIdentity.h"
#include "DialogDriver.h"
#include "ExitPasswordDialog.h"
#include "LauncherDialog.h"
#include "MainWindow.h"
#include "StatusDialog.h"
#include "TestSupport.h"
#include "UiLayout.h"

using namespace testing_support;
using namespace ui_testing;

namespace {

// The desktop size the runner asked for; 0x0 when run without --size.
int g_wantW = 0, g_wantH = 0;

std::string Show(const qzr::Rect& r) {
  return std::to_string(r.x) + "," + std::to_string(r.y) + " " + std::to_string(r.w) + "x" + std::to_string(r.h);
}

qzr::Rect WindowRectOf(HWND w) {
  RECT r{};
  GetWindowRect(w, &r);
  return {r.left, r.top, r.right - r.left, r.bottom - r.top};
}

// What a live dialog looked like once laid out: control rectangles, visibility, enabling.
struct Snapshot {
  qzr::ControlRects rects;
  std::map<int, bool> visible, enabled;
  qzr::Rect dialog;
};

Snapshot Take(HWND d, const qzr::LayoutPlan& plan) {
  Snapshot s;
  std::vector<int> ids;
  for (const auto& p : plan) {
    if (p.id == qzr::kDialogItem) continue;
    ids.push_back(p.id);
    if (HWND c = GetDlgItem(d, p.id)) {
      s.visible[p.id] = (GetWindowLongW(c, GWL_STYLE) & WS_VISIBLE) != 0;
      s.enabled[p.id] = IsWindowEnabled(c) != FALSE;
    }
  }
  s.rects = qzr::ReadControlRects(d, ids);
  s.dialog = WindowRectOf(d);
  return s;
}

// Compares a snapshot with a plan. Buttons that the windowed screens hide afterwards for their
// soft keys are left out of the visibility checks, as is the dialog's own place (checked apart).
void ExpectMatches(const char* screen, const Snapshot& s, const qzr::LayoutPlan& plan, bool checkShown) {
  int moved = 0;
  for (const auto& p : plan) {
    if (p.id == qzr::kDialogItem) continue;
    SCOPED_TRACE(testing::Message() << screen << " control " << p.id);
    switch (p.action) {
      case qzr::Placing::Move:
        ASSERT_TRUE(s.rects.count(p.id)) << "missing";
        EXPECT_EQ(Show(s.rects.at(p.id)), Show(p.rect));
        ++moved;
        break;
      case qzr::Placing::Hide:
        if (s.visible.count(p.id)) EXPECT_FALSE(s.visible.at(p.id)) << "should be hidden";
        break;
      case qzr::Placing::ShowEnabled:
        if (!checkShown) break;
        ASSERT_TRUE(s.visible.count(p.id)) << "missing";
        EXPECT_TRUE(s.visible.at(p.id)) << "should be shown";
        EXPECT_TRUE(s.enabled.at(p.id)) << "should be enabled";
        break;
    }
  }
  EXPECT_GT(moved, 0) << screen;
}

bool PlacesDialog(const qzr::LayoutPlan& plan, qzr::Rect* where) {
  for (const auto& p : plan)
    if (p.id == qzr::kDialogItem && p.action == qzr::Placing::Move) {
      *where = p.rect;
      return true;
    }
  return false;
}

class LiveLayout : public testing::TestWithParam<bool> {
 protected:
  void SetUp() override {
    qzr::SetNetworkUp(true);
    qzr::SetListItemCount(0);
    profile.Set(L"RadioIp", L"10.20.30.41");
    profile.Set(L"RadioAssociation", L"0");
    qzr::ResetDeviceFactsForTesting();
    W = GetSystemMetrics(SM_CXSCREEN);
    H = GetSystemMetrics(SM_CYSCREEN);
  }
  bool full() const { return GetParam(); }
  ProfileScope profile;
  BoxRecorder boxes;
  int W = 0, H = 0;
};

}  // namespace

TEST(LiveDesktop, ScreenIsTheVirtualDesktopsSize) {
  if (!g_wantW) GTEST_SKIP() << "run without --size";
  EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), g_wantW);
  EXPECT_EQ(GetSystemMetrics(SM_CYSCREEN), g_wantH);
}

TEST_P(LiveLayout, MainDialogAndStatusPageFollowTheRules) {
  auto model = MakeModel(full(), {L"One", L"Two", L"Three"});
  qzr::LauncherDialog dialog(*model);
  qzr::LayoutPlan mainPlan, statusPlan;
  Snapshot mainSeen, statusSeen;
  ScriptedSteps steps({
      [&] {
        HWND d = TopDialog();
        qzr::MainLayoutInput in;
        in.screenWidth = W;
        in.screenHeight = H;
        in.fullScreen = full();
        in.logoHeight = dialog.logoHeight();
        in.itemCount = qzr::ListItemCount();
        in.workHeight = dialog.workHeight();
        in.modelId = qzr::GetModelId();
        in.gaugeExists = GetDlgItem(d, IDC_BATTERY_GAUGE) != nullptr;
        // The rules keep the meter's own place and size where they use it, so its live rectangle
        // gives the same plan as the one it had before layout.
        in.meter = qzr::ReadControlRects(d, {IDC_SIGNAL_METER})[IDC_SIGNAL_METER];
        mainPlan = qzr::MainDialogLayout(in);
        mainSeen = Take(d, mainPlan);
        PostCommand(d, IDC_STATUS_BUTTON);
      },
      [&] {
        HWND page = TopDialog();
        ASSERT_NE(page, dialog.hwnd());
        qzr::StatusLayoutInput in;
        in.screenWidth = W;
        in.screenHeight = H;
        in.fullScreen = full();
        // Placed controls keep their own heights, so live rectangles stand in for the template's.
        in.current = qzr::ReadControlRects(page, {1032, 1000, 1002, 1020, 1028, 1033, 1029, 1035, 1030, 1034, 1026, 2, 1006});
        statusPlan = qzr::StatusDialogLayout(in);
        statusSeen = Take(page, statusPlan);
        Command(page, IDCANCEL);
      },
      [&] { EndDialog(TopDialog(), 5); },
  });
  EXPECT_EQ(dialog.DoModal(), 5);
  ASSERT_FALSE(mainPlan.empty());
  ASSERT_FALSE(statusPlan.empty());
  ExpectMatches("main", mainSeen, mainPlan, full());
  ExpectMatches("status", statusSeen, statusPlan, full());
  qzr::Rect where;
  if (full() && PlacesDialog(mainPlan, &where)) EXPECT_EQ(Show(mainSeen.dialog), Show(where)) << "main dialog";
  if (PlacesDialog(statusPlan, &where)) EXPECT_EQ(Show(statusSeen.dialog), Show(where)) << "status page";
  EXPECT_TRUE(boxes.boxes.empty());
}

TEST_P(LiveLayout, PasswordDialogFollowsTheRules) {
  auto model = MakeModel(full());
  model->password = L"pw";
  qzr::ExitPasswordDialog dialog(*model);
  qzr::LayoutPlan plan;
  Snapshot seen;
  ScriptedSteps steps({
      [&] {
        HWND d = TopDialog();
        qzr::PasswordLayoutInput in;
        in.screenWidth = W;
        in.screenHeight = H;
        // The prompt keeps its own size wherever it is placed.
        in.prompt = qzr::ReadControlRects(d, {IDC_PASSWORD_PROMPT})[IDC_PASSWORD_PROMPT];
        plan = qzr::PasswordDialogLayout(in);
        seen = Take(d, plan);
        PostCommand(d, IDCANCEL);
      },
  });
  EXPECT_EQ(dialog.DoModal(), IDCANCEL);
  ASSERT_FALSE(plan.empty());
  ExpectMatches("password", seen, plan, full());
  qzr::Rect where;
  if (full() && PlacesDialog(plan, &where)) EXPECT_EQ(Show(seen.dialog), Show(where)) << "password dialog";
  EXPECT_TRUE(boxes.boxes.empty());
}

INSTANTIATE_TEST_SUITE_P(Modes, LiveLayout, testing::Values(true, false),
                         [](const testing::TestParamInfo<bool>& i) { return i.param ? "FullScreen" : "Windowed"; });

// --size=WxH names the desktop the runner made; --result=PATH gets the exit code, because the
// desktop's explorer does not hand the program's own back.
int main(int argc, char** argv) {
  SetCurrentDirectoryW(L"C:\\");
  SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
  testing::InitGoogleTest(&argc, argv);
  const char* result = nullptr;
  for (int i = 1; i < argc; ++i) {
    if (!strncmp(argv[i], "--size=", 7)) sscanf(argv[i] + 7, "%dx%d", &g_wantW, &g_wantH);
    if (!strncmp(argv[i], "--result=", 9)) result = argv[i] + 9;
  }
  // Under the desktop's explorer the console may be gone: the runner prints this log instead.
  if (result) freopen((std::string(result) + ".log").c_str(), "w", stdout);
  const int rc = RUN_ALL_TESTS();
  fflush(stdout);
  if (result) {
    if (FILE* f = fopen(result, "w")) {
      fprintf(f, "%d\n", rc);
      fclose(f);
    }
  }
  return rc;
}
