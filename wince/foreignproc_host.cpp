// The library's side of a foreign window procedure, linked into the library that carries the
// procedure: the hook that puts it in front of the window, and the way back.
#include "foreignproc.h"

#include "Win32Owners.h"
#include "foreignproc_common.h"

namespace fp = wince::foreignproc;

namespace {

// One window per library, touched only on that window's thread.
HWND g_window = nullptr;
WNDPROC g_previous = nullptr;
WNDPROC g_procedure = nullptr;
// The processes that asked for the procedure: it stays in front until the last of them lets
// it go or has ended, as a chain of procedures would on the device.
DWORD g_holders[8] = {};

bool Alive(DWORD processId) {
  qzr::KernelHandle process(OpenProcess(SYNCHRONIZE, FALSE, processId));
  return process && WaitForSingleObject(process.get(), 0) == WAIT_TIMEOUT;
}

// Forgets holders that have ended; true when one is left.
bool Held() {
  bool held = false;
  for (DWORD& holder : g_holders) {
    if (holder && !Alive(holder)) holder = 0;
    held |= holder != 0;
  }
  return held;
}

bool Hold(DWORD processId) {
  Held();
  for (DWORD& holder : g_holders)
    if (holder == processId) return true;
  for (DWORD& holder : g_holders) {
    if (holder) continue;
    holder = processId;
    return true;
  }
  return false;
}

void Release(DWORD processId) {
  for (DWORD& holder : g_holders)
    if (holder == processId) holder = 0;
}

// Registered once: every message the window's thread is sent passes the hook.
UINT AttachMessage() {
  static const UINT message = RegisterWindowMessageW(fp::kAttachMessage);
  return message;
}
UINT DetachMessage() {
  static const UINT message = RegisterWindowMessageW(fp::kDetachMessage);
  return message;
}

HMODULE ThisLibrary() {
  HMODULE self = nullptr;
  GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                     reinterpret_cast<LPCWSTR>(&ThisLibrary), &self);
  return self;
}

// The offset comes from another process: it must name a place inside this library's image.
WNDPROC ProcedureAt(LPARAM offset) {
  HMODULE self = ThisLibrary();
  if (!self || offset <= 0) return nullptr;
  auto* base = reinterpret_cast<const BYTE*>(self);
  auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
  auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
  if (static_cast<ULONG_PTR>(offset) >= nt->OptionalHeader.SizeOfImage) return nullptr;
  return reinterpret_cast<WNDPROC>(const_cast<BYTE*>(base + offset));
}

LRESULT CALLBACK InFront(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

void Detach(HWND window, DWORD processId) {
  Release(processId);
  if (Held()) return;
  if (reinterpret_cast<WNDPROC>(GetWindowLongPtrW(window, GWLP_WNDPROC)) == InFront) {
    SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(g_previous));
    g_previous = nullptr;
    g_window = nullptr;
  }
  // Someone else stands in front of us now and would be cut off: stay in the chain, passing
  // everything on.
  g_procedure = nullptr;
}

LRESULT CALLBACK InFront(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == DetachMessage()) {
    Detach(window, static_cast<DWORD>(wParam));
    return fp::kDone;
  }
  if (message == AttachMessage()) return g_procedure && Hold(static_cast<DWORD>(wParam)) ? fp::kDone : 0;
  if (!g_procedure) return CallWindowProcW(g_previous, window, message, wParam, lParam);
  return g_procedure(window, message, wParam, lParam);
}

}  // namespace

extern "C" {

__declspec(dllexport) LRESULT CALLBACK CeForeignProcHook(int code, WPARAM wParam, LPARAM lParam) {
  auto* sent = reinterpret_cast<const CWPSTRUCT*>(lParam);
  if (code == HC_ACTION && sent && sent->message == AttachMessage()) {
    WNDPROC procedure = ProcedureAt(sent->lParam);
    if (procedure && !g_previous) {
      for (DWORD& holder : g_holders) holder = 0;
      g_procedure = procedure;
      g_window = sent->hwnd;
      g_previous = reinterpret_cast<WNDPROC>(
          SetWindowLongPtrW(sent->hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(InFront)));
      if (!g_previous) {
        g_procedure = nullptr;
        g_window = nullptr;
      }
    } else if (procedure && g_window == sent->hwnd) {
      g_procedure = procedure;  // back in front of a window we never left
    }
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

LRESULT WINAPI CeCallPreviousWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (!g_previous) return DefWindowProcW(window, message, wParam, lParam);
  return CallWindowProcW(g_previous, window, message, wParam, lParam);
}

}  // extern "C"
