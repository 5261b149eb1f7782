// Stand-in for the device maker's platform abstraction library, answering from the device
// profile. A boot request is written to the device journal; with RebootOnBootRequest it also
// runs the start-up list again, as a restart would.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <string>

#include "DeviceProfile.h"
#include "Win32Owners.h"

namespace {
constexpr HRESULT kNotAvailable = static_cast<HRESULT>(0x80004001);
constexpr HRESULT kFailure = static_cast<HRESULT>(0x80004005);

// Runs the handheld's start-up list again once the requesting process is gone, so a
// clean-up cycle can be watched across simulated boots.
void StartWarmBoot() {
  qzr::RegKey key;
  if (!key.Open(HKEY_LOCAL_MACHINE, wince::kEmulatorKey)) return;
  wchar_t tool[MAX_PATH] = {};
  DWORD bytes = sizeof tool - sizeof(wchar_t), type = 0;
  LONG rc = RegQueryValueExW(key.get(), wince::kToolPathValue, nullptr, &type, reinterpret_cast<BYTE*>(tool), &bytes);
  if (rc != ERROR_SUCCESS || type != REG_SZ) return;
  std::wstring commandLine = L"\"" + std::wstring(tool) + L"\" boot --after-exit " + std::to_wstring(GetCurrentProcessId());
  STARTUPINFOW si{sizeof si};
  PROCESS_INFORMATION pi{};
  if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, DETACHED_PROCESS, nullptr, L"C:\\", &si, &pi))
    return;
  qzr::StartedProcess boot(pi);  // nobody waits for the boot: its handles go at once
}

}  // namespace

extern "C" {

__declspec(dllexport) HRESULT WINAPI PALBOOT_BootTerminal(DWORD bootCode) {
  wchar_t line[64];
  swprintf(line, 64, L"PALBOOT_BootTerminal 0x%X", static_cast<unsigned>(bootCode));
  wince::AppendJournal(line);
  HRESULT result = S_OK;
  if (auto answer = wince::ReadProfileString(wince::profile::kPalBootResult))
    result = static_cast<HRESULT>(wcstoul(answer->c_str(), nullptr, 0));
  if (result >= 0 && wince::ReadProfileString(wince::profile::kRebootOnBootRequest) == L"1") StartWarmBoot();
  return result;
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
