// Checks of menu.ini: the file is read piece by piece with the launcher's own line reader, and
// the model is the one ReadMenuConfig makes of it; only line and column come from this file.
#include <windows.h>

#include <cstdio>
#include <cwctype>
#include <map>
#include <memory>
#include <optional>

#include "core/IniFile.h"
#include "core/LauncherConfig.h"
#include "core/LauncherWhitelist.h"
#include "Lint.h"
#include "ListMatch.h"
#include "core/MenuRules.h"
#include "ModelText.h"
#include "WhitelistCache.h"

namespace qzr::lint {
namespace {

// The launcher reads Permit1, Permit2, ... (its "Permit%d") until the first missing or empty one.
constexpr wchar_t kPermitPrefix[] = L"Permit";

// One piece as the reader sees it, with where it starts in the file.
struct Piece {
  std::wstring text;  // without the line end
  int line = 1;
  int column = 1;
  bool continuation = false;  // the rest of a line longer than a piece
  bool cut = false;           // the line goes on in the next piece
};

// A key line the launcher reads.
struct KeyUse {
  const MenuIniKey* key = nullptr;
  int number = 0;
  std::wstring name;   // as the launcher asks for it
  std::wstring value;  // as read
  int line = 0;
  int column = 0;       // of the key
  int valueColumn = 0;  // of the value's first character
  bool cut = false;
};

std::wstring KeyName(const MenuIniKey& key, int number) {
  if (!key.first) return key.key;
  wchar_t name[64];
  swprintf(name, 64, key.key, number);
  return name;
}

// The known key a name stands for in `section`, with its number; the name must be spelled as
// the launcher asks for it (case aside): "Button01" is not Button1.
std::optional<std::pair<const MenuIniKey*, int>> ResolveKey(std::wstring_view section, std::wstring_view name) {
  for (const MenuIniKey& key : MenuIniKeys()) {
    if (!EqualsNoCase(key.section, section)) continue;
    if (!key.first) {
      if (EqualsNoCase(key.key, name)) return std::make_pair(&key, 0);
      continue;
    }
    std::wstring_view format = key.key;
    size_t at = format.find(L"%d");
    std::wstring_view prefix = format.substr(0, at), suffix = format.substr(at + 2);
    if (name.size() <= prefix.size() + suffix.size() || !StartsWithNoCase(name, prefix) ||
        !EqualsNoCase(name.substr(name.size() - suffix.size()), suffix))
      continue;
    std::wstring_view digits = name.substr(prefix.size(), name.size() - prefix.size() - suffix.size());
    if (digits.size() > 9 || digits[0] == L'0') continue;
    int number = 0;
    bool allDigits = true;
    for (wchar_t c : digits) {
      if (c < L'0' || c > L'9') allDigits = false;
      number = number * 10 + (c - L'0');
    }
    if (allDigits && number >= key.first && number <= key.last) return std::make_pair(&key, number);
  }
  return std::nullopt;
}

std::vector<std::wstring> KnownSections() {
  std::vector<std::wstring> sections;
  for (const MenuIniKey& key : MenuIniKeys())
    if (sections.empty() || !EqualsNoCase(sections.back(), key.section)) sections.push_back(key.section);
  return sections;
}

std::vector<std::wstring> KnownKeyNames(std::wstring_view section) {
  std::vector<std::wstring> names;
  for (const MenuIniKey& key : MenuIniKeys()) {
    if (!EqualsNoCase(key.section, section)) continue;
    int last = key.first ? std::min(key.last, key.first + 9) : 0;
    for (int n = key.first; n <= last; ++n) names.push_back(KeyName(key, n));
  }
  return names;
}

std::wstring Quoted(std::wstring_view text) { return L"\"" + std::wstring(text) + L"\""; }

std::wstring Ending(std::wstring_view text, size_t chars) {
  return text.size() <= chars ? std::wstring(text) : L"..." + std::wstring(text.substr(text.size() - chars));
}

std::vector<Piece> ReadPieces(const std::wstring& path, IniEncoding* encoding) {
  std::vector<Piece> pieces;
  std::unique_ptr<FILE, int (*)(FILE*)> in(_wfopen(path.c_str(), L"rb"), fclose);
  if (!in) return pieces;
  *encoding = DetectIniEncoding(in.get());
  IniLine raw;
  int line = 1, column = 1;
  bool continuation = false;
  while (ReadIniLine(in.get(), *encoding, raw)) {
    Piece piece;
    piece.text = raw.text;
    piece.line = line;
    piece.column = column;
    piece.continuation = continuation;
    bool ended = !piece.text.empty() && piece.text.back() == L'\n';
    if (ended) piece.text.pop_back();
    if (ended) {
      ++line;
      column = 1;
    } else {
      column += static_cast<int>(piece.text.size());
    }
    continuation = !ended;
    pieces.push_back(std::move(piece));
  }
  // A piece is cut when the next one carries on its line with more than the line end.
  for (size_t i = 0; i + 1 < pieces.size(); ++i)
    pieces[i].cut = pieces[i + 1].continuation && !pieces[i + 1].text.empty();
  return pieces;
}

class MenuLinter {
 public:
  MenuLinter(const std::wstring& file, const std::string& bytes, const MenuOptions& options)
      : file_(file), bytes_(bytes), options_(options), scratch_(bytes) {}

  std::vector<Finding> Run() {
    IniEncoding encoding = IniEncoding::Utf8;
    pieces_ = ReadPieces(scratch_.path(), &encoding);
    if (encoding == IniEncoding::Ansi)
      Add(1, 1, Severity::Note, L"the file is not UTF-8: the launcher reads it in the device's ANSI code page");
    WalkLines();
    if (!bytes_.empty() && sectionLines_.empty())
      Add(1, 1, Severity::Error,
          L"none of the launcher's sections is in this file: it starts with no buttons, no whitelist and no exit "
          L"password");
    LoadModel();
    CheckButtons();
    CheckApplicationKeys();
    CheckPassword();
    CheckWhitelist();
    CheckPaths();
    return std::move(findings_);
  }

 private:
  void Add(int line, int column, Severity severity, std::wstring text) {
    findings_.push_back(Finding{file_, line, column, severity, std::move(text)});
  }
  void AddAt(const KeyUse& use, Severity severity, std::wstring text, bool atValue = true) {
    Add(use.line, atValue ? use.valueColumn : use.column, severity, std::move(text));
  }
  const KeyUse* Use(const wchar_t* section, const std::wstring& name) const {
    for (const KeyUse& use : uses_)
      if (EqualsNoCase(use.key->section, section) && EqualsNoCase(use.name, name)) return &use;
    return nullptr;
  }
  std::wstring ButtonKey(int slot) const { return L"Button" + std::to_wstring(slot + 1); }

  void WalkLines() {
    const std::vector<std::wstring> sections = KnownSections();
    std::wstring section;   // the known section the lines below belong to
    bool reading = false;   // lines below are read: a known section seen for the first time
    bool reported = false;  // the lines below need no finding of their own (reported at the header)
    for (const Piece& piece : pieces_) {
      const std::wstring& t = piece.text;
      if (piece.continuation) {
        if (!t.empty() && t[0] == L'[')
          Add(piece.line, piece.column, Severity::Warning,
              L"the rest of this long line starts with \"[\" and is read as a line of its own, which ends the "
              L"section");
        continue;
      }
      std::wstring trimmed = TrimWhite(t);
      if (trimmed.empty() || trimmed[0] == L';' || trimmed[0] == L'#') continue;
      if (t[0] == L'[') {
        Section(piece, sections, section, reading, reported);
        continue;
      }
      if (trimmed[0] == L'[') {
        Add(piece.line, piece.column, Severity::Warning,
            L"a blank before \"[\": the launcher does not read this as a section line");
        continue;
      }
      if (reported) continue;
      if (!reading) {
        Add(piece.line, piece.column, Severity::Warning, L"this line is in no section: the launcher never reads it");
        reported = true;
        continue;
      }
      KeyLine(piece, section);
    }
  }

  void Section(const Piece& piece, const std::vector<std::wstring>& sections, std::wstring& section, bool& reading,
               bool& reported) {
    const std::wstring& t = piece.text;
    for (const std::wstring& known : sections) {
      if (!IsIniSectionLine(t, known)) continue;
      section = known;
      auto seen = sectionLines_.find(LowerCase(known));
      if (seen != sectionLines_.end()) {
        Add(piece.line, 1, Severity::Warning,
            L"[" + known + L"] appears again: the launcher reads only the first, on line " +
                std::to_wstring(seen->second));
        reading = false;
        reported = true;
        return;
      }
      sectionLines_[LowerCase(known)] = piece.line;
      reading = true;
      reported = false;
      return;
    }
    size_t close = t.find(L']');
    std::wstring name = t.substr(1, close == std::wstring::npos ? std::wstring::npos : close - 1);
    std::wstring text = L"unknown section [" + name + L"]: the launcher never reads it";
    std::wstring nearest = NearestName(name, sections);
    if (!nearest.empty()) text += L"; did you mean [" + nearest + L"]?";
    if (close == std::wstring::npos) text = L"section line without \"]\": the launcher never reads the lines below it";
    Add(piece.line, 1, Severity::Warning, text);
    reading = false;
    reported = true;
  }

  void KeyLine(const Piece& piece, const std::wstring& section) {
    const std::wstring& t = piece.text;
    size_t eq = t.find(L'=');
    if (eq == std::wstring::npos) {
      Add(piece.line, 1, Severity::Warning, L"neither a key line nor a section line (no \"=\"): the launcher skips it");
      return;
    }
    std::wstring name = t.substr(0, eq);
    auto known = ResolveKey(section, name);
    std::optional<std::wstring> value;
    if (known) value = IniKeyLineValue(t, KeyName(*known->first, known->second));
    if (!known || !value) {
      auto trimmedKey = ResolveKey(section, TrimWhite(name));
      if (trimmedKey) {
        Add(piece.line, 1, Severity::Warning,
            L"blank around the key name: the launcher reads only \"" + KeyName(*trimmedKey->first, trimmedKey->second) +
                L"=\" at the start of a line, so this line is skipped");
        return;
      }
      std::wstring text = L"unknown key " + Quoted(name) + L" in [" + section + L"]: the launcher never reads it";
      std::wstring nearest = NearestName(name, KnownKeyNames(section));
      if (!nearest.empty()) text += L"; did you mean " + nearest + L"?";
      Add(piece.line, 1, Severity::Warning, text);
      return;
    }
    KeyUse use;
    use.key = known->first;
    use.number = known->second;
    use.name = KeyName(*use.key, use.number);
    use.value = *value;
    use.line = piece.line;
    use.column = 1;
    use.valueColumn = static_cast<int>(eq) + 2;
    use.cut = piece.cut;
    if (const KeyUse* first = Use(use.key->section, use.name)) {
      Add(piece.line, 1, Severity::Warning,
          use.name + L" appears again in [" + section + L"]: the launcher reads only the first, on line " +
              std::to_wstring(first->line));
      return;
    }
    if (use.cut)
      AddAt(use, Severity::Warning,
            L"the line is longer than " + std::to_wstring(kIniPieceChars) + L" characters: " + use.name +
                L" is cut to its first " + std::to_wstring(use.value.size()) + L" characters (ending " +
                Quoted(Ending(use.value, 16)) + L") and the rest is read as a line of its own");
    CheckValue(use);
    uses_.push_back(std::move(use));
  }

  void CheckValue(const KeyUse& use) {
    std::wstring trimmed = TrimWhite(use.value);
    switch (use.key->kind) {
      case MenuValueKind::TrueTest:
      case MenuValueKind::FalseTest:
        if (!IsTrueValue(use.value) && !IsFalseValue(use.value)) {
          bool defaultOn = use.key->kind == MenuValueKind::FalseTest;
          AddAt(use, Severity::Warning,
                Quoted(trimmed) + L" is neither TRUE nor FALSE: " + use.name + L" in [" + use.key->section +
                    L"] reads as " + (defaultOn ? L"TRUE" : L"FALSE") + L", its default");
        }
        break;
      case MenuValueKind::Path: {
        std::wstring lowered = LowerCase(trimmed);
        size_t token = lowered.find(kCurrentCardToken);
        if (token != std::wstring::npos && token != 0 && !(token == 1 && lowered[0] == L'\\'))
          AddAt(use, Severity::Warning,
                L"\"currentcard\" is not at the start of the path: the launcher drops the first " +
                    std::to_wstring(lowered.find(L"\\currentcard") != std::wstring::npos ? 12 : 11) +
                    L" characters wherever it stands and puts the card folder in front");
        break;
      }
      default:
        break;
    }
  }

  void LoadModel() {
    modelIni_ = std::make_unique<ScratchFile>(bytes_);
    MenuLocation where;
    where.iniPath = modelIni_->path();
    where.launcherFolder = LowerCase(options_.launcherFolder);
    where.launcherModuleName = where.launcherFolder + kLauncherProgramName;
    model_ = std::make_unique<MenuConfig>(ReadMenuConfig(where));
  }

  // Where a finding about a button goes: its first key line in the given sections' order.
  std::pair<int, int> ButtonPlace(int slot, std::initializer_list<const wchar_t*> sections) const {
    for (const wchar_t* section : sections)
      if (const KeyUse* use = Use(section, ButtonKey(slot))) return {use->line, 1};
    auto caption = sectionLines_.find(L"caption");
    return {caption != sectionLines_.end() ? caption->second : 1, 1};
  }

  void CheckButtons() {
    const MenuConfig& m = *model_;
    int firstGap = -1;
    for (int slot = 0; slot < m.buttonCount; ++slot)
      if (m.buttons[slot].caption.empty() && firstGap < 0) firstGap = slot;
    for (int slot = 0; slot < kButtonSlots; ++slot) {
      bool hasCaption = !m.buttons[slot].caption.empty();
      bool hasProgram = !m.buttons[slot].exePath.empty();
      bool configured = hasProgram || Use(L"parameters", ButtonKey(slot)) || Use(L"Alternate Icon Path", ButtonKey(slot));
      auto [line, column] = ButtonPlace(slot, {L"Caption", L"exe", L"parameters", L"Alternate Icon Path"});
      std::wstring name = ButtonKey(slot);
      if (slot >= m.buttonCount && (hasCaption || configured)) {
        std::wstring why = m.buttonCount == 0 ? L"no button has a caption"
                           : firstGap < 0
                               ? L"the list shows only the first " + std::to_wstring(m.buttonCount) +
                                     L" slots, one for each caption, and " + name + L" has none"
                               : L"the list shows only the first " + std::to_wstring(m.buttonCount) +
                                     L" slots, one for each caption, and " + ButtonKey(firstGap) + L" has none";
        Add(line, column, Severity::Warning, name + L" is never shown: " + why);
      } else if (slot < m.buttonCount && !hasCaption) {
        Add(line, column, Severity::Warning,
            name + L" has no caption but is shown as an empty item, because " + std::to_wstring(m.buttonCount) +
                L" buttons have captions and the list shows that many slots from Button1");
      } else if (hasCaption && !hasProgram) {
        Add(line, column, Severity::Error,
            name + L" " + Quoted(m.buttons[slot].caption) +
                L" has no program in [exe]: tapping it fails with \"Shell Error\" in front of the operator");
      }
    }
  }

  void CheckApplicationKeys() {
    const MenuConfig& m = *model_;
    for (int n = 0; n < kAppKeySlots; ++n) {
      const KeyUse* use = Use(L"ApplicationKeys", L"AppKey" + std::to_wstring(n + 1) + L"Exe");
      const AppKeySlot& key = m.appKeys[n];
      if (!use || !key.appKeyConfigured) continue;
      std::wstring value = TrimWhite(use->value);
      if (StartsWithNoCase(value, L"Button") && !key.appKeyWhitelisted) {
        int slot = static_cast<int>(wcstol(value.c_str() + 6, nullptr, 10)) - 1;
        if (slot >= 0 && slot < kButtonSlots && m.buttons[slot].exePath.empty())
          AddAt(*use, Severity::Warning, use->name + L" names " + ButtonKey(slot) + L", which has no program");
        continue;
      }
      if (!key.appKeyWhitelisted) continue;
      const std::wstring& program = key.appKeyExe;
      bool looksLikeProgram = program.find(L'\\') != std::wstring::npos ||
                              (program.size() > 4 && EqualsNoCase(program.substr(program.size() - 4), L".exe"));
      if (!looksLikeProgram)
        AddAt(*use, Severity::Warning,
              Quoted(value) + L" is neither a program path nor LAUNCHER, Button1 to Button10 or UNLOCKED: the key "
                              L"starts the program " + Quoted(program));
    }
  }

  void CheckPassword() {
    const KeyUse* plain = Use(L"PassWord", L"pwd");
    const KeyUse* scrambled = Use(L"PassWord", L"cpwd");
    if (!plain || TrimWhite(plain->value).empty()) return;
    if (scrambled && !scrambled->value.empty()) {
      AddAt(*plain, Severity::Warning,
            L"pwd is ignored because cpwd is set, and stays in the file as plain text: remove it");
      return;
    }
    AddAt(*plain, Severity::Note,
          L"a plain pwd: the password sits in the file as plain text until the launcher's first start scrambles it "
          L"into cpwd");
    size_t length = TrimWhite(plain->value).size();
    if (length > kPasswordMaxChars)
      AddAt(*plain, Severity::Warning,
            L"the password has " + std::to_wstring(length) + L" characters: the launcher keeps only the first " +
                std::to_wstring(kPasswordMaxChars));
  }

  void CheckWhitelist() {
    const KeyUse* enabled = Use(kWhitelistSection, kWhitelistEnabledKey);
    // Permit keys after the first missing or empty one are never read.
    int end = 1;
    while (const KeyUse* permit = Use(kWhitelistSection, kPermitPrefix + std::to_wstring(end))) {
      if (permit->value.empty()) break;
      ++end;
    }
    for (const KeyUse& use : uses_)
      if (use.key->kind == MenuValueKind::Permit && use.number > end)
        Add(use.line, 1, Severity::Warning,
            use.name + L" is never read: the list of permitted programs ends at Permit" + std::to_wstring(end) +
                L", which is missing or empty");
    if (!enabled || !IsTrueValue(enabled->value)) return;

    const MenuConfig& m = *model_;
    // Composed as start-up composes it, from the file as the model's read left it; the device
    // model is not known here, so the volume dialog's entry is left out.
    MenuLocation where;
    where.iniPath = modelIni_->path();
    where.launcherFolder = LowerCase(options_.launcherFolder);
    const IniSnapshot ini(where.iniPath);
    const WhitelistSources sources = WhitelistSourcesOf(m, where, ini, 0);
    auto permit = [&ini](int n) {
      return ini.ReadValue(kWhitelistSection, (kPermitPrefix + std::to_wstring(n)).c_str(), L"");
    };
    std::vector<uint8_t> block(whitelist::BlockSizeFor(static_cast<DWORD>(std::min<size_t>(bytes_.size(), MAXDWORD))));
    whitelist::InitializeBlock(block);
    whitelist::ComposeResult composed = whitelist::ComposeWhitelist(block, WhitelistEntriesFrom(sources, permit));
    if (composed.exceedsMemoryWarnings > 0)
      Add(enabled->line, 1, Severity::Warning,
          L"the whitelist does not fit the shared block: the launcher shows \"" + std::wstring(kExceedsMemoryText) +
              L"\" and leaves entries out");
    auto lists = whitelist::ParseBlock(block);
    std::wstring allowed = lists ? lists->allowed : std::wstring();

    auto refused = [&allowed](const std::wstring& program) {
      return !program.empty() && !monitor::MatchInList(LowerCase(program), allowed);
    };
    for (int slot = 0; slot < m.buttonCount; ++slot)
      if (refused(m.buttons[slot].exePath)) {
        auto [line, column] = ButtonPlace(slot, {L"exe"});
        Add(line, column, Severity::Error,
            L"the whitelist refuses " + Quoted(m.buttons[slot].exePath) + L", the program of " + ButtonKey(slot));
      }
    for (int n = 0; n < kAppKeySlots; ++n) {
      const AppKeySlot& key = m.appKeys[n];
      if (!key.appKeyConfigured || EqualsNoCase(key.appKeyExe, kAppKeyUnlocked)) continue;
      if (!refused(key.appKeyExe)) continue;
      const KeyUse* use = Use(L"ApplicationKeys", L"AppKey" + std::to_wstring(n + 1) + L"Exe");
      std::wstring text = L"the whitelist refuses " + Quoted(key.appKeyExe) + L", the program of application key " +
                          std::to_wstring(n + 1);
      if (use && StartsWithNoCase(TrimWhite(use->value), L"Button"))
        text += L": a button's program is whitelisted only while the button is shown";
      Add(use ? use->line : enabled->line, use ? use->valueColumn : 1, Severity::Error, text);
    }
  }

  void CheckPaths() {
    if (!options_.image) return;
    const DeviceImage& image = *options_.image;
    std::wstring card = PickStorageCardFolder(kStorageCardCandidates, image.rootDirectories);
    for (const KeyUse& use : uses_) {
      std::wstring path;
      Severity severity = Severity::Warning;
      std::wstring what;
      if (use.key->kind == MenuValueKind::Path) {
        bool logo = EqualsNoCase(use.key->section, L"Bitmaps");
        path = logo ? DecodeTopLogoPath(use.value, card) : DecodeButtonPath(use.value, card);
        bool program = EqualsNoCase(use.key->section, L"exe");
        if (program) severity = Severity::Error;
        what = logo ? L"the top logo" : program ? L"the program of " + use.name : L"the icon of " + use.name;
      } else if (use.key->kind == MenuValueKind::AppKey) {
        int n = use.number - 1;
        if (!model_->appKeys[n].appKeyWhitelisted) continue;
        path = DecodeButtonPath(use.value, card);
        severity = Severity::Error;
        what = L"the program of application key " + std::to_wstring(use.number);
      } else {
        continue;
      }
      if (path.empty() || image.exists(path)) continue;
      std::wstring text = what + L" " + Quoted(path) + L" does not exist in the device image";
      if (use.key->kind != MenuValueKind::Path || EqualsNoCase(use.key->section, L"exe"))
        text += L": starting it fails with \"Shell Error\"";
      AddAt(use, severity, text);
    }
  }

  std::wstring file_;
  const std::string& bytes_;
  const MenuOptions& options_;
  ScratchFile scratch_;
  std::unique_ptr<ScratchFile> modelIni_;
  std::unique_ptr<MenuConfig> model_;
  std::vector<Piece> pieces_;
  std::vector<KeyUse> uses_;
  std::map<std::wstring, int> sectionLines_;  // lower-cased known section -> its first line
  std::vector<Finding> findings_;
};

}  // namespace

std::vector<Finding> LintMenu(const std::wstring& fileName, const std::string& bytes, const MenuOptions& options) {
  return MenuLinter(fileName, bytes, options).Run();
}

std::string MenuModelText(const std::string& bytes, const MenuOptions& options) {
  ScratchFile ini(bytes);
  MenuLocation where;
  where.iniPath = ini.path();
  where.launcherFolder = LowerCase(options.launcherFolder);
  where.launcherModuleName = where.launcherFolder + kLauncherProgramName;
  return tools::ModelText(ReadMenuConfig(where));
}

}  // namespace qzr::lint
