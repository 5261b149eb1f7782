// Radio library binding, settings-service authentication queries and the wired link test.
#include "device/Radio80211.h"

#include "wince.h"

#include "cenet.h"

#include <cwchar>
#include <cwctype>
#include <memory>
#include <new>
#include <vector>

// The settings service is linked at load time; the device ships QZRSSApi.DLL in \Windows.
extern "C" DWORD WINAPI QZRSSGetW(const wchar_t* query, wchar_t* response, DWORD* sizeInOutChars, DWORD timeoutMs);

namespace qzr {

const char* const kRadioExportNames[Radio80211::kExportCount] = {
    "RadioConnect",  "RadioDisconnect", "GetAssociationStatus", "GetAuthenticationMode", "GetBSSID",
    "GetDiversity",  "GetLinkSpeed",    "GetMac",               "GetNetworkMode",        "GetNetworkType",
    "GetSSID",       "GetPowerMode",    "GetRSSI",              "GetTXPower",            "GetWepStatus",
    "GetRadioIpAddress", "AddWep",      "EnableWep",            "SetAuthenticationMode", "SetChannel",
    "SetNetworkMode", "SetPowerMode",   "SetSSID",              "ConfigureProfile",      "isOrinoco",
    "isSupplicantRunning", "StartScanList", "StartSupplicant",  "StopSupplicant"};

namespace {

enum RadioExport {
  kRadioConnect = 0,
  kRadioDisconnect = 1,
  kGetAssociationStatus = 2,
  kGetMac = 7,
  kGetRSSI = 12,
  kGetRadioIpAddress = 15,
};

using VoidCallFn = DWORD(WINAPI*)();
using StatusCallFn = DWORD(WINAPI*)(DWORD*);
using RssiCallFn = DWORD(WINAPI*)(LONG*);
using TextCallFn = DWORD(WINAPI*)(wchar_t*);

template <typename Fn>
Fn As(FARPROC address) {
  return reinterpret_cast<Fn>(reinterpret_cast<void*>(address));
}

constexpr DWORD kNotAvailable = 0x80004001;

constexpr wchar_t kQueryZeroConfig[] =
    L"<Subsystem Name=\"Communications\"><Group Name=\"802.11 Radio\"><Field Name=\"ZeroConfig\"></Field></Group></Subsystem>";
constexpr wchar_t kQueryNetworkAuthentication[] =
    L"<Subsystem Name=\"Communications\"><Group Name=\"802.11 Radio\"><Group Name=\"Microsoft Security\">"
    L"<Field Name=\"Network Authentication\"></Field></Group></Group></Subsystem>";
constexpr wchar_t kQueryActiveProfile[] = L"<Subsystem Name=\"Funk Security\"><Field Name=\"ActiveProfile\"></Field></Subsystem>";
constexpr wchar_t kQueryProfileAssociation[] =
    L"<Subsystem Name=\"Funk Security\"><Group Name=\"Profile\" Instance=\"Profile_X\"><Field Name=\"Association\"></Field></Group></Subsystem>";

constexpr int kResponseChars = 256;  // a 512-byte response buffer
constexpr DWORD kQueryTimeoutMs = 2000;
constexpr wchar_t kFieldEnd[] = L"</FIELD>";

// Sends one query into a fresh response buffer and reduces the answer to its field value.
bool QueryFieldValue(const SettingsQuery& query, const std::wstring& text, std::wstring* value) {
  wchar_t response[kResponseChars] = {};
  DWORD size = kResponseChars;
  if (query(text.c_str(), response, &size, kQueryTimeoutMs) != 0) return false;
  if (!ExtractFieldValue(response, kResponseChars)) return false;
  *value = response;
  return true;
}

// The Microsoft security page stores the authentication as a digit.
const wchar_t* MicrosoftAuthenticationName(wchar_t code) {
  switch (code) {
    case L'1': return L"OPEN";
    case L'2': return L"SHARED";
    case L'4': return L"WPA";
    case L'5': return L"WPA-PSK";
    case L'7': return L"WPA2";
    case L'8': return L"WPA2-PSK";
    default: return nullptr;
  }
}

}  // namespace

bool Radio80211::Load() { return Load(kRadioLibraryName); }

bool Radio80211::Load(const wchar_t* libraryName) {
  Unload();
  library_ = Library(libraryName);
  if (!library_) return false;
  for (int i = 0; i < kExportCount; ++i) {
    exports_[i] = library_.Proc<FARPROC>(kRadioExportNames[i]);
    if (!exports_[i]) {
      Unload();
      return false;
    }
  }
  // A radio that refuses to connect stays loaded: its queries still answer.
  return As<VoidCallFn>(exports_[kRadioConnect])() == 0;
}

void Radio80211::Unload() {
  if (!library_) return;
  if (exports_[kRadioDisconnect]) As<VoidCallFn>(exports_[kRadioDisconnect])();
  library_.reset();
  for (FARPROC& address : exports_) address = nullptr;
}

DWORD Radio80211::GetAssociationStatus(DWORD* status) {
  if (!exports_[kGetAssociationStatus]) return kNotAvailable;
  return As<StatusCallFn>(exports_[kGetAssociationStatus])(status);
}

DWORD Radio80211::GetRSSI(LONG* rssi) {
  if (!exports_[kGetRSSI]) return kNotAvailable;
  return As<RssiCallFn>(exports_[kGetRSSI])(rssi);
}

DWORD Radio80211::GetMac(wchar_t* buffer) {
  if (!exports_[kGetMac]) return kNotAvailable;
  return As<TextCallFn>(exports_[kGetMac])(buffer);
}

DWORD Radio80211::GetRadioIpAddress(wchar_t* buffer) {
  if (!exports_[kGetRadioIpAddress]) return kNotAvailable;
  return As<TextCallFn>(exports_[kGetRadioIpAddress])(buffer);
}

bool ExtractFieldValue(wchar_t* response, int sizeChars) {
  if (!response || sizeChars <= 0) return false;
  // The scratch copy stops at the buffer's end as well as at its terminator, so a full,
  // unterminated response is never read past.
  const int limit = sizeChars < kResponseChars ? sizeChars : kResponseChars;
  wchar_t upper[kResponseChars + 1] = {};
  for (int i = 0; i < limit && response[i]; ++i) upper[i] = static_cast<wchar_t>(towupper(response[i]));
  wmemset(response, L'\0', static_cast<size_t>(sizeChars));

  const wchar_t* end = wcsstr(upper, kFieldEnd);
  if (!end) return false;
  const wchar_t* start = end;
  while (start > upper && start[-1] != L'>') --start;
  size_t length = static_cast<size_t>(end - start);
  if (length > static_cast<size_t>(sizeChars - 1)) length = static_cast<size_t>(sizeChars - 1);
  wmemcpy(response, start, length);
  return true;
}

bool GetAuthenticationText(wchar_t* buffer, int sizeBytes) {
  return GetAuthenticationText(buffer, sizeBytes, [](const wchar_t* q, wchar_t* r, DWORD* size, DWORD timeoutMs) {
    return QZRSSGetW(q, r, size, timeoutMs);
  });
}

bool GetAuthenticationText(wchar_t* buffer, int sizeBytes, const SettingsQuery& query) {
  const int chars = sizeBytes / 2;
  if (!buffer || chars < 32) return false;
  wmemset(buffer, L'\0', static_cast<size_t>(chars));

  std::wstring zeroConfig;
  if (!QueryFieldValue(query, kQueryZeroConfig, &zeroConfig)) return false;

  std::wstring name;
  if (zeroConfig.compare(0, 2, L"OF") == 0) {
    std::wstring active;
    if (!QueryFieldValue(query, kQueryActiveProfile, &active)) return false;
    wchar_t digit = 0;
    for (wchar_t d = L'1'; d <= L'4' && !digit; ++d) {
      std::wstring profile = std::wstring(L"PROFILE_") + d;
      if (_wcsnicmp(active.c_str(), profile.c_str(), 9) == 0) digit = d;
    }
    if (!digit) return false;
    std::wstring association = kQueryProfileAssociation;
    association[association.find(L"Profile_X") + 8] = digit;
    std::wstring value;
    if (!QueryFieldValue(query, association, &value)) return false;
    name = wcsncmp(value.c_str(), L"RSN", 9) == 0 ? std::wstring(L"WPA2") : value;
  } else if (zeroConfig.compare(0, 2, L"ON") == 0) {
    std::wstring value;
    if (!QueryFieldValue(query, kQueryNetworkAuthentication, &value)) return false;
    const wchar_t* mapped = MicrosoftAuthenticationName(value.empty() ? L'\0' : value[0]);
    if (!mapped) return false;
    name = mapped;
  } else {
    return false;
  }

  size_t length = name.size() < static_cast<size_t>(chars - 1) ? name.size() : static_cast<size_t>(chars - 1);
  wmemcpy(buffer, name.c_str(), length);
  return true;
}

bool AnyWiredLinkUp(std::span<const AdapterLink> adapters) {
  for (const AdapterLink& a : adapters) {
    if (!a.answered) continue;
    bool statusUp = a.operStatus == 1 || a.operStatus == 3 || a.operStatus == 4 || a.operStatus == 5;
    bool wiredSpeed = a.speed == 10000000 || a.speed == 100000000 || a.speed == 1000000000;
    if (statusUp && wiredSpeed) return true;
  }
  return false;
}

bool IsWiredLinkUp() {
  ULONG size = 65535;
  std::unique_ptr<BYTE[]> buffer(new (std::nothrow) BYTE[size]);
  if (!buffer) return false;
  auto* list = reinterpret_cast<IP_ADAPTER_INFO*>(buffer.get());
  if (GetAdaptersInfo(list, &size) != NO_ERROR) return false;

  std::vector<AdapterLink> links;
  for (IP_ADAPTER_INFO* adapter = list; adapter; adapter = adapter->Next) {
    MIB_IFROW row{};
    row.dwIndex = adapter->Index;
    AdapterLink link;
    link.answered = GetIfEntry(&row) == NO_ERROR;
    link.operStatus = static_cast<DWORD>(row.dwOperStatus);
    link.speed = row.dwSpeed;
    links.push_back(link);
  }
  return AnyWiredLinkUp(links);
}

}  // namespace qzr
