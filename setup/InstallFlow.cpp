// Install_Exit and Uninstall_Init: the steps in their fixed order.
#include "InstallFlow.h"

#include "wince.h"

#include <string>

#include "Actions.h"
#include "IniFile.h"
#include "ProgressWindow.h"
#include "ReadSettings.h"
#include "Registry.h"
#include "SetupLog.h"
#include "SetupState.h"
#include "SetupTexts.h"
#include "Uninstall.h"
#include "ZipExtract.h"

namespace qzrsetup {

namespace {

constexpr size_t kInstallDirChars = 260;

std::wstring BoundedDir(const wchar_t* installDir) {
  std::wstring dir = installDir ? installDir : L"";
  if (dir.size() > kInstallDirChars) dir.resize(kInstallDirChars);
  return dir;
}

void ReleaseLists() {
  SetupState& state = State();
  state.shortcuts.clear();
  state.protectedFiles.clear();
  state.registryAdditions.clear();
  state.registryRemovals.clear();
}

// The early returns also take the window away: nothing would ever close it otherwise.
int Abandon() {
  CommitUninstallRecords();
  ReleaseLists();
  DestroyProgressWindow();
  return kUninstallAgain;
}

void ReadAndEchoSettings() {
  SetupState& state = State();
  ReadGeneralSettings();

  state.installPath = ResolveInstallPath();
  if (state.installPath.empty()) LogAlways(kLogInstallPathNotSet);
  else LogAlways(kLogInstallPathSet, state.installPath);

  unsigned long long bytes = 0;
  if (FreeBytes(state.installPath.empty() ? std::wstring(L"\\") : state.installPath, &bytes))
    LogAlways(kLogBytesAvailable, bytes);

  SetProgress(10);
  SetStatus(kStatusShortcutList);
  ReadShortcuts();
  ReadApplicationHooks();

  SetProgress(15);
  SetStatus(kStatusProtected);
  ReadProtectedFiles();

  SetProgress(20);
  SetStatus(kStatusInstallInfo);
  ReadInstallPathSettings();
  SetProgress(25);
  SetStatus(kStatusRegAdditions);
  ReadRegistryAdditions();
  SetProgress(30);
  SetStatus(kStatusRegCleanup);
  ReadRegistryRemovals();
  SetProgress(40);
  SetStatus(kStatusVersion);
  ReadVersionRequirement();
}

bool VersionAccepted() {
  const VersionRequirement& required = State().version;
  if (required.major == -1 || required.minor == -1 || !required.present) return true;
  LogVerbose(kLogDesiredVersion, required.major, required.minor);
  Version installed = ReadInstalledVersion();
  if (VersionSatisfies(installed, {required.major, required.minor}, required.exact)) return true;
  LogAlways(kLogWrongVersion, installed.major, installed.minor);
  return false;
}

}  // namespace

int InstallExit(HWND parent, const wchar_t* installDir) {
  DestroyProgressWindow();
  ResetState();
  SetupState& state = State();

  // 1: paths, and no files of an earlier installation.
  state.installDir = BoundedDir(installDir);
  state.iniPath = Format(kIniPathFormat, state.installDir);
  state.logPath = Format(kLogPathFormat, state.installDir);
  state.dataPath = Format(kDataPathFormat, state.installDir);
  state.commandPath = Format(kCommandPathFormat, state.installDir);
  DeleteFileW(state.logPath.c_str());
  DeleteFileW(state.dataPath.c_str());
  DeleteFileW(state.commandPath.c_str());

  // 2-5
  SetProgress(5);
  SetStatus(kStatusInstalling);
  LogAlways(kLogUsingIni, state.iniPath);
  CreateProgressWindow(parent);
  SetProgress(7);
  SetStatus(state.iniPath);
  LogAlways(kLogStarting);
  state.autoCabRunning = DetectAutoCab();
  LogAlways(state.autoCabRunning ? kLogAutoCabRunning : kLogAutoCabNotRunning);

  // 6-8
  ReadAndEchoSettings();
  CopyUninstallCommands();
  RecordExitApp();

  // 9-10
  SetProgress(45);
  SetStatus(kStatusReadIni);
  state.initCommands = ReadCommandList(kSecInitCommands);
  state.exitCommands = ReadCommandList(kSecExitCommands);
  // A command (DoUninstall) or a program may need the records: they are committed first.
  CommitUninstallRecords();
  ExecuteCommands(state.initCommands);
  state.initCommands.clear();
  if (!VersionAccepted()) return Abandon();

  // 11-14
  for (const RegistryRemoval& removal : state.registryRemovals) ApplyRegistryRemoval(removal);
  SetProgress(50);
  SetStatus(kStatusRemovedReg);
  if (state.installPathValue.atInit) {
    LogVerbose(kLogPathPriorInit);
    WriteInstallPathValue();
  }
  RecordUninstallRemovals();
  SetProgress(55);
  SetStatus(kStatusInitApp);
  CommitUninstallRecords();
  RunApplication(state.initHook.program, state.initHook.wait, state.initHook.remove);

  // 15
  SetProgress(65);
  if (ExtractPackageZips(state.installPath, state.installDir) != 0) {
    LogAlways(kLogUnzipError);
    return Abandon();
  }

  // 16-18
  SetProgress(80);
  SetStatus(kStatusShortcuts);
  for (const Shortcut& shortcut : state.shortcuts) CreateShortcutEntry(shortcut);
  if (state.installPathValue.atExit) {
    LogVerbose(kLogPathPostInstall);
    WriteInstallPathValue();
  }
  SetProgress(85);
  SetStatus(kStatusRegEntries);
  for (const RegistryEntry& entry : state.registryAdditions) WriteRegistryEntry(entry);

  // 19
  SetProgress(90);
  SetStatus(kStatusCleanup);
  SetFileAttributesW(state.iniPath.c_str(), FILE_ATTRIBUTE_NORMAL);
  DeleteFileW(state.iniPath.c_str());
  ReleaseLists();

  // 20-21
  SetProgress(95);
  SetStatus(kStatusExitApp);
  CommitUninstallRecords();
  RunApplication(state.exitHook.program, state.exitHook.wait, state.exitHook.remove);
  ExecuteCommands(state.exitCommands);
  state.exitCommands.clear();
  CommitUninstallRecords();
  HandleReboot();
  SetProgress(100);
  LogAlways(kLogComplete);
  SetStatus(kStatusComplete);
  DestroyProgressWindow();
  return kContinue;
}

int UninstallInit(const wchar_t* installDir) {
  DestroyProgressWindow();
  ResetState();  // no log or data path: uninstallation writes neither
  SetupState& state = State();
  state.installDir = BoundedDir(installDir);
  std::wstring commandPath = Format(kCommandPathFormat, state.installDir);

  if (auto entries = GetIniSection(commandPath, kSecUninstallCommands, kCommandLineBytes))
    ExecuteCommands(CommandsFromEntries(*entries));
  if (!state.uninstallDataProcessed) ProcessUninstallData(state.installDir);

  if (!IsDeviceRoot(state.installDir)) {
    DeleteTree(state.installDir);
    RemoveDirectoryW(state.installDir.c_str());
  }
  return kContinue;
}

}  // namespace qzrsetup
