// The device's shell open operation and process creation on desktop Win32. Wine's own
// ShellExecuteEx does not follow the .exe class's open command, which the whitelist monitor
// rewrites, so the open operation is done here as the device shell does it.
#define WINCE_NO_REDIRECT
#include "wince.h"

#include <cwctype>
#include <memory>
#include <optional>
#include <string>

#include "Win32Owners.h"

namespace wince {

std::wstring ExpandOpenCommand(const std::wstring& command, const std::wstring& file, const std::wstring& parameters) {
  std::wstring out;
  for (size_t i = 0; i < command.size(); ++i) {
    wchar_t c = command[i];
    if (c == L'%' && i + 1 < command.size()) {
      wchar_t next = command[i + 1];
      if (next == L'1' || next == L'L' || next == L'l') {
        out += file;
        ++i;
        continue;
      }
      if (next == L'*') {
        out += parameters;
        ++i;
        continue;
      }
      if (next == L'%') {
        out += L'%';
        ++i;
        continue;
      }
    }
    out += c;
  }
  while (!out.empty() && iswspace(out.back())) out.pop_back();
  return out;
}

std::wstring Unquoted(const std::wstring& path) {
  size_t first = path.find_first_not_of(L" \t"), last = path.find_last_not_of(L" \t");
  if (first == std::wstring::npos || last - first < 1 || path[first] != L'"' || path[last] != L'"') return path;
  return path.substr(first + 1, last - first - 1);
}

std::wstring DeviceFormPath(const std::wstring& path, wchar_t deviceDrive) {
  if (path.size() >= 3 && path[1] == L':' && path[2] == L'\\' && towupper(path[0]) == towupper(deviceDrive))
    return path.substr(2);
  return path;
}

}  // namespace wince

namespace {

// Device paths ("\Windows\x.exe") are root-relative; they live on the drive of the Windows folder.
wchar_t DeviceDrive() {
  wchar_t windows[MAX_PATH] = {};
  UINT n = GetWindowsDirectoryW(windows, MAX_PATH);
  return n >= 2 && windows[1] == L':' ? windows[0] : L'C';
}

}  // namespace

std::wstring wince::DeviceFormPath(const std::wstring& path) { return DeviceFormPath(path, DeviceDrive()); }

namespace {

std::wstring FullPathOnDevice(const wchar_t* path) {
  std::wstring p = path;
  if (!p.empty() && p[0] == L'\\' && (p.size() < 2 || p[1] != L'\\')) p = std::wstring(1, DeviceDrive()) + L":" + p;
  return p;
}

// The registry calls of the open operation, bound on first use: the whitelist monitor links
// this file for CeCreateProcessW alone, and importing advapi32 would cost each of its per-launch
// starts (one per program the shell opens) the loading of three more libraries.
struct ClassRegistry {
  decltype(&RegOpenKeyExW) open = nullptr;
  decltype(&RegQueryValueExW) query = nullptr;
  decltype(&RegCloseKey) close = nullptr;
};
const ClassRegistry* ClassRegistryCalls() {
  static const ClassRegistry calls = [] {
    ClassRegistry c;
    if (HMODULE library = LoadLibraryW(L"advapi32.dll")) {  // kept for the process
      c.open = reinterpret_cast<decltype(c.open)>(reinterpret_cast<void*>(GetProcAddress(library, "RegOpenKeyExW")));
      c.query = reinterpret_cast<decltype(c.query)>(reinterpret_cast<void*>(GetProcAddress(library, "RegQueryValueExW")));
      c.close = reinterpret_cast<decltype(c.close)>(reinterpret_cast<void*>(GetProcAddress(library, "RegCloseKey")));
    }
    return c;
  }();
  return calls.open && calls.query && calls.close ? &calls : nullptr;
}

// A string value of a class key: the value named "Default" as on the device, else the unnamed one.
std::optional<std::wstring> ReadClassValue(const std::wstring& keyPath) {
  const ClassRegistry* reg = ClassRegistryCalls();
  HKEY opened = nullptr;
  if (!reg || reg->open(HKEY_CLASSES_ROOT, keyPath.c_str(), 0, KEY_READ, &opened) != ERROR_SUCCESS) return std::nullopt;
  // Closed through the same binding that opened it.
  std::unique_ptr<HKEY__, decltype(reg->close)> owner(opened, reg->close);
  HKEY key = owner.get();
  std::optional<std::wstring> result;
  for (const wchar_t* name : {L"Default", static_cast<const wchar_t*>(nullptr)}) {
    DWORD type = 0, size = 0;
    if (reg->query(key, name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS) continue;
    if ((type != REG_SZ && type != REG_EXPAND_SZ) || size < sizeof(wchar_t)) continue;
    std::wstring text(size / sizeof(wchar_t) + 1, L'\0');
    if (reg->query(key, name, nullptr, &type, reinterpret_cast<BYTE*>(text.data()), &size) != ERROR_SUCCESS) continue;
    text.resize(wcsnlen(text.c_str(), size / sizeof(wchar_t)));
    if (text.empty()) continue;
    result = text;
    break;
  }
  return result;
}

std::wstring OpenCommandFor(const std::wstring& file, const std::wstring& verb) {
  size_t slash = file.find_last_of(L"\\/");
  size_t dot = file.find_last_of(L'.');
  if (dot == std::wstring::npos || (slash != std::wstring::npos && dot < slash)) return {};
  auto fileClass = ReadClassValue(file.substr(dot));
  if (!fileClass) return {};
  auto command = ReadClassValue(*fileClass + L"\\shell\\" + verb + L"\\command");
  return command ? *command : std::wstring();
}

std::wstring Quoted(const std::wstring& s) { return L"\"" + s + L"\""; }

BOOL StartCommandLine(std::wstring commandLine, LPSECURITY_ATTRIBUTES processAttributes,
                      LPSECURITY_ATTRIBUTES threadAttributes, BOOL inheritHandles, DWORD creationFlags, LPVOID environment,
                      LPCWSTR currentDirectory, LPSTARTUPINFOW startupInfo, LPPROCESS_INFORMATION processInformation) {
  std::wstring folder = currentDirectory && *currentDirectory ? FullPathOnDevice(currentDirectory) : std::wstring();
  STARTUPINFOW defaultStartup{sizeof defaultStartup};
  return CreateProcessW(nullptr, commandLine.data(), processAttributes, threadAttributes, inheritHandles, creationFlags,
                        environment, folder.empty() ? nullptr : folder.c_str(),
                        startupInfo ? startupInfo : &defaultStartup, processInformation);
}

}  // namespace

extern "C" {

BOOL WINAPI CeCreateProcessW(LPCWSTR imageName, LPCWSTR arguments, LPSECURITY_ATTRIBUTES processAttributes,
                             LPSECURITY_ATTRIBUTES threadAttributes, BOOL inheritHandles, DWORD creationFlags,
                             LPVOID environment, LPCWSTR currentDirectory, LPSTARTUPINFOW startupInfo,
                             LPPROCESS_INFORMATION processInformation) {
  if (!imageName || !*imageName || !processInformation) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  // Desktop programs find their arguments after their own name on the command line.
  std::wstring commandLine = Quoted(imageName);
  if (arguments && *arguments) commandLine += std::wstring(L" ") + arguments;
  return StartCommandLine(commandLine, processAttributes, threadAttributes, inheritHandles, creationFlags, environment,
                          currentDirectory, startupInfo, processInformation);
}

BOOL WINAPI CeShellExecuteEx(SHELLEXECUTEINFOW* info) {
  if (!info) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  std::wstring file = info->lpFile ? wince::Unquoted(info->lpFile) : std::wstring();
  if (file.empty()) {
    info->hInstApp = reinterpret_cast<HINSTANCE>(SE_ERR_FNF);
    SetLastError(ERROR_FILE_NOT_FOUND);
    return FALSE;
  }
  std::wstring folder = info->lpDirectory ? wince::Unquoted(info->lpDirectory) : std::wstring();
  std::wstring parameters = info->lpParameters ? info->lpParameters : L"";
  std::wstring verb = info->lpVerb && *info->lpVerb ? info->lpVerb : L"open";
  std::wstring command = OpenCommandFor(file, verb);
  std::wstring commandLine = command.empty() ? Quoted(file) + (parameters.empty() ? L"" : L" " + parameters)
                                             : wince::ExpandOpenCommand(command, file, parameters);

  STARTUPINFOW si{sizeof si};
  si.dwFlags = STARTF_USESHOWWINDOW;
  si.wShowWindow = static_cast<WORD>(info->nShow);
  PROCESS_INFORMATION pi{};
  if (!StartCommandLine(commandLine, nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(), &si, &pi)) {
    DWORD error = GetLastError();
    info->hInstApp = reinterpret_cast<HINSTANCE>(static_cast<ULONG_PTR>(error == ERROR_FILE_NOT_FOUND ? SE_ERR_FNF : SE_ERR_ACCESSDENIED));
    SetLastError(error);
    return FALSE;
  }
  qzr::StartedProcess started(pi);
  // The caller that asked for the process handle owns it from here.
  if (info->fMask & SEE_MASK_NOCLOSEPROCESS) info->hProcess = started.process.release();
  info->hInstApp = reinterpret_cast<HINSTANCE>(static_cast<ULONG_PTR>(33));
  return TRUE;
}

DWORD WINAPI CeGetProcessImagePath(DWORD processId, LPWSTR path, DWORD capacity) {
  if (!path || capacity == 0) return 0;
  qzr::KernelHandle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId));
  if (!process) return 0;
  wchar_t image[MAX_PATH + 1] = {};
  DWORD size = MAX_PATH;
  if (!QueryFullProcessImageNameW(process.get(), 0, image, &size)) return 0;
  std::wstring device = wince::DeviceFormPath(std::wstring(image, size), DeviceDrive());
  if (device.size() >= capacity) return 0;
  wmemcpy(path, device.c_str(), device.size() + 1);
  return static_cast<DWORD>(device.size());
}

}  // extern "C"
