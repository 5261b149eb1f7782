// Device identity and version information: platform type, release code, model id, serial
// numbers and the version texts of program files.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace qzr {

// Platform types as GetPlatformType answers them, from the platform's SPI_GETPLATFORMTYPE text.
namespace platform {
enum Type : int {
  kOther = 0,     // neither of the two below
  kPocketPc = 1,  // "PocketPC": Windows Mobile with the task bar, Start menu and Today screen
  kEmbedded = 2,  // one of the maker's listed embedded platforms
};
}  // namespace platform

// Model ids as GetModelId answers them, named for the device each stands for.
namespace model {
inline constexpr int kNone = 0;  // not this maker's device
inline constexpr int kVP48 = 1, kVM5 = 2, kVP57 = 3, kVR42 = 4, kVM4 = 5, kVM6 = 6, kVP21 = 7, kVP33 = 8,
                     kPerihelionV3 = 9, kVX12 = 10, kVX14 = 11, kVX15 = 12, kVR4A = 13, kVR4B = 14, kVP22 = 15,
                     kVX16 = 16;
inline constexpr int kUnlisted = 99;  // this maker's, but in no table
}  // namespace model

// Cached for the life of the process: -1 until first asked.
platform::Type GetPlatformType();
int GetModelId();       // 0 not this maker's device, 1..16 table rows, 99 unlisted device of this maker
int GetOsReleaseCode();  // 0..6, worked out on every call

// Characters written, 0 when no source answered, -1 when capacity < 12.
int GetDeviceSerialText(wchar_t* buffer, int capacity);
int GetOemSerialText(wchar_t* buffer, int capacity);

// productName: expected name on entry, found name (or error text) on return. True for a valid file.
bool GetFileVersionText(const std::wstring& path, std::wstring& productName, std::wstring& versionText);

// Forgets the cached platform type and model id, so that a test can change the device under them.
void ResetDeviceFactsForTesting();

// The rules behind the adapters above, over what the device and files answered.

// SPI_GETPLATFORMTYPE text -> platform type.
platform::Type PlatformTypeFromText(std::wstring_view text);

struct OsVersionFacts {
  bool versionKnown = false;  // GetVersionEx answered
  uint32_t platformId = 0;
  bool pocketPc = false;      // SPI_GETPLATFORMTYPE said "PocketPC"
  uint32_t major = 0, minor = 0, build = 0;
};
int ReleaseCodeFrom(const OsVersionFacts& facts);

// Model id from the PAL's model text (prefix rows) and from the OEM text; 0 when no row matches.
int ModelIdFromPalModel(std::wstring_view text);
int ModelIdFromOemInfo(std::wstring_view text);

// Serial text of control 0x010122C4: bytes b5..b0 of its output; empty if fewer than six bytes.
std::wstring FormatKernelSerial(std::span<const uint8_t> output);
// Serial text of control 0x01013390: output bytes 0..10 as eleven characters.
std::wstring FormatOemSerial(std::span<const uint8_t> output);
// The wide string at a byte offset, ending at its null or at the end of the bytes.
std::wstring WideStringAt(std::span<const uint8_t> bytes, size_t offset);
// Copies as much of text as fits with its terminator; returns the characters copied.
int CopyBounded(std::wstring_view text, wchar_t* buffer, int capacity);
// Characters of a PAL detail answer of sizeBytes (terminator included), kept inside capacity.
int DetailTextLength(uint32_t sizeBytes, int capacity);

// "Version %d.%02d.%02d.%04d" of a product version's two 32-bit words.
std::wstring FormatProductVersion(uint32_t versionMs, uint32_t versionLs);
// Product name found by walking a version block byte by byte; empty when the walk reaches the
// block's end, which is its stated 16-bit length or the bytes actually given, whichever is less.
std::wstring ScanProductName(std::span<const uint8_t> block);

}  // namespace qzr
