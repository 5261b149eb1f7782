// The process-wide entries for the soft input panel, resolved once from the platform library
// by the password dialog and used by the main dialog too.
#pragma once

#include <windows.h>

#include <cstdint>

#include "Win32Owners.h"

namespace qzr {

// The platform's 48-byte SIP information record; bit 0x1 of flags: the SIP is shown.
struct SipInfoRecord {
  uint32_t size = sizeof(SipInfoRecord);
  uint32_t flags = 0;
  RECT visibleDesktop{};
  RECT sipRect{};
  uint32_t imDataSize = 0;
  uint32_t imData = 0;  // a 32-bit pointer on the device
};
static_assert(sizeof(SipInfoRecord) == 48);

inline constexpr uint32_t kSipShown = 0x1;

using SipShowIMEntry = BOOL(WINAPI*)(DWORD flags);
using SipGetInfoEntry = BOOL(WINAPI*)(SipInfoRecord* info);

// Both do nothing and return 0 until resolved.
BOOL SipShowIM(DWORD flags);
BOOL SipGetInfo(SipInfoRecord* info);

// Looks both names up in `library`; a name it lacks, or a null library, gets the do-nothing entry.
void ResolveSipEntries(const Library& library);

// Whether Keyboard shows (1) or hides (0) the SIP, given the queried flags.
inline DWORD KeyboardToggleArgument(uint32_t flags) { return (flags & kSipShown) ? 0 : 1; }

}  // namespace qzr
