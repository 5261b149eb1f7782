// The command lists of a package: each verb's action and log lines.
#include "Commands.h"

#include "wince.h"

#include <cwchar>

#include "Actions.h"
#include "DeviceFiles.h"
#include "Fields.h"
#include "Macros.h"
#include "Registry.h"
#include "SetupLog.h"
#include "SetupTexts.h"
#include "Uninstall.h"
#include "WritePoints.h"

namespace qzrsetup {

namespace {

const std::wstring& Field(const Command& command, size_t i) {
  static const std::wstring kEmpty;
  return i < command.fields.fields.size() ? command.fields.fields[i] : kEmpty;
}

void DeleteFileCommand(SetupRun& run, const Command& command) {
  std::wstring path = ExpandAllMacros(run, Field(command, 0));
  SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
  if (DeleteFileW(path.c_str())) LogVerbose(run, kLogDeletedFile, path);
  else LogAlways(run, kLogDeleteFileFailed, static_cast<long>(GetLastError()), path);
}

void DeleteDirCommand(SetupRun& run, const Command& command) {
  std::wstring path = ExpandInstallDir(run, Field(command, 0));
  LogVerbose(run, kLogDeletingDir, path);
  if (IsDeviceRoot(path)) return;
  DeleteTree(path);
  RemoveDirectoryW(path.c_str());
}

// RenameFile and MoveFileDir: the same move.
void MoveCommand(SetupRun& run, const Command& command) {
  std::wstring from = ExpandInstallDir(run, Field(command, 0)), to = ExpandInstallDir(run, Field(command, 1));
  if (MoveFileW(from.c_str(), to.c_str())) LogVerbose(run, kLogMoved, from, to);
  else LogAlways(run, kLogMoveFailed, static_cast<long>(GetLastError()), from);
}

void CopyFileCommand(SetupRun& run, const Command& command) {
  std::wstring from = ExpandInstallDir(run, Field(command, 0)), to = ExpandInstallDir(run, Field(command, 1));
  const std::wstring& flag = Field(command, 2);
  bool failIfExists = !flag.empty() && (flag[0] == L'Y' || flag[0] == L'y');
  if (CopyFileW(from.c_str(), to.c_str(), failIfExists)) {
    LogVerbose(run, kLogCopied, from, to);
    return;
  }
  DWORD error = GetLastError();
  if (failIfExists && error == ERROR_FILE_EXISTS) LogVerbose(run, kLogCopyExists, to);
  else LogAlways(run, kLogCopyFailed, static_cast<long>(error), from, failIfExists ? 1 : 0);
}

void FileAttribCommand(SetupRun& run, const Command& command) {
  std::wstring path = ExpandInstallDir(run, Field(command, 0));
  // Without a second field the number comes from the path text itself.
  const std::wstring& number = command.fields.fields.size() > 1 ? Field(command, 1) : Field(command, 0);
  DWORD attributes = static_cast<DWORD>(std::wcstol(number.c_str(), nullptr, 10));
  if (SetFileAttributesW(path.c_str(), attributes)) LogVerbose(run, kLogSetAttributes, static_cast<long>(attributes), path);
  else LogAlways(run, kLogSetAttributesFailed, static_cast<long>(GetLastError()), static_cast<long>(attributes), path);
}

void ExecuteAppCommand(SetupRun& run, const Command& command) {
  std::wstring program = ExpandInstallDir(run, Field(command, 0));
  LogVerbose(run, kLogRunningApp, program, command.wait ? 1 : 0, command.remove ? 1 : 0);
  RunApplication(run, program, command.wait, command.remove);
}

void WaitCommand(SetupRun& run, const Command& command) {
  DWORD ms = WaitMilliseconds(Field(command, 0));
  LogVerbose(run, kLogSleeping, static_cast<unsigned long long>(ms));
  if (ms > 0) Sleep(ms);
}

void CreateDirCommand(SetupRun& run, const Command& command) {
  std::wstring path = ExpandInstallDir(run, Field(command, 0));
  if (CreateDirectoryW(path.c_str(), nullptr)) LogVerbose(run, kLogDirCreated, path);
  else LogAlways(run, kLogCreateDirFailed, static_cast<long>(GetLastError()), path);
}

void AddShortcutCommand(SetupRun& run, const Command& command) {
  Shortcut shortcut;
  shortcut.path = WithLeadingBackslash(ExpandInstallDir(run, Field(command, 0)));
  shortcut.target = Format(kQuotedFormat, WithLeadingBackslash(ExpandInstallDir(run, Field(command, 1))));
  CreateShortcutEntry(run, shortcut);
}

void ExecuteCommand(SetupRun& run, const Command& command) {
  switch (command.verb) {
    case Verb::None: break;
    case Verb::DoUninstall: ProcessUninstallData(run); break;
    case Verb::DeleteFile: DeleteFileCommand(run, command); break;
    case Verb::DeleteDir: DeleteDirCommand(run, command); break;
    case Verb::RenameFile:
    case Verb::MoveFileDir: MoveCommand(run, command); break;
    case Verb::CopyFile: CopyFileCommand(run, command); break;
    case Verb::FileAttrib: FileAttribCommand(run, command); break;
    case Verb::ExecuteApp: ExecuteAppCommand(run, command); break;
    case Verb::Wait: WaitCommand(run, command); break;
    case Verb::CreateDir: CreateDirCommand(run, command); break;
    case Verb::AddRegEntry: WriteRegistryEntry(run, RegistryEntryFromFields(command.fields)); break;
    case Verb::RemoveRegEntry: ApplyRegistryRemoval(RegistryRemovalFromFields(command.fields)); break;
    case Verb::AddShortcut: AddShortcutCommand(run, command); break;
  }
}

}  // namespace

DWORD WaitMilliseconds(const std::wstring& seconds) {
  long long value = std::wcstoll(seconds.c_str(), nullptr, 10);  // saturates instead of wrapping
  if (value <= 0) return 0;
  if (static_cast<unsigned long long>(value) >= kLongestSleepMs / 1000 + 1) return kLongestSleepMs;
  return static_cast<DWORD>(value * 1000);
}

void ExecuteCommands(SetupRun& run, const std::vector<Command>& commands) {
  for (const Command& command : commands) {
    ExecuteCommand(run, command);
    AfterWrite(L"command");
  }
}

}  // namespace qzrsetup
