// Shell and tool-help calls on the desktop, behaving as on the device.
#define WINCE_NO_REDIRECT
#include "wince.h"

#include <cwchar>
#include <string>

#include "Text.h"
#include "Win32Owners.h"

namespace {

struct DeviceFolder {
  int csidl;
  const wchar_t* path;
};

const DeviceFolder kFolders[] = {
    {CSIDL_PROGRAMS, L"\\Windows\\Start Menu\\Programs"},
    {CSIDL_PERSONAL, L"\\My Documents"},
    {CSIDL_FAVORITES, L"\\Windows\\Favorites"},
    {CSIDL_STARTUP, L"\\Windows\\StartUp"},
    {CSIDL_RECENT, L"\\Windows\\Recent"},
    {CSIDL_STARTMENU, L"\\Windows\\Start Menu"},
    {CSIDL_DESKTOPDIRECTORY, L"\\Windows\\Desktop"},
    {CSIDL_FONTS, L"\\Windows\\Fonts"},
    {CSIDL_WINDOWS, L"\\Windows"},
    {CSIDL_PROGRAM_FILES, L"\\Program Files"},
};

void MakeFolders(const std::wstring& path) {
  for (size_t at = path.find(L'\\', 1); at != std::wstring::npos; at = path.find(L'\\', at + 1))
    CreateDirectoryW(path.substr(0, at).c_str(), nullptr);
  CreateDirectoryW(path.c_str(), nullptr);
}

}  // namespace

extern "C" {

BOOL WINAPI SHCreateShortcut(LPWSTR shortcut, LPWSTR target) {
  if (!shortcut || !target || !*shortcut) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  size_t length = wcslen(target);
  std::string text = std::to_string(length) + "#";
  text += qzr::AnsiFromWide(std::wstring_view(target, length));

  qzr::FileHandle file(CreateFileW(shortcut, GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return FALSE;
  DWORD written = 0;
  BOOL ok = WriteFile(file.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr) && written == text.size();
  file.reset();
  if (!ok) DeleteFileW(shortcut);
  return ok;
}

BOOL WINAPI SHGetShortcutTarget(LPCWSTR shortcut, LPWSTR target, int maxChars) {
  if (!shortcut || !target || maxChars <= 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  qzr::FileHandle file(
      CreateFileW(shortcut, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return FALSE;
  // A shortcut is one short line; anything longer is not one.
  char text[1024];
  DWORD read = 0;
  BOOL ok = ReadFile(file.get(), text, sizeof text, &read, nullptr);
  file.reset();
  if (!ok || read == sizeof text) return FALSE;
  // The count says how many characters after the "#" are the target; what follows them is not.
  DWORD at = 0;
  int count = 0;
  while (at < read && at < 4 && text[at] >= '0' && text[at] <= '9') count = count * 10 + (text[at++] - '0');
  if (at == 0 || at == read || text[at] != '#' || count >= maxChars) return FALSE;
  ++at;
  std::wstring wide(read - at, L'\0');
  const int chars = read > at ? MultiByteToWideChar(CP_ACP, 0, text + at, static_cast<int>(read - at), wide.data(),
                                                    static_cast<int>(wide.size()))
                              : 0;
  if (chars < count) return FALSE;
  wide.copy(target, static_cast<size_t>(count));
  target[count] = L'\0';
  return TRUE;
}

BOOL WINAPI CloseToolhelp32Snapshot(HANDLE snapshot) { return CloseHandle(snapshot); }

BOOL WINAPI CeSHGetSpecialFolderPath(HWND owner, LPWSTR path, int csidl, BOOL create) {
  (void)owner;
  (void)create;  // ignored on the device: its folders always exist
  if (!path) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  for (const DeviceFolder& folder : kFolders) {
    if (folder.csidl != (csidl & 0xFF)) continue;
    MakeFolders(folder.path);
    wcsncpy(path, folder.path, MAX_PATH - 1);
    path[MAX_PATH - 1] = L'\0';
    return TRUE;
  }
  SetLastError(ERROR_FILE_NOT_FOUND);
  return FALSE;
}

HANDLE WINAPI CeCreateToolhelp32Snapshot(DWORD flags, DWORD processId) {
  return CreateToolhelp32Snapshot(flags & ~static_cast<DWORD>(TH32CS_SNAPNOHEAPS), processId);
}

}  // extern "C"
