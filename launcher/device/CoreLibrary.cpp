// The process-wide binding of the platform's core library.
#include "device/CoreLibrary.h"

namespace qzr {

HMODULE CoreLibrary() {
  static HMODULE library = nullptr;  // UI thread only
  if (!library) library = LoadLibraryW(kCoreLibraryName);
  return library;
}

}  // namespace qzr
