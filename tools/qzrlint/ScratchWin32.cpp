// Scratch files of the Win32 build go to the user's temporary folder.
#include <windows.h>

#include "Lint.h"

namespace qzr::lint {

std::wstring ScratchFolder() {
  wchar_t folder[MAX_PATH] = {};
  DWORD n = GetTempPathW(MAX_PATH, folder);
  return n > 0 && n < MAX_PATH ? std::wstring(folder) : std::wstring(L".");
}

}  // namespace qzr::lint
