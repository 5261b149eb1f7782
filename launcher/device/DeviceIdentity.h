// Device identity and version information: platform type, release code, model id, serial
// numbers and the version texts of program files.
#pragma once

#include <string>

namespace qzr {

// Cached for the life of the process: -1 until first asked.
int GetPlatformType();  // 0 other, 1 Pocket PC, 2 listed embedded platforms
int GetModelId();       // 0 not this maker's device, 1..16 table rows, 99 unlisted device of this maker
int GetOsReleaseCode();  // 0..6, worked out on every call

// Characters written, 0 when no source answered, -1 when capacity < 12.
int GetDeviceSerialText(wchar_t* buffer, int capacity);
int GetOemSerialText(wchar_t* buffer, int capacity);

// productName: expected name on entry, found name (or error text) on return. 1 = valid file.
int GetFileVersionText(const std::wstring& path, std::wstring& productName, std::wstring& versionText);

}  // namespace qzr
