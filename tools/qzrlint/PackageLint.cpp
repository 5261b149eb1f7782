// Checks of a package's INI file and zip archives with the setup library's own readers: the key
// lookup, the section walk, the registry lists, commands and their fields, macros and the
// archive layer's target rule. Only line and column come from a scan of this file.
#include <windows.h>

#include <cwctype>
#include <map>
#include <optional>

#include "Fields.h"
#include "IniText.h"
#include "Lint.h"
#include "Macros.h"
#include "PackageLists.h"
#include "Records.h"
#include "SetupTexts.h"
#include "zip/ZipArchive.h"
#include "zip/ZipRules.h"

namespace qzr::lint {
namespace {

using namespace qzrsetup;
// Both forms, narrow and wide, and not only the wide ones of the enclosing namespace.
using qzrsetup::EqualsNoCase;
using qzrsetup::StartsWithNoCase;

enum class Mode { Lookup, Walk, Commands, Removals };
enum class Kind { YesNo, Number, Path, Root, RegName };
constexpr unsigned kInstallDir = 1, kStartup = 2, kPrograms = 4, kAllMacros = 7;

struct LookupKey {
  const char* section;
  const char* key;  // a name, or a format with one %d
  Kind kind;
  unsigned macros;  // the macros expanded in its value
};

const LookupKey kLookupKeys[] = {
    {kSecGeneral, kKeyReboot, Kind::YesNo, 0},
    {kSecGeneral, kKeyOverwrite, Kind::YesNo, 0},
    {kSecGeneral, kKeyVerbose, Kind::YesNo, 0},
    {kSecGeneral, kKeyKbNeeded, Kind::Number, 0},
    {kSecGeneral, kKeyAbort, Kind::YesNo, 0},
    {kSecPaths, kKeyPathFormat, Kind::Path, 0},
    {kSecShortcuts, kKeyProgramPathFormat, Kind::Path, kInstallDir},
    {kSecShortcuts, kKeyShortcutPathFormat, Kind::Path, kAllMacros},
    {kSecHookInit, kKeyFilePathName, Kind::Path, kInstallDir},
    {kSecHookInit, kKeyWaitForAppExit, Kind::YesNo, 0},
    {kSecHookInit, kKeyDeleteApp, Kind::YesNo, 0},
    {kSecHookExit, kKeyFilePathName, Kind::Path, kInstallDir},
    {kSecHookExit, kKeyWaitForAppExit, Kind::YesNo, 0},
    {kSecHookExit, kKeyDeleteApp, Kind::YesNo, 0},
    {kSecHookOld, kKeyFilePathName, Kind::Path, kInstallDir},
    {kSecProtected, kKeyFilePathNameFormat, Kind::Path, kInstallDir},
    {kSecInstallPath, kKeyPathInit, Kind::YesNo, 0},
    {kSecInstallPath, kKeyPathExit, Kind::YesNo, 0},
    {kSecInstallPath, kKeyPredefinedKey, Kind::Root, 0},
    {kSecInstallPath, kKeySubkey, Kind::RegName, 0},
    {kSecInstallPath, kKeyValue, Kind::RegName, 0},
    {kSecVersion, kKeyMajor, Kind::Number, 0},
    {kSecVersion, kKeyMinor, Kind::Number, 0},
    {kSecVersion, kKeyExact, Kind::YesNo, 0},
    {kSecVersion, kKeyPredefinedKey, Kind::Root, 0},
    {kSecVersion, kKeySubkey, Kind::Path, 0},
    {kSecVersion, kKeyAppName, Kind::Path, 0},
    {kSecRemovals, kKeyExitAppPathName, Kind::Path, kInstallDir},
};

struct SectionInfo {
  const char* name;
  Mode mode;
};
const SectionInfo kSections[] = {
    {kSecGeneral, Mode::Lookup},      {kSecPaths, Mode::Lookup},          {kSecShortcuts, Mode::Lookup},
    {kSecHookInit, Mode::Lookup},     {kSecHookExit, Mode::Lookup},       {kSecHookOld, Mode::Lookup},
    {kSecProtected, Mode::Lookup},    {kSecInstallPath, Mode::Lookup},    {kSecVersion, Mode::Lookup},
    {kSecRegAdd, Mode::Walk},         {kSecRegRemove, Mode::Walk},        {kSecRemovals, Mode::Removals},
    {kSecInitCommands, Mode::Commands}, {kSecExitCommands, Mode::Commands}, {kSecUninstallCommands, Mode::Commands},
};

const char* const kVerbNames[] = {"DoUninstall", "DeleteFile",  "DeleteDir", "RenameFile",  "CopyFile",
                                  "MoveFileDir", "FileAttrib",  "ExecuteApp", "Wait",       "CreateDir",
                                  "AddRegEntry", "RemoveRegEntry", "AddShortcut"};

std::wstring Wide(std::string_view text) { return WideFromAnsi(text); }
std::wstring Quoted(std::wstring_view text) { return L"\"" + std::wstring(text) + L"\""; }
bool IsDigits(std::wstring_view text) {
  if (text.empty()) return false;
  for (wchar_t c : text)
    if (c < L'0' || c > L'9') return false;
  return true;
}

// A physical line of the file.
struct Line {
  std::string_view text;  // without CR and LF at its end
  int number = 0;
};

std::vector<Line> SplitLines(std::string_view text) {
  std::vector<Line> lines;
  size_t pos = 0;
  int number = 1;
  while (pos < text.size()) {
    size_t end = text.find('\n', pos);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(pos, end - pos);
    while (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    lines.push_back({line, number++});
    pos = end + 1;
  }
  return lines;
}

// The lookup key a name stands for: exactly the name, or the format's prefix with a number.
const LookupKey* ResolveLookupKey(std::string_view section, std::string_view name, int* number) {
  for (const LookupKey& key : kLookupKeys) {
    if (!EqualsNoCase(key.section, section)) continue;
    std::string_view format = key.key;
    size_t at = format.find("%d");
    if (at == std::string_view::npos) {
      if (EqualsNoCase(name, format)) return &key;
      continue;
    }
    std::string_view prefix = format.substr(0, at);
    if (name.size() <= prefix.size() || !StartsWithNoCase(name, prefix)) continue;
    std::string_view digits = name.substr(prefix.size());
    if (digits[0] == '0' || digits.size() > 9 || digits.find_first_not_of("0123456789") != std::string_view::npos)
      continue;
    *number = std::stoi(std::string(digits));
    return &key;
  }
  return nullptr;
}

class PackageLinter {
 public:
  PackageLinter(const std::wstring& file, std::string_view text) : file_(file), text_(text) {}

  std::vector<Finding> Run() {
    lines_ = SplitLines(text_);
    FindSections();
    for (size_t s = 0; s < sections_.size(); ++s) {
      const Placed& section = sections_[s];
      if (!section.info || section.duplicate) continue;
      size_t end = s + 1 < sections_.size() ? sections_[s + 1].index : lines_.size();
      switch (section.info->mode) {
        case Mode::Lookup: LookupSection(section, end); break;
        case Mode::Walk: WalkSection(section, end, kListLineBytes); break;
        case Mode::Removals: WalkSection(section, end, kListLineBytes); break;
        case Mode::Commands: WalkSection(section, end, kCommandLineBytes); break;
      }
    }
    return std::move(findings_);
  }

 private:
  struct Placed {
    size_t index = 0;  // into lines_
    const SectionInfo* info = nullptr;
    bool duplicate = false;
  };

  void Add(int line, int column, Severity severity, std::wstring text) {
    findings_.push_back(Finding{file_, line, column, severity, std::move(text)});
  }

  void FindSections() {
    std::vector<std::wstring> names;
    for (const SectionInfo& s : kSections) names.push_back(Wide(s.name));
    std::map<std::string, int> seen;
    bool broken = false;
    for (size_t i = 0; i < lines_.size(); ++i) {
      std::string_view t = lines_[i].text;
      // The key lookup skips CR and LF at a line's start, so only "[" in the first column opens a section.
      if (t.empty() || t[0] != '[') continue;
      Placed placed{i};
      size_t close = t.find(']');
      if (close == std::string_view::npos) {
        if (!broken)
          Add(lines_[i].number, 1, Severity::Error,
              L"section line without \"]\": the setup library stops looking for sections here, so no section "
              L"below this line is read");
        broken = true;
        sections_.push_back(placed);
        continue;
      }
      std::string_view name = t.substr(1, close - 1);
      for (const SectionInfo& s : kSections)
        if (EqualsNoCase(name, s.name)) placed.info = &s;
      if (broken) {
        placed.info = nullptr;
      } else if (!placed.info) {
        std::wstring text = L"unknown section [" + Wide(name) + L"]: the setup library never reads it";
        std::wstring nearest = NearestName(Wide(name), names);
        if (!nearest.empty()) text += L"; did you mean [" + nearest + L"]?";
        Add(lines_[i].number, 1, Severity::Warning, text);
      } else if (t.size() > kLookupLineLimit) {
        Add(lines_[i].number, 1, Severity::Error,
            L"section line longer than " + std::to_wstring(kLookupLineLimit) +
                L" characters: the setup library does not take it for [" + Wide(placed.info->name) + L"]");
        placed.info = nullptr;
      } else {
        std::string lowered = placed.info->name;
        for (char& c : lowered) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
        auto first = seen.find(lowered);
        if (first != seen.end()) {
          Add(lines_[i].number, 1, Severity::Warning,
              L"[" + Wide(placed.info->name) + L"] appears again: the setup library reads only the first, on line " +
                  std::to_wstring(first->second));
          placed.duplicate = true;
        } else {
          seen[lowered] = lines_[i].number;
        }
      }
      sections_.push_back(placed);
    }
  }

  void CheckMacros(int line, int column, std::wstring_view value, unsigned allowed, std::wstring_view where) {
    static const wchar_t* const kMacros[] = {kMacroInstallDir, kMacroStartup, kMacroPrograms};
    unsigned used = 0;
    size_t pos = 0;
    while ((pos = value.find(L'%', pos)) != std::wstring_view::npos) {
      size_t end = value.find(L'%', pos + 1);
      if (end == std::wstring_view::npos) break;
      std::wstring_view token = value.substr(pos, end - pos + 1);
      bool word = token.size() > 2;
      for (wchar_t c : token.substr(1, token.size() - 2))
        if (!iswalnum(c) && c != L'_') word = false;
      if (!word) {
        pos = end;
        continue;
      }
      int known = -1;
      for (int m = 0; m < 3; ++m)
        if (EqualsNoCase(token, kMacros[m])) known = m;
      int at = column + static_cast<int>(pos);
      if (known < 0) {
        std::wstring text = L"unknown macro " + std::wstring(token) + L": it stays in the text as written";
        std::wstring nearest = NearestName(token, {kMacroInstallDir, kMacroStartup, kMacroPrograms});
        if (!nearest.empty()) text += L"; did you mean " + nearest + L"?";
        Add(line, at, Severity::Warning, text);
      } else if (!(allowed & (1u << known))) {
        Add(line, at, Severity::Warning,
            std::wstring(kMacros[known]) + L" is not expanded in " + std::wstring(where) + L": it stays as written");
      } else if (used & (1u << known)) {
        Add(line, at, Severity::Warning,
            L"only the first " + std::wstring(kMacros[known]) + L" of a text is expanded: this one stays as written");
      }
      if (known >= 0) used |= 1u << known;
      pos = end + 1;
    }
  }

  void LookupSection(const Placed& section, size_t end) {
    std::string_view sectionName = section.info->name;
    std::map<std::string, int> listNumbers;  // format -> numbers present
    std::map<std::string, int> firstLine;
    std::vector<std::wstring> known;
    for (const LookupKey& key : kLookupKeys)
      if (EqualsNoCase(key.section, sectionName)) {
        std::string name = key.key;
        size_t at = name.find("%d");
        if (at != std::string::npos) name.replace(at, 2, "1");
        known.push_back(Wide(name));
      }
    std::map<std::string, std::vector<std::pair<int, int>>> numbered;  // format -> (number, line)
    for (size_t i = section.index + 1; i < end; ++i) {
      std::string_view t = lines_[i].text;
      int lineNo = lines_[i].number;
      if (t.empty() || t[0] == ';') continue;
      size_t eq = t.find('=');
      std::string_view name = t.substr(0, eq);
      int number = 0;
      const LookupKey* key = ResolveLookupKey(sectionName, name, &number);
      if (!key) {
        std::string trimmedName(name);
        while (!trimmedName.empty() && (trimmedName.back() == ' ' || trimmedName.back() == '\t')) trimmedName.pop_back();
        size_t lead = trimmedName.find_first_not_of(" \t");
        if (lead == std::string::npos) continue;  // a line of blanks
        trimmedName.erase(0, lead);
        int ignored = 0;
        if (ResolveLookupKey(sectionName, trimmedName, &ignored)) {
          Add(lineNo, 1, Severity::Warning,
              L"blank around the key name: the setup library compares the whole text before \"=\", so " +
                  Wide(trimmedName) + L" is not found");
        } else {
          std::wstring text = L"unknown key " + Quoted(Wide(name)) + L" in [" + Wide(sectionName) +
                              L"]: the setup library never reads it";
          std::wstring nearest = NearestName(Wide(name), known);
          if (!nearest.empty()) text += L"; did you mean " + nearest + L"?";
          Add(lineNo, 1, Severity::Warning, text);
        }
        continue;
      }
      if (t.size() > kLookupLineLimit) {
        Add(lineNo, 1, Severity::Warning,
            L"the line is longer than " + std::to_wstring(kLookupLineLimit) +
                L" characters: the key lookup passes over it, so " + Wide(name) + L" is not read");
        continue;
      }
      std::string lowered(name);
      for (char& c : lowered) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
      if (firstLine.count(lowered)) {
        Add(lineNo, 1, Severity::Warning,
            Wide(name) + L" appears again: the setup library reads only the first, on line " +
                std::to_wstring(firstLine[lowered]));
        continue;
      }
      firstLine[lowered] = lineNo;
      if (number) numbered[key->key].push_back({number, lineNo});
      if (eq == std::string_view::npos) continue;
      // The value as the lookup returns it: leading blanks and tabs skipped.
      auto value = LookupIniKey(text_, sectionName, name);
      if (!value) continue;
      size_t start = eq + 1;
      while (start < t.size() && (t[start] == ' ' || t[start] == '\t')) ++start;
      CheckLookupValue(*key, Wide(name), Wide(*value), lineNo, static_cast<int>(start) + 1);
    }
    // Numbered lists end at the first missing number.
    for (auto& [format, items] : numbered) {
      std::map<int, int> byNumber(items.begin(), items.end());
      int next = 1;
      while (byNumber.count(next)) ++next;
      for (auto& [n, line] : byNumber)
        if (n > next) {
          std::string name = format;
          name.replace(name.find("%d"), 2, std::to_string(n));
          std::string missing = format;
          missing.replace(missing.find("%d"), 2, std::to_string(next));
          Add(line, 1, Severity::Warning,
              Wide(name) + L" is never read: the list ends at the missing " + Wide(missing));
        }
    }
  }

  void CheckLookupValue(const LookupKey& key, const std::wstring& name, const std::wstring& value, int line,
                        int column) {
    size_t limit = key.kind == Kind::YesNo || key.kind == Kind::Number ? kShortValueChars : kPathValueChars;
    if (value.size() > limit)
      Add(line, column, Severity::Warning,
          name + L" is cut to its first " + std::to_wstring(limit) + L" characters: " +
              Quoted(value.substr(0, limit)) + L" is what the setup library uses");
    std::wstring used = value.substr(0, limit);
    switch (key.kind) {
      case Kind::YesNo:
        if (!IsYes(used) && !EqualsNoCase(used, L"n"))
          Add(line, column, Severity::Warning,
              Quoted(used) + L" reads as no: only \"Y\" or \"y\" means yes for " + name);
        break;
      case Kind::Number: {
        std::wstring_view digits = used;
        if (!digits.empty() && digits[0] == L'-') digits.remove_prefix(1);
        if (!IsDigits(digits) && used != kDne)
          Add(line, column, Severity::Error,
              Quoted(used) + L" is not a decimal number: " + name + L" reads as " +
                  std::to_wstring(std::wcstol(used.c_str(), nullptr, 10)));
        break;
      }
      case Kind::Root:
        if (used != kDne && !RootKeyFromName(used))
          Add(line, column, Severity::Error,
              Quoted(used) + L" names no root key (HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER, HKEY_CLASSES_ROOT, "
                             L"HKEY_USERS): every registry call with it fails");
        break;
      case Kind::RegName:
        if (!IsRecordableRegistryName(used))
          Add(line, column, Severity::Warning,
              name + L" holds \":\": the uninstall data cannot record it, so uninstalling leaves it behind");
        break;
      case Kind::Path:
        break;
    }
    CheckMacros(line, column, used, key.macros, name);
  }

  // Positions of the entries WalkIniSection makes of the section: same line splitting, kept
  // only to say where each entry is.
  struct EntryPlace {
    int line = 0;
    int column = 1;
    bool continuation = false;
  };
  std::vector<EntryPlace> WalkPlaces(const Placed& section, size_t end, size_t lineBytes) {
    std::vector<EntryPlace> places;
    for (size_t i = section.index + 1; i < end; ++i) {
      // The raw line with its CRs, as the walk counts bytes.
      std::string_view t = lines_[i].text;
      size_t raw = t.size();
      const char* after = t.data() + t.size();
      while (after < text_.data() + text_.size() && *after == '\r') ++after, ++raw;
      size_t pos = 0;
      do {
        places.push_back({lines_[i].number, static_cast<int>(pos) + 1, pos > 0});
        pos += lineBytes;
      } while (pos < raw);
    }
    return places;
  }

  void WalkSection(const Placed& section, size_t end, size_t lineBytes) {
    std::string_view sectionName = section.info->name;
    auto walked = WalkIniSection(text_, sectionName, lineBytes);
    if (!walked) return;
    std::vector<EntryPlace> places = WalkPlaces(section, end, lineBytes);
    if (places.size() != walked->size()) places.assign(walked->size(), EntryPlace{lines_[section.index].number, 1, false});
    const std::vector<IniEntry>& entries = *walked;
    for (size_t k = 0; k < entries.size(); ++k)
      if (places[k].continuation)
        Add(places[k].line, places[k].column, Severity::Warning,
            L"the line is longer than " + std::to_wstring(lineBytes) + L" bytes: the rest, from here, is read as an "
            L"entry of its own named " + Quoted(Wide(entries[k].name)));

    if (section.info->mode == Mode::Commands) return Commands(entries, places, sectionName);
    bool registry = section.info->mode == Mode::Walk;
    const bool additions = EqualsNoCase(sectionName, kSecRegAdd);
    std::vector<const char*> fields = registry ? std::vector<const char*>{"PredefinedKey", "SubKey", "Value"}
                                               : std::vector<const char*>{"Dir", "File"};
    if (additions) fields.insert(fields.end(), {"DataType", "Data"});
    std::vector<std::wstring> known;
    for (const char* f : fields) known.push_back(Wide(f) + L"1");

    std::map<unsigned long long, std::vector<size_t>> byNumber;  // number -> its entries, first appearance kept
    std::vector<unsigned long long> order;
    for (size_t k = 0; k < entries.size(); ++k) {
      const IniEntry& e = entries[k];
      if (places[k].continuation) continue;
      std::string trimmed = e.name;
      trimmed.erase(0, std::min(trimmed.find_first_not_of(" \t\r"), trimmed.size()));
      if (trimmed.empty() || trimmed[0] == ';') continue;
      if (section.info->mode == Mode::Removals && EqualsNoCase(e.name, kKeyExitAppPathName)) {
        CheckMacros(places[k].line, static_cast<int>(e.name.size()) + 2, Wide(e.value), kInstallDir, L"ExitAppPathName");
        continue;
      }
      bool fieldKnown = false;
      for (const char* f : fields) fieldKnown = fieldKnown || StartsWithNoCase(e.name, f);
      auto n = NumberInName(e.name);
      if (!fieldKnown) {
        std::wstring text = L"unknown entry " + Quoted(Wide(e.name)) + L" in [" + Wide(sectionName) +
                            L"]: the setup library ignores it";
        std::wstring nearest = NearestName(Wide(e.name), known);
        if (!nearest.empty()) text += L"; did you mean " + nearest + L"?";
        Add(places[k].line, 1, Severity::Warning, text);
        continue;
      }
      if (!n) {
        Add(places[k].line, 1, Severity::Warning,
            Quoted(Wide(e.name)) + L" has no number: the setup library ignores it");
        continue;
      }
      if (!byNumber.count(*n)) order.push_back(*n);
      byNumber[*n].push_back(k);
      if (!registry)
        CheckMacros(places[k].line, static_cast<int>(e.name.size()) + 2, Wide(e.value), kInstallDir, Wide(e.name));
    }
    if (!registry) return;

    for (unsigned long long n : order) {
      std::vector<IniEntry> own;
      for (size_t k : byNumber[n]) own.push_back(entries[k]);
      int line = places[byNumber[n].front()].line;
      // "Data" is not "DataType": a field is its name and the entry's number, nothing else.
      auto placeOf = [&](const char* field) {
        for (size_t k : byNumber[n])
          if (EqualsNoCase(entries[k].name, std::string(field) + std::to_string(n))) return std::make_pair(places[k].line, static_cast<int>(entries[k].name.size()) + 2);
        return std::make_pair(line, 1);
      };
      std::wstring number = std::to_wstring(n);
      if (additions) {
        RegistryEntry entry = BuildRegistryAdditions(own).front();
        CheckRegistryEntry(entry, number, placeOf, own);
      } else {
        RegistryRemoval removal = BuildRegistryRemovals(own).front();
        if (!removal.root) {
          auto [l, c] = placeOf("PredefinedKey");
          Add(l, c, Severity::Error, L"removal " + number + L" has no root key (PredefinedKey" + number +
                                         L" missing or not HKEY_...): it removes nothing");
        }
        if (removal.key.empty()) {
          auto [l, c] = placeOf("SubKey");
          Add(l, c, Severity::Error, L"removal " + number + L" has no key (SubKey" + number + L")");
        }
      }
    }
  }

  template <typename PlaceOf>
  void CheckRegistryEntry(const RegistryEntry& entry, const std::wstring& number, PlaceOf placeOf,
                          const std::vector<IniEntry>& own) {
    if (!entry.root) {
      auto [l, c] = placeOf("PredefinedKey");
      Add(l, c, Severity::Error,
          L"registry entry " + number + L" has no root key (PredefinedKey" + number +
              L" missing or not HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER, HKEY_CLASSES_ROOT or HKEY_USERS): it is not "
              L"written");
    }
    if (entry.key.empty()) {
      auto [l, c] = placeOf("SubKey");
      Add(l, c, Severity::Error, L"registry entry " + number + L" has no key (SubKey" + number + L")");
    }
    if (entry.type == kTypeNone) {
      auto [l, c] = placeOf("DataType");
      Add(l, c, Severity::Error,
          L"registry entry " + number + L" has no known type (DataType" + number +
              L" missing or not REG_SZ, REG_DWORD, REG_BINARY or QZR_REG_KEY_ONLY): it is written as type 0");
    }
    if (entry.type == kTypeDword) {
      std::wstring data = entry.text;
      if (!IsDigits(data)) {
        auto [l, c] = placeOf("Data");
        Add(l, c, Severity::Error,
            L"REG_DWORD data " + Quoted(data) + L" is not a decimal number: registry entry " + number + L" gets " +
                std::to_wstring(static_cast<DWORD>(std::wcstoll(data.c_str(), nullptr, 10))));
      }
    }
    if (!IsRecordableRegistryName(entry.key)) {
      auto [l, c] = placeOf("SubKey");
      Add(l, c, Severity::Warning,
          L"the key name holds \":\": the uninstall data cannot record it, so uninstalling leaves it behind");
    }
    if (entry.type != kTypeKeyOnly && !IsRecordableRegistryName(entry.valueName)) {
      auto [l, c] = placeOf("Value");
      Add(l, c, Severity::Warning,
          L"the value name holds \":\": the uninstall data cannot record it, so uninstalling leaves it behind");
    }
    for (const IniEntry& e : own)
      if (StartsWithNoCase(e.name, "Data") && !StartsWithNoCase(e.name, "DataType")) {
        auto [l, c] = placeOf("Data");
        CheckMacros(l, c, Wide(e.value), entry.type == kTypeString ? kInstallDir : 0,
                    L"data that is not REG_SZ");
      }
  }

  void Commands(const std::vector<IniEntry>& entries, const std::vector<EntryPlace>& places,
                std::string_view sectionName) {
    std::vector<std::wstring> verbs;
    for (const char* v : kVerbNames) verbs.push_back(Wide(v));
    for (size_t k = 0; k < entries.size(); ++k) {
      const IniEntry& e = entries[k];
      if (places[k].continuation) continue;
      std::string trimmed = e.name;
      trimmed.erase(0, std::min(trimmed.find_first_not_of(" \t\r"), trimmed.size()));
      if (trimmed.empty() || trimmed[0] == ';') continue;
      int line = places[k].line;
      int valueColumn = static_cast<int>(e.name.size()) + 2;
      if (!StartsWithNoCase(e.name, "Command")) {
        Add(line, 1, Severity::Warning,
            Quoted(Wide(e.name)) + L" in [" + Wide(sectionName) +
                L"] is no command (their names start with \"Command\"): the setup library ignores it");
        continue;
      }
      std::wstring value = Wide(e.value);
      Command command = ParseCommand(value);
      if (command.verb == Verb::None) {
        std::wstring verb = value.substr(0, value.find(L','));
        std::wstring text = L"unknown verb " + Quoted(verb) + L": the command does nothing";
        std::wstring nearest = NearestName(verb, verbs);
        if (!nearest.empty()) text += L"; did you mean " + nearest + L"?";
        Add(line, valueColumn, Severity::Error, text);
        continue;
      }
      int fieldsColumn = valueColumn + static_cast<int>(value.size() - command.text.size());
      if (command.verb == Verb::AddRegEntry) {
        RegistryEntry entry = RegistryEntryFromFields(command.fields);
        if (!entry.root)
          Add(line, fieldsColumn, Severity::Error,
              L"AddRegEntry names no root key (HKEY_LOCAL_MACHINE, ...): nothing is written");
        if (command.fields.fields.size() >= 2 && entry.key.empty())
          Add(line, fieldsColumn, Severity::Error, L"AddRegEntry has an empty key");
        if (command.fields.fields.size() >= 4 && entry.type == kTypeNone)
          Add(line, fieldsColumn, Severity::Error,
              L"AddRegEntry type " + Quoted(command.fields.fields[3]) +
                  L" is not REG_SZ, REG_DWORD, REG_BINARY or QZR_REG_KEY_ONLY: the value is written as type 0");
        if (entry.type == kTypeDword && command.fields.fields.size() > 4 && !IsDigits(entry.text))
          Add(line, fieldsColumn, Severity::Error,
              L"REG_DWORD data " + Quoted(entry.text) + L" is not a decimal number");
        if (!IsRecordableRegistryName(entry.key) ||
            (entry.type != kTypeKeyOnly && !IsRecordableRegistryName(entry.valueName)))
          Add(line, fieldsColumn, Severity::Warning,
              L"the key or value name holds \":\": the uninstall data cannot record it, so uninstalling leaves it "
              L"behind");
      } else if (command.verb == Verb::RemoveRegEntry) {
        if (!RegistryRemovalFromFields(command.fields).root)
          Add(line, fieldsColumn, Severity::Error, L"RemoveRegEntry names no root key (HKEY_LOCAL_MACHINE, ...)");
      }
      // Each field is expanded on its own, and only the fields the verb takes as paths (and
      // AddRegEntry's REG_SZ data).
      CheckMacros(line, valueColumn, value.substr(0, value.size() - command.text.size()), 0, L"the verb");
      const std::vector<std::wstring>& fields = command.fields.fields;
      for (size_t f = 0; f < fields.size(); ++f) {
        unsigned macros = 0;
        switch (command.verb) {
          case Verb::DeleteFile: macros = f == 0 ? kAllMacros : 0; break;
          case Verb::DeleteDir:
          case Verb::FileAttrib:
          case Verb::ExecuteApp:
          case Verb::CreateDir: macros = f == 0 ? kInstallDir : 0; break;
          case Verb::RenameFile:
          case Verb::MoveFileDir:
          case Verb::CopyFile:
          case Verb::AddShortcut: macros = f <= 1 ? kInstallDir : 0; break;
          case Verb::AddRegEntry:
            macros = f == 4 && RegistryEntryFromFields(command.fields).type == kTypeString ? kInstallDir : 0;
            break;
          default: break;
        }
        size_t start = f == 0 ? 0 : command.fields.ends[f - 1] + 1;
        size_t stop = std::max(start, f < command.fields.ends.size() ? command.fields.ends[f] : command.text.size());
        start = std::min(start, command.text.size());
        stop = std::min(stop, command.text.size());
        std::wstring_view raw = std::wstring_view(command.text).substr(start, stop - start);
        CheckMacros(line, fieldsColumn + static_cast<int>(start), raw, macros,
                    L"field " + std::to_wstring(f + 1) + L" of " + Wide(kVerbNames[static_cast<int>(command.verb) - 1]));
      }
    }
  }

  std::wstring file_;
  std::string_view text_;
  std::vector<Line> lines_;
  std::vector<Placed> sections_;
  std::vector<Finding> findings_;
};

}  // namespace

std::vector<Finding> LintPackageIni(const std::wstring& fileName, const std::string& bytes) {
  return PackageLinter(fileName, bytes).Run();
}

std::vector<Finding> LintPackageZip(const std::wstring& fileName, const std::string& bytes) {
  std::vector<Finding> findings;
  ScratchFile archive(bytes);
  ZipHandle zip = OpenZipArchive(archive.path());
  ZipEntry info;
  if (!zip || GetZipEntry(zip, -1, &info) != kZipOk) {
    std::wstring cause = RecentZipCause();
    findings.push_back({fileName, 1, 1, Severity::Error,
                        L"not a zip archive the setup library can read" + (cause.empty() ? L"" : L": " + cause)});
    if (zip) CloseZipArchive(zip);
    return findings;
  }
  // Any install folder will do: only whether an entry stays inside it matters.
  const std::wstring base = L"Program Files\\Package";
  const size_t macroLength = wcslen(kMacroInstallDir);
  for (int k = 0; k < info.index; ++k) {
    ZipEntry entry;
    if (GetZipEntry(zip, k, &entry) != kZipOk) {
      findings.push_back({fileName, k + 1, 1, Severity::Error, L"entry " + std::to_wstring(k + 1) + L" cannot be read"});
      break;
    }
    size_t macro = FindNoCase(entry.name, kMacroInstallDir);
    std::wstring relative = entry.name;
    if (macro != std::wstring::npos) {
      if (macro != 0)
        findings.push_back({fileName, k + 1, 1, Severity::Error,
                            Quoted(entry.name) + L": %INSTALLDIR% must open the entry's name; the setup library drops "
                                                 L"its first 12 characters wherever the macro stands"});
      relative = entry.name.size() > macroLength ? entry.name.substr(macroLength) : std::wstring();
    }
    for (wchar_t& c : relative)
      if (c == L'/') c = L'\\';
    relative = WithoutLeadingBackslash(relative);
    if (relative.empty()) continue;
    std::wstring target;
    if (!zip::ComposeTargetPath(macro != std::wstring::npos ? base : L"", relative, &target))
      findings.push_back({fileName, k + 1, 1, Severity::Error,
                          Quoted(entry.name) + L" would land outside the installation folder: it is not extracted"});
    else if (macro == std::wstring::npos)
      findings.push_back({fileName, k + 1, 1, Severity::Note,
                          Quoted(entry.name) + L" has no %INSTALLDIR% in front: it goes to \\" + relative +
                              L" on the device"});
  }
  CloseZipArchive(zip);
  return findings;
}

}  // namespace qzr::lint
