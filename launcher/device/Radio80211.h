// Radio and network status: the radio library (80211api.dll), the settings service's
// authentication queries (QZRSSGetW) and the wired link test.
#pragma once

#include <windows.h>

#include <string>

namespace qzr {

class Radio80211 {
 public:
  static constexpr int kExportCount = 29;
  Radio80211() = default;
  ~Radio80211() { Unload(); }
  Radio80211(const Radio80211&) = delete;
  Radio80211& operator=(const Radio80211&) = delete;

  int Load();  // 1 when all 29 exports resolved and RadioConnect answered 0
  void Unload();
  bool IsLoaded() const { return library_ != nullptr; }

  DWORD GetAssociationStatus(DWORD* status);
  DWORD GetRSSI(LONG* rssi);
  DWORD GetMac(wchar_t* buffer);            // 128 characters
  DWORD GetRadioIpAddress(wchar_t* buffer); // 128 characters

 private:
  HMODULE library_ = nullptr;
  FARPROC exports_[kExportCount] = {};
};

// 1 with the authentication name in `buffer` (sizeBytes bytes), else 0.
int GetAuthenticationText(wchar_t* buffer, int sizeBytes);
// Reduces a settings response (sizeChars characters) to its upper-cased field value; 1 or 0.
int ExtractFieldValue(wchar_t* response, int sizeChars);
// 1 when some adapter has a link up at exactly 10, 100 or 1000 Mbit/s.
int IsWiredLinkUp();

}  // namespace qzr
