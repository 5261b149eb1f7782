// Building registry lists and commands from the package's section entries.
#include "PackageLists.h"

#include <cwchar>

#include "Macros.h"
#include "Records.h"

namespace qzrsetup {

DWORD DataTypeFromName(std::wstring_view name) {
  if (name.find(L"REG_BINARY") != std::wstring_view::npos) return kTypeBinary;
  if (name.find(L"REG_DWORD") != std::wstring_view::npos) return kTypeDword;
  if (name.find(L"REG_SZ") != std::wstring_view::npos) return kTypeString;
  if (name.find(L"QZR_REG_KEY_ONLY") != std::wstring_view::npos) return kTypeKeyOnly;
  return kTypeNone;
}

std::optional<unsigned long long> NumberInName(std::string_view name) {
  unsigned long long n = 0;
  int digits = 0;
  for (char c : name) {
    if (c < '0' || c > '9') continue;
    if (++digits > 18) return std::nullopt;  // no package numbers its entries that far
    n = n * 10 + static_cast<unsigned>(c - '0');
  }
  if (digits == 0) return std::nullopt;
  return n;
}

namespace {

template <typename Item>
Item& ItemFor(std::vector<std::pair<unsigned long long, Item>>& items, unsigned long long n) {
  for (auto& [number, item] : items)
    if (number == n) return item;
  items.push_back({n, Item{}});
  return items.back().second;
}

template <typename Item>
std::vector<Item> Values(std::vector<std::pair<unsigned long long, Item>>& items) {
  std::vector<Item> out;
  for (auto& [number, item] : items) out.push_back(std::move(item));
  return out;
}

}  // namespace

std::vector<RegistryEntry> BuildRegistryAdditions(const std::vector<IniEntry>& entries) {
  std::vector<std::pair<unsigned long long, RegistryEntry>> items;
  for (const IniEntry& line : entries) {
    auto n = NumberInName(line.name);
    if (!n) continue;
    std::wstring value = WideFromAnsi(line.value);
    const std::string& name = line.name;
    if (StartsWithNoCase(name, "PredefinedKey")) {
      ItemFor(items, *n).root = RootKeyFromName(value);
    } else if (StartsWithNoCase(name, "SubKey")) {
      ItemFor(items, *n).key = TrimOneBackslash(value);
    } else if (StartsWithNoCase(name, "Value")) {
      RegistryEntry& entry = ItemFor(items, *n);
      if (entry.type != kTypeKeyOnly) entry.valueName = value;
    } else if (StartsWithNoCase(name, "DataType")) {
      ItemFor(items, *n).type = DataTypeFromName(value);
    } else if (StartsWithNoCase(name, "Data")) {
      RegistryEntry& entry = ItemFor(items, *n);
      if (entry.type != kTypeKeyOnly) entry.text = value;
    }
  }
  return Values(items);
}

std::vector<RegistryRemoval> BuildRegistryRemovals(const std::vector<IniEntry>& entries) {
  std::vector<std::pair<unsigned long long, RegistryRemoval>> items;
  for (const IniEntry& line : entries) {
    auto n = NumberInName(line.name);
    if (!n) continue;
    std::wstring value = WideFromAnsi(line.value);
    if (StartsWithNoCase(line.name, "PredefinedKey")) {
      ItemFor(items, *n).root = RootKeyFromName(value);
    } else if (StartsWithNoCase(line.name, "SubKey")) {
      ItemFor(items, *n).key = TrimOneBackslash(value);
    } else if (StartsWithNoCase(line.name, "Value")) {
      RegistryRemoval& removal = ItemFor(items, *n);
      removal.valueName = value;
      removal.wholeKey = value.empty();
    }
  }
  return Values(items);
}

Command ParseCommand(std::wstring_view value) {
  struct Name {
    const wchar_t* text;
    Verb verb;
  };
  // Tested as prefixes in this order.
  static const Name kVerbs[] = {
      {L"DoUninstall", Verb::DoUninstall}, {L"DeleteFile", Verb::DeleteFile},   {L"DeleteDir", Verb::DeleteDir},
      {L"RenameFile", Verb::RenameFile},   {L"CopyFile", Verb::CopyFile},       {L"MoveFileDir", Verb::MoveFileDir},
      {L"FileAttrib", Verb::FileAttrib},   {L"ExecuteApp", Verb::ExecuteApp},   {L"Wait", Verb::Wait},
      {L"CreateDir", Verb::CreateDir},     {L"AddRegEntry", Verb::AddRegEntry}, {L"RemoveRegEntry", Verb::RemoveRegEntry},
      {L"AddShortcut", Verb::AddShortcut}};
  Command command;
  for (const Name& name : kVerbs) {
    std::wstring_view verb = name.text;
    if (!StartsWithNoCase(value, verb)) continue;
    command.verb = name.verb;
    size_t start = verb.size() + 1;
    command.text = start < value.size() ? std::wstring(value.substr(start)) : std::wstring();
    break;
  }
  if (command.verb == Verb::None) return command;
  command.fields = SplitFields(command.text);
  if (command.verb == Verb::ExecuteApp && command.fields.fields.size() > 1) {
    // The flags sit at fixed places after the comma that ends the program field.
    size_t comma = command.fields.ends[0];
    auto flagAt = [&](size_t pos) { return pos < command.text.size() ? command.text[pos] : L'\0'; };
    wchar_t wait = flagAt(comma + 1), remove = flagAt(comma + 3);
    command.wait = wait != L'N' && wait != L'n';
    command.remove = remove != L'N' && remove != L'n';
  }
  return command;
}

std::vector<Command> CommandsFromEntries(const std::vector<IniEntry>& entries) {
  std::vector<Command> commands;
  for (const IniEntry& entry : entries)
    if (StartsWithNoCase(entry.name, "Command")) commands.push_back(ParseCommand(WideFromAnsi(entry.value)));
  return commands;
}

RegistryEntry RegistryEntryFromFields(const FieldList& list) {
  const auto& f = list.fields;
  RegistryEntry entry;
  entry.root = RootKeyFromName(f[0]);
  if (f.size() < 2) {
    entry.type = kTypeKeyOnly;
    return entry;
  }
  entry.key = TrimOneBackslash(f[1]);
  if (f.size() == 2) {
    entry.type = kTypeKeyOnly;
    return entry;
  }
  entry.valueName = f[2];
  if (f.size() == 3) return entry;  // a value of type 0 without data
  entry.type = DataTypeFromName(f[3]);
  if (entry.type == kTypeBinary) {
    entry.bytes = ParseHexBytes(std::vector<std::wstring>(f.begin() + 4, f.end()));
  } else if (f.size() > 4) {
    entry.text = f[4];
  }
  return entry;
}

RegistryRemoval RegistryRemovalFromFields(const FieldList& list) {
  const auto& f = list.fields;
  RegistryRemoval removal;
  removal.root = RootKeyFromName(f[0]);
  removal.key = f.size() > 1 ? TrimOneBackslash(f[1]) : std::wstring();
  removal.wholeKey = f.size() <= 2;
  if (f.size() > 2) removal.valueName = f[2];
  return removal;
}

Version ParseVersionText(std::wstring_view text) {
  std::wstring s(text);
  Version v;
  v.major = std::wcstol(s.c_str(), nullptr, 10);
  size_t dot = s.find(L'.');
  if (dot != std::wstring::npos) v.minor = std::wcstol(s.c_str() + dot + 1, nullptr, 10);
  return v;
}

bool VersionSatisfies(Version installed, Version desired, bool exact) {
  if (exact) return installed.major == desired.major && installed.minor == desired.minor;
  if (installed.major != desired.major) return installed.major > desired.major;
  return installed.minor >= desired.minor;
}

}  // namespace qzrsetup
