// Owners for icons, windows hooks and window DCs. Kept apart from Win32Owners.h: the native rule builds
// (fuzz/) compile that header against a stand-in windows.h, which has neither.
#pragma once

#include <windows.h>

#include "Win32Owners.h"

namespace qzr {

struct IconTraits {  // icons made or extracted for us, not LR_SHARED system icons
  using Handle = HICON;
  static Handle Invalid() { return nullptr; }
  static void Close(Handle h) { DestroyIcon(h); }
};
struct HookTraits {
  using Handle = HHOOK;
  static Handle Invalid() { return nullptr; }
  static void Close(Handle h) { UnhookWindowsHookEx(h); }
};

using Icon = UniqueHandle<IconTraits>;
using WindowsHook = UniqueHandle<HookTraits>;

// A window's DC from GetDC, given back to that window.
class WindowDC {
 public:
  explicit WindowDC(HWND window) : window_(window), dc_(GetDC(window)) {}
  ~WindowDC() {
    if (dc_) ReleaseDC(window_, dc_);
  }
  WindowDC(const WindowDC&) = delete;
  WindowDC& operator=(const WindowDC&) = delete;

  HDC get() const { return dc_; }
  explicit operator bool() const { return dc_ != nullptr; }

 private:
  HWND window_;
  HDC dc_;
};

}  // namespace qzr
