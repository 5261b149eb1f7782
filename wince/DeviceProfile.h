// The simulated handheld's device profile: facts and answers that a real device's kernel and
// drivers would give, kept in the registry so that every process of the handheld sees them.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

namespace wince {

// HKEY_LOCAL_MACHINE\<kProfileKey>
inline constexpr wchar_t kProfileKey[] = L"Software\\HandheldEmulator\\Profile";

// Value names. A missing value means the device lacks that facility.
namespace profile {
inline constexpr wchar_t kPlatformType[] = L"PlatformType";        // REG_SZ, SPI_GETPLATFORMTYPE
inline constexpr wchar_t kOemInfo[] = L"OemInfo";                  // REG_SZ, SPI_GETOEMINFO
inline constexpr wchar_t kOsVersion[] = L"OsVersion";              // REG_SZ "major.minor.build"
inline constexpr wchar_t kPalModel[] = L"PalModel";                // REG_SZ, PAL device detail 2
inline constexpr wchar_t kPalSerial[] = L"PalSerial";              // REG_SZ, PAL device detail 1
inline constexpr wchar_t kPalSerialNumber[] = L"PalSerialNumber";  // REG_SZ, PALSysinfo_GetSerialNumber
inline constexpr wchar_t kKernelSerial[] = L"KernelSerial";        // REG_BINARY, kIoctlSerial (ceidentity.h)
inline constexpr wchar_t kKernelOemSerial[] = L"KernelOemSerial";  // REG_BINARY, kIoctlOemSerial
inline constexpr wchar_t kDmxSerial[] = L"DmxSerial";              // REG_SZ, kIdentityDriver's kDmxReadValue
inline constexpr wchar_t kEventLogFile[] = L"EventLogFile";        // REG_SZ, where the event log appends
inline constexpr wchar_t kJournalFile[] = L"JournalFile";          // REG_SZ, what the device was asked to do
inline constexpr wchar_t kRebootOnBootRequest[] = L"RebootOnBootRequest";  // REG_SZ "1": a PAL boot runs the start-up list
inline constexpr wchar_t kPalBootResult[] = L"PalBootResult";      // REG_SZ, PALBOOT_BootTerminal's answer; missing = 0
inline constexpr wchar_t kBatteryPercent[] = L"BatteryPercent";    // REG_SZ decimal 0..255, main battery
inline constexpr wchar_t kScreenDpi[] = L"ScreenDpi";              // REG_SZ decimal, the screen's DPI (LogPixels)
}  // namespace profile

// HKEY_LOCAL_MACHINE\<kStartUpKey>: the handheld's start-up list, REG_SZ "LaunchNN" = program,
// started in ascending NN with NN as its command line.
inline constexpr wchar_t kStartUpKey[] = L"Software\\HandheldEmulator\\StartUp";
// HKEY_LOCAL_MACHINE\<kEmulatorKey>, REG_SZ kToolPathValue: where qzremu was installed from.
inline constexpr wchar_t kEmulatorKey[] = L"Software\\HandheldEmulator";
inline constexpr wchar_t kToolPathValue[] = L"ToolPath";

std::optional<std::wstring> ReadProfileString(const wchar_t* name);
std::optional<std::vector<BYTE>> ReadProfileBinary(const wchar_t* name);
bool WriteProfileString(const wchar_t* name, const std::wstring& value);
bool WriteProfileBinary(const wchar_t* name, const std::vector<BYTE>& value);
bool DeleteProfileValue(const wchar_t* name);
bool ClearProfile();

// Appends one line to the device journal (UTF-8), where tests and people read what the
// device was asked to do: boots, start signals, resets.
void AppendJournal(const std::wstring& line);

// Appends one UTF-8 line to a text file shared by several processes.
bool AppendLineToFile(const std::wstring& path, const std::string& utf8Line);

std::string ToUtf8(const std::wstring& text);
std::wstring FromUtf8(const std::string& text);

}  // namespace wince
