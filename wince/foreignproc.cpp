// The caller's side of a foreign window procedure: load the library, hook the window's thread,
// ask the hook to put the procedure in front, and undo it all again.
#include "foreignproc.h"

#include "Win32UserOwners.h"
#include "foreignproc_common.h"

namespace fp = wince::foreignproc;

struct CeForeignProc {
  HWND window;
  // The hook is declared after its library: it goes first, while the library it runs is still there.
  qzr::Library library;
  qzr::WindowsHook hook;
};

namespace {

bool Ask(HWND window, const wchar_t* messageName, LPARAM lParam) {
  DWORD_PTR answer = 0;
  // wParam names the asking process: the procedure stays while any asker still holds it.
  return SendMessageTimeoutW(window, RegisterWindowMessageW(messageName), GetCurrentProcessId(), lParam,
                             SMTO_ABORTIFHUNG, fp::kTimeoutMs,
                             &answer) &&
         static_cast<LRESULT>(answer) == fp::kDone;
}

}  // namespace

extern "C" {

HFOREIGNPROC WINAPI CeSetForeignWindowProc(HWND window, LPCWSTR library, LPCSTR procName) {
  const DWORD thread = window ? GetWindowThreadProcessId(window, nullptr) : 0;
  if (!thread || !library || !procName) return nullptr;
  qzr::Library module(library);
  if (!module) return nullptr;
  auto hookProc = module.Proc<HOOKPROC>(fp::kHookExport);
  auto proc = module.Proc<const char*>(procName);
  qzr::WindowsHook hook(hookProc && proc ? SetWindowsHookExW(WH_CALLWNDPROC, hookProc, module.get(), thread) : nullptr);
  // The library lands at its own address in the other process; the procedure is named by its
  // offset in the image, which is the same there.
  const LPARAM offset = proc ? static_cast<LPARAM>(proc - reinterpret_cast<const char*>(module.get())) : 0;
  if (!hook || !Ask(window, fp::kAttachMessage, offset)) return nullptr;
  return new CeForeignProc{window, std::move(module), std::move(hook)};
}

BOOL WINAPI CeRemoveForeignWindowProc(HFOREIGNPROC proc) {
  if (!proc) return FALSE;
  // A window that is gone has nothing to put back.
  const BOOL restored = !IsWindow(proc->window) || Ask(proc->window, fp::kDetachMessage, 0);
  delete proc;
  return restored;
}

}  // extern "C"
