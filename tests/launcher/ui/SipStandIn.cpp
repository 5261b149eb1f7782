// A platform library with only the two SIP calls, for processes that have no SIP of their own:
// it remembers whether the SIP was last shown.
#include <windows.h>

#include <cstdint>

namespace {
bool g_shown = false;
}

extern "C" {

__declspec(dllexport) BOOL WINAPI SipShowIM(DWORD flags) {
  g_shown = (flags & 1) != 0;
  return TRUE;
}

// The 48-byte record: size, then flags (bit 0x1: shown).
__declspec(dllexport) BOOL WINAPI SipGetInfo(uint32_t* info) {
  if (!info || info[0] != 48) return FALSE;
  info[1] = g_shown ? 1u : 0u;
  return TRUE;
}

}
