// The .inf reader: sections, keys and fields as CabWiz reads them (";" comments, quoted fields
// with "" for a quote, %string% substitution), then the installation they describe.
#include "InfReader.h"

#include <windows.h>

#include <algorithm>
#include <cwctype>
#include <map>
#include <set>

#include "CeSetupFile.h"

namespace qzrcab {
namespace {

struct Field {
  std::wstring text;
  int column = 0;  // of the field's first character in the line
  bool quoted = false;
};
struct Entry {
  int line = 0;
  bool hasKey = false;
  std::wstring key;
  int keyColumn = 0;
  std::vector<Field> fields;  // the value's fields; a line without "=" is all fields
};
struct Section {
  std::wstring name;
  int line = 0;
  std::vector<Entry> entries;
};

std::wstring Lower(std::wstring_view s) {
  std::wstring out(s);
  for (wchar_t& c : out) c = static_cast<wchar_t>(std::towlower(c));
  return out;
}
bool Same(std::wstring_view a, std::wstring_view b) { return Lower(a) == Lower(b); }

bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t'; }

// Splits at commas outside quotes; each field trimmed and unquoted ("" inside quotes is one ").
std::vector<Field> SplitFields(std::wstring_view text, int firstColumn) {
  std::vector<Field> fields;
  size_t i = 0;
  while (true) {
    while (i < text.size() && IsBlank(text[i])) ++i;
    Field f;
    f.column = firstColumn + static_cast<int>(i);
    std::wstring value;
    size_t lastSolid = 0;  // length of value up to its last character that was quoted or not blank
    bool inQuotes = false;
    for (; i < text.size(); ++i) {
      wchar_t c = text[i];
      if (inQuotes) {
        if (c == L'"') {
          if (i + 1 < text.size() && text[i + 1] == L'"') {
            value += L'"';
            ++i;
          } else {
            inQuotes = false;
          }
        } else {
          value += c;
        }
        lastSolid = value.size();
        continue;
      }
      if (c == L',') break;
      if (c == L'"') {
        inQuotes = true;
        f.quoted = true;
        continue;
      }
      value += c;
      if (!IsBlank(c)) lastSolid = value.size();
    }
    value.resize(lastSolid);
    f.text = value;
    fields.push_back(std::move(f));
    if (i >= text.size()) break;
    ++i;  // the comma
  }
  return fields;
}

// Position of the first `what` outside quotes, or npos.
size_t FindOutsideQuotes(std::wstring_view text, wchar_t what) {
  bool inQuotes = false;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == L'"') inQuotes = !inQuotes;
    else if (!inQuotes && text[i] == what) return i;
  }
  return std::wstring_view::npos;
}

std::optional<uint32_t> ParseNumber(std::wstring_view text) {
  if (text.empty()) return std::nullopt;
  int base = 10;
  if (text.size() > 2 && text[0] == L'0' && (text[1] == L'x' || text[1] == L'X')) {
    base = 16;
    text.remove_prefix(2);
  }
  uint64_t v = 0;
  for (wchar_t c : text) {
    int d = c >= L'0' && c <= L'9' ? c - L'0' : base == 16 && c >= L'a' && c <= L'f' ? c - L'a' + 10
            : base == 16 && c >= L'A' && c <= L'F' ? c - L'A' + 10 : -1;
    if (d < 0 || d >= base) return std::nullopt;
    v = v * base + d;
    if (v > 0xFFFFFFFFull) return std::nullopt;
  }
  return static_cast<uint32_t>(v);
}

std::wstring Hex(uint32_t v) {
  wchar_t buffer[16];
  swprintf(buffer, 16, L"0x%08X", v);
  return buffer;
}

class Reader {
 public:
  Reader(std::string_view bytes, std::wstring_view cpu) : cpu_(cpu) { Parse(DecodeInfText(bytes)); }
  InfRead Run();

 private:
  void Parse(const std::wstring& text);
  Section* Find(std::wstring_view name) {
    auto it = index_.find(Lower(name));
    return it == index_.end() ? nullptr : &sections_[it->second];
  }
  // The plain section and, with a cpu, its ".cpu" variant, whose keys replace the plain ones.
  std::vector<Entry> Merged(std::wstring_view name);
  const Entry* Key(const std::vector<Entry>& entries, std::wstring_view key) {
    const Entry* found = nullptr;
    for (const Entry& e : entries)
      if (e.hasKey && Same(e.key, key)) found = &e;  // the last one counts: the .cpu variant follows
    return found;
  }
  void Error(InfPlace at, std::wstring text) { findings_.push_back({at, true, std::move(text)}); }
  void Warn(InfPlace at, std::wstring text) { findings_.push_back({at, false, std::move(text)}); }
  static InfPlace At(const Entry& e) { return {e.line, e.hasKey ? e.keyColumn : (e.fields.empty() ? 1 : e.fields[0].column)}; }
  static InfPlace At(const Entry& e, const Field& f) { return {e.line, f.column}; }

  // %name% replaced from [Strings] and [CEStrings]; %CEn% and %InstallDir% stay for the device.
  std::wstring Subst(const Entry& e, const Field& f, int depth = 0) { return Subst(e.line, f.column + (f.quoted ? 1 : 0), f.text, depth); }
  std::wstring Subst(int line, int column, const std::wstring& text, int depth);
  // A value that goes into the control file: it must be writable in the device's code page.
  bool Writable(InfPlace at, const std::wstring& text, const wchar_t* what);
  std::optional<uint32_t> Number(const Entry& e, size_t field, const wchar_t* what, const wchar_t* example);
  // A device folder after substitution: %CEn%\..., \..., or %InstallDir%\... made into the
  // install folder's path. Empty when refused.
  std::wstring DeviceFolder(const Entry& e, const Field& f, bool allowInstallDir);
  void ReadVersionAndStrings();
  void ReadDevice();
  void ReadSources();
  void ReadFiles(const std::vector<std::wstring>& copySections, const Entry* keyEntry);
  void ReadRegistry(const std::vector<std::pair<std::wstring, InfPlace>>& sections);
  void ReadShortcuts(const std::vector<std::pair<std::wstring, InfPlace>>& sections);
  std::vector<std::pair<std::wstring, InfPlace>> SectionList(const Entry* e);
  std::optional<std::wstring> SourceOf(const Entry& e, const Field& f, const std::wstring& name);
  void CheckReferences();

  std::wstring cpu_;
  std::vector<Section> sections_;
  std::map<std::wstring, size_t> index_;
  std::vector<InfFinding> findings_;
  InfProject p_;
  std::map<std::wstring, std::wstring> strings_;  // lower-cased name → value (unsubstituted)
  std::map<std::wstring, std::wstring> diskPaths_;  // disk id → folder
  struct SourceFile {
    std::wstring disk, subdir;
    InfPlace at;
  };
  std::map<std::wstring, SourceFile> sourceFiles_;  // lower-cased name → disk
  std::set<std::wstring> referenced_;  // lower-cased section names some key names
  std::vector<std::wstring> expanding_;  // the [Strings] names being substituted, innermost last
  static constexpr size_t kMaxSubstituted = 4096;
};

void Reader::Parse(const std::wstring& text) {
  Section* current = nullptr;
  int line = 0;
  for (size_t pos = 0; pos < text.size();) {
    size_t end = text.find_first_of(L"\r\n", pos);
    if (end == std::wstring::npos) end = text.size();
    ++line;
    std::wstring_view raw(text.data() + pos, end - pos);
    pos = end < text.size() && text[end] == L'\r' && end + 1 < text.size() && text[end + 1] == L'\n' ? end + 2 : end + 1;
    size_t comment = FindOutsideQuotes(raw, L';');
    if (comment != std::wstring_view::npos) raw = raw.substr(0, comment);
    size_t first = 0;
    while (first < raw.size() && (IsBlank(raw[first]) || raw[first] == 0xFEFF)) ++first;
    size_t last = raw.size();
    while (last > first && IsBlank(raw[last - 1])) --last;
    if (first == last) continue;
    std::wstring_view body = raw.substr(first, last - first);
    int column = static_cast<int>(first) + 1;
    if (body[0] == L'[') {
      size_t close = body.find(L']');
      if (close == std::wstring_view::npos) {
        Error({line, column}, L"a section line without \"]\": write [" + std::wstring(body.substr(1)) + L"]");
        current = nullptr;
        continue;
      }
      std::wstring name(body.substr(1, close - 1));
      while (!name.empty() && IsBlank(name.back())) name.pop_back();
      while (!name.empty() && IsBlank(name.front())) name.erase(0, 1);
      auto it = index_.find(Lower(name));
      if (it == index_.end()) {
        index_[Lower(name)] = sections_.size();
        sections_.push_back({name, line, {}});
        current = &sections_.back();
      } else {
        current = &sections_[it->second];  // a section written twice reads as one
      }
      continue;
    }
    if (!current) {
      Error({line, column}, L"a line before the first section: put it under a [section] or remove it");
      continue;
    }
    Entry e;
    e.line = line;
    size_t eq = FindOutsideQuotes(body, L'=');
    if (eq != std::wstring_view::npos) {
      e.hasKey = true;
      std::vector<Field> key = SplitFields(body.substr(0, eq), column);
      e.key = key.empty() ? L"" : key[0].text;
      e.keyColumn = column;
      e.fields = SplitFields(body.substr(eq + 1), column + static_cast<int>(eq) + 1);
    } else {
      e.fields = SplitFields(body, column);
    }
    current->entries.push_back(std::move(e));
  }
}

std::vector<Entry> Reader::Merged(std::wstring_view name) {
  std::vector<Entry> entries;
  if (Section* s = Find(name)) entries = s->entries;
  if (!cpu_.empty())
    if (Section* s = Find(std::wstring(name) + L"." + cpu_)) entries.insert(entries.end(), s->entries.begin(), s->entries.end());
  return entries;
}

std::wstring Reader::Subst(int line, int column, const std::wstring& text, int depth) {
  std::wstring out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != L'%') {
      out += text[i];
      continue;
    }
    size_t close = text.find(L'%', i + 1);
    if (close == std::wstring::npos) {
      Error({line, column + static_cast<int>(i)}, L"a \"%\" without its closing \"%\": write %% for a percent sign");
      out += text.substr(i);
      break;
    }
    std::wstring name = text.substr(i + 1, close - i - 1);
    int at = column + static_cast<int>(i);
    std::string narrow;
    for (wchar_t c : name) narrow += static_cast<char>(c < 0x80 ? c : '?');
    std::string upper = narrow;
    for (char& c : upper) c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 32 : c);
    if (name.empty()) {
      out += L'%';
    } else if (DirMacroNumber("%" + narrow + "%")) {
      out += L"%" + name + L"%";
    } else if (DirMacroNumber("%" + upper + "%")) {
      Error({line, at}, L"write %" + std::wstring(upper.begin(), upper.end()) + L"% in capitals: the device knows no %" + name + L"%");
    } else if (Same(name, L"InstallDir")) {
      out += L"%InstallDir%";
    } else if (auto it = strings_.find(Lower(name)); it != strings_.end()) {
      if (std::find(expanding_.begin(), expanding_.end(), it->first) != expanding_.end() || depth > 8) {
        Error({line, at}, L"%" + name + L"% refers to itself through [Strings]: give it a plain value");
      } else {
        expanding_.push_back(it->first);
        out += Subst(line, at, it->second, depth + 1);
        expanding_.pop_back();
      }
    } else {
      Error({line, at}, L"unknown string %" + name + L"%: define it in [Strings] (" + name + L" = ...)");
    }
    i = close;
    // Strings made of strings can grow without bound: no value the device takes is this long.
    if (out.size() > kMaxSubstituted) {
      if (depth == 0) Error({line, column}, L"the value grows past 4096 characters through [Strings]: shorten it");
      out.resize(kMaxSubstituted);
      break;
    }
  }
  return out;
}

bool Reader::Writable(InfPlace at, const std::wstring& text, const wchar_t* what) {
  if (ToDeviceText(text)) return true;
  std::wstring bad;
  for (wchar_t c : text)
    if (!ToDeviceText(std::wstring(1, c))) {
      bad = std::wstring(1, c);
      break;
    }
  Error(at, std::wstring(what) + L" \"" + text + L"\" has \"" + bad +
                L"\", which the device's code page (Windows-1252) cannot write: use another character");
  return false;
}

std::optional<uint32_t> Reader::Number(const Entry& e, size_t field, const wchar_t* what, const wchar_t* example) {
  if (field >= e.fields.size() || e.fields[field].text.empty()) return std::nullopt;
  std::wstring text = Subst(e, e.fields[field]);
  auto n = ParseNumber(text);
  if (!n)
    Error(At(e, e.fields[field]), std::wstring(what) + L" takes a number (decimal or 0x hex), not \"" + text +
                                      L"\": write for example " + example);
  return n;
}

std::wstring Reader::DeviceFolder(const Entry& e, const Field& f, bool allowInstallDir) {
  std::wstring path = Subst(e, f);
  while (path.size() > 1 && path.back() == L'\\') path.pop_back();
  if (path.rfind(L"%InstallDir%", 0) == 0) {
    if (!allowInstallDir || p_.installDir.empty()) {
      Error(At(e, f), L"%InstallDir% cannot define itself: start InstallDir with %CE1% or \\");
      return {};
    }
    path = p_.installDir + path.substr(12);
  }
  std::string narrow;
  for (wchar_t c : path.substr(0, path.find(L'\\'))) narrow += static_cast<char>(c < 0x80 ? c : '?');
  if (path.empty() || (path[0] != L'\\' && !DirMacroNumber(narrow))) {
    Error(At(e, f), L"the folder \"" + path + L"\" must start with %CE1%..%CE17%, %InstallDir% or \\");
    return {};
  }
  std::vector<std::wstring> parts;
  for (size_t start = 0; start <= path.size();) {
    size_t end = path.find(L'\\', start);
    if (end == std::wstring::npos) end = path.size();
    if (end > start) parts.push_back(path.substr(start, end - start));
    start = end + 1;
  }
  for (size_t i = 0; i < parts.size(); ++i) {
    auto device = ToDeviceText(parts[i]);
    if (!device) {
      Writable(At(e, f), parts[i], L"the folder name");
      return {};
    }
    if (!(i == 0 && DirMacroNumber(*device)) && !IsSafeComponent(*device)) {
      Error(At(e, f), L"the folder \"" + path + L"\" has the part \"" + parts[i] +
                          L"\", which would leave its folder or is no valid name");
      return {};
    }
  }
  return path;
}

void Reader::ReadVersionAndStrings() {
  if (Section* s = Find(L"Strings")) {
    referenced_.insert(L"strings");
    for (const Entry& e : s->entries)
      if (e.hasKey) strings_[Lower(e.key)] = e.fields.empty() ? L"" : e.fields[0].text;
  }
  Section* version = Find(L"Version");
  referenced_.insert(L"version");
  if (!version) {
    Error({1, 1}, L"no [Version] section: add [Version] with Signature = \"$Windows NT$\", CESignature = \"$Windows CE$\" and Provider");
  } else {
    const Entry* sig = Key(version->entries, L"Signature");
    if (!sig || sig->fields.empty() || (!Same(sig->fields[0].text, L"$Windows NT$") && !Same(sig->fields[0].text, L"$Chicago$")))
      Error(sig ? At(*sig) : InfPlace{version->line, 1}, L"[Version] needs Signature = \"$Windows NT$\"");
    const Entry* ce = Key(version->entries, L"CESignature");
    if (!ce || ce->fields.empty() || !Same(ce->fields[0].text, L"$Windows CE$"))
      Error(ce ? At(*ce) : InfPlace{version->line, 1}, L"[Version] needs CESignature = \"$Windows CE$\"");
    const Entry* provider = Key(version->entries, L"Provider");
    if (provider && !provider->fields.empty()) p_.provider = Subst(*provider, provider->fields[0]);
    if (p_.provider.empty())
      Error(provider ? At(*provider) : InfPlace{version->line, 1}, L"[Version] needs Provider = \"Your company\": the device names the application \"Provider AppName\"");
    else
      Writable(At(*provider, provider->fields[0]), p_.provider, L"Provider");
  }

  Section* ce = Find(L"CEStrings");
  referenced_.insert(L"cestrings");
  const Entry* app = ce ? Key(ce->entries, L"AppName") : nullptr;
  if (app && !app->fields.empty()) {
    strings_.erase(L"appname");
    p_.appName = Subst(*app, app->fields[0]);
    strings_[L"appname"] = p_.appName;
    Writable(At(*app, app->fields[0]), p_.appName, L"AppName");
  }
  if (p_.appName.empty())
    Error(app ? At(*app) : InfPlace{ce ? ce->line : 1, 1}, L"[CEStrings] needs AppName = \"Your application\"");
  const Entry* dir = ce ? Key(ce->entries, L"InstallDir") : nullptr;
  if (dir && !dir->fields.empty()) p_.installDir = DeviceFolder(*dir, dir->fields[0], false);
  else Error(dir ? At(*dir) : InfPlace{ce ? ce->line : 1, 1}, L"[CEStrings] needs InstallDir = %CE1%\\%AppName%");
  if (ce)
    for (const Entry& e : ce->entries)
      if (e.hasKey && !Same(e.key, L"AppName") && !Same(e.key, L"InstallDir"))
        Warn(At(e), L"[CEStrings] knows only AppName and InstallDir: " + e.key + L" is ignored (put your own strings in [Strings])");
}

void Reader::ReadDevice() {
  referenced_.insert(L"cedevice");
  if (!cpu_.empty()) referenced_.insert(L"cedevice." + Lower(cpu_));
  std::vector<Entry> entries = Merged(L"CEDevice");
  auto version = [&](const wchar_t* key, uint32_t* major, uint32_t* minor) {
    const Entry* e = Key(entries, key);
    if (!e || e->fields.empty() || e->fields[0].text.empty()) return;
    std::wstring text = Subst(*e, e->fields[0]);
    size_t dot = text.find(L'.');
    auto hi = ParseNumber(text.substr(0, dot));
    auto lo = dot == std::wstring::npos ? std::optional<uint32_t>(0) : ParseNumber(text.substr(dot + 1));
    if (!hi || !lo) {
      Error(At(*e, e->fields[0]), std::wstring(key) + L" takes a version such as 4.21, not \"" + text + L"\"");
      return;
    }
    *major = *hi;
    *minor = *lo;
  };
  version(L"VersionMin", &p_.minMajor, &p_.minMinor);
  version(L"VersionMax", &p_.maxMajor, &p_.maxMinor);
  if (const Entry* e = Key(entries, L"ProcessorType")) p_.processorType = Number(*e, 0, L"ProcessorType", L"2577").value_or(0);
  if (const Entry* e = Key(entries, L"BuildMin")) p_.minBuild = Number(*e, 0, L"BuildMin", L"0").value_or(0);
  if (const Entry* e = Key(entries, L"BuildMax")) p_.maxBuild = Number(*e, 0, L"BuildMax", L"0xE0000000").value_or(0);
  if (const Entry* e = Key(entries, L"UnsupportedPlatforms")) {
    p_.unsupported.clear();
    for (const Field& f : e->fields) {
      std::wstring name = Subst(*e, f);
      if (name.empty()) continue;
      if (Writable(At(*e, f), name, L"the platform")) p_.unsupported.push_back(name);
    }
  }
  static const wchar_t* const kKnown[] = {L"ProcessorType", L"VersionMin", L"VersionMax", L"BuildMin", L"BuildMax",
                                          L"UnsupportedPlatforms"};
  for (const Entry& e : entries)
    if (e.hasKey && std::none_of(std::begin(kKnown), std::end(kKnown), [&](const wchar_t* k) { return Same(k, e.key); }))
      Warn(At(e), L"[CEDevice] has no key " + e.key + L": it is ignored (known: ProcessorType, VersionMin, VersionMax, BuildMin, BuildMax, UnsupportedPlatforms)");
}

void Reader::ReadSources() {
  for (const wchar_t* name : {L"SourceDisksNames", L"SourceDisksFiles"}) {
    referenced_.insert(Lower(name));
    if (!cpu_.empty()) referenced_.insert(Lower(name) + L"." + Lower(cpu_));
  }
  for (const Entry& e : Merged(L"SourceDisksNames")) {
    if (!e.hasKey) {
      Error(At(e), L"a [SourceDisksNames] line is \"id = ,\"description\",,folder\"");
      continue;
    }
    // Fields: tag file, description, (unused), folder; the folder is relative to the .inf.
    diskPaths_[Lower(e.key)] = e.fields.size() >= 4 ? Subst(e, e.fields[3]) : L"";
  }
  for (const Entry& e : Merged(L"SourceDisksFiles")) {
    if (!e.hasKey || e.fields.empty() || e.fields[0].text.empty()) {
      Error(At(e), L"a [SourceDisksFiles] line is \"file = disk id\"");
      continue;
    }
    std::wstring name = Subst(e.line, e.keyColumn, e.key, 0);
    std::wstring disk = e.fields[0].text;
    if (!diskPaths_.count(Lower(disk))) {
      Error(At(e, e.fields[0]), L"disk " + disk + L" is not in [SourceDisksNames]: add " + disk + L" = ,\"Files\",,.");
      continue;
    }
    sourceFiles_[Lower(name)] = {disk, e.fields.size() >= 2 ? Subst(e, e.fields[1]) : L"", At(e)};
  }
}

std::optional<std::wstring> Reader::SourceOf(const Entry& e, const Field& f, const std::wstring& name) {
  auto it = sourceFiles_.find(Lower(name));
  if (it == sourceFiles_.end()) {
    Error(At(e, f), L"\"" + name + L"\" is not in [SourceDisksFiles]: add " + name + L" = 1 (the disk that holds it)");
    return std::nullopt;
  }
  std::wstring path = diskPaths_[Lower(it->second.disk)];
  auto join = [](std::wstring a, const std::wstring& b) {
    if (b.empty()) return a;
    if (a.empty() || a == L".") return b;
    if (a.back() != L'\\' && a.back() != L'/') a += L'\\';
    return a + b;
  };
  return join(join(path, it->second.subdir), name);
}

std::vector<std::pair<std::wstring, InfPlace>> Reader::SectionList(const Entry* e) {
  std::vector<std::pair<std::wstring, InfPlace>> list;
  if (!e) return list;
  for (const Field& f : e->fields)
    if (!f.text.empty()) list.push_back({f.text, At(*e, f)});
  return list;
}

void Reader::ReadFiles(const std::vector<std::wstring>& copySections, const Entry*) {
  std::map<std::wstring, std::wstring> destinations;  // lower-cased section → device folder
  std::optional<std::wstring> defaultDest;
  referenced_.insert(L"destinationdirs");
  if (Section* dd = Find(L"DestinationDirs")) {
    for (const Entry& e : dd->entries) {
      if (!e.hasKey || e.fields.size() < 2) {
        Error(At(e), L"a [DestinationDirs] line is \"section = 0,%InstallDir%\" (or another folder)");
        continue;
      }
      std::wstring folder = DeviceFolder(e, e.fields[1], true);
      if (folder.empty()) continue;
      if (Same(e.key, L"DefaultDestDir")) defaultDest = folder;
      else if (!Find(e.key)) Warn(At(e), L"[DestinationDirs] names the section [" + e.key + L"], which the file does not have");
      else destinations[Lower(e.key)] = folder;
    }
  }
  std::set<std::wstring> seen;  // lower-cased folder\name
  for (const std::wstring& name : copySections) {
    Section* s = Find(name);
    if (!s) continue;  // reported where CopyFiles names it
    auto dest = destinations.find(Lower(name));
    std::wstring folder = dest != destinations.end() ? dest->second : defaultDest.value_or(L"");
    if (folder.empty()) {
      Error({s->line, 1}, L"[" + s->name + L"] has no folder: add " + s->name + L" = 0,%InstallDir% to [DestinationDirs] (or a DefaultDestDir)");
      continue;
    }
    for (const Entry& e : s->entries) {
      if (e.hasKey) {
        Error(At(e), L"a file line is \"target name[,source name,,flags]\" with no \"=\"");
        continue;
      }
      InfFile file;
      file.at = At(e);
      file.targetDir = folder;
      file.targetName = Subst(e, e.fields[0]);
      const Field& sourceField = e.fields.size() >= 2 && !e.fields[1].text.empty() ? e.fields[1] : e.fields[0];
      std::wstring sourceName = &sourceField == &e.fields[0] ? file.targetName : Subst(e, sourceField);
      file.sourceAt = At(e, sourceField);
      if (file.targetName.empty() || file.targetName.find_first_of(L"\\/:") != std::wstring::npos ||
          !IsSafeComponent(ToDeviceText(file.targetName).value_or("x"))) {
        Error(At(e, e.fields[0]), L"the target \"" + file.targetName + L"\" must be a plain file name: put its folder in [DestinationDirs]");
        continue;
      }
      if (!Writable(At(e, e.fields[0]), file.targetName, L"the file name")) continue;
      if (e.fields.size() >= 4 && !e.fields[3].text.empty()) {
        auto flags = Number(e, 3, L"the file's flags", L"0x40000000");
        if (!flags) continue;
        if (*flags & ~kKnownFileFlags) {
          Error(At(e, e.fields[3]), L"unknown file flags " + Hex(*flags & ~kKnownFileFlags) +
                                        L": known are 0x00000001, 0x00000002, 0x00000010, 0x00000400, 0x20000000, 0x40000000, 0x80000000");
          continue;
        }
        if (*flags & kFileSelfRegister) {
          Error(At(e, e.fields[3]), L"self-registration is not a file flag: name the file in CESelfRegister");
          continue;
        }
        if ((*flags & kFileNoOverwrite) && (*flags & kFileReplaceOnly)) {
          Error(At(e, e.fields[3]), L"0x00000010 (never overwrite) and 0x00000400 (only replace) exclude each other: keep one");
          continue;
        }
        if ((*flags & kFileNoDateDialog) && (*flags & kFileNoDateCheck)) {
          Error(At(e, e.fields[3]), L"0x20000000 (keep a newer file) and 0x40000000 (ignore dates) exclude each other: keep one");
          continue;
        }
        file.flags = *flags;
      }
      auto source = SourceOf(e, sourceField, sourceName);
      if (!source) continue;
      file.source = *source;
      if (!seen.insert(Lower(file.targetDir + L"\\" + file.targetName)).second) {
        Error(At(e, e.fields[0]), L"\"" + file.targetName + L"\" is already installed into " + file.targetDir + L": give one of them another name or folder");
        continue;
      }
      if (p_.files.size() == kMaxFileId)
        Error(At(e), L"a cabinet holds at most 998 files: this is file 999; split the installation into two cabinets");
      p_.files.push_back(std::move(file));
    }
  }
}

void Reader::ReadRegistry(const std::vector<std::pair<std::wstring, InfPlace>>& sections) {
  for (const auto& [name, at] : sections) {
    Section* s = Find(name);
    if (!s) continue;
    for (const Entry& e : s->entries) {
      if (e.hasKey || e.fields.size() < 4) {
        Error(At(e), L"an AddReg line is \"root, key, value name, flags, data\" (for example HKLM,Software\\Me,Level,0x00010001,1)");
        continue;
      }
      InfRegValue v;
      v.at = At(e);
      std::wstring root = Subst(e, e.fields[0]);
      if (Same(root, L"HKCR")) v.root = kRootClassesRoot;
      else if (Same(root, L"HKCU")) v.root = kRootCurrentUser;
      else if (Same(root, L"HKLM")) v.root = kRootLocalMachine;
      else {
        Error(At(e, e.fields[0]), L"unknown root \"" + root + L"\": write HKCR, HKCU or HKLM");
        continue;
      }
      v.key = Subst(e, e.fields[1]);
      while (!v.key.empty() && v.key.front() == L'\\') v.key.erase(0, 1);
      if (v.key.empty()) {
        Error(At(e, e.fields[1]), L"the registry key is empty: name the key under " + root);
        continue;
      }
      v.name = Subst(e, e.fields[2]);
      if (!Writable(At(e, e.fields[1]), v.key, L"the key") || !Writable(At(e, e.fields[2]), v.name, L"the value name")) continue;
      auto flags = e.fields[3].text.empty() ? std::optional<uint32_t>(0) : Number(e, 3, L"the AddReg flags", L"0x00010001");
      if (!flags) continue;
      if (*flags & ~(kRegTypeMask | kRegNoClobber)) {
        Error(At(e, e.fields[3]), L"unknown AddReg flags " + Hex(*flags & ~(kRegTypeMask | kRegNoClobber)) +
                                      L": use 0x00000000 (string), 0x00010000 (multi-string), 0x00010001 (number), 0x00000001 (binary), plus 0x00000002 to keep an existing value");
        continue;
      }
      v.flags = *flags;
      const uint32_t type = v.flags & kRegTypeMask;
      std::vector<Field> data(e.fields.begin() + 4, e.fields.end());
      bool ok = true;
      if (type == kRegSz) {
        if (data.size() > 1) {
          Error(At(e, data[1]), L"a string value takes one field: put the text in quotes if it has commas");
          continue;
        }
        v.strings.push_back(data.empty() ? L"" : Subst(e, data[0]));
      } else if (type == kRegMultiSz) {
        for (const Field& f : data) v.strings.push_back(Subst(e, f));
      } else if (type == kRegDword) {
        if (data.size() != 1 || data[0].text.empty()) {
          Error(data.empty() ? At(e, e.fields[3]) : At(e, data.back()), L"a number value (0x00010001) takes one number");
          continue;
        }
        std::wstring text = Subst(e, data[0]);
        auto n = ParseNumber(text);
        if (!n) {
          Error(At(e, data[0]), L"the value type is a number (0x00010001) but \"" + text +
                                    L"\" is none: write a number, or flags 0x00000000 for a string");
          continue;
        }
        v.dword = *n;
      } else {
        for (const Field& f : data) {
          std::wstring text = Subst(e, f);
          if (text.size() > 2 && text[0] == L'0' && (text[1] == L'x' || text[1] == L'X')) text = text.substr(2);
          auto n = text.size() >= 1 && text.size() <= 2 && text.find_first_not_of(L"0123456789abcdefABCDEF") == std::wstring::npos
                       ? ParseNumber(L"0x" + text)
                       : std::nullopt;
          if (!n) {
            Error(At(e, f), L"the value type is binary (0x00000001) but \"" + f.text + L"\" is no hex byte: write bytes such as 0a,ff");
            ok = false;
            break;
          }
          v.binary += static_cast<char>(*n);
        }
      }
      for (size_t i = 0; ok && i < v.strings.size(); ++i)
        ok = Writable(At(e, data.empty() ? e.fields[3] : data[std::min(i, data.size() - 1)]), v.strings[i], L"the value");
      if (ok) p_.registry.push_back(std::move(v));
    }
  }
}

void Reader::ReadShortcuts(const std::vector<std::pair<std::wstring, InfPlace>>& sections) {
  std::map<std::wstring, std::wstring> destinations;
  std::optional<std::wstring> defaultDest;
  if (Section* dd = Find(L"DestinationDirs"))
    for (const Entry& e : dd->entries)
      if (e.hasKey && e.fields.size() >= 2) {
        std::wstring path = Subst(e, e.fields[1]);
        if (Same(e.key, L"DefaultDestDir")) defaultDest = path;
        else destinations[Lower(e.key)] = path;
      }
  for (const auto& [name, at] : sections) {
    Section* s = Find(name);
    if (!s) continue;
    for (const Entry& e : s->entries) {
      if (e.hasKey || e.fields.size() < 3) {
        Error(At(e), L"a CEShortcuts line is \"name, 0, target file[, folder]\" (or 1 and a target folder)");
        continue;
      }
      InfShortcut sc;
      sc.at = At(e);
      sc.name = Subst(e, e.fields[0]);
      if (sc.name.size() > 4 && Same(sc.name.substr(sc.name.size() - 4), L".lnk")) sc.name.resize(sc.name.size() - 4);
      if (sc.name.empty() || !IsSafeComponent(ToDeviceText(sc.name).value_or("x"))) {
        if (!Writable(At(e, e.fields[0]), sc.name, L"the shortcut name")) continue;
        Error(At(e, e.fields[0]), L"the shortcut name \"" + sc.name + L"\" must be a plain file name");
        continue;
      }
      auto type = Number(e, 1, L"the shortcut type", L"0 (a file) or 1 (a folder)");
      if (!type) {
        if (e.fields[1].text.empty()) Error(At(e, e.fields[1]), L"the shortcut type is missing: write 0 for a file or 1 for a folder");
        continue;
      }
      sc.folder = *type != 0;
      if (sc.folder) {
        sc.target = DeviceFolder(e, e.fields[2], true);
        if (sc.target.empty()) continue;
      } else {
        sc.target = Subst(e, e.fields[2]);
        bool found = std::any_of(p_.files.begin(), p_.files.end(), [&](const InfFile& f) { return Same(f.targetName, sc.target); });
        if (!found) {
          Error(At(e, e.fields[2]), L"the shortcut's target \"" + sc.target + L"\" is no file that CopyFiles installs: name the target file's name");
          continue;
        }
      }
      std::wstring folder;
      if (e.fields.size() >= 4 && !e.fields[3].text.empty()) folder = Subst(e, e.fields[3]);
      else if (auto d = destinations.find(Lower(name)); d != destinations.end()) folder = d->second;
      else folder = defaultDest.value_or(L"");
      while (folder.size() > 1 && folder.back() == L'\\') folder.pop_back();
      std::string head;
      for (wchar_t c : folder.substr(0, folder.find(L'\\'))) head += static_cast<char>(c < 0x80 ? c : '?');
      if (!DirMacroNumber(head) && folder.rfind(L"%InstallDir%", 0) != 0) {
        Error(e.fields.size() >= 4 ? At(e, e.fields[3]) : At(e), L"the shortcut's folder \"" + folder +
                  L"\" must start with %CE1%..%CE17% or %InstallDir% (for example %CE11% for the Start menu's programs)");
        continue;
      }
      bool ok = true;
      for (const std::wstring& part : {folder, sc.name})
        ok = ok && Writable(At(e), part, L"the shortcut");
      if (!ok) continue;
      sc.folderPath = folder;
      p_.shortcuts.push_back(std::move(sc));
    }
  }
}

void Reader::CheckReferences() {
  for (const Section& s : sections_) {
    std::wstring lower = Lower(s.name);
    if (referenced_.count(lower)) continue;
    // Sections of another /cpu choice belong to another build of the same file.
    bool archVariant = false;
    for (const wchar_t* base : {L"cedevice.", L"defaultinstall.", L"sourcedisksnames.", L"sourcedisksfiles."})
      archVariant = archVariant || lower.rfind(base, 0) == 0;
    if (archVariant) continue;
    if (lower == L"defaultinstall") continue;
    Error({s.line, 1}, L"[" + s.name + L"] is named by no CopyFiles, AddReg or CEShortcuts key in [DefaultInstall], so nothing of it is installed: name it there or remove it");
  }
}

InfRead Reader::Run() {
  ReadVersionAndStrings();
  ReadDevice();
  ReadSources();

  // Every DefaultInstall variant's references count as uses; only the chosen ones install.
  for (const Section& s : sections_) {
    std::wstring lower = Lower(s.name);
    if (lower != L"defaultinstall" && lower.rfind(L"defaultinstall.", 0) != 0) continue;
    for (const Entry& e : s.entries)
      if (e.hasKey && (Same(e.key, L"CopyFiles") || Same(e.key, L"AddReg") || Same(e.key, L"CEShortcuts")))
        for (const Field& f : e.fields)
          if (!f.text.empty()) referenced_.insert(Lower(f.text));
  }
  if (!cpu_.empty()) {
    referenced_.insert(L"defaultinstall." + Lower(cpu_));
    bool any = false;
    for (const Section& s : sections_) {
      std::wstring lower = Lower(s.name);
      any = any || (lower.size() > cpu_.size() && lower.substr(lower.size() - cpu_.size() - 1) == L"." + Lower(cpu_));
    }
    if (!any) Warn({1, 1}, L"no section is meant for the cpu \"" + cpu_ + L"\" ([CEDevice." + cpu_ + L"], [DefaultInstall." + cpu_ + L"], ...): the plain sections are used");
  }
  std::vector<Entry> install = Merged(L"DefaultInstall");
  if (!Find(L"DefaultInstall")) Error({1, 1}, L"no [DefaultInstall] section: add one with CopyFiles, AddReg and CEShortcuts as needed");
  const Entry* copy = Key(install, L"CopyFiles");
  std::vector<std::wstring> copySections;
  for (const auto& [name, at] : SectionList(copy)) {
    if (!Find(name)) Error(at, L"CopyFiles names [" + name + L"], which the file does not have: add the section or remove the name");
    else copySections.push_back(name);
  }
  ReadFiles(copySections, copy);

  if (const Entry* e = Key(install, L"CESelfRegister"))
    for (const Field& f : e->fields) {
      if (f.text.empty()) continue;
      std::wstring name = Subst(*e, f);
      auto file = std::find_if(p_.files.begin(), p_.files.end(), [&](const InfFile& x) { return Same(x.targetName, name); });
      if (file == p_.files.end()) Error(At(*e, f), L"CESelfRegister names \"" + name + L"\", which no CopyFiles section installs");
      else file->flags |= kFileSelfRegister;
    }
  if (const Entry* e = Key(install, L"CESetupDLL"); e && !e->fields.empty() && !e->fields[0].text.empty()) {
    InfFile dll;
    dll.at = At(*e);
    dll.sourceAt = At(*e, e->fields[0]);
    dll.targetName = Subst(*e, e->fields[0]);
    if (auto source = SourceOf(*e, e->fields[0], dll.targetName)) {
      dll.source = *source;
      p_.setupDll = dll;
    }
  }
  auto checked = [&](const wchar_t* key) {
    std::vector<std::pair<std::wstring, InfPlace>> list;
    for (const auto& [name, at] : SectionList(Key(install, key))) {
      if (!Find(name)) Error(at, std::wstring(key) + L" names [" + name + L"], which the file does not have: add the section or remove the name");
      else list.push_back({name, at});
    }
    return list;
  };
  ReadRegistry(checked(L"AddReg"));
  ReadShortcuts(checked(L"CEShortcuts"));
  static const wchar_t* const kKnown[] = {L"CopyFiles", L"AddReg", L"CEShortcuts", L"CESetupDLL", L"CESelfRegister"};
  for (const Entry& e : install)
    if (e.hasKey && std::none_of(std::begin(kKnown), std::end(kKnown), [&](const wchar_t* k) { return Same(k, e.key); }))
      Warn(At(e), L"[DefaultInstall] has no key " + e.key + L": it is ignored (known: CopyFiles, AddReg, CEShortcuts, CESetupDLL, CESelfRegister)");
  CheckReferences();
  std::stable_sort(findings_.begin(), findings_.end(), [](const InfFinding& a, const InfFinding& b) {
    return a.at.line != b.at.line ? a.at.line < b.at.line : a.at.column < b.at.column;
  });
  return {std::move(p_), std::move(findings_)};
}

}  // namespace

bool InfRead::HasErrors() const {
  return std::any_of(findings.begin(), findings.end(), [](const InfFinding& f) { return f.error; });
}

InfRead ReadInf(std::string_view bytes, std::wstring_view cpu) { return Reader(bytes, cpu).Run(); }

std::optional<std::string> ToDeviceText(std::wstring_view text) {
  if (text.empty()) return std::string();
  int n = WideCharToMultiByte(kDeviceCodePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
  if (n <= 0) return std::nullopt;
  std::string out(n, '\0');
  WideCharToMultiByte(kDeviceCodePage, 0, text.data(), static_cast<int>(text.size()), out.data(), n, nullptr, nullptr);
  // Best-fit mappings ("é" for "e" and the like) and the default character both fail the round trip.
  if (FromDeviceText(out) != text) return std::nullopt;
  return out;
}

std::wstring FromDeviceText(std::string_view text) {
  if (text.empty()) return {};
  int n = MultiByteToWideChar(kDeviceCodePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring out(n > 0 ? n : 0, L'\0');
  if (n > 0) MultiByteToWideChar(kDeviceCodePage, 0, text.data(), static_cast<int>(text.size()), out.data(), n);
  return out;
}

std::wstring DecodeInfText(std::string_view bytes) {
  if (bytes.size() >= 2 && static_cast<uint8_t>(bytes[0]) == 0xFF && static_cast<uint8_t>(bytes[1]) == 0xFE) {
    std::wstring out;
    for (size_t i = 2; i + 1 < bytes.size(); i += 2)
      out += static_cast<wchar_t>(static_cast<uint8_t>(bytes[i]) | static_cast<uint8_t>(bytes[i + 1]) << 8);
    return out;
  }
  if (bytes.size() >= 3 && bytes.substr(0, 3) == "\xEF\xBB\xBF") bytes.remove_prefix(3);
  if (bytes.empty()) return {};
  int n = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
  if (n > 0) {
    std::wstring out(n, L'\0');
    MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, bytes.data(), static_cast<int>(bytes.size()), out.data(), n);
    return out;
  }
  return FromDeviceText(bytes);
}

}  // namespace qzrcab
