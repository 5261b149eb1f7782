// qzremu: sets up and drives the simulated handheld (device profile, the maker's libraries in
// \Windows, starting programs the way the device's start-up list does).
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "DeviceProfile.h"
#include "KeypadRegistry.h"
#include "ProfileFile.h"
#include "ShellKeys.h"
#include "Win32Owners.h"
#include "ceshell.h"
#include "resource.h"

namespace {

// The maker's libraries live in \Windows on the device.
const wchar_t* const kStandIns[] = {L"QZREventLog.dll", L"QZRIVAPAL.dll", L"80211api.dll", L"QZRSSApi.dll",
                                    L"CoreDLL.dll", L"qzrdeviceshell.exe", L"demoscan.exe", L"demonotes.exe",
                                    L"QZRVolDlg.exe"};

std::wstring ModuleFolder() {
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring s(path);
  return s.substr(0, s.find_last_of(L'\\') + 1);
}

bool ReadWholeFile(const std::wstring& path, std::string* out) {
  qzr::FileHandle f(
      CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr));
  if (!f) return false;
  LARGE_INTEGER size{};
  GetFileSizeEx(f.get(), &size);
  out->assign(static_cast<size_t>(size.QuadPart), '\0');
  DWORD read = 0;
  return ReadFile(f.get(), out->data(), static_cast<DWORD>(out->size()), &read, nullptr) && read == out->size();
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

// A key the device's image carries, created where it is missing; a failure is said on stderr.
bool CreateSeedKey(qzr::RegKey& key, HKEY root, const wchar_t* rootName, const wchar_t* path) {
  if (key.Create(root, path)) return true;
  fprintf(stderr, "cannot create %ls\\%ls\n", rootName, path);
  return false;
}

// Whatever its type: a value already there is the launcher's or an administrator's, and stays.
bool HasValue(const qzr::RegKey& key, const wchar_t* name) {
  return RegQueryValueExW(key.get(), name, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
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
    qzr::RegKey key;
    if (!CreateSeedKey(key, HKEY_CLASSES_ROOT, L"HKEY_CLASSES_ROOT", e.key)) {
      ok = false;
      continue;
    }
    ok = key.WriteString(L"Default", e.value) && ok;
  }
  return ok;
}

// Keys the device's image carries and the launcher opens but never creates. Values already
// there are kept, so reinstalling leaves the launcher's state across boots alone.
bool SeedLauncherKeys() {
  const struct { const wchar_t* key; const wchar_t* value; } entries[] = {
      {L"Software\\Korvanex\\Utilities\\KORVANEX_LAUNCHER", L"StartButtonSettingChanged"},
      {L"Software\\Korvanex\\Utilities\\KORVANEX_LAUNCHER", L"CleanUpRebootFlag"},
      {L"SOFTWARE\\Microsoft\\Shell\\Bubbletiles", L"HardwareStartKeyEnabled"},
  };
  bool ok = true;
  for (const auto& e : entries) {
    qzr::RegKey key;
    if (!CreateSeedKey(key, HKEY_LOCAL_MACHINE, L"HKEY_LOCAL_MACHINE", e.key)) {
      ok = false;
      continue;
    }
    if (!HasValue(key, e.value)) ok = key.WriteDword(e.value, 0) && ok;
  }
  return ok;
}

// The application buttons as the device leaves the factory: buttons 1 and 2 open the Notes and
// Scanner programs through shortcuts in the Start menu's folder. A button that already has an
// assignment (the launcher's, an administrator's) keeps it.
bool SeedFactoryButtons() {
  const struct { int button; const wchar_t* shortcut; const wchar_t* target; } buttons[] = {
      {1, L"\\Windows\\Start Menu\\Programs\\Notes.lnk", L"\"\\Windows\\demonotes.exe\""},
      {2, L"\\Windows\\Start Menu\\Programs\\Scanner.lnk", L"\"\\Windows\\demoscan.exe\""},
  };
  wchar_t windows[MAX_PATH] = {};
  GetWindowsDirectoryW(windows, MAX_PATH);
  const std::wstring drive = std::wstring(windows).substr(0, 2);
  bool ok = true;
  for (const auto& b : buttons) {
    qzr::RegKey key;
    if (!key.Create(HKEY_LOCAL_MACHINE, devshell::ButtonKeyPath(b.button))) {
      ok = false;
      continue;
    }
    if (!HasValue(key, L"Default")) {
      std::wstring file = drive + b.shortcut, target = b.target;
      EnsureParentFolder(file);
      DeleteFileW(file.c_str());
      ok = SHCreateShortcut(file.data(), target.data()) && ok;
      ok = key.WriteString(L"Default", b.shortcut) && ok;
    }
  }
  return ok;
}

// The PAL stand-in starts "qzremu boot" for a warm boot; it finds the tool through this value.
bool RecordToolPath() {
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  qzr::RegKey key;
  return key.Create(HKEY_LOCAL_MACHINE, wince::kEmulatorKey) && key.WriteString(wince::kToolPathValue, path);
}

// The keypad of the device the profile describes; before any profile is written (a fresh
// install), the default profile's device.
keypad::Keypad ProfileKeypad() {
  if (wince::ReadProfileString(wince::profile::kPalModel) || wince::ReadProfileString(wince::profile::kOemInfo))
    return keypad::KeypadOfProfile();
  std::wstring pal, oem;
  for (const auto& e : emulator::ParseProfileText(wince::FromUtf8(EmbeddedDefaultProfile()))) {
    if (e.name == wince::profile::kPalModel) pal = e.text;
    if (e.name == wince::profile::kOemInfo) oem = e.text;
  }
  return keypad::KeypadForDevice(pal, oem);
}

// The keypad driver's factory tables for the device's model, written afresh.
bool SeedKeypad() {
  keypad::Keypad k = ProfileKeypad();
  if (!keypad::WriteFactoryTables(k)) {
    fprintf(stderr, "cannot write the keypad tables under HKEY_LOCAL_MACHINE\\%ls\n", keypad::kKeybdKey);
    return false;
  }
  printf("keypad tables: %ls (layout %ls)\n", k.name.c_str(), k.tables.layoutId.c_str());
  return true;
}

int CmdKeypad(const std::vector<std::wstring>& args) {
  if (args.size() == 1 && args[0] == L"seed") return SeedKeypad() ? 0 : 1;
  if (args.size() == 1 && args[0] == L"reload") {
    // As a program that changed the tables tells the driver.
    qzr::KernelHandle e(CreateEventW(nullptr, FALSE, FALSE, keypad::kChangeEvent));
    if (!e) return 1;
    SetEvent(e.get());
    return 0;
  }
  return 2;
}

// Presses application button n as a script's finger would: through the keypad driver.
int CmdButton(const std::vector<std::wstring>& args) {
  if (args.size() != 1) return 2;
  int n = _wtoi(args[0].c_str());
  if (n < 1 || n > keypad::kAppButtons) return 2;
  HWND driver = FindWindowW(devshell::kKeypadDriverClass, nullptr);
  if (!driver) {
    fprintf(stderr, "the device shell (and its keypad driver) is not running\n");
    return 1;
  }
  DWORD_PTR done = 0;
  return SendMessageTimeoutW(driver, devshell::kPressButtonMessage, n, 0, SMTO_ABORTIFHUNG, 5000, &done) ? 0 : 1;
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
  if (!SeedLauncherKeys()) ++failures;
  if (!RecordToolPath()) ++failures;
  if (!SeedKeypad()) ++failures;
  if (!SeedFactoryButtons()) ++failures;
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
  qzr::StartedProcess started(pi);
  DWORD code = 0;
  if (wait) {
    WaitForSingleObject(started.process.get(), INFINITE);
    GetExitCodeProcess(started.process.get(), &code);
  }
  printf("started %ls, process %lu\n", args[0].c_str(), started.processId);
  return static_cast<int>(code);
}

// The start-up list, "LaunchNN" = program, in ascending NN.
std::vector<std::pair<unsigned long, std::wstring>> StartUpList() {
  std::vector<std::pair<unsigned long, std::wstring>> list;
  qzr::RegKey key;
  if (!key.Open(HKEY_LOCAL_MACHINE, wince::kStartUpKey)) return list;
  for (DWORD i = 0;; ++i) {
    wchar_t name[64] = {};
    wchar_t data[MAX_PATH] = {};
    DWORD nameChars = 64, dataBytes = sizeof data - sizeof(wchar_t), type = 0;
    LONG rc = RegEnumValueW(key.get(), i, name, &nameChars, nullptr, &type, reinterpret_cast<BYTE*>(data), &dataBytes);
    if (rc == ERROR_NO_MORE_ITEMS) break;
    if (rc != ERROR_SUCCESS || type != REG_SZ || _wcsnicmp(name, L"Launch", 6) != 0) continue;
    wchar_t* end = nullptr;
    unsigned long number = wcstoul(name + 6, &end, 10);
    if (end == name + 6 || *end) continue;
    list.emplace_back(number, data);
  }
  std::sort(list.begin(), list.end());
  return list;
}

// A warm boot of the simulated handheld: waits until the process that asked for it is gone
// (a device restart would end it, so one that lingers is ended), then runs the start-up list.
int CmdBoot(std::vector<std::wstring> args) {
  bool wait = false;
  DWORD requester = 0;
  while (!args.empty()) {
    if (args[0] == L"--wait") {
      wait = true;
      args.erase(args.begin());
    } else if (args[0] == L"--after-exit" && args.size() >= 2) {
      requester = wcstoul(args[1].c_str(), nullptr, 10);
      args.erase(args.begin(), args.begin() + 2);
    } else {
      return 2;
    }
  }
  if (requester) {
    if (qzr::KernelHandle process{OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE, FALSE, requester)}) {
      if (WaitForSingleObject(process.get(), 30000) == WAIT_TIMEOUT) TerminateProcess(process.get(), 0);
      WaitForSingleObject(process.get(), 5000);
    }
  }
  wince::AppendJournal(L"Boot");
  std::vector<qzr::KernelHandle> started;
  int failures = 0;
  for (const auto& [number, program] : StartUpList()) {
    std::wstring commandLine = QuoteArgument(program) + L" " + std::to_wstring(number);
    wince::AppendJournal(L"Launch" + std::to_wstring(number) + L" " + program);
    STARTUPINFOW si{sizeof si};
    PROCESS_INFORMATION pi{};
    if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, L"C:\\", &si, &pi)) {
      fprintf(stderr, "cannot start %ls (error %lu)\n", program.c_str(), GetLastError());
      ++failures;
      continue;
    }
    qzr::StartedProcess child(pi);
    started.push_back(std::move(child.process));
  }
  if (wait)
    for (const qzr::KernelHandle& process : started) WaitForSingleObject(process.get(), 60000);
  return failures ? 1 : 0;
}

void Usage() {
  fprintf(stderr,
          "usage: qzremu profile default|clear|load FILE|set NAME VALUE|unset NAME\n"
          "       qzremu install            put the maker's libraries into \\Windows, seed the .exe open command\n"
          "                                 the keypad tables of the profile's model, the factory button shortcuts\n"
          "       qzremu keypad seed|reload  write the model's factory keypad tables / tell the driver to reload\n"
          "       qzremu button N           press application button N (1..6)\n"
          "       qzremu start [--wait] PROGRAM [ARGS...]\n"
          "       qzremu boot [--wait] [--after-exit PID]   run the start-up list as a warm boot does\n");
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
  else if (cmd == L"boot") rc = CmdBoot(args);
  else if (cmd == L"keypad") rc = CmdKeypad(args);
  else if (cmd == L"button") rc = CmdButton(args);
  if (rc == 2) Usage();
  return rc;
}
