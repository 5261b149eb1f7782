// The device's adapter list and interface rows, answered from the device profile.
#define WINCE_NO_REDIRECT
#include "cenet.h"

#include <cstring>
#include <cwchar>
#include <cwctype>

#include "DeviceProfile.h"

namespace {

std::optional<DWORD> Decimal(const std::optional<std::wstring>& text) {
  if (!text || text->empty()) return std::nullopt;
  wchar_t* end = nullptr;
  unsigned long value = wcstoul(text->c_str(), &end, 10);
  if (*end != L'\0') return std::nullopt;
  return static_cast<DWORD>(value);
}

bool SameText(const std::wstring& a, const wchar_t* b) { return _wcsicmp(a.c_str(), b) == 0; }

std::optional<wince::WiredAdapter> ProfileWiredAdapter() {
  using namespace wince::profile;
  return wince::WiredAdapterFrom(wince::ReadProfileString(kWiredLink), wince::ReadProfileString(kWiredSpeed),
                                 wince::ReadProfileString(kWiredOperStatus));
}

}  // namespace

namespace wince {

std::optional<WiredAdapter> WiredAdapterFrom(const std::optional<std::wstring>& link,
                                             const std::optional<std::wstring>& speed,
                                             const std::optional<std::wstring>& operStatus) {
  if (!link) return std::nullopt;
  bool up = SameText(*link, L"up");
  if (!up && !SameText(*link, L"down")) return std::nullopt;
  WiredAdapter adapter;
  adapter.speed = Decimal(speed).value_or(100000000);
  adapter.operStatus = Decimal(operStatus).value_or(up ? MIB_IF_OPER_STATUS_OPERATIONAL : MIB_IF_OPER_STATUS_DISCONNECTED);
  return adapter;
}

}  // namespace wince

extern "C" {

DWORD WINAPI CeGetAdaptersInfo(PIP_ADAPTER_INFO list, PULONG size) {
  if (!size) return ERROR_INVALID_PARAMETER;
  if (!ProfileWiredAdapter()) return ERROR_NO_DATA;
  if (!list || *size < sizeof(IP_ADAPTER_INFO)) {
    *size = sizeof(IP_ADAPTER_INFO);
    return ERROR_BUFFER_OVERFLOW;
  }
  memset(list, 0, sizeof(IP_ADAPTER_INFO));
  strcpy(list->AdapterName, "ETHER1");
  strcpy(list->Description, "Handheld cradle Ethernet");
  list->AddressLength = 6;
  const BYTE mac[6] = {0x00, 0x0D, 0x4B, 0x12, 0x34, 0x57};
  memcpy(list->Address, mac, sizeof mac);
  list->Index = wince::kWiredAdapterIndex;
  list->ComboIndex = wince::kWiredAdapterIndex;
  list->Type = MIB_IF_TYPE_ETHERNET;
  strcpy(list->IpAddressList.IpAddress.String, "0.0.0.0");
  strcpy(list->IpAddressList.IpMask.String, "0.0.0.0");
  return NO_ERROR;
}

DWORD WINAPI CeGetIfEntry(PMIB_IFROW row) {
  if (!row) return ERROR_INVALID_PARAMETER;
  auto adapter = ProfileWiredAdapter();
  if (!adapter || row->dwIndex != wince::kWiredAdapterIndex) return ERROR_INVALID_DATA;
  row->dwType = MIB_IF_TYPE_ETHERNET;
  row->dwMtu = 1500;
  row->dwSpeed = adapter->speed;
  row->dwPhysAddrLen = 6;
  row->dwAdminStatus = 1;
  row->dwOperStatus = static_cast<decltype(row->dwOperStatus)>(adapter->operStatus);
  return NO_ERROR;
}

}  // extern "C"
