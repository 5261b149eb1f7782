// Package INI bytes → settings, sections, registry lists, commands and their fields, macros
// and versions, as the setup library reads them.
#include <cstdint>
#include <string>
#include <string_view>

#include "Fields.h"
#include "IniText.h"
#include "Macros.h"
#include "PackageLists.h"
#include "SetupTexts.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace qzrsetup;
  std::string_view text(reinterpret_cast<const char*>(data), size);

  static const char* const kKeys[][2] = {
      {kSecGeneral, kKeyReboot},       {kSecGeneral, kKeyKbNeeded},        {kSecPaths, "Path1"},
      {kSecShortcuts, "ProgramPathName1"}, {kSecHookInit, kKeyFilePathName}, {kSecHookInit, kKeyWaitForAppExit},
      {kSecInstallPath, kKeyPathInit}, {kSecVersion, kKeyPredefinedKey},   {kSecVersion, kKeyMajor},
      {kSecVersion, kKeyMinor},        {kSecRemovals, kKeyExitAppPathName}};
  for (const auto& [section, key] : kKeys) {
    auto value = LookupIniKey(text, section, key);
    if (!value) continue;
    std::wstring wide = WideFromAnsi(*value);
    std::wstring expanded = ExpandMacro(wide, kMacroInstallDir, L"\\Program Files\\Pkg");
    expanded = ExpandMacro(expanded, kMacroStartup, L"\\Windows\\StartUp");
    expanded = ExpandMacro(expanded, kMacroPrograms, L"\\Windows\\Start Menu\\Programs");
    WithoutLeadingBackslash(WithLeadingBackslash(TrimOneBackslash(expanded)));
    IsYes(wide);
    Version v = ParseVersionText(wide);
    VersionSatisfies(v, Version{1, 2}, true);
    AnsiFromWide(expanded);
  }

  if (auto entries = WalkIniSection(text, kSecRegAdd, kListLineBytes)) BuildRegistryAdditions(*entries);
  if (auto entries = WalkIniSection(text, kSecRegRemove, kListLineBytes)) BuildRegistryRemovals(*entries);
  if (auto entries = WalkIniSection(text, kSecRemovals, kListLineBytes))
    for (const IniEntry& entry : *entries) NumberInName(entry.name);
  for (const char* section : {kSecInitCommands, kSecExitCommands, kSecUninstallCommands}) {
    auto entries = WalkIniSection(text, section, kCommandLineBytes);
    if (!entries) continue;
    for (const Command& command : CommandsFromEntries(*entries)) {
      if (command.verb == Verb::None) continue;
      if (command.fields.fields.empty() || command.fields.fields.size() != command.fields.ends.size()) __builtin_trap();
      if (command.verb == Verb::AddRegEntry) RegistryEntryFromFields(command.fields);
      if (command.verb == Verb::RemoveRegEntry) RegistryRemovalFromFields(command.fields);
      ParseHexBytes(command.fields.fields);
    }
  }
  return 0;
}
