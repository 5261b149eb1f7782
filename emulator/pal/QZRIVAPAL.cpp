// Stand-in for the device maker's platform abstraction library, answering from the device
// profile. A boot request is written to the device journal instead of restarting anything.
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>

#include "DeviceProfile.h"

namespace {
constexpr HRESULT kNotAvailable = static_cast<HRESULT>(0x80004001);
constexpr HRESULT kFailure = static_cast<HRESULT>(0x80004005);
}  // namespace

extern "C" {

__declspec(dllexport) HRESULT WINAPI PALBOOT_BootTerminal(DWORD bootCode) {
  wchar_t line[64];
  swprintf(line, 64, L"PALBOOT_BootTerminal 0x%X", static_cast<unsigned>(bootCode));
  wince::AppendJournal(line);
  return S_OK;
}

__declspec(dllexport) HRESULT WINAPI PALSysinfo_GetDeviceDetailW(DWORD detailId, wchar_t* buffer, DWORD* sizeInOutBytes) {
  if (!buffer || !sizeInOutBytes) return kFailure;
  const wchar_t* name = detailId == 1 ? wince::profile::kPalSerial : detailId == 2 ? wince::profile::kPalModel : nullptr;
  if (!name) return kNotAvailable;
  auto text = wince::ReadProfileString(name);
  if (!text) return kNotAvailable;
  DWORD needed = static_cast<DWORD>((text->size() + 1) * sizeof(wchar_t));
  if (*sizeInOutBytes < needed) {
    *sizeInOutBytes = needed;
    return kFailure;
  }
  wmemcpy(buffer, text->c_str(), text->size() + 1);
  *sizeInOutBytes = needed;
  return S_OK;
}

// The caller's buffer holds at least 15 characters.
__declspec(dllexport) HRESULT WINAPI PALSysinfo_GetSerialNumber(wchar_t* buffer) {
  if (!buffer) return kFailure;
  auto text = wince::ReadProfileString(wince::profile::kPalSerialNumber);
  if (!text) return kNotAvailable;
  size_t n = text->size() < 14 ? text->size() : 14;
  wmemcpy(buffer, text->c_str(), n);
  buffer[n] = L'\0';
  return S_OK;
}

__declspec(dllexport) HRESULT WINAPI PALVER_LogVersion(const wchar_t* name, DWORD reserved) {
  (void)reserved;
  wince::AppendJournal(std::wstring(L"PALVER_LogVersion ") + (name ? name : L""));
  return S_OK;
}

}  // extern "C"
