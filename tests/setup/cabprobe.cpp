// A setup DLL for the cabinet host's tests: records each call with its arguments, one line each,
// in the file HKCU\Software\QzrCabProbe "Log" names, and answers what "InstallInit",
// "InstallExit" and "UninstallInit" there say (0 when missing). Installed as a file with the
// self-register flag, it records DllRegisterServer and answers "Register" (an HRESULT).
#include <windows.h>

#include <cstdio>
#include <string>

namespace {

constexpr wchar_t kKey[] = L"Software\\QzrCabProbe";

DWORD Answer(const wchar_t* name) {
  DWORD value = 0, size = sizeof value;
  RegGetValueW(HKEY_CURRENT_USER, kKey, name, RRF_RT_REG_DWORD, nullptr, &value, &size);
  return value;
}

void Record(const std::wstring& line) {
  wchar_t path[MAX_PATH] = {};
  DWORD size = sizeof path;
  if (RegGetValueW(HKEY_CURRENT_USER, kKey, L"Log", RRF_RT_REG_SZ, nullptr, path, &size) != ERROR_SUCCESS) return;
  HANDLE file = CreateFileW(path, FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  std::wstring text = line + L"\n";
  int n = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
  std::string utf8(n, '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), utf8.data(), n, nullptr, nullptr);
  DWORD written = 0;
  WriteFile(file, utf8.data(), static_cast<DWORD>(utf8.size()), &written, nullptr);
  CloseHandle(file);
}

std::wstring Dir(const wchar_t* dir) { return dir ? dir : L"(null)"; }

}  // namespace

extern "C" __declspec(dllexport) int Install_Init(HWND parent, BOOL firstCall, BOOL previouslyInstalled, LPCWSTR installDir) {
  Record(L"Install_Init parent=" + std::to_wstring(reinterpret_cast<UINT_PTR>(parent)) + L" first=" + std::to_wstring(firstCall) +
         L" previous=" + std::to_wstring(previouslyInstalled) + L" dir=" + Dir(installDir) +
         L" dirExists=" + std::to_wstring(installDir && GetFileAttributesW(installDir) != INVALID_FILE_ATTRIBUTES));
  return static_cast<int>(Answer(L"InstallInit"));
}

extern "C" __declspec(dllexport) int Install_Exit(HWND parent, LPCWSTR installDir, WORD failedDirs, WORD failedFiles,
                                                  WORD failedRegKeys, WORD failedRegVals, WORD failedShortcuts) {
  Record(L"Install_Exit parent=" + std::to_wstring(reinterpret_cast<UINT_PTR>(parent)) + L" dir=" + Dir(installDir) +
         L" failed=" + std::to_wstring(failedDirs) + L"," + std::to_wstring(failedFiles) + L"," + std::to_wstring(failedRegKeys) +
         L"," + std::to_wstring(failedRegVals) + L"," + std::to_wstring(failedShortcuts));
  return static_cast<int>(Answer(L"InstallExit"));
}

extern "C" __declspec(dllexport) int Uninstall_Init(HWND parent, LPCWSTR installDir) {
  Record(L"Uninstall_Init parent=" + std::to_wstring(reinterpret_cast<UINT_PTR>(parent)) + L" dir=" + Dir(installDir));
  return static_cast<int>(Answer(L"UninstallInit"));
}

extern "C" __declspec(dllexport) int Uninstall_Exit(HWND parent) {
  Record(L"Uninstall_Exit parent=" + std::to_wstring(reinterpret_cast<UINT_PTR>(parent)));
  return 0;
}

extern "C" __declspec(dllexport) HRESULT DllRegisterServer() {
  wchar_t self[MAX_PATH] = {};
  HMODULE module = nullptr;
  GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                     reinterpret_cast<LPCWSTR>(&DllRegisterServer), &module);
  GetModuleFileNameW(module, self, MAX_PATH);
  Record(std::wstring(L"DllRegisterServer ") + self);
  return static_cast<HRESULT>(Answer(L"Register"));
}
