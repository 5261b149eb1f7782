// Radio and network status: the radio library (80211api.dll), the settings service's
// authentication queries (QZRSSGetW) and the wired link test.
#pragma once

#include <windows.h>

#include <functional>
#include <span>
#include <string>

#include "Win32Owners.h"

namespace qzr {

inline constexpr wchar_t kRadioLibraryName[] = L"80211api.dll";

class Radio80211 {
 public:
  static constexpr int kExportCount = 29;
  Radio80211() = default;
  ~Radio80211() { Unload(); }
  Radio80211(const Radio80211&) = delete;
  Radio80211& operator=(const Radio80211&) = delete;

  bool Load();  // true when all 29 exports resolved and RadioConnect answered 0
  // The same with another library file; lets tests walk a library that lacks an export.
  bool Load(const wchar_t* libraryName);
  void Unload();
  bool IsLoaded() const { return static_cast<bool>(library_); }

  DWORD GetAssociationStatus(DWORD* status);
  DWORD GetRSSI(LONG* rssi);
  DWORD GetMac(wchar_t* buffer);            // 128 characters
  DWORD GetRadioIpAddress(wchar_t* buffer); // 128 characters

 private:
  Library library_;
  FARPROC exports_[kExportCount] = {};
};

// The radio library's exports, in the order Load resolves them.
extern const char* const kRadioExportNames[Radio80211::kExportCount];

// The settings service's call: query, response buffer, its size in characters (in and out),
// time-out in milliseconds; 0 on success.
using SettingsQuery = std::function<DWORD(const wchar_t* query, wchar_t* response, DWORD* sizeInOutChars, DWORD timeoutMs)>;

// True with the authentication name in `buffer` (sizeBytes bytes).
bool GetAuthenticationText(wchar_t* buffer, int sizeBytes);
// The same rule over any settings service; GetAuthenticationText passes QZRSSGetW.
bool GetAuthenticationText(wchar_t* buffer, int sizeBytes, const SettingsQuery& query);
// Reduces a settings response (sizeChars characters) to its upper-cased field value.
bool ExtractFieldValue(wchar_t* response, int sizeChars);

// What GetIfEntry told about one adapter.
struct AdapterLink {
  bool answered = false;  // GetIfEntry succeeded
  DWORD operStatus = 0;
  DWORD speed = 0;        // bits per second
};
// True when some adapter answered with a qualifying status at exactly 10, 100 or 1000 Mbit/s.
bool AnyWiredLinkUp(std::span<const AdapterLink> adapters);
// True when some adapter has a link up at exactly 10, 100 or 1000 Mbit/s.
bool IsWiredLinkUp();

}  // namespace qzr
