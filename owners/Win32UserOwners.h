// Owners for icons and windows hooks. Kept apart from Win32Owners.h: the native rule builds
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

}  // namespace qzr
