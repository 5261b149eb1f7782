// The device's identity controls, asked by the launcher and answered by the simulated handheld:
// two kernel control codes for serial numbers, and the identity driver with its read control.
#pragma once

#include <windows.h>

namespace wince {

// KernelIoControl: the serial number as bytes (input {2, 0}) and the OEM serial (input {'H', 0}).
inline constexpr DWORD kIoctlSerial = 0x010122C4;
inline constexpr DWORD kIoctlOemSerial = 0x01013390;

// DeviceIoControl on the identity driver: reads the value named in its input.
inline constexpr wchar_t kIdentityDriver[] = L"DMX1:";
inline constexpr DWORD kDmxReadValue = 0x002201A8;
inline constexpr wchar_t kDmxSerialValue[] = L"Serial";

}  // namespace wince
