// Uninstall files: writing the command file and the removal records, replaying the data file.
#include "Uninstall.h"

#include "wince.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "DeviceFiles.h"
#include "IniFile.h"
#include "Macros.h"
#include "PackageLists.h"
#include "Records.h"
#include "Registry.h"
#include "SetupLog.h"
#include "SetupTexts.h"
#include "Win32Owners.h"

namespace qzrsetup {

void CopyUninstallCommands(const SetupRun& run) {
  WriteUninstallCommandLine(run, AnsiFromWide(kUninstallCommandsHeader));
  LogAlways(run, kLogLocatingUninstallCommands);
  // Read with the command sections' line length and copied whole: a command cut to fit a
  // shorter line would run cut at uninstallation, on some other path.
  auto entries = GetIniSection(run.iniPath, kSecUninstallCommands, kCommandLineBytes);
  LogAlways(run, kLogReturnedFromSection);
  if (!entries) return;
  for (const IniEntry& entry : *entries) {
    if (entry.name.size() < 3) continue;
    WriteUninstallCommandLine(run, entry.name + "=" + entry.value);  // "%s=%s", bytes as the INI holds them
  }
}

void RecordExitApp(SetupRun& run) {
  std::wstring program = GetIniString(run.iniPath, kSecRemovals, kKeyExitAppPathName, kDne, kPathValueChars);
  if (program == kDne) {
    LogAlways(run, kLogNoExitApp);
    return;
  }
  Record(run, kRecordApp, ExpandInstallDir(run, program));
}

void RecordUninstallRemovals(SetupRun& run) {
  LogVerbose(run, kLogEnterGetUninstallInfo);
  LogAlways(run, kLogLocatingRemovals);
  auto entries = GetIniSection(run.iniPath, kSecRemovals, kListLineBytes);
  LogAlways(run, kLogReturnedFromSection);
  if (!entries) return;
  for (const IniEntry& entry : *entries) {
    if (!NumberInName(entry.name)) continue;
    std::wstring path = ExpandInstallDir(run, TrimOneBackslash(WideFromAnsi(entry.value)));
    if (StartsWithNoCase(entry.name, "Dir")) Record(run, kRecordDir, path);
    else if (StartsWithNoCase(entry.name, "File")) Record(run, kRecordFile, path);
  }
}

void ProcessUninstallData(SetupRun& run) {
  run.uninstallDataProcessed = true;
  std::string bytes = ReadFileBytes(Format(kDataPathFormat, run.installDir));
  std::wstring content = RecordTextFromBytes(bytes);

  std::vector<std::pair<std::wstring, bool>> directories;  // path, delete its contents
  for (const std::wstring& line : SplitRecordLines(content)) {
    UninstallRecord record = ParseUninstallRecord(line);
    switch (record.kind) {
      case UninstallRecord::Kind::App: {
        if (qzr::StartedProcess process = StartProgram(record.path, L""))
          WaitForSingleObject(process.process.get(), INFINITE);
        SetFileAttributesW(record.path.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileW(record.path.c_str());
        break;
      }
      case UninstallRecord::Kind::Dir: directories.push_back({record.path, true}); break;
      case UninstallRecord::Kind::File:
      case UninstallRecord::Kind::Shortcut:
        if (record.pathIsDir) {
          directories.push_back({record.path, false});
        } else {
          // Extracted files keep their archive attributes; a read-only one must still go.
          SetFileAttributesW(record.path.c_str(), FILE_ATTRIBUTE_NORMAL);
          DeleteFileW(record.path.c_str());
        }
        break;
      case UninstallRecord::Kind::RegKey: DeleteRegistryKey(record.root, record.key); break;
      case UninstallRecord::Kind::RegValue: DeleteRegistryValue(record.root, record.key, record.valueName); break;
      case UninstallRecord::Kind::Other: break;
    }
  }
  // Deepest first, so a folder is tried only once its subfolders are gone; records of one depth
  // keep their order.
  auto depth = [](const std::wstring& path) {
    size_t end = path.find_last_not_of(L'\\');
    return end == std::wstring::npos ? size_t{0} : static_cast<size_t>(std::count(path.begin(), path.begin() + end, L'\\'));
  };
  std::stable_sort(directories.begin(), directories.end(),
                   [&](const auto& a, const auto& b) { return depth(a.first) > depth(b.first); });
  for (const auto& [path, contents] : directories) {
    if (contents) DeleteTree(path);
    if (!IsDeviceRoot(path)) RemoveDirectoryW(path.c_str());
  }
}

}  // namespace qzrsetup
