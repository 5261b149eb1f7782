// The device shell's file information: program icons in the system image list, from device
// paths. Wine's shell answers every program with its generic document icon, so the icons of
// program and icon files are added to the system image lists here, as the device shell does.
#define WINCE_NO_REDIRECT
#include "ceshell.h"

#include <commctrl.h>
#include <shellapi.h>

#include <cwctype>
#include <map>

namespace {

constexpr UINT kIconIndexFlags = SHGFI_SYSICONINDEX | SHGFI_USEFILEATTRIBUTES | SHGFI_LARGEICON | SHGFI_SMALLICON;

using FileInfoCall = DWORD_PTR(WINAPI*)(LPCWSTR path, DWORD attributes, SHFILEINFOW* info, UINT infoSize, UINT flags);

// The desktop's shell library is bound by name on first use, not at load time: on the device
// file information comes from the core library, which every program has loaded anyway; here
// loading shell32 and all it pulls in would otherwise fall on every program's start. Never
// freed: the system image lists belong to it.
DWORD_PTR DesktopFileInfo(LPCWSTR path, DWORD attributes, SHFILEINFOW* info, UINT infoSize, UINT flags) {
  static const FileInfoCall call = [] {
    HMODULE shell = LoadLibraryW(L"shell32.dll");
    return shell ? reinterpret_cast<FileInfoCall>(reinterpret_cast<void*>(GetProcAddress(shell, "SHGetFileInfoW"))) : nullptr;
  }();
  return call ? call(path, attributes, info, infoSize, flags) : 0;
}

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

std::wstring Lower(std::wstring s) {
  for (wchar_t& c : s) c = static_cast<wchar_t>(towlower(c));
  return s;
}

bool IsProgram(const std::wstring& lowerPath) {
  return lowerPath.size() > 4 && lowerPath.compare(lowerPath.size() - 4, 4, L".exe") == 0;
}

HIMAGELIST SystemImageList(UINT sizeFlag) {
  SHFILEINFOW info{};
  wchar_t root[] = L"C:\\";
  root[0] = DeviceDrives()[0];
  return reinterpret_cast<HIMAGELIST>(DesktopFileInfo(root, 0, &info, sizeof info, SHGFI_SYSICONINDEX | sizeFlag));
}

HICON LoadFileIcon(const std::wstring& path, int size) {
  HICON icon = nullptr;
  if (PrivateExtractIconsW(path.c_str(), 0, size, size, &icon, nullptr, 1, 0) != 1) return nullptr;
  return icon;
}

// The system image lists' index of a file's own icon (or, for a program without one, the
// default program icon), added once per file; -1 when the file has no icon of its own.
int IconIndexOf(const std::wstring& hostPath) {
  static std::map<std::wstring, int> added;
  std::wstring key = Lower(hostPath);
  if (auto found = added.find(key); found != added.end()) return found->second;
  const int large = GetSystemMetrics(SM_CXICON), small = GetSystemMetrics(SM_CXSMICON);
  HICON big = nullptr, little = nullptr;
  bool shared = false;
  if (Exists(hostPath)) {
    big = LoadFileIcon(hostPath, large);
    little = LoadFileIcon(hostPath, small);
  }
  if (!big && IsProgram(key)) {
    // Every program without an icon of its own shares the one default entry.
    key = L"*";
    if (auto found = added.find(key); found != added.end()) return found->second;
    big = static_cast<HICON>(LoadImageW(nullptr, IDI_APPLICATION, IMAGE_ICON, large, large, LR_SHARED));
    little = static_cast<HICON>(LoadImageW(nullptr, IDI_APPLICATION, IMAGE_ICON, small, small, LR_SHARED));
    shared = true;
  }
  int index = -1;
  HIMAGELIST bigList = SystemImageList(SHGFI_LARGEICON), smallList = SystemImageList(SHGFI_SMALLICON);
  if (big && bigList) {
    index = ImageList_ReplaceIcon(bigList, -1, big);
    // The small list keeps the same index for the same file.
    if (smallList && smallList != bigList) ImageList_ReplaceIcon(smallList, -1, little ? little : big);
  }
  if (!shared) {
    if (big) DestroyIcon(big);
    if (little) DestroyIcon(little);
  }
  if (index >= 0) added[key] = index;
  return index;
}

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
  if (!path || (flags & SHGFI_PIDL)) return DesktopFileInfo(path, attributes, info, infoSize, flags);
  std::wstring host = wince::HostPathOf(path, DeviceDrives());
  if (info && infoSize >= sizeof(SHFILEINFOW) && (flags & SHGFI_SYSICONINDEX) && !(flags & ~kIconIndexFlags)) {
    const int index = IconIndexOf(host);
    if (index >= 0) {
      info->iIcon = index;
      info->hIcon = nullptr;
      return reinterpret_cast<DWORD_PTR>(SystemImageList(flags & SHGFI_SMALLICON));
    }
  }
  if ((flags & SHGFI_USEFILEATTRIBUTES) && Exists(host)) flags &= ~SHGFI_USEFILEATTRIBUTES;
  return DesktopFileInfo(host.c_str(), attributes, info, infoSize, flags);
}
