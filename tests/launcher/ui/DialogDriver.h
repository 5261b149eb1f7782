// Driving modal dialogs in-process and reading back what windows and memory bitmaps show.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "device/DeviceIdentity.h"
#include "core/LauncherConfig.h"
#include "ui/LauncherDialog.h"
#include "MessageBoxRecorder.h"
#include "TestSupport.h"
#include "ui/UiLayout.h"
#include "wince.h"

namespace ui_testing {

using namespace testing_support;

// The status page's controls, in the template's order.
const std::vector<int> kStatusPageControls = {1032, 1000, 1002, 1020, 1028, 1033, 1029, 1035, 1030, 1034, 1026, 2, 1006};

// The dialogs of this thread; with modal dialogs stacked, the enabled one is on top.
inline std::vector<HWND> ThreadDialogs() {
  std::vector<HWND> found;
  EnumThreadWindows(
      GetCurrentThreadId(),
      [](HWND w, LPARAM out) -> BOOL {
        wchar_t cls[32] = {};
        GetClassNameW(w, cls, 32);
        if (std::wstring(cls) == L"#32770") reinterpret_cast<std::vector<HWND>*>(out)->push_back(w);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&found));
  return found;
}

inline HWND TopDialog() {
  for (HWND w : ThreadDialogs())
    if (IsWindowEnabled(w)) return w;
  return nullptr;
}

// Runs one step per tick inside this thread's modal loops, however deep. A dialog still up a while
// after the last step is ended with kAbandoned, so that a failing test ends instead of hanging.
class ScriptedSteps {
 public:
  static constexpr INT_PTR kAbandoned = 77;

  explicit ScriptedSteps(std::vector<std::function<void()>> steps, UINT intervalMs = 150)
      : steps_(std::move(steps)) {
    current_ = this;
    timer_ = SetTimer(nullptr, 0, intervalMs, Tick);
  }
  ~ScriptedSteps() {
    KillTimer(nullptr, timer_);
    current_ = nullptr;
  }

  // Called from a step: runs that step again on the next tick, up to `times` ticks in all, so
  // that a step can wait for what the dialog's own loop has still to do.
  static bool Again(int times) {
    ScriptedSteps* self = current_;
    if (!self || self->repeats_ + 1 >= times) {
      if (self) self->repeats_ = 0;
      return false;
    }
    ++self->repeats_;
    --self->next_;
    return true;
  }

 private:
  static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
    ScriptedSteps* self = current_;
    if (!self) return;
    if (self->next_ < self->steps_.size()) {
      size_t index = self->next_++;
      const int repeatsBefore = self->repeats_;
      self->steps_[index]();
      if (self->next_ > index && self->repeats_ == repeatsBefore) self->repeats_ = 0;
      return;
    }
    if (++self->idleTicks_ < 60) return;
    while (HWND dialog = TopDialog()) EndDialog(dialog, kAbandoned);
  }

  inline static ScriptedSteps* current_ = nullptr;
  std::vector<std::function<void()>> steps_;
  size_t next_ = 0;
  int repeats_ = 0;
  int idleTicks_ = 0;
  UINT_PTR timer_ = 0;
};

// Runs a dialog through the steps, then ends whatever dialog is on top with kEnded.
constexpr INT_PTR kEnded = 5;
template <typename Dialog>
INT_PTR RunThenEnd(Dialog& dialog, std::vector<std::function<void()>> steps) {
  steps.push_back([] { EndDialog(TopDialog(), kEnded); });
  ScriptedSteps scripted(std::move(steps));
  return dialog.DoModal();
}

// What every dialog test starts from: a usable radio address, the device facts asked again,
// message boxes recorded.
struct FreshDevice {
  FreshDevice() {
    profile.Set(L"RadioIp", L"10.20.30.41");
    profile.Set(L"RadioAssociation", L"0");
    qzr::ResetDeviceFactsForTesting();
  }
  testing_support::ProfileScope profile;
  MessageBoxRecorder boxes;
};

// Sends a list notification as the list view itself would.
inline LRESULT NotifyList(HWND dialog, UINT code, int item) {
  NMITEMACTIVATE note{};
  note.hdr.hwndFrom = GetDlgItem(dialog, 1050);
  note.hdr.idFrom = 1050;
  note.hdr.code = code;
  note.iItem = item;
  return SendMessageW(dialog, WM_NOTIFY, 1050, reinterpret_cast<LPARAM>(&note));
}

// A 32-bit top-down bitmap selected into a memory DC; pixels read back as 0x00RRGGBB values,
// row by row, or one at a time as COLORREF.
class Canvas {
 public:
  Canvas(int w, int h) : w_(w), h_(h) {
    BITMAPINFO bi{};
    bi.bmiHeader = {sizeof(BITMAPINFOHEADER), w, -h, 1, 32, BI_RGB};
    dc_ = CreateCompatibleDC(nullptr);
    bitmap_ = CreateDIBSection(dc_, &bi, DIB_RGB_COLORS, reinterpret_cast<void**>(&bits_), nullptr, 0);
    old_ = SelectObject(dc_, bitmap_);
  }
  ~Canvas() {
    SelectObject(dc_, old_);
    DeleteObject(bitmap_);
    DeleteDC(dc_);
  }
  Canvas(const Canvas&) = delete;
  Canvas& operator=(const Canvas&) = delete;
  HDC dc() const { return dc_; }
  RECT rect() const { return {0, 0, w_, h_}; }
  std::vector<DWORD> Pixels() const {
    GdiFlush();
    return std::vector<DWORD>(bits_, bits_ + static_cast<size_t>(w_) * h_);
  }
  COLORREF At(int x, int y) const {
    GdiFlush();
    DWORD p = bits_[y * w_ + x];
    return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
  }

 private:
  int w_, h_;
  HDC dc_ = nullptr;
  HBITMAP bitmap_ = nullptr;
  HGDIOBJ old_ = nullptr;
  DWORD* bits_ = nullptr;
};

// What a window shows, through its own drawing context: past the edge of a test display smaller
// than the handheld's desktop, the screen reads back black.
inline std::vector<DWORD> ScreenPixels(HWND window, int* width = nullptr) {
  RECT r{};
  GetWindowRect(window, &r);
  const int w = r.right - r.left, h = r.bottom - r.top;
  if (width) *width = w;
  if (w <= 0 || h <= 0) return {};
  Canvas canvas(w, h);
  HDC screen = GetWindowDC(window);
  BitBlt(canvas.dc(), 0, 0, w, h, screen, 0, 0, SRCCOPY);
  ReleaseDC(window, screen);
  return canvas.Pixels();
}

inline void Command(HWND dialog, int id) { SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0); }
inline void PostCommand(HWND dialog, int id) { PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0); }

inline std::wstring TextOf(HWND dialog, int id) {
  wchar_t text[1024] = {};
  GetDlgItemTextW(dialog, id, text, 1024);
  return text;
}

// Types into the password edit as the keyboard would, one character message at a time.
inline void Type(HWND dialog, const std::wstring& text) {
  HWND edit = GetDlgItem(dialog, 1002);
  SetWindowTextW(edit, L"");
  for (wchar_t c : text) SendMessageW(edit, WM_CHAR, c, 1);
}

// A model filled in memory: no menu.ini, the whitelist off (so the monitor counts as running).
inline std::unique_ptr<qzr::LauncherConfig> MakeModel(bool fullScreen, std::vector<std::wstring> captions = {}) {
  auto model = std::make_unique<qzr::LauncherConfig>();
  model->fullScreen = fullScreen ? 1 : 0;
  model->autoStart = 0;
  model->buttonCount = static_cast<int>(captions.size());
  for (size_t i = 0; i < captions.size() && i < qzr::kButtonSlots; ++i) model->buttons[i].caption = captions[i];
  return model;
}

// Rebuilds the model's whitelist from a given menu.ini and monitor path, so that a test can put
// the launcher into restricted mode (whitelist on, monitor missing).
inline void RebuildWhitelist(qzr::LauncherConfig& model, const std::wstring& menuIni, const std::wstring& monitor,
                             const std::wstring& nameSuffix) {
  qzr::WhitelistSettings settings;
  settings.menuIniPath = menuIni;
  settings.monitorPath = monitor;
  settings.names.mutex += nameSuffix;
  settings.names.cache += nameSuffix;
  settings.names.sync += nameSuffix;
  settings.names.terminate += nameSuffix;
  model.whitelist.~LauncherWhitelist();
  new (&model.whitelist) qzr::LauncherWhitelist(std::move(settings));
  model.whitelist.Construct();
}

// What the layout rules give for a live screen, from what only the running dialog knows.
inline qzr::LayoutPlan MainPlan(const qzr::LauncherDialog& dialog, HWND d, bool full) {
  qzr::MainLayoutInput in;
  in.screenWidth = GetSystemMetrics(SM_CXSCREEN);
  in.screenHeight = GetSystemMetrics(SM_CYSCREEN);
  in.fullScreen = full;
  in.logoHeight = dialog.logoHeight();
  in.itemCount = dialog.listItemCount();
  in.workHeight = dialog.workHeight();
  in.modelId = qzr::GetModelId();
  in.gaugeExists = GetDlgItem(d, IDC_BATTERY_GAUGE) != nullptr;
  // The rules keep the meter's own place and size where they use it, so its live rectangle
  // gives the same plan as the one it had before layout.
  in.meter = qzr::ReadControlRects(d, {IDC_SIGNAL_METER})[IDC_SIGNAL_METER];
  return qzr::MainDialogLayout(in);
}

inline qzr::LayoutPlan StatusPlan(HWND page, bool full) {
  qzr::StatusLayoutInput in;
  in.screenWidth = GetSystemMetrics(SM_CXSCREEN);
  in.screenHeight = GetSystemMetrics(SM_CYSCREEN);
  in.fullScreen = full;
  // Placed controls keep their own heights, so live rectangles stand in for the template's.
  in.current = qzr::ReadControlRects(page, kStatusPageControls);
  RECT client{};
  GetClientRect(page, &client);
  if (!full) in.clientHeight = client.bottom;
  return qzr::StatusDialogLayout(in);
}

inline std::string Show(const qzr::Rect& r) {
  return std::to_string(r.x) + "," + std::to_string(r.y) + " " + std::to_string(r.w) + "x" + std::to_string(r.h);
}

// Compares a live dialog with a plan; how many controls the plan moved. Windowed (`full` false),
// buttons hidden for the soft keys are not checked as shown. With `checkDialog`, the dialog is
// where the plan puts it, ending where its soft-key bar begins when windowed.
inline int ExpectFollows(const char* screen, HWND d, const qzr::LayoutPlan& plan, bool full, bool checkDialog) {
  std::vector<int> ids;
  for (const qzr::Placement& p : plan)
    if (p.id != qzr::kDialogItem) ids.push_back(p.id);
  const qzr::ControlRects rects = qzr::ReadControlRects(d, ids);
  int moved = 0;
  for (const qzr::Placement& p : plan) {
    SCOPED_TRACE(testing::Message() << screen << " control " << p.id);
    const HWND c = GetDlgItem(d, p.id);
    if (p.id == qzr::kDialogItem) {
      if (!checkDialog || p.action != qzr::Placing::Move) continue;
      RECT r{};
      GetWindowRect(d, &r);
      qzr::Rect where = p.rect;
      const int W = GetSystemMetrics(SM_CXSCREEN), H = GetSystemMetrics(SM_CYSCREEN);
      if (!full) where.h = wince::HeightAboveMenuBar(where.y, where.h, H - wince::ShellBarHeight(W, H));
      EXPECT_EQ(Show({r.left, r.top, r.right - r.left, r.bottom - r.top}), Show(where)) << "the dialog's own place";
    } else if (p.action == qzr::Placing::Move) {
      ++moved;
      EXPECT_EQ(rects.count(p.id) ? Show(rects.at(p.id)) : "missing", Show(p.rect));
    } else if (p.action == qzr::Placing::Hide) {
      EXPECT_FALSE(c && (GetWindowLongW(c, GWL_STYLE) & WS_VISIBLE)) << "should be hidden";
    } else if (full) {
      EXPECT_TRUE(c && (GetWindowLongW(c, GWL_STYLE) & WS_VISIBLE)) << "should be shown";
      EXPECT_TRUE(c && IsWindowEnabled(c)) << "should be enabled";
    }
  }
  return moved;
}

}  // namespace ui_testing
