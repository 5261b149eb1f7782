// Device facts from the platform library, the kernel, the identity driver and version resources.
#include "device/DeviceIdentity.h"

#include "wince.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <cwctype>
#include <vector>

#include "device/Pal.h"
#include "Text.h"
#include "ceidentity.h"
#include "Win32Owners.h"

namespace qzr {
namespace {

using wince::kDmxReadValue;
using wince::kDmxSerialValue;
using wince::kIdentityDriver;
using wince::kIoctlOemSerial;
using wince::kIoctlSerial;

constexpr int kMinSerialCapacity = 12;
constexpr int kPalSerialCapacity = 15;
constexpr int kOemSerialChars = 11;

constexpr wchar_t kPocketPc[] = L"PocketPC";
constexpr wchar_t kInvalidFile[] = L" INVALID or MISSING FILE: \r\n";
constexpr wchar_t kUnknownVersion[] = L"UNKNOWN VERSION";
constexpr wchar_t kVersionFormat[] = L"Version %d.%02d.%02d.%04d";

struct PrefixRow {
  std::wstring_view prefix;
  int id;
};
// Order matters: the first matching row decides.
constexpr PrefixRow kPalModelRows[] = {
    {L"VX12", model::kVX12}, {L"VX14", model::kVX14}, {L"VX15", model::kVX15},
    {L"VX13", model::kPerihelionV3}, {L"VX16", model::kVX16}, {L"VP21", model::kVP21},
    {L"VP33", model::kVP33}, {L"VR4A", model::kVR4A}, {L"VR4B", model::kVR4B},
    {L"VP22", model::kVP22}, {L"PerihelionV3", model::kPerihelionV3}, {L"Korvanex ", model::kUnlisted},
};

struct OemRow {
  enum Match { kWhole, kContainsExact, kPrefix } match;
  std::wstring_view text;
  int id;
};
constexpr OemRow kOemRows[] = {
    {OemRow::kWhole, L"Korvanex VP48", model::kVP48},          {OemRow::kWhole, L"Korvanex VM5", model::kVM5},
    {OemRow::kWhole, L"Korvanex VM4", model::kVM4},            {OemRow::kWhole, L"Korvanex VM6", model::kVM6},
    {OemRow::kWhole, L"Korvanex VP21", model::kVP21},          {OemRow::kWhole, L"Korvanex VP33", model::kVP33},
    {OemRow::kContainsExact, L"PerihelionV3", model::kPerihelionV3}, {OemRow::kWhole, L"Korvanex VP57", model::kVP57},
    {OemRow::kWhole, L"Korvanex VR42", model::kVR42},          {OemRow::kPrefix, L"Korvanex ", model::kUnlisted},
};

constexpr std::wstring_view kEmbeddedPlatforms[] = {L"XScale", L"Perihelion 2", L"CEPC Platform"};

// Platform type and model id: asked once, then kept for the life of the process.
struct DeviceFacts {
  int platformType = -1;
  int modelId = -1;
};
DeviceFacts g_deviceFacts;

// The wide string at an even offset: its text, and whether a terminator ended it before the bytes did.
std::wstring ReadWide(std::span<const uint8_t> bytes, size_t offset, bool* terminated) {
  std::wstring text;
  *terminated = false;
  for (size_t p = offset; p + 1 < bytes.size(); p += 2) {
    wchar_t c = static_cast<wchar_t>(bytes[p] | (bytes[p + 1] << 8));
    if (c == L'\0') {
      *terminated = true;
      break;
    }
    text.push_back(c);
  }
  return text;
}

// Steps byte by byte from pos to the first position holding `first` whose wide string (from the
// even offset at or below it) contains key; returns the offset of that string's end, or npos.
size_t FindKeyEnd(std::span<const uint8_t> block, size_t pos, char first, std::wstring_view key) {
  for (size_t p = pos; p < block.size(); ++p) {
    if (block[p] != static_cast<uint8_t>(first)) continue;
    size_t start = p & ~static_cast<size_t>(1);
    bool terminated = false;
    std::wstring text = ReadWide(block, start, &terminated);
    if (text.find(key) != std::wstring::npos) return start + text.size() * 2;
  }
  return std::wstring::npos;
}

platform::Type AskPlatformType() {
  wchar_t text[128] = {};
  if (!SystemParametersInfoW(SPI_GETPLATFORMTYPE, 128, text, 0)) return platform::kOther;
  text[127] = L'\0';
  return PlatformTypeFromText(text);
}

int DetectModelId() {
  wchar_t text[128] = {};
  DWORD size = sizeof text;
  if (CQZRPal::GetDeviceDetail(kPalDetailModel, text, &size) >= 0 && size != 0) {
    text[127] = L'\0';
    if (int id = ModelIdFromPalModel(text)) return id;
  }
  std::fill(std::begin(text), std::end(text), L'\0');
  if (!SystemParametersInfoW(SPI_GETOEMINFO, 128, text, 0)) return 0;
  text[127] = L'\0';
  return ModelIdFromOemInfo(text);
}

int SerialFromKernel(wchar_t* buffer, int capacity) {
  BYTE input[2] = {0x02, 0x00};
  BYTE output[16] = {};
  DWORD returned = 0;
  if (!KernelIoControl(kIoctlSerial, input, sizeof input, output, sizeof output, &returned)) return -1;
  return CopyBounded(FormatKernelSerial(output), buffer, capacity);
}

int SerialFromIdentityDriver(wchar_t* buffer, int capacity) {
  FileHandle dmx(CreateFileW(kIdentityDriver, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                             FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!dmx) return 0;
  wchar_t valueName[50] = {};
  wcscpy(valueName, kDmxSerialValue);
  // The driver reads {value name pointer, 0, 0}. On the device the pointer is one 32-bit word;
  // a 64-bit pointer takes two, and the input stays 12 bytes with the pointer at its start.
  static_assert(sizeof(void*) + sizeof(DWORD) <= 12);
  alignas(void*) BYTE input[12] = {};
  const wchar_t* namePointer = valueName;
  memcpy(input, &namePointer, sizeof namePointer);
  BYTE output[104] = {};
  DWORD returned = 0;
  if (!DeviceIoControl(dmx.get(), kDmxReadValue, input, sizeof input, output, sizeof output, &returned, nullptr))
    return 0;
  return CopyBounded(WideStringAt(output, 4), buffer, capacity);
}

}  // namespace

platform::Type PlatformTypeFromText(std::wstring_view text) {
  if (EqualsNoCase(text, kPocketPc)) return platform::kPocketPc;
  for (auto name : kEmbeddedPlatforms)
    if (EqualsNoCase(text, name)) return platform::kEmbedded;
  return platform::kOther;
}

int ReleaseCodeFrom(const OsVersionFacts& facts) {
  if (!facts.versionKnown || facts.platformId != VER_PLATFORM_WIN32_CE) return 0;
  if (!facts.pocketPc) return 1;
  if (facts.major == 4 && facts.minor == 20) return 2;
  if (facts.major == 5 && (facts.minor == 0 || facts.minor == 1)) return 3;
  if (facts.major == 5 && facts.minor == 2) return facts.build < 23090 ? 5 : 6;
  return 0;
}

int ModelIdFromPalModel(std::wstring_view text) {
  for (const auto& row : kPalModelRows)
    if (StartsWithNoCase(text, row.prefix)) return row.id;
  return 0;
}

int ModelIdFromOemInfo(std::wstring_view text) {
  for (const auto& row : kOemRows) {
    bool hit = row.match == OemRow::kWhole           ? EqualsNoCase(text, row.text)
               : row.match == OemRow::kContainsExact ? text.find(row.text) != std::wstring_view::npos
                                                     : StartsWithNoCase(text, row.text);
    if (hit) return row.id;
  }
  return 0;
}

std::wstring FormatKernelSerial(std::span<const uint8_t> output) {
  if (output.size() < 6) return {};
  wchar_t text[16] = {};
  swprintf(text, 16, L"%X%02X%02X%02X%02X%02X", output[5], output[4], output[3], output[2], output[1], output[0]);
  return text;
}

std::wstring FormatOemSerial(std::span<const uint8_t> output) {
  std::wstring text;
  for (size_t i = 0; i < output.size() && i < kOemSerialChars; ++i) text.push_back(static_cast<wchar_t>(output[i]));
  return text;
}

std::wstring WideStringAt(std::span<const uint8_t> bytes, size_t offset) {
  bool terminated = false;
  return ReadWide(bytes, offset, &terminated);
}

int CopyBounded(std::wstring_view text, wchar_t* buffer, int capacity) {
  if (!buffer || capacity <= 0) return 0;
  int n = static_cast<int>(std::min<size_t>(text.size(), static_cast<size_t>(capacity - 1)));
  std::copy_n(text.data(), n, buffer);
  buffer[n] = L'\0';
  return n;
}

int DetailTextLength(uint32_t sizeBytes, int capacity) {
  int chars = static_cast<int>(std::min<uint32_t>(sizeBytes / 2, 0x7FFFFFFF));
  return std::clamp(chars - 1, 0, std::max(capacity - 1, 0));
}

std::wstring FormatProductVersion(uint32_t versionMs, uint32_t versionLs) {
  wchar_t text[64] = {};
  swprintf(text, 64, kVersionFormat, static_cast<int>(versionMs >> 16), static_cast<int>(versionMs & 0xFFFF),
           static_cast<int>(versionLs >> 16), static_cast<int>(versionLs & 0xFFFF));
  return text;
}

std::wstring ScanProductName(std::span<const uint8_t> given) {
  if (given.size() < 2) return {};
  size_t stated = given[0] | (given[1] << 8);
  auto block = given.first(std::min(stated, given.size()));

  constexpr std::wstring_view kRootKey = L"VS_VERSION_INFO";
  size_t pos = std::wstring::npos;
  for (size_t p = 6; p + kRootKey.size() * 2 <= block.size(); ++p) {
    bool match = true;
    for (size_t i = 0; i < kRootKey.size() && match; ++i)
      match = block[p + 2 * i] == static_cast<uint8_t>(kRootKey[i]) && block[p + 2 * i + 1] == 0;
    if (match) {
      pos = p + kRootKey.size() * 2;
      break;
    }
  }
  if (pos == std::wstring::npos) return {};

  pos = FindKeyEnd(block, pos, 'S', L"StringFileInfo");
  if (pos == std::wstring::npos) return {};
  pos = FindKeyEnd(block, pos, 'P', L"ProductName");
  if (pos == std::wstring::npos) return {};

  while (pos < block.size() && block[pos] == 0) ++pos;
  if (pos >= block.size()) return {};
  bool terminated = false;
  std::wstring name = ReadWide(block, pos & ~static_cast<size_t>(1), &terminated);
  return terminated ? name : std::wstring();
}

void ResetDeviceFactsForTesting() { g_deviceFacts = DeviceFacts{}; }

platform::Type GetPlatformType() {
  if (g_deviceFacts.platformType == -1) g_deviceFacts.platformType = AskPlatformType();
  return static_cast<platform::Type>(g_deviceFacts.platformType);
}

int GetModelId() {
  if (g_deviceFacts.modelId == -1) g_deviceFacts.modelId = DetectModelId();
  return g_deviceFacts.modelId;
}

int GetOsReleaseCode() {
  OsVersionFacts facts;
  OSVERSIONINFOW info{};
  info.dwOSVersionInfoSize = sizeof info;
  facts.versionKnown = GetVersionExW(&info) != FALSE;
  facts.platformId = info.dwPlatformId;
  facts.major = info.dwMajorVersion;
  facts.minor = info.dwMinorVersion;
  facts.build = info.dwBuildNumber;
  if (facts.versionKnown && facts.platformId == VER_PLATFORM_WIN32_CE) {
    wchar_t text[260] = {};
    if (SystemParametersInfoW(SPI_GETPLATFORMTYPE, sizeof text, text, 0)) {
      text[259] = L'\0';
      facts.pocketPc = EqualsNoCase(text, kPocketPc);
    }
  }
  return ReleaseCodeFrom(facts);
}

int GetDeviceSerialText(wchar_t* buffer, int capacity) {
  if (!buffer || capacity < kMinSerialCapacity) return -1;

  DWORD size = static_cast<DWORD>(capacity) * sizeof(wchar_t);
  if (CQZRPal::GetDeviceDetail(kPalDetailSerial, buffer, &size) >= 0 && size != 0) {
    int n = DetailTextLength(size, capacity);
    buffer[n] = L'\0';
    return n;
  }

  // The PAL's serial call assumes room for 15 characters and takes no size.
  if (capacity >= kPalSerialCapacity && CQZRPal::GetSerialNumber(buffer) >= 0) {
    buffer[capacity - 1] = L'\0';
    return static_cast<int>(wcslen(buffer));
  }

  int n = SerialFromKernel(buffer, capacity);
  if (n >= 0) return n;
  // A failed source may have left part of an answer behind: no answer is an empty text.
  buffer[0] = L'\0';
  return SerialFromIdentityDriver(buffer, capacity);
}

int GetOemSerialText(wchar_t* buffer, int capacity) {
  if (!buffer || capacity < kMinSerialCapacity) return -1;
  BYTE input[2] = {'H', 0x00};
  BYTE output[16] = {};
  DWORD returned = 0;
  if (!KernelIoControl(kIoctlOemSerial, input, sizeof input, output, sizeof output, &returned)) {
    buffer[0] = L'\0';
    return 0;
  }
  CopyBounded(FormatOemSerial(output), buffer, kMinSerialCapacity);
  return kOemSerialChars;
}

bool GetFileVersionText(const std::wstring& path, std::wstring& productName, std::wstring& versionText) {
  const std::wstring expected = productName;
  productName.clear();
  versionText.clear();

  bool haveVersion = false;
  DWORD ignored = 0;
  DWORD size = GetFileVersionInfoSizeW(path.c_str(), &ignored);
  if (size != 0) {
    std::vector<uint8_t> block(size + 10, 0);
    if (GetFileVersionInfoW(path.c_str(), 0, size, block.data())) {
      void* value = nullptr;
      UINT valueSize = 0;
      if (VerQueryValueW(block.data(), L"\\", &value, &valueSize) && value && valueSize >= sizeof(VS_FIXEDFILEINFO)) {
        const auto* fixed = static_cast<const VS_FIXEDFILEINFO*>(value);
        versionText = FormatProductVersion(fixed->dwProductVersionMS, fixed->dwProductVersionLS);
        haveVersion = true;
      }
      productName = ScanProductName(std::span<const uint8_t>(block.data(), size));
    }
  }

  if (haveVersion && productName.find(expected) != std::wstring::npos) return true;
  productName = kInvalidFile + path;
  if (versionText.empty()) versionText = kUnknownVersion;
  return false;
}

}  // namespace qzr
