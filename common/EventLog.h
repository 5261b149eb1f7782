// The device's event log (QZREventLog.dll), bound by name at run time. Best-effort: with the
// library or an export missing, nothing is logged and nothing is reported.
#pragma once

#include <windows.h>

#include <cstdarg>

namespace qzr::eventlog {

inline constexpr DWORD kCategoryInfo = 4;
inline constexpr DWORD kCategoryError = 12;
inline constexpr DWORD kEventInfo = 0x442C0000;
inline constexpr DWORD kEventError = 0xC42C0000;
inline constexpr DWORD kNotAvailable = 0x80004001;
inline constexpr wchar_t kFacilityName[] = L"KL";

// Returns the facility number (low 16 bits of the library's answer), 0 without the library.
WORD RegisterFacility(const wchar_t* name);

// Passes a narrow printf format and its arguments to the log; 0, or 0x80004001 without the library.
DWORD LogStringVEx(WORD facility, DWORD category, const char* format, va_list args);
DWORD LogStringEx(WORD facility, DWORD category, const char* format, ...);

// Formats into a 1024-byte buffer and logs the finished text with an event code. Its library
// handle is its own, and a failed load is retried on every call.
DWORD LogString(DWORD eventCode, const char* format, ...);

// The program's facility number, registered once at start-up (0 until then).
WORD FacilityNumber();
void SetFacilityNumber(WORD facility);

// Logs with the program's facility: Log(kCategoryInfo, "..\\..\\common source\\launcher (%d), InitInstance", 64).
DWORD Log(DWORD category, const char* format, ...);

}  // namespace qzr::eventlog
