// Install actions over files, processes and the shell.
#include "Actions.h"

#include "wince.h"

#include <cstdio>
#include <cwchar>

#include "Macros.h"
#include "IniFile.h"
#include "Fields.h"
#include "Registry.h"
#include "SetupLog.h"
#include "SetupTexts.h"
#include "Uninstall.h"
#include "Win32Owners.h"
#include "WritePoints.h"

namespace qzrsetup {

namespace {

constexpr DWORD kResetExitCode = 1013;

struct SnapshotTraits {
  using Handle = HANDLE;
  static Handle Invalid() { return INVALID_HANDLE_VALUE; }
  static void Close(Handle h) { CloseToolhelp32Snapshot(h); }
};
using Snapshot = qzr::UniqueHandle<SnapshotTraits>;

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

std::wstring ExpandFolderMacro(const SetupRun& run, const std::wstring& text, const wchar_t* macro, int csidl) {
  if (FindNoCase(text, macro) == std::wstring::npos) return text;
  std::wstring folder = SpecialFolder(csidl);
  if (folder.empty()) return text;
  std::wstring expanded = ExpandMacro(text, macro, folder);
  LogVerbose(run, kLogCheckSetMacro, expanded);
  return expanded;
}

}  // namespace

bool DetectAutoCab(const SetupRun& run) {
  Snapshot snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS | TH32CS_SNAPNOHEAPS, 0));
  if (!snapshot) {
    LogAlways(run, kLogSnapshotFailed, static_cast<long>(GetLastError()));
    return false;
  }
  bool running = false;
  LogAlways(run, kLogProcessListStart);
  PROCESSENTRY32W process{};
  process.dwSize = sizeof process;
  for (BOOL more = Process32FirstW(snapshot.get(), &process); more; more = Process32NextW(snapshot.get(), &process)) {
    int withExe = _wcsicmp(process.szExeFile, kAutoCabExe);
    LogAlways(run, kLogCompareAutoCabExe, process.szExeFile, withExe);
    int bare = _wcsicmp(process.szExeFile, kAutoCab);
    LogAlways(run, kLogCompareAutoCab, process.szExeFile, bare);
    if (withExe == 0 || bare == 0) {
      running = true;
      break;
    }
  }
  LogAlways(run, kLogProcessListEnd);
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

std::wstring ResolveInstallPath(const SetupRun& run) {
  LogVerbose(run, kLogEnterGetInstallPath);
  std::wstring chosen;
  for (int n = 1;; ++n) {
    char key[32];
    std::snprintf(key, sizeof key, kKeyPathFormat, n);
    std::wstring value = GetIniString(run.iniPath, kSecPaths, key, kDne, kPathValueChars);
    LogVerbose(run, kLogPathCandidate, AnsiToWide(key), value);
    if (value == kUseWceLoadPath) {
      std::wstring dir = run.installDir;
      size_t cut = dir.find_last_of(L'\\');
      if (cut != std::wstring::npos) dir.resize(cut);
      LogVerbose(run, kLogWceLoadPath, dir);
      chosen = TrimOneBackslash(dir);
      break;
    }
    if (value == kDne) {
      LogVerbose(run, kLogEndFound);
      break;
    }
    std::wstring candidate = TrimOneBackslash(value);
    unsigned long long bytes = 0;
    // The whole byte count: its low 32 bits alone say nothing on a card of 4 GB or more.
    if (DirectoryListed(candidate) && FreeBytes(candidate, &bytes) && bytes / 1024 >= run.settings.kbNeeded) {
      chosen = candidate;
      break;
    }
  }
  LogVerbose(run, kLogLeaveGetInstallPath);
  return chosen;
}

std::wstring ExpandInstallDir(const SetupRun& run, const std::wstring& text) {
  return ExpandMacro(text, kMacroInstallDir, run.installPath);
}

std::wstring ExpandAllMacros(const SetupRun& run, const std::wstring& text) {
  std::wstring expanded = ExpandInstallDir(run, text);
  expanded = ExpandFolderMacro(run, expanded, kMacroStartup, CSIDL_STARTUP);
  return ExpandFolderMacro(run, expanded, kMacroPrograms, CSIDL_PROGRAMS);
}

void CreateShortcutEntry(SetupRun& run, const Shortcut& shortcut) {
  if (!DeleteFileW(shortcut.path.c_str())) LogVerbose(run, kLogDeleteShortcutError, shortcut.path, static_cast<long>(GetLastError()));
  LogVerbose(run, kLogCreatingShortcut, shortcut.path, shortcut.target);
  std::wstring path = shortcut.path, target = shortcut.target;
  RecordsAhead ahead(run);
  Record(run, kRecordShortcut, shortcut.path);
  if (SHCreateShortcut(path.data(), target.data())) {
    AfterWrite(L"shortcut");
    return;
  }
  ahead.TakeBack();
  LogAlways(run, kLogShortcutFailure, shortcut.path, shortcut.target);
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

void RunApplication(SetupRun& run, const std::wstring& text, bool wait, bool remove) {
  const auto [program, arguments] = SplitProgramText(text);
  if (program.empty()) return;

  qzr::StartedProcess process = StartProgram(program, arguments);
  if (process) LogVerbose(run, kLogProcessStarted, program);
  else LogAlways(run, kLogProcessFailed, program);

  if (!wait) {
    LogVerbose(run, kLogNotWaiting, program);
    return;
  }
  LogVerbose(run, kLogWaiting, program);
  DWORD exitCode = 0;
  if (process) {
    WaitForSingleObject(process.process.get(), INFINITE);
    GetExitCodeProcess(process.process.get(), &exitCode);
  }
  LogVerbose(run, kLogExited, program);
  if (exitCode == kResetExitCode) {
    LogAlways(run, kLogResetRequested);
    run.rebootRequested = true;
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

void ExecuteCommand(SetupRun& run, const Command& command) {
  switch (command.verb) {
    case Verb::None: break;
    case Verb::DoUninstall: ProcessUninstallData(run); break;
    case Verb::DeleteFile: {
      std::wstring path = ExpandAllMacros(run, Field(command, 0));
      SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
      if (DeleteFileW(path.c_str())) LogVerbose(run, kLogDeletedFile, path);
      else LogAlways(run, kLogDeleteFileFailed, static_cast<long>(GetLastError()), path);
      break;
    }
    case Verb::DeleteDir: {
      std::wstring path = ExpandInstallDir(run, Field(command, 0));
      LogVerbose(run, kLogDeletingDir, path);
      if (IsDeviceRoot(path)) break;
      DeleteTree(path);
      RemoveDirectoryW(path.c_str());
      break;
    }
    case Verb::RenameFile:
    case Verb::MoveFileDir: {
      std::wstring from = ExpandInstallDir(run, Field(command, 0)), to = ExpandInstallDir(run, Field(command, 1));
      if (MoveFileW(from.c_str(), to.c_str())) LogVerbose(run, kLogMoved, from, to);
      else LogAlways(run, kLogMoveFailed, static_cast<long>(GetLastError()), from);
      break;
    }
    case Verb::CopyFile: {
      std::wstring from = ExpandInstallDir(run, Field(command, 0)), to = ExpandInstallDir(run, Field(command, 1));
      const std::wstring& flag = Field(command, 2);
      bool failIfExists = !flag.empty() && (flag[0] == L'Y' || flag[0] == L'y');
      if (CopyFileW(from.c_str(), to.c_str(), failIfExists)) {
        LogVerbose(run, kLogCopied, from, to);
      } else {
        DWORD error = GetLastError();
        if (failIfExists && error == ERROR_FILE_EXISTS) LogVerbose(run, kLogCopyExists, to);
        else LogAlways(run, kLogCopyFailed, static_cast<long>(error), from, failIfExists ? 1 : 0);
      }
      break;
    }
    case Verb::FileAttrib: {
      std::wstring path = ExpandInstallDir(run, Field(command, 0));
      // Without a second field the number comes from the path text itself.
      const std::wstring& number = command.fields.fields.size() > 1 ? Field(command, 1) : Field(command, 0);
      DWORD attributes = static_cast<DWORD>(std::wcstol(number.c_str(), nullptr, 10));
      if (SetFileAttributesW(path.c_str(), attributes)) LogVerbose(run, kLogSetAttributes, static_cast<long>(attributes), path);
      else LogAlways(run, kLogSetAttributesFailed, static_cast<long>(GetLastError()), static_cast<long>(attributes), path);
      break;
    }
    case Verb::ExecuteApp: {
      std::wstring program = ExpandInstallDir(run, Field(command, 0));
      LogVerbose(run, kLogRunningApp, program, command.wait ? 1 : 0, command.remove ? 1 : 0);
      RunApplication(run, program, command.wait, command.remove);
      break;
    }
    case Verb::Wait: {
      DWORD ms = WaitMilliseconds(Field(command, 0));
      LogVerbose(run, kLogSleeping, static_cast<unsigned long long>(ms));
      if (ms > 0) Sleep(ms);
      break;
    }
    case Verb::CreateDir: {
      std::wstring path = ExpandInstallDir(run, Field(command, 0));
      if (CreateDirectoryW(path.c_str(), nullptr)) LogVerbose(run, kLogDirCreated, path);
      else LogAlways(run, kLogCreateDirFailed, static_cast<long>(GetLastError()), path);
      break;
    }
    case Verb::AddRegEntry: WriteRegistryEntry(run, RegistryEntryFromFields(command.fields)); break;
    case Verb::RemoveRegEntry: ApplyRegistryRemoval(RegistryRemovalFromFields(command.fields)); break;
    case Verb::AddShortcut: {
      Shortcut shortcut;
      shortcut.path = WithLeadingBackslash(ExpandInstallDir(run, Field(command, 0)));
      shortcut.target = Format(kQuotedFormat, WithLeadingBackslash(ExpandInstallDir(run, Field(command, 1))));
      CreateShortcutEntry(run, shortcut);
      break;
    }
  }
}

}  // namespace

void ExecuteCommands(SetupRun& run, const std::vector<Command>& commands) {
  for (const Command& command : commands) {
    ExecuteCommand(run, command);
    AfterWrite(L"command");
  }
}

void HandleReboot(SetupRun& run) {
  if (!run.rebootRequested) return;
  if (run.autoCabRunning) {
    qzr::FileHandle flag(
        CreateFileW(kResetFlagFile, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_HIDDEN, nullptr));
    run.progress.Show(99, kStatusAutoCabReset);
    if (!flag) LogAlways(run, kLogResetFileFailed);
    return;
  }
  LogAlways(run, kLogRebootExternal);
  std::wstring program = Format(kRebootProgramFormat, run.installDir);
  if (StartProgram(program, L"")) {
    run.progress.Show(99, kStatusResetting);
    LogVerbose(run, kLogProcessStarted, program);
  } else {
    LogAlways(run, kLogProcessFailed, program);
  }
}

}  // namespace qzrsetup
