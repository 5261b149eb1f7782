// qzremu: sets up and drives the simulated handheld (device profile, the maker's libraries in
// \Windows, starting programs the way the device's start-up list does).
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "DeviceProfile.h"
#include "ProfileFile.h"
#include "resource.h"

namespace {

// The maker's libraries live in \Windows on the device.
const wchar_t* const kStandIns[] = {L"QZREventLog.dll", L"QZRIVAPAL.dll"};

std::wstring ModuleFolder() {
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring s(path);
  return s.substr(0, s.find_last_of(L'\\') + 1);
}

bool ReadWholeFile(const std::wstring& path, std::string* out) {
  HANDLE f = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
  if (f == INVALID_HANDLE_VALUE) return false;
  LARGE_INTEGER size{};
  GetFileSizeEx(f, &size);
  out->assign(static_cast<size_t>(size.QuadPart), '\0');
  DWORD read = 0;
  bool ok = ReadFile(f, out->data(), static_cast<DWORD>(out->size()), &read, nullptr) && read == out->size();
  CloseHandle(f);
  return ok;
}

std::string EmbeddedDefaultProfile() {
  HRSRC res = FindResourceW(nullptr, MAKEINTRESOURCEW(IDR_DEFAULT_PROFILE), MAKEINTRESOURCEW(10 /*RT_RCDATA*/));
  if (!res) return {};
  HGLOBAL data = LoadResource(nullptr, res);
  return std::string(static_cast<const char*>(LockResource(data)), SizeofResource(nullptr, res));
}

void EnsureParentFolder(const std::wstring& path) {
  size_t slash = path.find_last_of(L'\\');
  if (slash == std::wstring::npos || slash < 3) return;
  std::wstring folder = path.substr(0, slash);
  EnsureParentFolder(folder);
  CreateDirectoryW(folder.c_str(), nullptr);
}

int ApplyProfileText(const std::string& utf8) {
  std::vector<int> errors;
  auto entries = emulator::ParseProfileText(wince::FromUtf8(utf8), &errors);
  for (int line : errors) fprintf(stderr, "profile line %d ignored: not Name=Value\n", line);
  int n = emulator::ApplyProfile(entries);
  // The log files' folders must exist before any program of the handheld appends to them.
  for (const wchar_t* name : {wince::profile::kEventLogFile, wince::profile::kJournalFile})
    if (auto p = wince::ReadProfileString(name)) EnsureParentFolder(*p);
  printf("device profile: %d values written\n", n);
  return n == static_cast<int>(entries.size()) ? 0 : 1;
}

int CmdProfile(const std::vector<std::wstring>& args) {
  if (args.empty()) return 2;
  if (args[0] == L"default") return ApplyProfileText(EmbeddedDefaultProfile());
  if (args[0] == L"clear") return wince::ClearProfile() ? 0 : 1;
  if (args[0] == L"load" && args.size() == 2) {
    std::string text;
    if (!ReadWholeFile(args[1], &text)) {
      fprintf(stderr, "cannot read %ls\n", args[1].c_str());
      return 1;
    }
    return ApplyProfileText(text);
  }
  if (args[0] == L"set" && args.size() == 3) return ApplyProfileText(wince::ToUtf8(args[1] + L"=" + args[2]));
  if (args[0] == L"unset" && args.size() == 2) return wince::DeleteProfileValue(args[1].c_str()) ? 0 : 1;
  return 2;
}

// The executable file class as the device's registry holds it: the open command sits in the
// value named "Default", which the whitelist monitor rewrites.
bool SeedExecutableClass() {
  const struct { const wchar_t* key; const wchar_t* value; } entries[] = {
      {L".exe", L"exefile"},
      {L"exefile\\shell\\open\\command", L"\"%1\" %*"},
  };
  bool ok = true;
  for (const auto& e : entries) {
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_CLASSES_ROOT, e.key, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) != ERROR_SUCCESS) {
      fprintf(stderr, "cannot create HKEY_CLASSES_ROOT\\%ls\n", e.key);
      ok = false;
      continue;
    }
    ok = RegSetValueExW(key, L"Default", 0, REG_SZ, reinterpret_cast<const BYTE*>(e.value),
                        static_cast<DWORD>((wcslen(e.value) + 1) * sizeof(wchar_t))) == ERROR_SUCCESS && ok;
    RegCloseKey(key);
  }
  return ok;
}

int CmdInstall() {
  std::wstring from = ModuleFolder();
  wchar_t windows[MAX_PATH] = {};
  GetWindowsDirectoryW(windows, MAX_PATH);
  int failures = 0;
  for (const wchar_t* name : kStandIns) {
    std::wstring target = std::wstring(windows) + L"\\" + name;
    if (!CopyFileW((from + name).c_str(), target.c_str(), FALSE)) {
      fprintf(stderr, "cannot install %ls (error %lu)\n", name, GetLastError());
      ++failures;
    }
  }
  if (!SeedExecutableClass()) ++failures;
  return failures ? 1 : 0;
}

std::wstring QuoteArgument(const std::wstring& a) {
  if (!a.empty() && a.find_first_of(L" \t\"") == std::wstring::npos) return a;
  std::wstring q = L"\"";
  for (wchar_t c : a) q += (c == L'"') ? std::wstring(L"\\\"") : std::wstring(1, c);
  return q + L"\"";
}

// Starts a program with its current folder on drive C, as the device's start-up list would.
int CmdStart(std::vector<std::wstring> args) {
  bool wait = false;
  if (!args.empty() && args[0] == L"--wait") {
    wait = true;
    args.erase(args.begin());
  }
  if (args.empty()) return 2;
  std::wstring commandLine;
  for (const auto& a : args) commandLine += (commandLine.empty() ? L"" : L" ") + QuoteArgument(a);
  STARTUPINFOW si{sizeof si};
  PROCESS_INFORMATION pi{};
  if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, L"C:\\", &si, &pi)) {
    fprintf(stderr, "cannot start %ls (error %lu)\n", args[0].c_str(), GetLastError());
    return 1;
  }
  DWORD code = 0;
  if (wait) {
    WaitForSingleObject(pi.hProcess, INFINITE);
    GetExitCodeProcess(pi.hProcess, &code);
  }
  printf("started %ls, process %lu\n", args[0].c_str(), pi.dwProcessId);
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  return static_cast<int>(code);
}

void Usage() {
  fprintf(stderr,
          "usage: qzremu profile default|clear|load FILE|set NAME VALUE|unset NAME\n"
          "       qzremu install            put the maker's libraries into \\Windows, seed the .exe open command\n"
          "       qzremu start [--wait] PROGRAM [ARGS...]\n");
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  std::vector<std::wstring> args(argv + 1, argv + argc);
  if (args.empty()) {
    Usage();
    return 2;
  }
  std::wstring cmd = args[0];
  args.erase(args.begin());
  int rc = 2;
  if (cmd == L"profile") rc = CmdProfile(args);
  else if (cmd == L"install") rc = CmdInstall();
  else if (cmd == L"start") rc = CmdStart(args);
  if (rc == 2) Usage();
  return rc;
}
