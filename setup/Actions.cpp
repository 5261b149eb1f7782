// Install actions over files, processes and the shell.
#include "Actions.h"

#include "wince.h"

#include <cstdio>
#include <cwchar>

#include "DeviceFiles.h"
#include "Macros.h"
#include "IniFile.h"
#include "SetupLog.h"
#include "SetupTexts.h"
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
    LogVerbose(run, kLogPathCandidate, WideFromAnsi(key), value);
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
