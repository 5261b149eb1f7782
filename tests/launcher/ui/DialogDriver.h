// Driving modal dialogs in-process: scripted steps from a thread timer, the top dialog of the
// thread, list notifications, what a window shows, a model without a menu.ini.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "../MessageBoxRecorder.h"
#include "DeviceIdentity.h"
#include "LauncherConfig.h"
#include "MainWindow.h"
#include "TestSupport.h"

namespace ui_testing {

using testing_support::MessageBoxRecorder;
using testing_support::ShownBox;

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

// Runs one step per tick while modal loops run on this thread. A step may open another modal
// dialog; later steps then run inside its loop. When the steps are done and a dialog is still
// up after a grace period, every dialog of the thread is ended with kAbandoned, so that a
// failing test ends instead of hanging.
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

// What every dialog test starts from: a fresh process's network state, a usable radio address,
// the device facts asked again, message boxes recorded.
struct FreshDevice {
  FreshDevice() {
    qzr::SetNetworkUp(true);
    qzr::SetListItemCount(0);
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

// What a window shows, as 0x00RRGGBB values row by row. Read through the window's own drawing
// context: the test display may be smaller than the handheld's desktop (480 x 800), and what
// lies beyond its edge reads back black from the screen.
inline std::vector<DWORD> ScreenPixels(HWND window, int* width = nullptr) {
  RECT r{};
  GetWindowRect(window, &r);
  const int w = r.right - r.left, h = r.bottom - r.top;
  if (width) *width = w;
  std::vector<DWORD> pixels;
  if (w <= 0 || h <= 0) return pixels;
  HDC screen = GetWindowDC(window);
  HDC memory = CreateCompatibleDC(screen);
  BITMAPINFO bi{};
  bi.bmiHeader = {sizeof(BITMAPINFOHEADER), w, -h, 1, 32, BI_RGB};
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(memory, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = SelectObject(memory, bitmap);
  BitBlt(memory, 0, 0, w, h, screen, 0, 0, SRCCOPY);
  GdiFlush();
  const DWORD* p = static_cast<const DWORD*>(bits);
  pixels.assign(p, p + static_cast<size_t>(w) * h);
  SelectObject(memory, old);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(window, screen);
  return pixels;
}

// Presses and releases a key through the system's input queue, as the keypad would.
inline void PressKey(WORD key) {
  INPUT input[2] = {};
  input[0].type = input[1].type = INPUT_KEYBOARD;
  input[0].ki.wVk = input[1].ki.wVk = key;
  input[1].ki.dwFlags = KEYEVENTF_KEYUP;
  SendInput(2, input, sizeof(INPUT));
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

}  // namespace ui_testing
