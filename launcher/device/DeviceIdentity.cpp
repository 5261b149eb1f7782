// Placeholder device identity: no device facts are known yet.
#include "DeviceIdentity.h"

namespace qzr {

int GetPlatformType() { return 0; }
int GetModelId() { return 0; }
int GetOsReleaseCode() { return 0; }
int GetDeviceSerialText(wchar_t*, int capacity) { return capacity < 12 ? -1 : 0; }
int GetOemSerialText(wchar_t*, int capacity) { return capacity < 12 ? -1 : 0; }
int GetFileVersionText(const std::wstring&, std::wstring& productName, std::wstring& versionText) {
  productName.clear();
  versionText = L"UNKNOWN VERSION";
  return 0;
}

}  // namespace qzr
