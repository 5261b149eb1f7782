// The package's lists as plain data: registry additions and removals, commands, versions.
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "Fields.h"
#include "IniText.h"

namespace qzrsetup {

inline constexpr DWORD kTypeNone = 0;
inline constexpr DWORD kTypeString = 1;
inline constexpr DWORD kTypeBinary = 3;
inline constexpr DWORD kTypeDword = 4;
inline constexpr DWORD kTypeKeyOnly = 99;

struct RegistryEntry {
  HKEY root = nullptr;
  std::wstring key;
  std::wstring valueName;
  DWORD type = kTypeNone;
  std::wstring text;                          // the data as written in the package
  std::optional<std::vector<uint8_t>> bytes;  // REG_BINARY data given as hex bytes
};

struct RegistryRemoval {
  HKEY root = nullptr;
  std::wstring key;
  std::wstring valueName;
  bool wholeKey = false;
};

// "REG_BINARY", "REG_DWORD", "REG_SZ", "QZR_REG_KEY_ONLY" tested as substrings in that order.
DWORD DataTypeFromName(std::wstring_view name);
// The number formed by all decimal digits of an entry name; nullopt without digits.
std::optional<unsigned long long> NumberInName(std::string_view name);

std::vector<RegistryEntry> BuildRegistryAdditions(const std::vector<IniEntry>& entries);
std::vector<RegistryRemoval> BuildRegistryRemovals(const std::vector<IniEntry>& entries);

enum class Verb {
  None, DoUninstall, DeleteFile, DeleteDir, RenameFile, CopyFile, MoveFileDir, FileAttrib,
  ExecuteApp, Wait, CreateDir, AddRegEntry, RemoveRegEntry, AddShortcut
};

struct Command {
  Verb verb = Verb::None;
  std::wstring text;  // everything after the verb and one comma
  FieldList fields;
  bool wait = true;    // ExecuteApp
  bool remove = true;  // ExecuteApp: delete the program after it ended
};

Command ParseCommand(std::wstring_view value);
// The entries whose name begins with "Command", in file order.
std::vector<Command> CommandsFromEntries(const std::vector<IniEntry>& entries);

// AddRegEntry: root, key, value name, type, data; fewer fields say what is written.
RegistryEntry RegistryEntryFromFields(const FieldList& list);
// RemoveRegEntry: root, key, value name; without a value name the whole key.
RegistryRemoval RegistryRemovalFromFields(const FieldList& list);

struct Version {
  long major = 0;
  long minor = 0;
};
// "major.minor": the number at the start and the number after the first "." (0 without one).
Version ParseVersionText(std::wstring_view text);
bool VersionSatisfies(Version installed, Version desired, bool exact);

}  // namespace qzrsetup
