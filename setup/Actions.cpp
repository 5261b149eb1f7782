// Install actions over files, processes and the shell.
#include "Actions.h"

#include "wince.h"

#include <cstdio>
#include <cwchar>

#include "Macros.h"
#include "IniFile.h"
#include "ProgressWindow.h"
#include "Registry.h"
#include "SetupLog.h"
#include "SetupTexts.h"
#include "Uninstall.h"
#include "Win32Owners.h"

namespace qzrsetup {

namespace {

constexpr DWORD kResetExitCode = 1013;
constexpr size_t kProgramChars = 259;

bool DirectoryListed(const std::wstring& path) {
  WIN32_FIND_DATAW data;
  qzr::FindHandle find(FindFirstFileW(path.c_str(), &data));
  return find && (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::wstring SpecialFolder(int csidl) {
  wchar_t path[MAX_PATH] = {};
  if (!SHGetSpecialFolderPath(nullptr, path, csidl, FALSE)) return {};
  return path;
}

std::wstring ExpandFolderMacro(const std::wstring& text, const wchar_t* macro, int csidl) {
  if (FindNoCase(text, macro) == std::wstring::npos) return text;
  std::wstring folder = SpecialFolder(csidl);
  if (folder.empty()) return text;
  std::wstring expanded = ExpandMacro(text, macro, folder);
  LogVerbose(kLogCheckSetMacro, expanded);
  return expanded;
}

}  // namespace

bool DetectAutoCab() {
  HANDLE raw = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS | TH32CS_SNAPNOHEAPS, 0);
  if (raw == INVALID_HANDLE_VALUE) {
    LogAlways(kLogSnapshotFailed, static_cast<long>(GetLastError()));
    return false;
  }
  bool running = false;
  LogAlways(kLogProcessListStart);
  PROCESSENTRY32W process{};
  process.dwSize = sizeof process;
  for (BOOL more = Process32FirstW(raw, &process); more; more = Process32NextW(raw, &process)) {
    int withExe = _wcsicmp(process.szExeFile, kAutoCabExe);
    LogAlways(kLogCompareAutoCabExe, process.szExeFile, withExe);
    int bare = _wcsicmp(process.szExeFile, kAutoCab);
    LogAlways(kLogCompareAutoCab, process.szExeFile, bare);
    if (withExe == 0 || bare == 0) {
      running = true;
      break;
    }
  }
  LogAlways(kLogProcessListEnd);
  CloseToolhelp32Snapshot(raw);
  return running;
}

DWORD WaitMilliseconds(const std::wstring& seconds) {
  long long value = std::wcstoll(seconds.c_str(), nullptr, 10);  // saturates instead of wrapping
  if (value <= 0) return 0;
  if (static_cast<unsigned long long>(value) >= kLongestSleepMs / 1000 + 1) return kLongestSleepMs;
  return static_cast<DWORD>(value * 1000);
}

bool FreeBytes(const std::wstring& path, unsigned long long* bytes) {
  ULARGE_INTEGER available{};
  if (!GetDiskFreeSpaceExW(path.c_str(), &available, nullptr, nullptr)) return false;
  *bytes = available.QuadPart;
  return true;
}

std::wstring ResolveInstallPath() {
  SetupState& state = State();
  LogVerbose(kLogEnterGetInstallPath);
  std::wstring chosen;
  for (int n = 1;; ++n) {
    char key[32];
    std::snprintf(key, sizeof key, kKeyPathFormat, n);
    std::wstring value = GetIniString(state.iniPath, kSecPaths, key, kDne, kPathValueChars);
    LogVerbose(kLogPathCandidate, AnsiToWide(key), value);
    if (value == kUseWceLoadPath) {
      std::wstring dir = state.installDir;
      size_t cut = dir.find_last_of(L'\\');
      if (cut != std::wstring::npos) dir.resize(cut);
      LogVerbose(kLogWceLoadPath, dir);
      chosen = TrimOneBackslash(dir);
      break;
    }
    if (value == kDne) {
      LogVerbose(kLogEndFound);
      break;
    }
    std::wstring candidate = TrimOneBackslash(value);
    unsigned long long bytes = 0;
    // The whole byte count: its low 32 bits alone say nothing on a card of 4 GB or more.
    if (DirectoryListed(candidate) && FreeBytes(candidate, &bytes) && bytes / 1024 >= state.settings.kbNeeded) {
      chosen = candidate;
      break;
    }
  }
  LogVerbose(kLogLeaveGetInstallPath);
  return chosen;
}

std::wstring ExpandInstallDir(const std::wstring& text) { return ExpandMacro(text, kMacroInstallDir, State().installPath); }

std::wstring ExpandAllMacros(const std::wstring& text) {
  std::wstring expanded = ExpandInstallDir(text);
  expanded = ExpandFolderMacro(expanded, kMacroStartup, CSIDL_STARTUP);
  return ExpandFolderMacro(expanded, kMacroPrograms, CSIDL_PROGRAMS);
}

void CreateShortcutEntry(const Shortcut& shortcut) {
  if (!DeleteFileW(shortcut.path.c_str())) LogVerbose(kLogDeleteShortcutError, shortcut.path, static_cast<long>(GetLastError()));
  LogVerbose(kLogCreatingShortcut, shortcut.path, shortcut.target);
  std::wstring path = shortcut.path, target = shortcut.target;
  if (SHCreateShortcut(path.data(), target.data())) Record(kRecordShortcut, shortcut.path);
  else LogAlways(kLogShortcutFailure, shortcut.path, shortcut.target);
}

bool StartProgram(const std::wstring& program, const std::wstring& arguments, HANDLE* process) {
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  if (!CeCreateProcessW(program.c_str(), arguments.empty() ? nullptr : arguments.c_str(), nullptr, nullptr, FALSE,
                        CREATE_NEW_CONSOLE, nullptr, nullptr, &startup, &info))
    return false;
  CloseHandle(info.hThread);
  if (process) *process = info.hProcess;
  else CloseHandle(info.hProcess);
  return true;
}

void RunApplication(const std::wstring& fullText, bool wait, bool remove) {
  std::wstring text = fullText.substr(0, kProgramChars);
  if (text.empty()) return;
  std::wstring program = text, arguments;
  size_t dot = text.find(L'.');
  size_t blank = dot == std::wstring::npos ? std::wstring::npos : text.find(L' ', dot);
  if (blank != std::wstring::npos) {
    program = text.substr(0, blank);
    arguments = text.substr(blank);
  }

  HANDLE raw = nullptr;
  bool started = StartProgram(program, arguments, &raw);
  qzr::KernelHandle process(raw);
  if (started) LogVerbose(kLogProcessStarted, program);
  else LogAlways(kLogProcessFailed, program);

  if (!wait) {
    LogVerbose(kLogNotWaiting, program);
    return;
  }
  LogVerbose(kLogWaiting, program);
  DWORD exitCode = 0;
  if (process) {
    WaitForSingleObject(process.get(), INFINITE);
    GetExitCodeProcess(process.get(), &exitCode);
  }
  LogVerbose(kLogExited, program);
  if (exitCode == kResetExitCode) {
    LogAlways(kLogResetRequested);
    State().rebootRequested = true;
  }
  if (remove) {
    SetFileAttributesW(program.c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileW(program.c_str());
  }
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

namespace {

const std::wstring& Field(const Command& command, size_t i) {
  static const std::wstring kEmpty;
  return i < command.fields.fields.size() ? command.fields.fields[i] : kEmpty;
}

void ExecuteCommand(const Command& command) {
  const SetupState& state = State();
  switch (command.verb) {
    case Verb::None: break;
    case Verb::DoUninstall: ProcessUninstallData(state.installDir); break;
    case Verb::DeleteFile: {
      std::wstring path = ExpandAllMacros(Field(command, 0));
      SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
      if (DeleteFileW(path.c_str())) LogVerbose(kLogDeletedFile, path);
      else LogAlways(kLogDeleteFileFailed, static_cast<long>(GetLastError()), path);
      break;
    }
    case Verb::DeleteDir: {
      std::wstring path = ExpandInstallDir(Field(command, 0));
      LogVerbose(kLogDeletingDir, path);
      if (IsDeviceRoot(path)) break;
      DeleteTree(path);
      RemoveDirectoryW(path.c_str());
      break;
    }
    case Verb::RenameFile:
    case Verb::MoveFileDir: {
      std::wstring from = ExpandInstallDir(Field(command, 0)), to = ExpandInstallDir(Field(command, 1));
      if (MoveFileW(from.c_str(), to.c_str())) LogVerbose(kLogMoved, from, to);
      else LogAlways(kLogMoveFailed, static_cast<long>(GetLastError()), from);
      break;
    }
    case Verb::CopyFile: {
      std::wstring from = ExpandInstallDir(Field(command, 0)), to = ExpandInstallDir(Field(command, 1));
      const std::wstring& flag = Field(command, 2);
      bool failIfExists = !flag.empty() && (flag[0] == L'Y' || flag[0] == L'y');
      if (CopyFileW(from.c_str(), to.c_str(), failIfExists)) {
        LogVerbose(kLogCopied, from, to);
      } else {
        DWORD error = GetLastError();
        if (failIfExists && error == ERROR_FILE_EXISTS) LogVerbose(kLogCopyExists, to);
        else LogAlways(kLogCopyFailed, static_cast<long>(error), from, failIfExists ? 1 : 0);
      }
      break;
    }
    case Verb::FileAttrib: {
      std::wstring path = ExpandInstallDir(Field(command, 0));
      // Without a second field the number comes from the path text itself.
      const std::wstring& number = command.fields.fields.size() > 1 ? Field(command, 1) : Field(command, 0);
      DWORD attributes = static_cast<DWORD>(std::wcstol(number.c_str(), nullptr, 10));
      if (SetFileAttributesW(path.c_str(), attributes)) LogVerbose(kLogSetAttributes, static_cast<long>(attributes), path);
      else LogAlways(kLogSetAttributesFailed, static_cast<long>(GetLastError()), static_cast<long>(attributes), path);
      break;
    }
    case Verb::ExecuteApp: {
      std::wstring program = ExpandInstallDir(Field(command, 0));
      LogVerbose(kLogRunningApp, program, command.wait ? 1 : 0, command.remove ? 1 : 0);
      RunApplication(program, command.wait, command.remove);
      break;
    }
    case Verb::Wait: {
      DWORD ms = WaitMilliseconds(Field(command, 0));
      LogVerbose(kLogSleeping, static_cast<unsigned long long>(ms));
      if (ms > 0) Sleep(ms);
      break;
    }
    case Verb::CreateDir: {
      std::wstring path = ExpandInstallDir(Field(command, 0));
      if (CreateDirectoryW(path.c_str(), nullptr)) LogVerbose(kLogDirCreated, path);
      else LogAlways(kLogCreateDirFailed, static_cast<long>(GetLastError()), path);
      break;
    }
    case Verb::AddRegEntry: WriteRegistryEntry(RegistryEntryFromFields(command.fields)); break;
    case Verb::RemoveRegEntry: ApplyRegistryRemoval(RegistryRemovalFromFields(command.fields)); break;
    case Verb::AddShortcut: {
      Shortcut shortcut;
      shortcut.path = WithLeadingBackslash(ExpandInstallDir(Field(command, 0)));
      shortcut.target = Format(kQuotedFormat, WithLeadingBackslash(ExpandInstallDir(Field(command, 1))));
      CreateShortcutEntry(shortcut);
      break;
    }
  }
}

}  // namespace

void ExecuteCommands(const std::vector<Command>& commands) {
  for (const Command& command : commands) ExecuteCommand(command);
}

void HandleReboot() {
  SetupState& state = State();
  if (!state.rebootRequested) return;
  if (state.autoCabRunning) {
    qzr::FileHandle flag(
        CreateFileW(kResetFlagFile, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_HIDDEN, nullptr));
    SetProgress(99);
    SetStatus(kStatusAutoCabReset);
    if (!flag) LogAlways(kLogResetFileFailed);
    return;
  }
  LogAlways(kLogRebootExternal);
  std::wstring program = Format(kRebootProgramFormat, state.installDir);
  if (StartProgram(program, L"", nullptr)) {
    SetProgress(99);
    SetStatus(kStatusResetting);
    LogVerbose(kLogProcessStarted, program);
  } else {
    LogAlways(kLogProcessFailed, program);
  }
}

}  // namespace qzrsetup
