// The settings echo of Install_Exit: each reader fills the state from the package INI.
#include "ReadSettings.h"

#include "wince.h"

#include <cstdio>
#include <cwchar>

#include "Actions.h"
#include "IniFile.h"
#include "Macros.h"
#include "Records.h"
#include "SetupLog.h"
#include "SetupState.h"
#include "SetupTexts.h"

namespace qzrsetup {

namespace {

std::wstring ShortValue(const char* section, const char* key, const wchar_t* fallback) {
  return GetIniString(State().iniPath, section, key, fallback, kShortValueChars);
}

std::wstring PathValue(const char* section, const char* key, const wchar_t* fallback = kDne) {
  return GetIniString(State().iniPath, section, key, fallback, kPathValueChars);
}

std::string NumberedKey(const char* format, int n) {
  char key[64];
  std::snprintf(key, sizeof key, format, n);
  return key;
}

AppHook ReadHook(const char* section, const std::wstring& program) {
  AppHook hook;
  if (program == kDne) return hook;
  hook.program = ExpandInstallDir(program);
  hook.wait = IsYes(ShortValue(section, kKeyWaitForAppExit, L"N"));
  hook.remove = hook.wait && IsYes(ShortValue(section, kKeyDeleteApp, L"N"));
  return hook;
}

}  // namespace

void ReadGeneralSettings() {
  Settings& s = State().settings;
  s.reboot = IsYes(ShortValue(kSecGeneral, kKeyReboot, L"N"));
  s.overwriteFiles = IsYes(ShortValue(kSecGeneral, kKeyOverwrite, L"Y"));
  s.verbose = IsYes(ShortValue(kSecGeneral, kKeyVerbose, L"N"));
  s.kbNeeded = std::wcstoul(ShortValue(kSecGeneral, kKeyKbNeeded, L"0").c_str(), nullptr, 10);
  s.abortOnError = IsYes(ShortValue(kSecGeneral, kKeyAbort, L"Y"));
  State().rebootRequested = s.reboot;
  LogAlways(s.reboot ? kLogRebootTrue : kLogRebootFalse);
  if (s.overwriteFiles) LogAlways(kLogOverwriteTrue);
  LogAlways(s.verbose ? kLogVerboseTrue : kLogVerboseFalse);
  LogAlways(s.abortOnError ? kLogAbortTrue : kLogAbortFalse);
}

void ReadShortcuts() {
  auto& shortcuts = State().shortcuts;
  for (int n = 1;; ++n) {
    std::wstring program = PathValue(kSecShortcuts, NumberedKey(kKeyProgramPathFormat, n).c_str());
    if (program == kDne) break;
    std::wstring path = PathValue(kSecShortcuts, NumberedKey(kKeyShortcutPathFormat, n).c_str());
    if (path == kDne) continue;
    Shortcut shortcut;
    shortcut.target = Format(kQuotedFormat, WithLeadingBackslash(ExpandInstallDir(program)));
    shortcut.path = WithLeadingBackslash(ExpandAllMacros(path));
    shortcuts.push_back(std::move(shortcut));
  }
}

void ReadApplicationHooks() {
  SetupState& state = State();
  state.initHook = ReadHook(kSecHookInit, PathValue(kSecHookInit, kKeyFilePathName));
  // AppHook is the older name of the exit hook's program; its flags stay in AppHook_Exit.
  std::wstring exitProgram = PathValue(kSecHookExit, kKeyFilePathName);
  if (exitProgram == kDne) exitProgram = PathValue(kSecHookOld, kKeyFilePathName);
  state.exitHook = ReadHook(kSecHookExit, exitProgram);
  if (state.initHook.program.empty()) LogAlways(kLogNoInitHook);
  else LogAlways(kLogInitHook, state.initHook.program);
  if (state.exitHook.program.empty()) LogAlways(kLogNoExitHook);
  else LogAlways(kLogExitHook, state.exitHook.program);
}

void ReadProtectedFiles() {
  auto& files = State().protectedFiles;
  for (int n = 1;; ++n) {
    std::wstring path = PathValue(kSecProtected, NumberedKey(kKeyFilePathNameFormat, n).c_str());
    if (path == kDne) break;
    path = ExpandInstallDir(path);
    if (GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES) {
      LogVerbose(kLogProtectedNotFound, path);
      continue;
    }
    files.push_back(WithoutLeadingBackslash(path));
  }
}

void ReadInstallPathSettings() {
  InstallPathValue& value = State().installPathValue;
  value.atInit = IsYes(ShortValue(kSecInstallPath, kKeyPathInit, L"N"));
  value.atExit = IsYes(ShortValue(kSecInstallPath, kKeyPathExit, L"N"));
  std::wstring root = PathValue(kSecInstallPath, kKeyPredefinedKey);
  value.present = root != kDne;
  value.root = RootKeyFromName(root);
  value.key = PathValue(kSecInstallPath, kKeySubkey);
  value.valueName = PathValue(kSecInstallPath, kKeyValue);
}

void ReadRegistryAdditions() {
  LogAlways(kLogLocatingSection);
  auto entries = GetIniSection(State().iniPath, kSecRegAdd, kListLineBytes);
  LogAlways(kLogReturnedFromSection);
  if (entries) State().registryAdditions = BuildRegistryAdditions(*entries);
}

void ReadRegistryRemovals() {
  LogAlways(kLogLocatingRegRemovals);
  auto entries = GetIniSection(State().iniPath, kSecRegRemove, kListLineBytes);
  LogAlways(kLogReturnedFromSection);
  if (entries) State().registryRemovals = BuildRegistryRemovals(*entries);
}

void ReadVersionRequirement() {
  VersionRequirement& v = State().version;
  v.major = std::wcstol(ShortValue(kSecVersion, kKeyMajor, L"-1").c_str(), nullptr, 10);
  v.minor = std::wcstol(ShortValue(kSecVersion, kKeyMinor, L"-1").c_str(), nullptr, 10);
  v.exact = IsYes(ShortValue(kSecVersion, kKeyExact, L"N"));
  std::wstring root = PathValue(kSecVersion, kKeyPredefinedKey);
  v.present = root != kDne;
  v.root = RootKeyFromName(root);
  v.key = PathValue(kSecVersion, kKeySubkey);
  v.valueName = PathValue(kSecVersion, kKeyAppName);
}

std::vector<Command> ReadCommandList(const char* section) {
  LogAlways(kLogLocatingSection);
  auto entries = GetIniSection(State().iniPath, section, kCommandLineBytes);
  LogAlways(kLogReturnedFromSection);
  return entries ? CommandsFromEntries(*entries) : std::vector<Command>{};
}

}  // namespace qzrsetup
