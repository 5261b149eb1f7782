// An owner for image lists. Apart from Win32Owners.h because it needs commctrl.h,
// which the native build of the rule sources does not have.
#pragma once

#include <windows.h>

#include <commctrl.h>

#include "Win32Owners.h"

namespace qzr {

struct ImageListTraits {
  using Handle = HIMAGELIST;
  static Handle Invalid() { return nullptr; }
  static void Close(Handle h) { ImageList_Destroy(h); }
};
using ImageList = UniqueHandle<ImageListTraits>;

}  // namespace qzr
