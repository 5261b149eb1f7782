// The platform's core library, bound by name once for the whole process.
#pragma once

#include <windows.h>

namespace qzr {

inline constexpr wchar_t kCoreLibraryName[] = L"CoreDLL.dll";

// Loaded on first use and kept to the end: the hot keys and the power status both come from
// it, and loading and freeing it again costs start-up a library load and unload each time.
// Null when the library is missing (a later call tries again).
HMODULE CoreLibrary();

// The export `name` of the core library; null when the library or the export is missing.
template <typename Fn>
Fn CoreEntry(const char* name) {
  HMODULE library = CoreLibrary();
  return library ? reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(library, name))) : nullptr;
}

}  // namespace qzr
