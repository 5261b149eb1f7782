// Device-profile value names that the simulated handheld's radio and settings service answer from.
#pragma once

namespace emulator::radio {

// Read by 80211api.dll. A missing value makes its query fail.
inline constexpr wchar_t kAssociation[] = L"RadioAssociation";      // decimal; 0 = associated
inline constexpr wchar_t kRssi[] = L"RadioRssi";                    // decimal dBm, e.g. -58
inline constexpr wchar_t kMac[] = L"RadioMac";                      // text
inline constexpr wchar_t kIp[] = L"RadioIp";                        // text; empty = no address
inline constexpr wchar_t kConnectResult[] = L"RadioConnectResult";  // decimal or 0x hex; missing = 0

// Read by QZRSSApi.dll. A missing value makes its query fail.
inline constexpr wchar_t kZeroConfig[] = L"ZeroConfig";                        // ON / OFF
inline constexpr wchar_t kNetworkAuthentication[] = L"NetworkAuthentication";  // Microsoft security digit
inline constexpr wchar_t kActiveProfile[] = L"ActiveProfile";                  // Profile_1 .. Profile_4
inline constexpr wchar_t kProfileAssociationFormat[] = L"Profile%cAssociation";  // per profile digit

}  // namespace emulator::radio
