// The caller's side of a foreign window procedure: load the library, hook the window's thread,
// ask the hook to put the procedure in front, and undo it all again.
#include "foreignproc.h"

#include "foreignproc_common.h"

namespace fp = wince::foreignproc;

struct CeForeignProc {
  HWND window;
  HMODULE library;
  HHOOK hook;
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
  HMODULE module = LoadLibraryW(library);
  if (!module) return nullptr;
  auto hookProc = reinterpret_cast<HOOKPROC>(reinterpret_cast<void*>(GetProcAddress(module, fp::kHookExport)));
  auto proc = reinterpret_cast<const char*>(reinterpret_cast<void*>(GetProcAddress(module, procName)));
  HHOOK hook = hookProc && proc ? SetWindowsHookExW(WH_CALLWNDPROC, hookProc, module, thread) : nullptr;
  // The library lands at its own address in the other process; the procedure is named by its
  // offset in the image, which is the same there.
  const LPARAM offset = proc ? static_cast<LPARAM>(proc - reinterpret_cast<const char*>(module)) : 0;
  if (!hook || !Ask(window, fp::kAttachMessage, offset)) {
    if (hook) UnhookWindowsHookEx(hook);
    FreeLibrary(module);
    return nullptr;
  }
  return new CeForeignProc{window, module, hook};
}

BOOL WINAPI CeRemoveForeignWindowProc(HFOREIGNPROC proc) {
  if (!proc) return FALSE;
  // A window that is gone has nothing to put back.
  const BOOL restored = !IsWindow(proc->window) || Ask(proc->window, fp::kDetachMessage, 0);
  UnhookWindowsHookEx(proc->hook);
  FreeLibrary(proc->library);
  delete proc;
  return restored;
}

}  // extern "C"
