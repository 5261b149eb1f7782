// Files and programs of the device that installation and uninstallation both handle.
#include "DeviceFiles.h"

#include "wince.h"

#include "Macros.h"
#include "SetupTexts.h"

namespace qzrsetup {

std::wstring ExpandInstallDir(const SetupRun& run, const std::wstring& text) {
  return ExpandMacro(text, kMacroInstallDir, run.installPath);
}

qzr::StartedProcess StartProgram(const std::wstring& program, const std::wstring& arguments) {
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  if (!CeCreateProcessW(program.c_str(), arguments.empty() ? nullptr : arguments.c_str(), nullptr, nullptr, FALSE,
                        CREATE_NEW_CONSOLE, nullptr, nullptr, &startup, &info))
    return {};
  return qzr::StartedProcess(info);
}

bool IsDeviceRoot(const std::wstring& path) {
  std::wstring rest = path;
  if (rest.size() >= 2 && rest[1] == L':') rest.erase(0, 2);
  for (wchar_t c : rest)
    if (c != L'\\' && c != L'/' && c != L' ' && c != L'.') return false;
  return true;
}

void DeleteTree(const std::wstring& directory) {
  if (IsDeviceRoot(directory)) return;
  std::wstring base = directory;
  if (base.back() != L'\\') base += L'\\';
  WIN32_FIND_DATAW data;
  qzr::FindHandle find(FindFirstFileW((base + L"*.*").c_str(), &data));
  if (!find) return;
  do {
    std::wstring name = data.cFileName;
    if (name == L"." || name == L"..") continue;
    std::wstring child = base + name;
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      DeleteTree(child);
      RemoveDirectoryW(child.c_str());
    } else {
      SetFileAttributesW(child.c_str(), FILE_ATTRIBUTE_NORMAL);
      DeleteFileW(child.c_str());
    }
  } while (FindNextFileW(find.get(), &data));
}

}  // namespace qzrsetup
