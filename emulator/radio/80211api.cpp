// Stand-in for the device's radio library: the six calls the launcher makes answer from the
// device profile; the rest of the library's surface is present but does nothing.
#include <windows.h>

#include <cwchar>
#include <cstdlib>
#include <optional>
#include <string>

#include "DeviceProfile.h"
#include "RadioProfile.h"

namespace {

constexpr DWORD kNotSupported = ERROR_NOT_SUPPORTED;
constexpr DWORD kNoValue = ERROR_NOT_FOUND;
constexpr size_t kTextChars = 128;  // the callers' buffers

std::optional<long> ReadNumber(const wchar_t* name) {
  auto text = wince::ReadProfileString(name);
  if (!text) return std::nullopt;
  return static_cast<long>(wcstoul(text->c_str(), nullptr, 0));
}

DWORD CopyText(const wchar_t* name, wchar_t* buffer) {
  if (!buffer) return ERROR_INVALID_PARAMETER;
  auto text = wince::ReadProfileString(name);
  if (!text) return kNoValue;
  size_t n = text->size() < kTextChars - 1 ? text->size() : kTextChars - 1;
  wmemcpy(buffer, text->c_str(), n);
  buffer[n] = L'\0';
  return 0;
}

}  // namespace

extern "C" {

__declspec(dllexport) DWORD WINAPI RadioConnect() {
  return static_cast<DWORD>(ReadNumber(emulator::radio::kConnectResult).value_or(0));
}

__declspec(dllexport) DWORD WINAPI RadioDisconnect() { return 0; }

__declspec(dllexport) DWORD WINAPI GetAssociationStatus(DWORD* status) {
  if (!status) return ERROR_INVALID_PARAMETER;
  auto value = ReadNumber(emulator::radio::kAssociation);
  if (!value) return kNoValue;
  *status = static_cast<DWORD>(*value);
  return 0;
}

__declspec(dllexport) DWORD WINAPI GetRSSI(LONG* rssi) {
  if (!rssi) return ERROR_INVALID_PARAMETER;
  auto text = wince::ReadProfileString(emulator::radio::kRssi);
  if (!text) return kNoValue;
  *rssi = wcstol(text->c_str(), nullptr, 10);
  return 0;
}

__declspec(dllexport) DWORD WINAPI GetMac(wchar_t* buffer) { return CopyText(emulator::radio::kMac, buffer); }

__declspec(dllexport) DWORD WINAPI GetRadioIpAddress(wchar_t* buffer) { return CopyText(emulator::radio::kIp, buffer); }

// The launcher never calls these; they exist because a radio library without them is not one.
#define QZR_INERT_RADIO_EXPORT(name) \
  __declspec(dllexport) DWORD WINAPI name() { return kNotSupported; }
QZR_INERT_RADIO_EXPORT(GetAuthenticationMode)
QZR_INERT_RADIO_EXPORT(GetBSSID)
QZR_INERT_RADIO_EXPORT(GetDiversity)
QZR_INERT_RADIO_EXPORT(GetLinkSpeed)
QZR_INERT_RADIO_EXPORT(GetNetworkMode)
QZR_INERT_RADIO_EXPORT(GetNetworkType)
QZR_INERT_RADIO_EXPORT(GetSSID)
QZR_INERT_RADIO_EXPORT(GetPowerMode)
QZR_INERT_RADIO_EXPORT(GetTXPower)
QZR_INERT_RADIO_EXPORT(GetWepStatus)
QZR_INERT_RADIO_EXPORT(AddWep)
QZR_INERT_RADIO_EXPORT(EnableWep)
QZR_INERT_RADIO_EXPORT(SetAuthenticationMode)
QZR_INERT_RADIO_EXPORT(SetChannel)
QZR_INERT_RADIO_EXPORT(SetNetworkMode)
QZR_INERT_RADIO_EXPORT(SetPowerMode)
QZR_INERT_RADIO_EXPORT(SetSSID)
QZR_INERT_RADIO_EXPORT(ConfigureProfile)
QZR_INERT_RADIO_EXPORT(isOrinoco)
QZR_INERT_RADIO_EXPORT(isSupplicantRunning)
QZR_INERT_RADIO_EXPORT(StartScanList)
QZR_INERT_RADIO_EXPORT(StartSupplicant)
// Tests build a variant without the last export, which the launcher must refuse.
#ifndef QZR_RADIO_WITHOUT_STOP_SUPPLICANT
QZR_INERT_RADIO_EXPORT(StopSupplicant)
#endif

}  // extern "C"
