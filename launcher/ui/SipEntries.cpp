// The SIP entries, written only on the UI thread.
#include "ui/SipEntries.h"

namespace qzr {
namespace {

BOOL WINAPI SipShowNothing(DWORD) { return FALSE; }
BOOL WINAPI SipInfoNothing(SipInfoRecord*) { return FALSE; }

SipShowIMEntry g_sipShowIM = SipShowNothing;
SipGetInfoEntry g_sipGetInfo = SipInfoNothing;

}  // namespace

BOOL SipShowIM(DWORD flags) { return g_sipShowIM(flags); }
BOOL SipGetInfo(SipInfoRecord* info) { return g_sipGetInfo(info); }

void ResolveSipEntries(const Library& library) {
  auto show = library.Proc<SipShowIMEntry>("SipShowIM");
  auto info = library.Proc<SipGetInfoEntry>("SipGetInfo");
  // The dialog that resolved them frees its handle when it ends; the entries outlive it, so
  // the library stays loaded for the rest of the process.
  if (show || info) {
    HMODULE pinned = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_PIN | GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS,
                       reinterpret_cast<LPCWSTR>(show ? reinterpret_cast<void*>(show) : reinterpret_cast<void*>(info)),
                       &pinned);
  }
  g_sipShowIM = show ? show : SipShowNothing;
  g_sipGetInfo = info ? info : SipInfoNothing;
}

}  // namespace qzr
