// Stand-in for the device's settings service: answers the radio security queries from the
// device profile by filling the queried field of the request, as the service does.
#include <windows.h>

#include <cwchar>
#include <optional>
#include <string>

#include "DeviceProfile.h"
#include "RadioProfile.h"

namespace {

constexpr DWORD kUnknownField = ERROR_NOT_SUPPORTED;
constexpr DWORD kNoValue = ERROR_NOT_FOUND;

// The text between `before` and the next quote, or nothing.
std::optional<std::wstring> AttributeAfter(const std::wstring& query, const std::wstring& before) {
  size_t at = query.find(before);
  if (at == std::wstring::npos) return std::nullopt;
  at += before.size();
  size_t end = query.find(L'"', at);
  if (end == std::wstring::npos) return std::nullopt;
  return query.substr(at, end - at);
}

// The profile value that answers the query's field.
std::optional<std::wstring> ProfileNameFor(const std::wstring& query) {
  namespace radio = emulator::radio;
  auto field = AttributeAfter(query, L"<Field Name=\"");
  if (!field) return std::nullopt;
  if (*field == L"ZeroConfig") return std::wstring(radio::kZeroConfig);
  if (*field == L"Network Authentication") return std::wstring(radio::kNetworkAuthentication);
  if (*field == L"ActiveProfile") return std::wstring(radio::kActiveProfile);
  if (*field == L"Association") {
    auto instance = AttributeAfter(query, L"Instance=\"Profile_");
    if (!instance || instance->size() != 1) return std::nullopt;
    wchar_t name[32];
    swprintf(name, 32, radio::kProfileAssociationFormat, (*instance)[0]);
    return std::wstring(name);
  }
  return std::nullopt;
}

}  // namespace

extern "C" __declspec(dllexport) DWORD WINAPI QZRSSGetW(const wchar_t* query, wchar_t* response, DWORD* sizeInOutChars,
                                                        DWORD timeoutMs) {
  (void)timeoutMs;
  if (!query || !response || !sizeInOutChars) return ERROR_INVALID_PARAMETER;
  std::wstring request(query);
  auto name = ProfileNameFor(request);
  if (!name) return kUnknownField;
  auto value = wince::ReadProfileString(name->c_str());
  if (!value) return kNoValue;

  size_t slot = request.find(L"></Field>");
  if (slot == std::wstring::npos) return kUnknownField;
  std::wstring answer = request.substr(0, slot + 1) + *value + request.substr(slot + 1);
  DWORD needed = static_cast<DWORD>(answer.size() + 1);
  if (needed > *sizeInOutChars) {
    *sizeInOutChars = needed;
    return ERROR_INSUFFICIENT_BUFFER;
  }
  wmemcpy(response, answer.c_str(), answer.size() + 1);
  *sizeInOutChars = needed;
  return 0;
}
