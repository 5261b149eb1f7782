// The settings echo of Install_Exit: each reader fills the run from the package INI.
#include "ReadSettings.h"

#include "wince.h"

#include <cstdio>
#include <cwchar>

#include "Actions.h"
#include "IniFile.h"
#include "Macros.h"
#include "Records.h"
#include "SetupLog.h"
#include "SetupTexts.h"

namespace qzrsetup {

namespace {

std::wstring ShortValue(const SetupRun& run, const char* section, const char* key, const wchar_t* fallback) {
  return GetIniString(run.iniPath, section, key, fallback, kShortValueChars);
}

std::wstring PathValue(const SetupRun& run, const char* section, const char* key, const wchar_t* fallback = kDne) {
  return GetIniString(run.iniPath, section, key, fallback, kPathValueChars);
}

std::string NumberedKey(const char* format, int n) {
  char key[64];
  std::snprintf(key, sizeof key, format, n);
  return key;
}

AppHook ReadHook(const SetupRun& run, const char* section, const std::wstring& program) {
  AppHook hook;
  if (program == kDne) return hook;
  hook.program = ExpandInstallDir(run, program);
  hook.wait = IsYes(ShortValue(run, section, kKeyWaitForAppExit, L"N"));
  hook.remove = hook.wait && IsYes(ShortValue(run, section, kKeyDeleteApp, L"N"));
  return hook;
}

// PredefinedKey and Subkey of `section`, and the value name under `valueKey`.
RegistryValueName ReadRegistryValueName(const SetupRun& run, const char* section, const char* valueKey) {
  RegistryValueName name;
  std::wstring root = PathValue(run, section, kKeyPredefinedKey);
  name.present = root != kDne;
  name.root = RootKeyFromName(root);
  name.key = PathValue(run, section, kKeySubkey);
  name.valueName = PathValue(run, section, valueKey);
  return name;
}

}  // namespace

void ReadGeneralSettings(SetupRun& run) {
  Settings& s = run.settings;
  s.reboot = IsYes(ShortValue(run, kSecGeneral, kKeyReboot, L"N"));
  s.overwriteFiles = IsYes(ShortValue(run, kSecGeneral, kKeyOverwrite, L"Y"));
  s.verbose = IsYes(ShortValue(run, kSecGeneral, kKeyVerbose, L"N"));
  s.kbNeeded = std::wcstoul(ShortValue(run, kSecGeneral, kKeyKbNeeded, L"0").c_str(), nullptr, 10);
  s.abortOnError = IsYes(ShortValue(run, kSecGeneral, kKeyAbort, L"Y"));
  run.rebootRequested = s.reboot;
  LogAlways(run, s.reboot ? kLogRebootTrue : kLogRebootFalse);
  if (s.overwriteFiles) LogAlways(run, kLogOverwriteTrue);
  LogAlways(run, s.verbose ? kLogVerboseTrue : kLogVerboseFalse);
  LogAlways(run, s.abortOnError ? kLogAbortTrue : kLogAbortFalse);
}

void ReadShortcuts(SetupRun& run) {
  auto& shortcuts = run.shortcuts;
  for (int n = 1;; ++n) {
    std::wstring program = PathValue(run, kSecShortcuts, NumberedKey(kKeyProgramPathFormat, n).c_str());
    if (program == kDne) break;
    std::wstring path = PathValue(run, kSecShortcuts, NumberedKey(kKeyShortcutPathFormat, n).c_str());
    if (path == kDne) continue;
    Shortcut shortcut;
    shortcut.target = Format(kQuotedFormat, WithLeadingBackslash(ExpandInstallDir(run, program)));
    shortcut.path = WithLeadingBackslash(ExpandAllMacros(run, path));
    shortcuts.push_back(std::move(shortcut));
  }
}

void ReadApplicationHooks(SetupRun& run) {
  run.initHook = ReadHook(run, kSecHookInit, PathValue(run, kSecHookInit, kKeyFilePathName));
  // AppHook is the older name of the exit hook's program; its flags stay in AppHook_Exit.
  std::wstring exitProgram = PathValue(run, kSecHookExit, kKeyFilePathName);
  if (exitProgram == kDne) exitProgram = PathValue(run, kSecHookOld, kKeyFilePathName);
  run.exitHook = ReadHook(run, kSecHookExit, exitProgram);
  if (run.initHook.program.empty()) LogAlways(run, kLogNoInitHook);
  else LogAlways(run, kLogInitHook, run.initHook.program);
  if (run.exitHook.program.empty()) LogAlways(run, kLogNoExitHook);
  else LogAlways(run, kLogExitHook, run.exitHook.program);
}

void ReadProtectedFiles(SetupRun& run) {
  auto& files = run.protectedFiles;
  for (int n = 1;; ++n) {
    std::wstring path = PathValue(run, kSecProtected, NumberedKey(kKeyFilePathNameFormat, n).c_str());
    if (path == kDne) break;
    path = ExpandInstallDir(run, path);
    if (GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES) {
      LogVerbose(run, kLogProtectedNotFound, path);
      continue;
    }
    files.push_back(WithoutLeadingBackslash(path));
  }
}

void ReadInstallPathSettings(SetupRun& run) {
  InstallPathValue& value = run.installPathValue;
  value.atInit = IsYes(ShortValue(run, kSecInstallPath, kKeyPathInit, L"N"));
  value.atExit = IsYes(ShortValue(run, kSecInstallPath, kKeyPathExit, L"N"));
  value.target = ReadRegistryValueName(run, kSecInstallPath, kKeyValue);
}

void ReadRegistryAdditions(SetupRun& run) {
  LogAlways(run, kLogLocatingSection);
  auto entries = GetIniSection(run.iniPath, kSecRegAdd, kListLineBytes);
  LogAlways(run, kLogReturnedFromSection);
  if (entries) run.registryAdditions = BuildRegistryAdditions(*entries);
}

void ReadRegistryRemovals(SetupRun& run) {
  LogAlways(run, kLogLocatingRegRemovals);
  auto entries = GetIniSection(run.iniPath, kSecRegRemove, kListLineBytes);
  LogAlways(run, kLogReturnedFromSection);
  if (entries) run.registryRemovals = BuildRegistryRemovals(*entries);
}

void ReadVersionRequirement(SetupRun& run) {
  VersionRequirement& v = run.version;
  v.major = std::wcstol(ShortValue(run, kSecVersion, kKeyMajor, L"-1").c_str(), nullptr, 10);
  v.minor = std::wcstol(ShortValue(run, kSecVersion, kKeyMinor, L"-1").c_str(), nullptr, 10);
  v.exact = IsYes(ShortValue(run, kSecVersion, kKeyExact, L"N"));
  v.installed = ReadRegistryValueName(run, kSecVersion, kKeyAppName);
}

std::vector<Command> ReadCommandList(const SetupRun& run, const char* section) {
  LogAlways(run, kLogLocatingSection);
  auto entries = GetIniSection(run.iniPath, section, kCommandLineBytes);
  LogAlways(run, kLogReturnedFromSection);
  return entries ? CommandsFromEntries(*entries) : std::vector<Command>{};
}

}  // namespace qzrsetup
