// The device shell's file information: program icons from device paths.
#define WINCE_NO_REDIRECT
#include "ceshell.h"

#include <shellapi.h>

namespace {

// The drives a device path may live on: the Windows folder's, then the current folder's.
std::wstring DeviceDrives() {
  std::wstring drives;
  wchar_t folder[MAX_PATH] = {};
  if (GetWindowsDirectoryW(folder, MAX_PATH) >= 2 && folder[1] == L':') drives += folder[0];
  if (GetCurrentDirectoryW(MAX_PATH, folder) >= 2 && folder[1] == L':' && drives.find(folder[0]) == std::wstring::npos)
    drives += folder[0];
  return drives.empty() ? L"C" : drives;
}

bool Exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

}  // namespace

namespace wince {

std::wstring HostPathOf(const std::wstring& devicePath, const std::wstring& drives) {
  if (devicePath.empty() || devicePath[0] != L'\\' || (devicePath.size() > 1 && devicePath[1] == L'\\') || drives.empty())
    return devicePath;
  for (wchar_t drive : drives) {
    std::wstring candidate = std::wstring(1, drive) + L":" + devicePath;
    if (Exists(candidate)) return candidate;
  }
  return std::wstring(1, drives[0]) + L":" + devicePath;
}

}  // namespace wince

extern "C" DWORD_PTR WINAPI CeSHGetFileInfoW(LPCWSTR path, DWORD attributes, SHFILEINFOW* info, UINT infoSize,
                                             UINT flags) {
  if (!path) return SHGetFileInfoW(path, attributes, info, infoSize, flags);
  std::wstring host = wince::HostPathOf(path, DeviceDrives());
  if ((flags & SHGFI_USEFILEATTRIBUTES) && !(flags & SHGFI_PIDL) && Exists(host)) flags &= ~SHGFI_USEFILEATTRIBUTES;
  return SHGetFileInfoW(host.c_str(), attributes, info, infoSize, flags);
}
