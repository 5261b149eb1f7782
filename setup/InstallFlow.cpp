// Install_Exit and Uninstall_Init: their phases in a fixed order, each over one run.
#include "InstallFlow.h"

#include "wince.h"

#include <string>

#include "Actions.h"
#include "Commands.h"
#include "IniFile.h"
#include "ReadSettings.h"
#include "Registry.h"
#include "SetupLog.h"
#include "SetupRun.h"
#include "SetupTexts.h"
#include "Uninstall.h"
#include "WritePoints.h"
#include "ZipExtract.h"

namespace qzrsetup {

namespace {

constexpr size_t kInstallDirChars = 260;

std::wstring BoundedDir(const wchar_t* installDir) {
  std::wstring dir = installDir ? installDir : L"";
  if (dir.size() > kInstallDirChars) dir.resize(kInstallDirChars);
  return dir;
}

// The run's files, and none left from an earlier installation into the same folder.
void StartAfresh(SetupRun& run, const wchar_t* installDir) {
  run.installDir = BoundedDir(installDir);
  run.iniPath = Format(kIniPathFormat, run.installDir);
  run.logPath = Format(kLogPathFormat, run.installDir);
  run.dataPath = Format(kDataPathFormat, run.installDir);
  run.commandPath = Format(kCommandPathFormat, run.installDir);
  DeleteFileW(run.logPath.c_str());
  DeleteFileW(run.dataPath.c_str());
  DeleteFileW(run.commandPath.c_str());
}

void ShowProgress(SetupRun& run, HMODULE module, HWND parent) {
  // The first progress and status come before the window and so are never seen; the log
  // still names the INI before anything else.
  run.progress.Show(5, kStatusInstalling);
  LogAlways(run, kLogUsingIni, run.iniPath);
  run.progress.Create(module, parent);
  run.progress.Show(7, run.iniPath);
  LogAlways(run, kLogStarting);
}

// Whether AutoCab runs the installation decides how the reboot at the end is asked for.
void LookForAutoCab(SetupRun& run) {
  run.autoCabRunning = DetectAutoCab(run);
  LogAlways(run, run.autoCabRunning ? kLogAutoCabRunning : kLogAutoCabNotRunning);
}

void ReadAndEchoSettings(SetupRun& run) {
  ReadGeneralSettings(run);

  // Candidates are checked against KBNeeded, so the general settings come first.
  run.installPath = ResolveInstallPath(run);
  if (run.installPath.empty()) LogAlways(run, kLogInstallPathNotSet);
  else LogAlways(run, kLogInstallPathSet, run.installPath);

  unsigned long long bytes = 0;
  if (FreeBytes(run.installPath.empty() ? std::wstring(L"\\") : run.installPath, &bytes))
    LogAlways(run, kLogBytesAvailable, bytes);

  // Every list below may name %INSTALLDIR%, which needs the install path.
  run.progress.Show(10, kStatusShortcutList);
  ReadShortcuts(run);
  ReadApplicationHooks(run);

  run.progress.Show(15, kStatusProtected);
  ReadProtectedFiles(run);

  run.progress.Show(20, kStatusInstallInfo);
  ReadInstallPathSettings(run);
  run.progress.Show(25, kStatusRegAdditions);
  ReadRegistryAdditions(run);
  run.progress.Show(30, kStatusRegCleanup);
  ReadRegistryRemovals(run);
  run.progress.Show(40, kStatusVersion);
  ReadVersionRequirement(run);
}

// Settings, lists, the undo side of the package and both command lists: all that is read
// from the INI before anything is changed.
void ReadPackage(SetupRun& run) {
  ReadAndEchoSettings(run);
  CopyUninstallCommands(run);
  RecordExitApp(run);
  run.progress.Show(45, kStatusReadIni);
  run.initCommands = ReadCommandList(run, kSecInitCommands);
  run.exitCommands = ReadCommandList(run, kSecExitCommands);
}

void RunInitCommands(SetupRun& run) {
  // A command (DoUninstall) or a program may need the records: they are committed first.
  CommitUninstallRecords(run);
  ExecuteCommands(run, run.initCommands);
  run.initCommands.clear();
}

// After the Init commands, which may have installed or changed the version value.
bool VersionAccepted(const SetupRun& run) {
  const VersionRequirement& required = run.version;
  if (required.major == -1 || required.minor == -1 || !required.installed.present) return true;
  LogVerbose(run, kLogDesiredVersion, required.major, required.minor);
  Version installed = ReadInstalledVersion(required);
  if (VersionSatisfies(installed, {required.major, required.minor}, required.exact)) return true;
  LogAlways(run, kLogWrongVersion, installed.major, installed.minor);
  return false;
}

// The old entries go, and the install path is written for an Init hook that reads it.
void PrepareRegistry(SetupRun& run) {
  for (const RegistryRemoval& removal : run.registryRemovals) ApplyRegistryRemoval(removal);
  run.progress.Show(50, kStatusRemovedReg);
  if (run.installPathValue.atInit) {
    LogVerbose(run, kLogPathPriorInit);
    WriteInstallPathValue(run);
  }
  RecordUninstallRemovals(run);
}

void RunInitApplication(SetupRun& run) {
  run.progress.Show(55, kStatusInitApp);
  CommitUninstallRecords(run);  // the program may end the installer: the records are safe first
  RunApplication(run, run.initHook.program, run.initHook.wait, run.initHook.remove);
}

bool ExtractPayload(SetupRun& run) {
  run.progress.SetProgress(65);
  if (ExtractPackageZips(run)) return true;
  LogAlways(run, kLogUnzipError);
  return false;
}

// Shortcuts and entries point at the extracted files, so they come after the extraction.
void AddShortcutsAndEntries(SetupRun& run) {
  run.progress.Show(80, kStatusShortcuts);
  for (const Shortcut& shortcut : run.shortcuts) CreateShortcutEntry(run, shortcut);
  if (run.installPathValue.atExit) {
    LogVerbose(run, kLogPathPostInstall);
    WriteInstallPathValue(run);
  }
  run.progress.Show(85, kStatusRegEntries);
  for (const RegistryEntry& entry : run.registryAdditions) WriteRegistryEntry(run, entry);
}

void ReleaseLists(SetupRun& run) {
  run.shortcuts.clear();
  run.protectedFiles.clear();
  run.registryAdditions.clear();
  run.registryRemovals.clear();
}

// The INI is spent: it goes before the Exit hook, which may reset the device.
void CleanUp(SetupRun& run) {
  run.progress.Show(90, kStatusCleanup);
  SetFileAttributesW(run.iniPath.c_str(), FILE_ATTRIBUTE_NORMAL);
  DeleteFileW(run.iniPath.c_str());
  AfterWrite(L"INI deleted");
  ReleaseLists(run);
}

// The Exit hook and commands run on the finished installation; the reboot comes last of all.
void RunExitApplicationAndReboot(SetupRun& run) {
  run.progress.Show(95, kStatusExitApp);
  CommitUninstallRecords(run);
  RunApplication(run, run.exitHook.program, run.exitHook.wait, run.exitHook.remove);
  ExecuteCommands(run, run.exitCommands);
  run.exitCommands.clear();
  CommitUninstallRecords(run);
  HandleReboot(run);
}

InstallerAnswer Complete(SetupRun& run) {
  run.progress.SetProgress(100);
  LogAlways(run, kLogComplete);
  run.progress.SetStatus(kStatusComplete);
  run.progress.Close();
  return InstallerAnswer::kContinue;
}

// The early returns also take the window away: nothing would ever close it otherwise.
InstallerAnswer Abandon(SetupRun& run) {
  CommitUninstallRecords(run);
  ReleaseLists(run);
  run.progress.Close();
  return InstallerAnswer::kUninstallAgain;
}

}  // namespace

InstallerAnswer InstallExit(HMODULE module, HWND parent, const wchar_t* installDir) {
  SetupRun run;
  StartAfresh(run, installDir);
  ShowProgress(run, module, parent);
  LookForAutoCab(run);
  ReadPackage(run);
  RunInitCommands(run);
  if (!VersionAccepted(run)) return Abandon(run);
  PrepareRegistry(run);
  RunInitApplication(run);
  if (!ExtractPayload(run)) return Abandon(run);
  AddShortcutsAndEntries(run);
  CleanUp(run);
  RunExitApplicationAndReboot(run);
  return Complete(run);
}

InstallerAnswer UninstallInit(const wchar_t* installDir) {
  SetupRun run;  // no log or data path: uninstallation writes neither
  run.installDir = BoundedDir(installDir);
  std::wstring commandPath = Format(kCommandPathFormat, run.installDir);

  // The commands may hold DoUninstall, which replays the data file at that point instead.
  if (auto entries = GetIniSection(commandPath, kSecUninstallCommands, kCommandLineBytes))
    ExecuteCommands(run, CommandsFromEntries(*entries));
  if (!run.uninstallDataProcessed) ProcessUninstallData(run);

  if (!IsDeviceRoot(run.installDir)) {
    DeleteTree(run.installDir);
    RemoveDirectoryW(run.installDir.c_str());
  }
  return InstallerAnswer::kContinue;
}

}  // namespace qzrsetup
