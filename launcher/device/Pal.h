// Binding of the device maker's platform abstraction library (QZRIVAPAL.dll) by name at run time.
#pragma once

#include "wince.h"

namespace qzr {

inline constexpr HRESULT kPalNotAvailable = static_cast<HRESULT>(0x80004001);
inline constexpr HRESULT kPalFailure = E_FAIL;

inline constexpr wchar_t kPalLibraryName[] = L"QZRIVAPAL.dll";
inline constexpr DWORD kPalWarmBoot = 0x30;
inline constexpr DWORD kPalDetailSerial = 1;
inline constexpr DWORD kPalDetailModel = 2;

// Two binders with their own cached handles, neither of which frees the library. A failed
// load leaves the handle null, so the next call tries again; exports are looked up by name on
// every call. Both return 0 with *address set, or a negative status.
class CQZRPal {
 public:
  // Binder A: the program's folder first, then the bare name; speaks only to the debug output.
  static HRESULT Load(const char* name, FARPROC* address);
  // Binder B: the bare name first, then the program's folder; logs each attempt to the event
  // log and has the library log its version after a load.
  static HRESULT LoadLogged(const char* name, FARPROC* address);

  // Typed calls of the exports; kPalNotAvailable when the library or export is missing.
  static HRESULT BootTerminal(DWORD bootCode);                                        // binder A
  static HRESULT GetDeviceDetail(DWORD detailId, wchar_t* buffer, DWORD* sizeInOutBytes);  // binder A
  static HRESULT GetSerialNumber(wchar_t* buffer);  // binder B; buffer holds at least 15 characters
};

}  // namespace qzr
