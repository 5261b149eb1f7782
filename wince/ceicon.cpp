// The device shell's file information: program icons in the system image lists, from device
// paths. The lists are this layer's own, as the device's belong to its shell: Wine's shell
// answers every program with its generic document icon, and building its lists (all of its
// stock icons, after loading shell32 and what that pulls in) took a tenth of a second of every
// launcher start. Programs and icon files bring their own icons; only documents ask the desktop
// shell, for their class's icon.
#define WINCE_NO_REDIRECT
#include "ceshell.h"

#include <commctrl.h>
#include <shellapi.h>

#include <cwctype>
#include <map>

#include "Win32UserOwners.h"

namespace {

constexpr UINT kIconIndexFlags = SHGFI_SYSICONINDEX | SHGFI_USEFILEATTRIBUTES | SHGFI_LARGEICON | SHGFI_SMALLICON;
constexpr int kShellFolderIcon = 4;  // shell32's closed folder

using FileInfoCall = DWORD_PTR(WINAPI*)(LPCWSTR path, DWORD attributes, SHFILEINFOW* info, UINT infoSize, UINT flags);

// The desktop's shell library is bound by name on first use, not at load time: on the device
// file information comes from the core library, which every program has loaded anyway; here
// loading shell32 and all it pulls in would otherwise fall on every program's start.
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

std::wstring ExtensionOf(const std::wstring& lowerPath) {
  const size_t dot = lowerPath.find_last_of(L".\\/");
  return dot != std::wstring::npos && lowerPath[dot] == L'.' ? lowerPath.substr(dot) : std::wstring();
}


// One entry's two pictures, owned until they are copied into the lists.
struct IconPair {
  qzr::Icon large;
  qzr::Icon small;
  bool shared = false;  // the system's own icons (LR_SHARED) are never destroyed

  IconPair() = default;
  ~IconPair() {
    if (!shared) return;
    large.release();
    small.release();
  }
};

// Both sizes of a file's first icon, in one reading of the file where the system allows it.
void LoadFileIcons(IconPair& icons, const std::wstring& path, int large, int small) {
  HICON both[2] = {};
  const UINT got = PrivateExtractIconsW(path.c_str(), 0, MAKELONG(large, small), MAKELONG(large, small), both, nullptr, 2, 0);
  qzr::Icon first(both[0]), second(both[1]);
  if (got == 2 && first && second) {
    icons.large = std::move(first);
    icons.small = std::move(second);
    return;
  }
  if (got == 0 || got == 0xFFFFFFFF) return;  // no icons, or no such file
  // What a failed extraction leaves in the handle is no icon of ours: forgotten, not destroyed.
  if (PrivateExtractIconsW(path.c_str(), 0, large, large, icons.large.receive(), nullptr, 1, 0) != 1) icons.large.release();
  if (PrivateExtractIconsW(path.c_str(), 0, small, small, icons.small.receive(), nullptr, 1, 0) != 1) icons.small.release();
}

void LoadDefaultProgramIcons(IconPair& icons, int large, int small) {
  icons.large.reset(static_cast<HICON>(LoadImageW(nullptr, IDI_APPLICATION, IMAGE_ICON, large, large, LR_SHARED)));
  icons.small.reset(static_cast<HICON>(LoadImageW(nullptr, IDI_APPLICATION, IMAGE_ICON, small, small, LR_SHARED)));
  icons.shared = true;
}

// A class icon from the desktop shell, by the file's name and attributes.
void LoadShellIcons(IconPair& icons, const std::wstring& hostPath, DWORD attributes) {
  SHFILEINFOW info{};
  const UINT byAttributes = SHGFI_ICON | SHGFI_USEFILEATTRIBUTES;
  if (DesktopFileInfo(hostPath.c_str(), attributes, &info, sizeof info, byAttributes | SHGFI_LARGEICON))
    icons.large.reset(info.hIcon);
  info = SHFILEINFOW{};
  if (DesktopFileInfo(hostPath.c_str(), attributes, &info, sizeof info, byAttributes | SHGFI_SMALLICON))
    icons.small.reset(info.hIcon);
}

// The folder picture from shell32's resources, read as data so that the shell need not start
// (asking for the lists means asking for the root folder); else from the shell itself.
void LoadFolderIcons(IconPair& icons, const std::wstring& hostPath, int large, int small) {
  HMODULE shell = GetModuleHandleW(L"shell32.dll");
  qzr::Library data(shell ? nullptr : LoadLibraryExW(L"shell32.dll", nullptr, LOAD_LIBRARY_AS_DATAFILE));
  if (HMODULE from = shell ? shell : data.get()) {
    icons.large.reset(static_cast<HICON>(LoadImageW(from, MAKEINTRESOURCEW(kShellFolderIcon), IMAGE_ICON, large, large, 0)));
    icons.small.reset(static_cast<HICON>(LoadImageW(from, MAKEINTRESOURCEW(kShellFolderIcon), IMAGE_ICON, small, small, 0)));
  }
  data.reset();
  if (!icons.large) LoadShellIcons(icons, hostPath, FILE_ATTRIBUTE_DIRECTORY);
}

// The system image lists, large and small, with one index per entry in both, and the entries
// already added: a file with its own icon by its path, the default program icon, the folder
// icon, and each document class by its extension. Never destroyed: callers keep the lists.
class SystemImageLists {
 public:
  static SystemImageLists& Get() {
    static SystemImageLists lists;
    return lists;
  }

  HIMAGELIST list(UINT flags) const { return flags & SHGFI_SMALLICON ? small_ : large_; }

  // The index of the file's icon, added on first use; -1 when no icon could be had.
  int IndexOf(const std::wstring& hostPath, DWORD attributes, bool byAttributes) {
    if (!large_ || !small_) return -1;
    std::wstring key = Lower(hostPath);
    SRWLockHolder hold(lock_);
    if (auto found = indices_.find(key); found != indices_.end()) return found->second;
    IconPair icons;
    const DWORD onDisk = GetFileAttributesW(hostPath.c_str());
    const bool exists = onDisk != INVALID_FILE_ATTRIBUTES;
    const bool folder = exists ? (onDisk & FILE_ATTRIBUTE_DIRECTORY) != 0
                               : byAttributes && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    if (exists && !folder) LoadFileIcons(icons, hostPath, largeSize_, smallSize_);
    if (!icons.large) {
      // Without a picture of its own a file shows its class's, which every file of the class shares.
      const bool program = IsProgram(key);
      key = folder ? L"<folder>" : program ? L"<program>" : L"<document>" + ExtensionOf(key);
      if (auto shared = indices_.find(key); shared != indices_.end()) return shared->second;
      if (folder) LoadFolderIcons(icons, hostPath, largeSize_, smallSize_);
      else if (program) LoadDefaultProgramIcons(icons, largeSize_, smallSize_);
      else LoadShellIcons(icons, hostPath, byAttributes ? attributes : FILE_ATTRIBUTE_NORMAL);
    }
    if (!icons.large) return -1;
    const int index = ImageList_ReplaceIcon(large_, -1, icons.large.get());
    if (index < 0) return -1;
    // The small list keeps the same index for the same file.
    if (ImageList_ReplaceIcon(small_, -1, icons.small ? icons.small.get() : icons.large.get()) != index) return -1;
    indices_[key] = index;
    return index;
  }

 private:
  class SRWLockHolder {
   public:
    explicit SRWLockHolder(SRWLOCK& lock) : lock_(lock) { AcquireSRWLockExclusive(&lock_); }
    ~SRWLockHolder() { ReleaseSRWLockExclusive(&lock_); }
    SRWLockHolder(const SRWLockHolder&) = delete;
    SRWLockHolder& operator=(const SRWLockHolder&) = delete;

   private:
    SRWLOCK& lock_;
  };

  SystemImageLists()
      : largeSize_(GetSystemMetrics(SM_CXICON)),
        smallSize_(GetSystemMetrics(SM_CXSMICON)),
        large_(ImageList_Create(largeSize_, largeSize_, ILC_COLOR32 | ILC_MASK, 8, 8)),
        small_(ImageList_Create(smallSize_, smallSize_, ILC_COLOR32 | ILC_MASK, 8, 8)) {}

  const int largeSize_, smallSize_;
  const HIMAGELIST large_, small_;
  SRWLOCK lock_ = SRWLOCK_INIT;
  std::map<std::wstring, int> indices_;
};

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
    SystemImageLists& lists = SystemImageLists::Get();
    const int index = lists.IndexOf(host, attributes, (flags & SHGFI_USEFILEATTRIBUTES) != 0);
    if (index < 0) return 0;
    info->iIcon = index;
    info->hIcon = nullptr;
    return reinterpret_cast<DWORD_PTR>(lists.list(flags));
  }
  if ((flags & SHGFI_USEFILEATTRIBUTES) && Exists(host)) flags &= ~SHGFI_USEFILEATTRIBUTES;
  return DesktopFileInfo(host.c_str(), attributes, info, infoSize, flags);
}
