// Scratch files of the native build live in the in-memory file system the rule sources see.
#include "Lint.h"
#include "NativeWorld.h"

namespace qzr::lint {

std::wstring ScratchFolder() {
  native::AddFolder(L"\\lint");
  return L"\\lint";
}

}  // namespace qzr::lint
