// The simulated handheld's cabinet installer: installs a real cabinet as the device's installer
// does (CabInstaller.cpp), or copies a package folder into its installation directory and calls
// the package's setup library around it.
//   qzrcabhost install FILE.cab [/noui | /silent] [/nodelete | /delete 0|1] [/noaskdest]
//   qzrcabhost uninstall "Provider AppName"
//   qzrcabhost install <packageFolder> <installDir> [--dll path]
//   qzrcabhost uninstall <installDir> [--dll path]
//   qzrcabhost --as-autocab ...   runs the same as "autocab.exe", the installer's automatic mode
// Exit codes: 0 installed or uninstalled, 1 rolled back or cancelled by the setup library, 2 usage
// or copy failure, 3 no setup library, 4 nothing installed to uninstall, 5 cabinet refused.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "CabInstaller.h"
#include "DeviceProfile.h"
#include "Win32Owners.h"

namespace cabhost {

void Print(const std::wstring& text) {
  std::string utf8 = wince::ToUtf8(text);
  DWORD written = 0;
  WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), utf8.data(), static_cast<DWORD>(utf8.size()), &written, nullptr);
}

void PrintLog(const std::wstring& installDir) {
  qzr::FileHandle file(CreateFileW((installDir + L"\\qzrCEInstall.log").c_str(), GENERIC_READ,
                                   FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr));
  if (!file) {
    Print(L"(no install log)\n");
    return;
  }
  std::string bytes;
  char buffer[8192];
  DWORD got = 0;
  while (ReadFile(file.get(), buffer, sizeof buffer, &got, nullptr) && got) bytes.append(buffer, got);
  std::wstring text(bytes.size() / 2, L'\0');
  memcpy(text.data(), bytes.data(), text.size() * 2);
  std::wstring unix;
  for (wchar_t c : text)
    if (c != L'\r') unix += c;
  Print(L"--- qzrCEInstall.log ---\n" + unix + L"--- end of log ---\n");
}

}  // namespace cabhost

namespace {

using namespace cabhost;

constexpr wchar_t kRecordsKey[] = L"Software\\HandheldEmulator\\CabHost";
constexpr wchar_t kFilesValue[] = L"Files";
constexpr wchar_t kDllValue[] = L"Dll";
constexpr wchar_t kAutoCabName[] = L"autocab.exe";

using InstallInitFn = int(WINAPI*)(HWND, BOOL, BOOL, const wchar_t*);
using InstallExitFn = int(WINAPI*)(HWND, const wchar_t*, WORD, WORD, WORD, WORD, WORD);
using UninstallInitFn = int(WINAPI*)(HWND, const wchar_t*);
using UninstallExitFn = int(WINAPI*)(HWND);

std::wstring OwnFolder() {
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring s(path);
  return s.substr(0, s.find_last_of(L'\\') + 1);
}

std::wstring Trimmed(std::wstring dir) {
  while (dir.size() > 1 && dir.back() == L'\\') dir.pop_back();
  return dir;
}

// The record of one installation: a key per installation directory.
std::wstring RecordKey(const std::wstring& installDir) {
  std::wstring name = installDir;
  for (wchar_t& c : name)
    if (c == L'\\') c = L'/';
  return std::wstring(kRecordsKey) + L"\\" + name;
}

void SaveRecord(const std::wstring& installDir, const std::vector<std::wstring>& files, const std::wstring& dll) {
  qzr::RegKey key;
  if (!key.Create(HKEY_LOCAL_MACHINE, RecordKey(installDir))) return;
  std::wstring multi;
  for (const std::wstring& f : files) multi += f + L'\0';
  multi += L'\0';
  key.WriteBinary(kFilesValue, multi.data(), static_cast<DWORD>(multi.size() * sizeof(wchar_t)), REG_MULTI_SZ);
  key.WriteString(kDllValue, dll);
}

bool LoadRecord(const std::wstring& installDir, std::vector<std::wstring>* files, std::wstring* dll) {
  qzr::RegKey key;
  if (!key.Open(HKEY_LOCAL_MACHINE, RecordKey(installDir))) return false;
  auto read = [&](const wchar_t* name) {
    DWORD size = 0, type = 0;
    std::wstring text;
    if (RegQueryValueExW(key.get(), name, nullptr, &type, nullptr, &size) == ERROR_SUCCESS && size) {
      text.resize(size / sizeof(wchar_t) + 1);
      RegQueryValueExW(key.get(), name, nullptr, &type, reinterpret_cast<BYTE*>(text.data()), &size);
      text.resize(size / sizeof(wchar_t));
    }
    return text;
  };
  std::wstring multi = read(kFilesValue);
  for (size_t pos = 0; pos < multi.size();) {
    size_t end = multi.find(L'\0', pos);
    if (end == std::wstring::npos) end = multi.size();
    if (end > pos) files->push_back(multi.substr(pos, end - pos));
    pos = end + 1;
  }
  *dll = read(kDllValue);
  while (!dll->empty() && dll->back() == L'\0') dll->pop_back();
  return true;
}

void DropRecord(const std::wstring& installDir) { RegDeleteTreeW(HKEY_LOCAL_MACHINE, RecordKey(installDir).c_str()); }

void MakeFolders(const std::wstring& path) {
  for (size_t at = path.find(L'\\', 1); at != std::wstring::npos; at = path.find(L'\\', at + 1))
    CreateDirectoryW(path.substr(0, at).c_str(), nullptr);
  CreateDirectoryW(path.c_str(), nullptr);
}

// Copies the package folder's files (with their subfolders) into the installation directory;
// returns the copied files' paths relative to it.
bool CopyPackage(const std::wstring& from, const std::wstring& to, const std::wstring& relative,
                 std::vector<std::wstring>* copied) {
  WIN32_FIND_DATAW data;
  qzr::FindHandle find(FindFirstFileW((from + L"\\*").c_str(), &data));
  if (!find) return relative.empty() ? false : true;
  bool ok = true;
  do {
    std::wstring name = data.cFileName;
    if (name == L"." || name == L"..") continue;
    std::wstring rel = relative.empty() ? name : relative + L"\\" + name;
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      MakeFolders(to + L"\\" + rel);
      ok = CopyPackage(from + L"\\" + name, to, rel, copied) && ok;
    } else if (CopyFileW((from + L"\\" + name).c_str(), (to + L"\\" + rel).c_str(), FALSE)) {
      copied->push_back(rel);
    } else {
      Print(L"cannot copy " + rel + L"\n");
      ok = false;
    }
  } while (FindNextFileW(find.get(), &data));
  return ok;
}

void RemoveCopied(const std::wstring& installDir, const std::vector<std::wstring>& files) {
  for (const std::wstring& rel : files) {
    std::wstring path = installDir + L"\\" + rel;
    SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileW(path.c_str());
    // Folders the copy made go when they are empty.
    for (size_t cut = rel.find_last_of(L'\\'); cut != std::wstring::npos; cut = rel.find_last_of(L'\\', cut - 1)) {
      RemoveDirectoryW((installDir + L"\\" + rel.substr(0, cut)).c_str());
      if (cut == 0) break;
    }
  }
}

// The device's root folder: device paths, and the root-relative install paths the setup library
// builds, resolve there whatever folder the host was started from.
std::wstring DeviceRoot() {
  wchar_t windows[MAX_PATH] = {};
  UINT n = GetWindowsDirectoryW(windows, MAX_PATH);
  return std::wstring(1, n >= 2 && windows[1] == L':' ? windows[0] : L'C') + L":\\";
}

// A path given relative to the folder the host was started in, made absolute before the host
// moves to the device root. Device paths ("\x") and absolute paths stay as they are.
std::wstring FromStartFolder(const std::wstring& path) {
  if (path.empty() || path[0] == L'\\' || path[0] == L'/' || (path.size() >= 2 && path[1] == L':')) return path;
  wchar_t full[MAX_PATH] = {};
  DWORD n = GetFullPathNameW(path.c_str(), MAX_PATH, full, nullptr);
  return n > 0 && n < MAX_PATH ? std::wstring(full, n) : path;
}

qzr::Library LoadSetupLibrary(const std::wstring& dll) {
  qzr::Library module(dll.c_str());
  if (!module) Print(L"cannot load " + dll + L"\n");
  return module;
}

int Install(const std::wstring& package, const std::wstring& installDir, const std::wstring& dll) {
  MakeFolders(installDir);
  std::vector<std::wstring> copied;
  if (!CopyPackage(Trimmed(package), installDir, L"", &copied)) {
    RemoveCopied(installDir, copied);
    Print(L"cannot copy the package from " + package + L"\n");
    return kUsage;
  }
  SaveRecord(installDir, copied, dll);

  qzr::Library module = LoadSetupLibrary(dll);
  auto init = module.Proc<InstallInitFn>("Install_Init");
  auto exit = module.Proc<InstallExitFn>("Install_Exit");
  if (!init || !exit) {
    RemoveCopied(installDir, copied);
    DropRecord(installDir);
    return kNoLibrary;
  }
  int result = init(nullptr, TRUE, FALSE, installDir.c_str());
  if (result == 0) result = exit(nullptr, installDir.c_str(), 0, 0, 0, 0, 0);
  Print(L"Install_Exit returned " + std::to_wstring(result) + L"\n");
  PrintLog(installDir);
  if (result == 0) return kInstalled;
  // The installer uninstalls the application again, as for an uninstall request: the setup
  // library undoes what it recorded, then the installer removes what it copied.
  auto uninit = module.Proc<UninstallInitFn>("Uninstall_Init");
  auto unexit = module.Proc<UninstallExitFn>("Uninstall_Exit");
  if (uninit) Print(L"Uninstall_Init returned " + std::to_wstring(uninit(nullptr, installDir.c_str())) + L"\n");
  RemoveCopied(installDir, copied);
  RemoveDirectoryW(installDir.c_str());
  if (unexit) Print(L"Uninstall_Exit returned " + std::to_wstring(unexit(nullptr)) + L"\n");
  module.reset();
  DropRecord(installDir);
  Print(L"package removed again\n");
  return kRolledBack;
}

int Uninstall(const std::wstring& installDir, std::wstring dll) {
  std::vector<std::wstring> copied;
  std::wstring recordedDll;
  if (!LoadRecord(installDir, &copied, &recordedDll)) {
    // Uninstall_Init empties and removes the folder it is given: without a record of an
    // installation there, that could be any folder of the device.
    Print(L"no record of an installation in " + installDir + L": nothing uninstalled\n");
    return kNoRecord;
  }
  if (dll.empty()) dll = recordedDll.empty() ? OwnFolder() + L"qzrCEInstall.dll" : recordedDll;
  qzr::Library module = LoadSetupLibrary(dll);
  auto init = module.Proc<UninstallInitFn>("Uninstall_Init");
  auto exit = module.Proc<UninstallExitFn>("Uninstall_Exit");
  if (!init || !exit) return kNoLibrary;
  int result = init(nullptr, installDir.c_str());
  Print(L"Uninstall_Init returned " + std::to_wstring(result) + L"\n");
  RemoveCopied(installDir, copied);
  RemoveDirectoryW(installDir.c_str());
  result = exit(nullptr);
  Print(L"Uninstall_Exit returned " + std::to_wstring(result) + L"\n");
  module.reset();
  DropRecord(installDir);
  return kInstalled;
}

// Runs this program again under the name of the installer's automatic mode.
int RunAsAutoCab(int argc, wchar_t** argv) {
  wchar_t self[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  std::wstring copy = OwnFolder() + kAutoCabName;
  if (_wcsicmp(self, copy.c_str()) != 0) CopyFileW(self, copy.c_str(), FALSE);
  std::wstring commandLine = L"\"" + copy + L"\"";
  for (int i = 2; i < argc; ++i) commandLine += L" \"" + std::wstring(argv[i]) + L"\"";
  bool hasDll = false;
  for (int i = 2; i < argc; ++i) hasDll = hasDll || wcscmp(argv[i], L"--dll") == 0;
  // The copy finds the setup library where this program's copy would.
  if (!hasDll) commandLine += L" --dll \"" + OwnFolder() + L"qzrCEInstall.dll\"";
  STARTUPINFOW si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  if (!CreateProcessW(copy.c_str(), commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi)) {
    Print(L"cannot start " + copy + L"\n");
    return kUsage;
  }
  qzr::StartedProcess copyRun(pi);
  WaitForSingleObject(copyRun.process.get(), INFINITE);
  DWORD code = kUsage;
  GetExitCodeProcess(copyRun.process.get(), &code);
  return static_cast<int>(code);
}

int Usage() {
  Print(L"usage: qzrcabhost install FILE.cab [/noui | /silent] [/nodelete | /delete 0|1] [/noaskdest]\n"
        L"       qzrcabhost uninstall \"Provider AppName\"\n"
        L"       qzrcabhost [--as-autocab] install <packageFolder> <installDir> [--dll path]\n"
        L"       qzrcabhost [--as-autocab] uninstall <installDir> [--dll path]\n");
  return kUsage;
}

bool IsCabinetFile(const std::wstring& path) {
  DWORD attributes = GetFileAttributesW(path.c_str());
  return path.size() > 4 && _wcsicmp(path.c_str() + path.size() - 4, L".cab") == 0 &&
         (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY));
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc >= 2 && wcscmp(argv[1], L"--as-autocab") == 0) return RunAsAutoCab(argc, argv);
  std::vector<std::wstring> args;
  std::wstring dll;
  CabOptions options;
  for (int i = 1; i < argc; ++i) {
    if (wcscmp(argv[i], L"--dll") == 0 && i + 1 < argc) dll = FromStartFolder(argv[++i]);
    else if (_wcsicmp(argv[i], L"/noui") == 0 || _wcsicmp(argv[i], L"/silent") == 0) options.noUi = true;
    else if (_wcsicmp(argv[i], L"/nodelete") == 0) options.keepCab = true;
    else if (_wcsicmp(argv[i], L"/delete") == 0 && i + 1 < argc) options.keepCab = wcscmp(argv[++i], L"0") == 0;
    else if (_wcsicmp(argv[i], L"/noaskdest") == 0 || _wcsicmp(argv[i], L"/askdest") == 0) continue;  // the default folder always
    else args.push_back(argv[i]);
  }
  // An application name is no path: it is looked up before anything is made absolute.
  if (args.size() == 2 && args[0] == L"uninstall" &&
      (IsRegisteredApplication(args[1]) || args[1].find_first_of(L"\\/:") == std::wstring::npos)) {
    SetCurrentDirectoryW(DeviceRoot().c_str());
    return UninstallApplication(args[1], options);
  }
  for (size_t i = 1; i < args.size(); ++i) args[i] = FromStartFolder(args[i]);
  SetCurrentDirectoryW(DeviceRoot().c_str());
  if (args.size() == 2 && args[0] == L"install" && IsCabinetFile(args[1])) return InstallCabinet(args[1], options);
  if (args.size() == 3 && args[0] == L"install")
    return Install(args[1], Trimmed(args[2]), dll.empty() ? OwnFolder() + L"qzrCEInstall.dll" : dll);
  if (args.size() == 2 && args[0] == L"uninstall") return Uninstall(Trimmed(args[1]), dll);
  return Usage();
}
