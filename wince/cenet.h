// The IP helper calls that the device answers for its own adapters, under their CE names. On
// the simulated handheld the device profile says which wired link the device has; the host's
// adapters are never reported. Include this instead of <iphlpapi.h>.
#pragma once

#include <windows.h>
#include <iphlpapi.h>

#include <optional>
#include <string>

extern "C" {
DWORD WINAPI CeGetAdaptersInfo(PIP_ADAPTER_INFO list, PULONG size);
DWORD WINAPI CeGetIfEntry(PMIB_IFROW row);
}

#ifndef WINCE_NO_REDIRECT
#define GetAdaptersInfo CeGetAdaptersInfo
#define GetIfEntry CeGetIfEntry
#endif

namespace wince {

namespace profile {
inline constexpr wchar_t kWiredLink[] = L"WiredLink";              // REG_SZ "up" / "down"; missing = no wired adapter
inline constexpr wchar_t kWiredSpeed[] = L"WiredSpeed";            // REG_SZ decimal bits per second; missing = 100000000
inline constexpr wchar_t kWiredOperStatus[] = L"WiredOperStatus";  // REG_SZ decimal 0..5; missing = 5 when up, 2 when down
}  // namespace profile

// The device's wired adapter as the IP helper reports it.
struct WiredAdapter {
  DWORD speed = 0;       // bits per second
  DWORD operStatus = 0;  // MIB_IF_OPER_STATUS_*
};
inline constexpr DWORD kWiredAdapterIndex = 1;

// What the profile's three values make of the wired adapter; none when the device has none
// (no WiredLink value, or one that is neither "up" nor "down").
std::optional<WiredAdapter> WiredAdapterFrom(const std::optional<std::wstring>& link,
                                             const std::optional<std::wstring>& speed,
                                             const std::optional<std::wstring>& operStatus);

}  // namespace wince
