// Layout rules of the main dialog, the status page and the password dialog.
#include "ui/UiLayout.h"

#include <algorithm>

#include "device/DeviceIdentity.h"
#include "ui/resource.h"
#include "ui/UiTexts.h"

namespace qzr {
namespace {

class PlanBuilder {
 public:
  explicit PlanBuilder(ControlRects current = {}) : current_(std::move(current)) {}

  void Move(int id, Rect r, bool bigFont = false) {
    if (clipRight_ > 0 && id != kDialogItem && r.x + r.w > clipRight_) r.w = std::max(0, clipRight_ - r.x);
    plan_.push_back({id, Placing::Move, r, bigFont});
    current_[id] = r;
  }
  void Hide(int id) { plan_.push_back({id, Placing::Hide, {}, false}); }
  void ShowEnabled(int id) { plan_.push_back({id, Placing::ShowEnabled, {}, false}); }
  void Font(int id) { plan_.push_back({id, Placing::Move, current_[id], true}); }
  void ToScreen(int w, int h) { Move(kDialogItem, {0, 0, w, h}); }

  // Placed under control `anchor` (as placed so far) with dy; a 0 width or height keeps the
  // control's own.
  void Below(int id, int anchor, int x, int w, int h, int dy, bool bigFont = false) {
    const Rect own = current_[id];
    Move(id, {x, current_[anchor].bottom() + dy, w ? w : own.w, h ? h : own.h}, bigFont);
  }

  // Moves a control already placed by dy and changes its height by dh.
  void Adjust(int id, int dy, int dh) {
    for (Placement& step : plan_)
      if (step.id == id && step.action == Placing::Move) {
        step.rect.y += dy;
        step.rect.h += dh;
        current_[id] = step.rect;
      }
  }

  const Rect& At(int id) { return current_[id]; }
  // Controls placed from here on end at the screen's right edge at the latest.
  void ClipRight(int right) { clipRight_ = right; }
  LayoutPlan Take() { return std::move(plan_); }

 private:
  ControlRects current_;
  LayoutPlan plan_;
  int clipRight_ = 0;
};

bool Is(int w, int h, int sw, int sh) { return w == sw && h == sh; }

// Windowed, the status page ends at its soft-key bar, and the 640 x 480 and 320 x 240 rows,
// placed for the whole screen, would put the serial number under the bar. The IP row, twice as
// high as the others, gives up its spare height first; only then do all rows move up.
void FitValueRows(PlanBuilder& p, int clientHeight) {
  if (clientHeight <= 0) return;
  const int overflow = std::max(p.At(IDC_SERIAL_LABEL).bottom(), p.At(IDC_SERIAL).bottom()) - clientHeight;
  if (overflow <= 0) return;
  const Rect ip = p.At(IDC_IP_ADDRESS);
  const int shrink = std::min(overflow, std::max(0, ip.h - p.At(IDC_MAC_ADDRESS).h));
  const int lift = std::min(overflow - shrink, ip.y);
  p.Adjust(IDC_IP_ADDRESS, -lift, -shrink);
  for (int id : {IDC_MAC_LABEL, IDC_MAC_ADDRESS, IDC_AUTH_LABEL, IDC_AUTHENTICATION, IDC_SERIAL_LABEL, IDC_SERIAL})
    p.Adjust(id, -(shrink + lift), 0);
}

}  // namespace

bool IsLargeScreen(int width, int height) {
  return Is(width, height, 480, 640) || Is(width, height, 480, 800) || Is(width, height, 640, 480);
}

LayoutPlan MainDialogLayout(const MainLayoutInput& in) {
  const int W = in.screenWidth, H = in.screenHeight;
  const int band = in.itemCount < 10 ? 2 * in.logoHeight : in.logoHeight;
  PlanBuilder p({{IDC_SIGNAL_METER, in.meter}});
  auto gauge = [&](Rect r) {
    if (in.gaugeExists) p.Move(IDC_BATTERY_GAUGE, r);
  };
  auto hideSerial = [&] {
    p.Hide(IDC_SERIAL_LABEL);
    p.Hide(IDC_SERIAL);
  };
  // Windowed screens start the status page from the soft key and have no room for the meter
  // row: left at their template places, gauge, meter and button would sit on the list.
  auto hideMeterRow = [&] {
    if (in.gaugeExists) p.Hide(IDC_BATTERY_GAUGE);
    p.Hide(IDC_SIGNAL_METER);
    p.Hide(IDC_STATUS_BUTTON);
  };

  if (Is(W, H, 480, 640)) {
    if (!in.fullScreen) {
      hideMeterRow();
      p.Move(IDC_LOGO, {0, in.workHeight - band, 480, band});
      p.Move(IDC_PROGRAM_LIST, {0, 0, 480, in.workHeight - band});
    } else {
      gauge({170, 590, 140, 40});
      p.Move(IDC_STATUS_BUTTON, {330, 590, 140, 40}, true);
      // Beside gauge and Status, as on 480 x 800: at 192 DPI no template place lands there
      // that also suits the 96-DPI screens (the font's units do not scale by exactly two).
      p.Move(IDC_SIGNAL_METER, {20, 590, 140, 40});
      p.Move(IDC_LOGO, {0, p.At(IDC_SIGNAL_METER).y - band, 480, band});
      hideSerial();
      p.Move(IDC_PROGRAM_LIST, {0, 0, 480, p.At(IDC_LOGO).y});
      p.ToScreen(W, H);
    }
  } else if (Is(W, H, 480, 800)) {
    if (!in.fullScreen) {
      hideMeterRow();
      p.Move(IDC_LOGO, {0, in.workHeight - band, 480, band});
      p.Move(IDC_PROGRAM_LIST, {0, 0, 480, in.workHeight - band});
      hideSerial();
    } else {
      gauge({170, 746, 140, 50});
      p.Move(IDC_STATUS_BUTTON, {320, 736, 140, 60}, true);
      p.Move(IDC_SIGNAL_METER, {20, 736, 140, 60});
      p.Move(IDC_LOGO, {0, p.At(IDC_SIGNAL_METER).y - band, 480, band});
      p.Move(IDC_PROGRAM_LIST, {0, 0, 480, p.At(IDC_LOGO).y});
      p.ToScreen(W, H);
      hideSerial();
    }
  } else if (Is(W, H, 640, 480)) {
    if (!in.fullScreen) {
      hideMeterRow();
      p.Move(IDC_PROGRAM_LIST, {0, 30, 640, 290});
      // Below the list, not over its last row, and no further than the soft-key bar.
      p.Move(IDC_LOGO, {0, 320, 640, std::clamp(in.workHeight - 320, 0, 80)});
    } else {
      p.Move(IDC_PROGRAM_LIST, {0, 0, 640, 290});
      p.Move(IDC_LOGO, {0, 290, 640, 80});
      hideSerial();
      // The template's meter place suits the portrait screens; here it would be off the screen.
      p.Move(IDC_SIGNAL_METER, {90, 420, 140, 50});
      gauge({250, 420, 140, 50});
      p.Move(IDC_STATUS_BUTTON, {480, 420, 140, 50}, true);
      p.ToScreen(W, H);
    }
  } else if (Is(W, H, 320, 240)) {
    if (in.fullScreen) hideSerial();
    else hideMeterRow();
    p.Move(IDC_PROGRAM_LIST, {0, 0, 320, 145});
    p.Move(IDC_LOGO, {0, 145, 320, 40});
    if (in.fullScreen) {
      p.Move(IDC_SIGNAL_METER, {10, 210, 105, 25});
      gauge({125, 210, 70, 25});
      p.Move(IDC_STATUS_BUTTON, {240, 210, 70, 25});
    }
    p.ToScreen(W, H);
  } else if (!in.fullScreen) {
    hideMeterRow();
    p.Move(IDC_LOGO, {0, in.workHeight - in.logoHeight, W, in.logoHeight});
    p.Move(IDC_PROGRAM_LIST, {0, 0, W, in.workHeight - in.logoHeight});
  } else {
    const bool speaker = in.modelId == model::kVP33;
    const Rect meter = in.meter;
    const int T = meter.y, R = meter.right(), mh = meter.h;
    const int m = speaker ? 1 : 5;
    const int step = speaker ? 1 : 10;
    int x = R + step;
    p.Move(IDC_SIGNAL_METER, {m, T, R - m, mh});
    p.Move(IDC_LOGO, {0, T - in.logoHeight, W, in.logoHeight});
    p.Move(IDC_PROGRAM_LIST, {0, 0, W, p.At(IDC_LOGO).y});
    if (in.gaugeExists) {
      p.Move(IDC_BATTERY_GAUGE, {x, H - 22, 70, 20});
      x = p.At(IDC_BATTERY_GAUGE).right() + step;
    }
    p.Move(IDC_STATUS_BUTTON, {x, T, speaker ? 65 : 70, mh});
    if (speaker) {
      const int s = p.At(IDC_STATUS_BUTTON).right() + 1;
      p.Move(IDC_SPEAKER, {s, T, W - 1 - s, mh});
      p.ShowEnabled(IDC_SPEAKER);
    }
    p.ToScreen(W, H);
    hideSerial();
  }
  return p.Take();
}

LayoutPlan StatusDialogLayout(const StatusLayoutInput& in) {
  const int W = in.screenWidth, H = in.screenHeight;
  PlanBuilder p(in.current);
  // Some value fields are wider than the room right of them (W - 20 from x = 46, say); their
  // text would run off the screen, so they end at its edge.
  p.ClipRight(W);
  const bool font640 = Is(W, H, 640, 480);

  if (Is(W, H, 480, 640) || Is(W, H, 480, 800)) {
    const bool tall = H == 800;
    p.Move(IDC_BATTERY_FRAME, {20, 30, 440, 110});
    p.Move(IDC_PROGRESS, {40, 70, 400, 20});
    p.Move(IDC_BATTERY_TEXT, {40, 90, 400, 26});
    if (tall) {
      p.Below(IDC_TEXT_BLOCK, IDC_BATTERY_FRAME, 0, 480, 220, 10);
      p.Move(IDC_IP_ADDRESS, {66, 430, 300, 68});
    } else {
      p.Below(IDC_TEXT_BLOCK, IDC_BATTERY_FRAME, 0, W, H / 4 + 20, 10);
      p.Below(IDC_IP_ADDRESS, IDC_TEXT_BLOCK, 46, W - 20, 0, 20);
    }
    const int valueWidth = tall ? 240 : W - 240;
    p.Below(IDC_MAC_LABEL, IDC_IP_ADDRESS, 20, 200, 0, 0);
    p.Below(IDC_MAC_ADDRESS, IDC_IP_ADDRESS, 230, valueWidth, 0, 0);
    p.Below(IDC_AUTH_LABEL, IDC_MAC_ADDRESS, 20, 200, 0, 8);
    p.Below(IDC_AUTHENTICATION, IDC_MAC_ADDRESS, 230, valueWidth, 0, 8);
    p.Below(IDC_SERIAL_LABEL, IDC_AUTHENTICATION, 20, 200, 0, 20);
    p.Below(IDC_SERIAL, IDC_AUTHENTICATION, 240, tall ? 410 : W - 70, 0, 20);
    p.Move(IDCANCEL, {20, tall ? 736 : H - 64, 140, 60});
    p.Move(IDC_EXIT_BUTTON, {320, tall ? 736 : H - 64, 140, 60});
  } else if (font640) {
    p.Move(IDC_BATTERY_FRAME, {90, 10, 460, 110});
    p.Move(IDC_PROGRESS, {120, 50, 400, 20});
    p.Move(IDC_BATTERY_TEXT, {100, 70, 440, 26}, true);
    p.Move(IDC_TEXT_BLOCK, {80, 125, 480, 250}, true);
    p.Move(IDC_IP_ADDRESS, {100, 240, H - 20, 60}, true);
    p.Move(IDC_MAC_LABEL, {100, 300, 160, 34}, true);
    p.Move(IDC_MAC_ADDRESS, {300, 300, 260, 34}, true);
    p.Move(IDC_AUTH_LABEL, {96, 334, 164, 34}, true);
    p.Move(IDC_AUTHENTICATION, {300, 334, 160, 34}, true);
    p.Move(IDC_SERIAL_LABEL, {200, 368, 60, 34}, true);
    p.Move(IDC_SERIAL, {300, 368, 200, 34}, true);
    p.Move(IDCANCEL, {20, 402, 140, 58}, true);
    p.Move(IDC_EXIT_BUTTON, {480, 402, 140, 58}, true);
  } else if (Is(W, H, 320, 240)) {
    p.Move(IDC_BATTERY_FRAME, {45, 5, 230, 55});
    p.Move(IDC_PROGRESS, {60, 25, 200, 10});
    p.Move(IDC_BATTERY_TEXT, {50, 35, 220, 13});
    p.Move(IDC_TEXT_BLOCK, {40, 60, 240, 125});
    p.Move(IDC_IP_ADDRESS, {50, 120, H - 10, 30});
    p.Move(IDC_MAC_LABEL, {50, 150, 80, 17});
    p.Move(IDC_MAC_ADDRESS, {150, 150, 130, 17});
    p.Move(IDC_AUTH_LABEL, {48, 167, 82, 17});
    p.Move(IDC_AUTHENTICATION, {150, 167, 80, 17});
    p.Move(IDC_SERIAL_LABEL, {100, 184, 30, 17});
    p.Move(IDC_SERIAL, {150, 184, 100, 17});
    p.Move(IDCANCEL, {10, 201, 70, 29});
    p.Move(IDC_EXIT_BUTTON, {240, 201, 70, 29});
  } else {
    const bool full = in.fullScreen;
    p.Move(IDC_BATTERY_FRAME, {10, 15, 220, 55});
    p.Move(IDC_PROGRESS, {20, 35, 200, 10});
    p.Move(IDC_BATTERY_TEXT, {20, 45, 200, 13});
    if (full) p.Below(IDC_TEXT_BLOCK, IDC_BATTERY_FRAME, 0, W, H / 4 + 10, 5);
    else p.Below(IDC_TEXT_BLOCK, IDC_BATTERY_FRAME, 0, W, 0, 0);
    p.Below(IDC_IP_ADDRESS, IDC_TEXT_BLOCK, 23, W - 10, 0, full ? 10 : 0);
    p.Below(IDC_MAC_LABEL, IDC_IP_ADDRESS, 10, 100, 0, 0);
    p.Below(IDC_MAC_ADDRESS, IDC_IP_ADDRESS, 115, W - 120, 0, 0);
    p.Below(IDC_AUTH_LABEL, IDC_MAC_ADDRESS, 10, 100, 0, full ? 4 : 0);
    p.Below(IDC_AUTHENTICATION, IDC_MAC_ADDRESS, 115, W - 120, 0, full ? 4 : 0);
    p.Below(IDC_SERIAL_LABEL, IDC_AUTHENTICATION, 10, 100, 0, full ? 10 : 0);
    p.Below(IDC_SERIAL, IDC_AUTHENTICATION, 120, W - 35, 0, full ? 10 : 0);
    if (full) {
      p.Move(IDCANCEL, {10, H - 32, 70, 30});
      p.Move(IDC_EXIT_BUTTON, {160, H - 32, 70, 30});
    }
  }
  if (!in.fullScreen) FitValueRows(p, in.clientHeight);
  p.ToScreen(W, H);
  return p.Take();
}

LayoutPlan PasswordDialogLayout(const PasswordLayoutInput& in) {
  const int W = in.screenWidth, H = in.screenHeight;
  const int h = in.prompt.h;
  PlanBuilder p({{IDC_PASSWORD_PROMPT, in.prompt}});
  if (W == 480 && (H == 640 || H == 800)) {
    p.Move(IDC_PASSWORD_PROMPT, {20, 60, in.prompt.w, h});
    p.Move(IDC_PASSWORD_LABEL, {20, h + 85, 200, h}, true);
    p.Move(IDC_PASSWORD_EDIT, {20, h + 120, 200, 40}, true);
    p.Move(IDC_KEYBOARD_BUTTON, {280, h + 114, 180, 50}, true);
    p.Move(IDCANCEL, {20, 240, 180, 50}, true);
    p.Move(IDOK, {280, 240, 180, 50}, true);
  } else if (Is(W, H, 640, 480)) {
    // The rows start below the prompt, whose height follows the screen's DPI.
    p.Move(IDC_PASSWORD_PROMPT, {20, 10, in.prompt.w, h});
    p.Move(IDC_PASSWORD_LABEL, {100, h + 20, 200, 34}, true);
    p.Move(IDC_PASSWORD_EDIT, {100, h + 60, 200, 40}, true);
    p.Move(IDC_KEYBOARD_BUTTON, {380, h + 54, 180, 50}, true);
    p.Move(IDCANCEL, {20, std::max(160, h + 120), 180, 50}, true);
    p.Move(IDOK, {440, std::max(160, h + 120), 180, 50}, true);
  } else if (Is(W, H, 320, 240)) {
    p.Move(IDC_PASSWORD_PROMPT, {10, 5, in.prompt.w, h});
    p.Move(IDC_PASSWORD_LABEL, {50, h + 10, 100, 17});
    p.Move(IDC_PASSWORD_EDIT, {50, h + 30, 100, 20});
    p.Move(IDC_KEYBOARD_BUTTON, {190, h + 27, 90, 25});
    p.Move(IDCANCEL, {10, std::max(80, h + 60), 90, 25});
    p.Move(IDOK, {220, std::max(80, h + 60), 90, 25});
  } else {
    p.Move(IDC_PASSWORD_LABEL, {10, 60, 100, 17});
    p.Move(IDC_PASSWORD_EDIT, {10, 80, 100, 20});
    p.Move(IDC_KEYBOARD_BUTTON, {140, 77, 90, 25});
    p.Move(IDCANCEL, {10, 150, 90, 25});
    p.Move(IDOK, {140, 150, 90, 25});
  }
  p.ShowEnabled(IDC_KEYBOARD_BUTTON);
  p.ToScreen(W, H);
  return p.Take();
}

ControlRects ReadControlRects(HWND dialog, const std::vector<int>& ids) {
  ControlRects rects;
  for (int id : ids) {
    HWND control = GetDlgItem(dialog, id);
    RECT r{};
    if (!control || !GetWindowRect(control, &r)) continue;
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&r), 2);
    rects[id] = {r.left, r.top, r.right - r.left, r.bottom - r.top};
  }
  return rects;
}

void ApplyLayout(HWND dialog, const LayoutPlan& plan, HFONT bigFont) {
  for (const Placement& step : plan) {
    HWND target = step.id == kDialogItem ? dialog : GetDlgItem(dialog, step.id);
    if (!target) continue;
    switch (step.action) {
      case Placing::Move:
        // Without SWP_NOCOPYBITS a control moved but not resized keeps the pixels copied from
        // its old place and is never asked to paint again.
        SetWindowPos(target, nullptr, step.rect.x, step.rect.y, step.rect.w, step.rect.h,
                     SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOCOPYBITS);
        break;
      case Placing::Hide:
        ShowWindow(target, SW_HIDE);
        break;
      case Placing::ShowEnabled:
        EnableWindow(target, TRUE);
        ShowWindow(target, SW_SHOW);
        break;
    }
    if (step.bigFont && bigFont) SendMessageW(target, WM_SETFONT, reinterpret_cast<WPARAM>(bigFont), TRUE);
  }
}

HFONT CreateLargeFont() {
  LOGFONTW lf{};
  lf.lfHeight = 24;
  lf.lfWeight = FW_NORMAL;
  lf.lfCharSet = DEFAULT_CHARSET;
  lf.lfPitchAndFamily = FF_SWISS;
  wcsncpy(lf.lfFaceName, kFontFace, LF_FACESIZE - 1);
  return CreateFontIndirectW(&lf);
}

}  // namespace qzr
