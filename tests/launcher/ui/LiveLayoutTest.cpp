// The three operator screens live in a Wine virtual desktop of one handheld size, against the layout rules.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>

#include "DialogDriver.h"
#include "ui/ExitPasswordDialog.h"
#include "ui/LauncherDialog.h"
#include "ui/StatusDialog.h"
#include "ui/UiLayout.h"
#include "wince.h"

using namespace ui_testing;

namespace {

// The desktop size and DPI the runner asked for; 0 when run without --size / --dpi.
int g_wantW = 0, g_wantH = 0, g_wantDpi = 0;

class LiveLayout : public testing::TestWithParam<bool>, protected FreshDevice {
 protected:
  bool full() const { return GetParam(); }
};

HWND TaskBar() { return FindWindowW(L"HHTaskBar", nullptr); }

// UnregisterFunc1 of the device's core library: takes a key combination from its holder.
void ReleaseShellHotKey(UINT modifiers, UINT key) {
  auto unregister = Export<BOOL(WINAPI*)(UINT, UINT)>(L"CoreDLL.dll", "UnregisterFunc1");
  ASSERT_NE(unregister, nullptr);
  unregister(modifiers, key);
}

struct Placed { int id; RECT r; };

// The dialog's own visible controls with a size, in screen coordinates.
std::vector<Placed> VisibleControls(HWND dialog) {
  std::vector<Placed> found;
  for (HWND c = GetWindow(dialog, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
    RECT r{};
    if (!IsWindowVisible(c) || !GetWindowRect(c, &r) || IsRectEmpty(&r)) continue;
    found.push_back({GetDlgCtrlID(c), r});
  }
  return found;
}

// Every visible control wholly on the screen, below `top` (the task bar, windowed) and above the
// soft-key bar if any; with `apart`, no two of them overlapping.
void ExpectWhole(const char* screen, HWND dialog, int top, bool apart) {
  const int W = GetSystemMetrics(SM_CXSCREEN);
  int H = GetSystemMetrics(SM_CYSCREEN);
  RECT bar{};
  if (HWND keys = SHFindMenuBar(dialog); keys && IsWindowVisible(keys) && GetWindowRect(keys, &bar)) H = bar.top;
  const auto controls = VisibleControls(dialog);
  EXPECT_FALSE(controls.empty()) << screen;
  for (const Placed& c : controls) {
    const RECT& r = c.r;
    EXPECT_TRUE(r.left >= 0 && r.top >= top && r.right <= W && r.bottom <= H)
        << screen << " control " << c.id << " at " << r.left << "," << r.top << "-" << r.right << "," << r.bottom
        << " not within 0," << top << "-" << W << "," << H;
  }
  if (!apart) return;
  for (size_t i = 0; i < controls.size(); ++i)
    for (size_t j = i + 1; j < controls.size(); ++j) {
      RECT both{};
      EXPECT_FALSE(IntersectRect(&both, &controls[i].r, &controls[j].r))
          << screen << " controls " << controls[i].id << " and " << controls[j].id << " overlap";
    }
}

// A windowed screen's soft-key bar: shown across the bottom of the screen, the dialog ending
// above it, and the bar itself under each key, so a tap reaches the key.
void ExpectSoftKeys(const char* screen, HWND dialog) {
  const int W = GetSystemMetrics(SM_CXSCREEN), H = GetSystemMetrics(SM_CYSCREEN);
  HWND bar = SHFindMenuBar(dialog);
  ASSERT_TRUE(bar) << screen << " has no soft-key bar";
  EXPECT_TRUE(IsWindowVisible(bar)) << screen;
  RECT r{}, d{};
  GetWindowRect(bar, &r);
  GetWindowRect(dialog, &d);
  EXPECT_TRUE(r.left == 0 && r.right == W && r.bottom == H && r.top > H / 2)
      << screen << " soft-key bar at " << r.left << "," << r.top << "-" << r.right << "," << r.bottom;
  EXPECT_LE(d.bottom, r.top) << screen << " covers its soft-key bar";
  for (POINT key : {POINT{W / 4, (r.top + r.bottom) / 2}, POINT{3 * W / 4, (r.top + r.bottom) / 2}})
    EXPECT_EQ(WindowFromPoint(key), bar) << screen << " soft key at " << key.x << "," << key.y << " is covered";
}

// The large icon an item shows, drawn from the list's image list onto magenta.
std::vector<DWORD> ItemIcon(HWND list, int item, int size) {
  LVITEMW lv{};
  lv.mask = LVIF_IMAGE;
  lv.iItem = item;
  ListView_GetItem(list, &lv);
  Canvas canvas(size, size);
  const RECT all = canvas.rect();
  HBRUSH magenta = CreateSolidBrush(RGB(255, 0, 255));
  FillRect(canvas.dc(), &all, magenta);
  DeleteObject(magenta);
  ImageList_Draw(ListView_GetImageList(list, LVSIL_NORMAL), lv.iImage, canvas.dc(), 0, 0, ILD_TRANSPARENT);
  return canvas.Pixels();
}

// The gauge as the operator sees it: a black outline with green segments up to about the level.
void ExpectGaugeShowsLevel(HWND dialog, int percent) {
  HWND gauge = GetDlgItem(dialog, IDC_BATTERY_GAUGE);
  ASSERT_TRUE(gauge && IsWindowVisible(gauge)) << "no battery gauge";
  int w = 0;
  const std::vector<DWORD> pixels = ScreenPixels(gauge, &w);
  ASSERT_GT(w, 0);
  int outline = 0, filledColumns = 0;
  for (int x = 0; x < w; ++x) {
    bool green = false;
    for (size_t i = x; i < pixels.size(); i += w) {
      outline += pixels[i] == 0x000000;
      green = green || pixels[i] == 0x00FF00;
    }
    filledColumns += green;
  }
  EXPECT_GT(outline, w) << "the gauge's outline is not drawn";
  // The segments and their gaps span the share of the body that the level fills.
  EXPECT_GT(filledColumns, w * percent / 200) << "the gauge does not show " << percent << "%";
  EXPECT_LT(filledColumns, w * percent / 100 + 1);
}

// Whether the device shell's task bar draws a title: text-coloured pixels between its Start
// icon and its middle, where the foreground window's title goes.
bool TaskBarShowsTitle() {
  int w = 0;
  const std::vector<DWORD> pixels = ScreenPixels(TaskBar(), &w);
  if (w == 0) return false;
  const int h = static_cast<int>(pixels.size()) / w;
  int text = 0;
  for (int y = 0; y < h; ++y)
    for (int x = h * 5 / 4; x < w / 2; ++x) {
      const DWORD c = pixels[y * w + x];
      text += (c & 0xFF) > 0xC0 && (c >> 8 & 0xFF) > 0xC0 && (c >> 16 & 0xFF) > 0xC0;
    }
  return text > h;
}

qzr::LayoutPlan PasswordPlan(HWND d) {
  // The prompt keeps its own size wherever it is placed.
  return qzr::PasswordDialogLayout({GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN),
                                    qzr::ReadControlRects(d, {IDC_PASSWORD_PROMPT})[IDC_PASSWORD_PROMPT]});
}

}  // namespace

TEST(LiveDesktop, ScreenIsTheVirtualDesktopsSize) {
  if (!g_wantW) GTEST_SKIP() << "run without --size";
  EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), g_wantW);
  EXPECT_EQ(GetSystemMetrics(SM_CYSCREEN), g_wantH);
  if (!g_wantDpi) return;
  HDC screen = GetDC(nullptr);
  EXPECT_EQ(GetDeviceCaps(screen, LOGPIXELSY), g_wantDpi);
  ReleaseDC(nullptr, screen);
}

// The running screens at this size: laid out as the rules say, whole, icons in the list; the arrows
// move the selection, Enter starts the selected program, Escape asks for the password.
TEST_P(LiveLayout, ScreensFollowTheRulesAreWholeAndAnswerTheKeypad) {
  ScratchFolder scratch{L"uilive"};
  profile.Set(L"JournalFile", scratch / L"journal.txt");
  Journal journal;
  profile.Set(L"BatteryPercent", L"60");
  DeviceShellProcess shell;
  ASSERT_TRUE(TaskBar()) << "no device shell";
  // The launcher's lockdown takes the task bar away before a full-screen main screen opens.
  if (full()) ShowWindow(TaskBar(), SW_HIDE);
  auto model = MakeModel(full(), {L"Scanner", L"Notes", L"Missing", L"Volume"});
  model->buttons[0].exePath = L"\\windows\\demoscan.exe";
  model->buttons[1].exePath = L"\\windows\\demonotes.exe";
  model->buttons[2].exePath = model->buttons[3].exePath = L"\\windows\\no such program.exe";
  model->buttons[3].iconPath = L"\\windows\\QZRVolDlg.exe";
  qzr::LauncherDialog dialog(*model);
  HWND d = nullptr, list = nullptr;
  int screensChecked = 0;
  auto barBottom = [&] {
    RECT r{};
    return !full() && TaskBar() && IsWindowVisible(TaskBar()) && GetWindowRect(TaskBar(), &r) ? int(r.bottom) : 0;
  };
  // The task bar polls the foreground window for its title: a screen counts as shown there once
  // it has been in front for a few ticks.
  int ticksInFront = 0;
  auto waitForTitle = [&](HWND screen) {
    ticksInFront = GetForegroundWindow() == screen ? ticksInFront + 1 : 0;
    if (ticksInFront < 4 && ScriptedSteps::Again(60)) return true;
    ticksInFront = 0;
    EXPECT_EQ(GetForegroundWindow(), screen) << "the screen opened is not in front";
    return false;
  };
  // One screen as the operator sees it: laid out as the rules say, whole, and windowed, with its
  // soft keys and its title on the task bar.
  auto checkScreen = [&](const char* name, HWND screen, const qzr::LayoutPlan& plan, bool checkDialog, bool apart) {
    EXPECT_GT(ExpectFollows(name, screen, plan, full(), checkDialog), 0);
    ++screensChecked;
    ExpectWhole(name, screen, barBottom(), apart);
    if (full()) return;
    ExpectSoftKeys(name, screen);
    EXPECT_TRUE(TaskBarShowsTitle()) << "the task bar shows no title for the " << name << " screen";
  };
  // Waits until a dialog over the main screen is up and shown.
  auto waitForOther = [&] {
    HWND top = TopDialog();
    return (top == d || !top || !IsWindowVisible(top)) && ScriptedSteps::Again(60);
  };
  EXPECT_EQ(RunThenEnd(dialog, {
      [&] {
        d = TopDialog();
        list = GetDlgItem(d, IDC_PROGRAM_LIST);
        if (full() && IsWindowVisible(TaskBar()) && ScriptedSteps::Again(20)) return;
        if (!full() && waitForTitle(d)) return;
        checkScreen("main", d, MainPlan(dialog, d, full()), full(), true);
        if (full()) ExpectGaugeShowsLevel(d, 60);
        int size = 0, h = 0;
        ASSERT_TRUE(ListView_GetImageList(list, LVSIL_NORMAL));
        ImageList_GetIconSize(ListView_GetImageList(list, LVSIL_NORMAL), &size, &h);
        EXPECT_EQ(size, GetSystemMetrics(SM_CXICON));
        std::vector<std::vector<DWORD>> icons;
        for (int i = 0; i < 4; ++i) {
          icons.push_back(ItemIcon(list, i, size));
          int drawn = 0;
          for (DWORD c : icons.back()) drawn += c != 0xFF00FF;
          EXPECT_GT(drawn, size * size / 8) << "item " << i << " shows no icon";
        }
        EXPECT_NE(icons[0], icons[1]) << "the demo programs carry icons of their own";
        EXPECT_NE(icons[0], icons[2]) << "a missing program shows the default icon";
        EXPECT_NE(icons[2], icons[3]) << "the alternate icon path is honoured";
        SetForegroundWindow(d);
        SetFocus(list);
        ListView_SetItemState(list, 0, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
        PressKeys({VK_RIGHT});
      },
      [&] {
        int selected = ListView_GetNextItem(list, -1, LVNI_SELECTED);
        if (selected != 1 && ScriptedSteps::Again(20)) return;
        EXPECT_EQ(selected, 1) << "the right arrow moves to the next program";
        PressKeys({VK_RETURN});
      },
      [&] {
        // The demo notes its start before its window opens; closed once the window is there.
        const bool started = journal.Has("Demo demonotes") && FindWindowW(L"QZR.Demo", nullptr);
        if (!started && ScriptedSteps::Again(100)) return;
        EXPECT_TRUE(journal.Has("Demo demonotes")) << "Enter starts the selected program";
        EXPECT_FALSE(journal.Has("Demo demoscan"));
        EXPECT_EQ(TopDialog(), d) << "Enter on an item opens no password dialog";
        // Bounded: a demo that cannot be opened must fail the test, not hang it.
        for (int tries = 0; tries < 20; ++tries) {
          HWND demo = FindWindowW(L"QZR.Demo", nullptr);
          if (!demo) break;
          DWORD pid = 0;
          GetWindowThreadProcessId(demo, &pid);
          if (HANDLE p = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid)) {
            TerminateProcess(p, 0);
            WaitForSingleObject(p, 5000);
            CloseHandle(p);
          }
        }
        EXPECT_FALSE(FindWindowW(L"QZR.Demo", nullptr)) << "the started demo programs are closed";
        // The Pocket PC shell holds Escape as a hot key of its own; the dialog runs here without
        // the launcher's key locking, so the key is taken from the shell the way a program would.
        ReleaseShellHotKey(0, VK_ESCAPE);
        SetForegroundWindow(d);
        SetFocus(list);
        PressKeys({VK_ESCAPE});
      },
      [&] {
        if (waitForOther()) return;
        HWND password = TopDialog();
        ASSERT_NE(password, d) << "Escape asks for the password";
        if (!full() && waitForTitle(password)) return;
        checkScreen("password", password, PasswordPlan(password), full(), true);
        // Windowed, confirming and cancelling are left to the soft keys.
        for (int id : {IDOK, IDCANCEL, IDC_KEYBOARD_BUTTON})
          EXPECT_TRUE(full() || !IsWindowVisible(GetDlgItem(password, id))) << "button " << id << " shown";
        PostCommand(password, full() ? IDCANCEL : IDM_CANCEL_KEY);
      },
      [&] {
        if (TopDialog() != d && ScriptedSteps::Again(40)) return;
        EXPECT_EQ(TopDialog(), d) << "Cancel leaves the password dialog for the main screen";
        PostCommand(d, IDC_STATUS_BUTTON);
      },
      [&] {
        if (waitForOther()) return;
        HWND page = TopDialog();
        ASSERT_NE(page, d);
        if (!full() && waitForTitle(page)) return;
        checkScreen("status", page, StatusPlan(page, full()), true, false);
        Command(page, IDCANCEL);
      }}), kEnded);
  EXPECT_TRUE(boxes.boxes.empty());
  if (full() && TaskBar()) ShowWindow(TaskBar(), SW_SHOWNA);
  EXPECT_EQ(screensChecked, 3) << "a screen was never reached";
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
    if (!strncmp(argv[i], "--dpi=", 6)) sscanf(argv[i] + 6, "%d", &g_wantDpi);
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
