// The control file's writer and reader: little-endian records at the offsets its header names.
#include "CeSetupFile.h"

#include <algorithm>
#include <set>

namespace qzrcab {
namespace {

constexpr uint32_t kMagic = 0x4543534D;  // "MSCE"

void Put16(std::string& out, uint32_t v) {
  out += static_cast<char>(v & 0xFF);
  out += static_cast<char>((v >> 8) & 0xFF);
}
void Put32(std::string& out, uint32_t v) {
  Put16(out, v & 0xFFFF);
  Put16(out, v >> 16);
}
void Set16(std::string& out, size_t at, uint32_t v) {
  out[at] = static_cast<char>(v & 0xFF);
  out[at + 1] = static_cast<char>((v >> 8) & 0xFF);
}
void Set32(std::string& out, size_t at, uint32_t v) {
  Set16(out, at, v & 0xFFFF);
  Set16(out, at + 2, v >> 16);
}
void PutParts(std::string& out, const std::vector<uint16_t>& parts) {
  Put16(out, static_cast<uint32_t>((parts.size() + 1) * 2));
  for (uint16_t id : parts) Put16(out, id);
  Put16(out, 0);
}

// A bounded reader: every read says whether the bytes were there.
class Cursor {
 public:
  Cursor(std::string_view bytes, size_t at) : bytes_(bytes), at_(at) {}
  bool U16(uint16_t* v) {
    if (!Has(2)) return false;
    *v = static_cast<uint16_t>(Byte(0) | Byte(1) << 8);
    at_ += 2;
    return true;
  }
  bool U32(uint32_t* v) {
    if (!Has(4)) return false;
    *v = Byte(0) | Byte(1) << 8 | Byte(2) << 16 | static_cast<uint32_t>(Byte(3)) << 24;
    at_ += 4;
    return true;
  }
  bool Bytes(size_t n, std::string_view* out) {
    if (!Has(n)) return false;
    *out = bytes_.substr(at_, n);
    at_ += n;
    return true;
  }
  // A parts: its byte length (even, at least the closing 0), the ids, the closing 0 dropped.
  bool Parts(std::vector<uint16_t>* parts) {
    uint16_t len = 0;
    if (!U16(&len) || len < 2 || len % 2 != 0 || !Has(len)) return false;
    for (uint16_t i = 0; i < len / 2; ++i) {
      uint16_t id = 0;
      U16(&id);
      if (id == 0) {
        at_ += len - 2 * (i + 1);  // what follows the terminator within the length is padding
        return true;
      }
      parts->push_back(id);
    }
    return false;  // no terminator within the stated length
  }

 private:
  bool Has(size_t n) const { return at_ <= bytes_.size() && bytes_.size() - at_ >= n; }
  uint32_t Byte(size_t i) const { return static_cast<uint8_t>(bytes_[at_ + i]); }
  std::string_view bytes_;
  size_t at_;
};

// Text up to the first NUL within the stated length (some writers leave the NUL out).
std::string UpToNul(std::string_view text) { return std::string(text.substr(0, text.find('\0'))); }

}  // namespace

std::vector<std::string> SplitPath(std::string_view path) {
  std::vector<std::string> parts;
  size_t start = 0;
  while (start <= path.size()) {
    size_t end = path.find('\\', start);
    if (end == std::string_view::npos) end = path.size();
    if (end > start) parts.emplace_back(path.substr(start, end - start));
    start = end + 1;
  }
  return parts;
}

std::string EncodeCeSetup(const CeSetup& s) {
  std::string out(kCeHeaderBytes, '\0');
  Set32(out, 0, kMagic);
  Set32(out, 16, 1);
  Set32(out, 20, s.architecture);
  Set32(out, 24, s.minMajor);
  Set32(out, 28, s.minMinor);
  Set32(out, 32, s.maxMajor);
  Set32(out, 36, s.maxMinor);
  Set32(out, 40, s.minBuild);
  Set32(out, 44, s.maxBuild);
  Set16(out, 48, static_cast<uint32_t>(s.strings.size()));
  Set16(out, 50, static_cast<uint32_t>(s.dirs.size()));
  Set16(out, 52, static_cast<uint32_t>(s.files.size()));
  Set16(out, 54, static_cast<uint32_t>(s.hives.size()));
  Set16(out, 56, static_cast<uint32_t>(s.values.size()));
  Set16(out, 58, static_cast<uint32_t>(s.links.size()));

  // The three header strings first: their offsets are 16 bits wide.
  Set16(out, 84, static_cast<uint32_t>(out.size()));
  Set16(out, 86, static_cast<uint32_t>(s.appName.size() + 1));
  out += s.appName + '\0';
  Set16(out, 88, static_cast<uint32_t>(out.size()));
  Set16(out, 90, static_cast<uint32_t>(s.provider.size() + 1));
  out += s.provider + '\0';
  if (!s.unsupported.empty()) {
    std::string list;
    for (const std::string& name : s.unsupported) list += name + '\0';
    list += '\0';
    Set16(out, 92, static_cast<uint32_t>(out.size()));
    Set16(out, 94, static_cast<uint32_t>(list.size()));
    out += list;
  }

  Set32(out, 60, static_cast<uint32_t>(out.size()));
  for (const CeString& str : s.strings) {
    Put16(out, str.id);
    Put16(out, static_cast<uint32_t>(str.text.size() + 1));
    out += str.text + '\0';
  }
  Set32(out, 64, static_cast<uint32_t>(out.size()));
  for (const CeDir& d : s.dirs) {
    Put16(out, d.id);
    PutParts(out, d.parts);
  }
  Set32(out, 68, static_cast<uint32_t>(out.size()));
  for (const CeFile& f : s.files) {
    Put16(out, f.fileId);
    Put16(out, f.dirId);
    Put16(out, f.unknown);
    Put32(out, f.flags);
    Put16(out, static_cast<uint32_t>(f.name.size() + 1));
    out += f.name + '\0';
  }
  Set32(out, 72, static_cast<uint32_t>(out.size()));
  for (const CeRegHive& h : s.hives) {
    Put16(out, h.id);
    Put16(out, h.root);
    Put16(out, h.unknown);
    PutParts(out, h.parts);
  }
  Set32(out, 76, static_cast<uint32_t>(out.size()));
  for (const CeRegValue& v : s.values) {
    Put16(out, v.id);
    Put16(out, v.hiveId);
    Put16(out, v.subst);
    Put32(out, v.flags);
    Put16(out, static_cast<uint32_t>(v.data.size()));
    out += v.data;
  }
  Set32(out, 80, static_cast<uint32_t>(out.size()));
  for (const CeLink& l : s.links) {
    Put16(out, l.id);
    Put16(out, l.unknown);
    Put16(out, l.baseDir);
    Put16(out, l.targetId);
    Put16(out, l.type);
    PutParts(out, l.parts);
  }
  Set32(out, 8, static_cast<uint32_t>(out.size()));
  return out;
}

std::optional<CeSetup> DecodeCeSetup(std::string_view bytes, std::string* error) {
  auto fail = [&](const std::string& why) -> std::optional<CeSetup> {
    if (error) *error = why;
    return std::nullopt;
  };
  if (bytes.size() < kCeHeaderBytes) return fail("the control file is shorter than its 100-byte header");
  Cursor head(bytes, 0);
  uint32_t h32[12];
  for (uint32_t& v : h32) head.U32(&v);
  uint16_t counts[6];
  for (uint16_t& v : counts) head.U16(&v);
  uint32_t offsets[6];
  for (uint32_t& v : offsets) head.U32(&v);
  uint16_t strs[6];
  for (uint16_t& v : strs) head.U16(&v);
  if (h32[0] != kMagic) return fail("the control file does not start with MSCE");
  // The stated total length bounds every section: bytes after it are not the file's.
  if (h32[2] > bytes.size()) return fail("the control file states " + std::to_string(h32[2]) + " bytes but holds " +
                                         std::to_string(bytes.size()));
  if (h32[2] < kCeHeaderBytes) return fail("the control file states a length shorter than its header");
  bytes = bytes.substr(0, h32[2]);

  CeSetup s;
  s.architecture = h32[5];
  s.minMajor = h32[6];
  s.minMinor = h32[7];
  s.maxMajor = h32[8];
  s.maxMinor = h32[9];
  s.minBuild = h32[10];
  s.maxBuild = h32[11];

  auto headerString = [&](uint16_t offset, uint16_t length, std::string_view* out) {
    return offset <= bytes.size() && bytes.size() - offset >= length && (*out = bytes.substr(offset, length), true);
  };
  std::string_view text;
  if (!headerString(strs[0], strs[1], &text)) return fail("the application name lies outside the control file");
  s.appName = UpToNul(text);
  if (!headerString(strs[2], strs[3], &text)) return fail("the provider lies outside the control file");
  s.provider = UpToNul(text);
  if (strs[5] != 0) {
    if (!headerString(strs[4], strs[5], &text)) return fail("the unsupported platforms lie outside the control file");
    for (size_t at = 0; at < text.size();) {
      size_t end = text.find('\0', at);
      if (end == std::string_view::npos) end = text.size();
      if (end == at) break;  // the empty name ends the list
      s.unsupported.emplace_back(text.substr(at, end - at));
      at = end + 1;
    }
  }

  static const char* const kSection[] = {"STRINGS", "DIRS", "FILES", "REGHIVES", "REGKEYS", "LINKS"};
  for (int section = 0; section < 6; ++section) {
    if (counts[section] == 0) continue;
    if (offsets[section] > bytes.size())
      return fail(std::string("the ") + kSection[section] + " section starts past the end of the control file");
    Cursor c(bytes, offsets[section]);
    for (uint16_t i = 0; i < counts[section]; ++i) {
      bool ok = true;
      uint16_t len = 0;
      std::string_view data;
      switch (section) {
        case 0: {
          CeString str;
          ok = c.U16(&str.id) && c.U16(&len) && c.Bytes(len, &data);
          str.text = UpToNul(data);
          s.strings.push_back(std::move(str));
          break;
        }
        case 1: {
          CeDir d;
          ok = c.U16(&d.id) && c.Parts(&d.parts);
          s.dirs.push_back(std::move(d));
          break;
        }
        case 2: {
          CeFile f;
          ok = c.U16(&f.fileId) && c.U16(&f.dirId) && c.U16(&f.unknown) && c.U32(&f.flags) && c.U16(&len) &&
               c.Bytes(len, &data);
          f.name = UpToNul(data);
          s.files.push_back(std::move(f));
          break;
        }
        case 3: {
          CeRegHive h;
          ok = c.U16(&h.id) && c.U16(&h.root) && c.U16(&h.unknown) && c.Parts(&h.parts);
          s.hives.push_back(std::move(h));
          break;
        }
        case 4: {
          CeRegValue v;
          ok = c.U16(&v.id) && c.U16(&v.hiveId) && c.U16(&v.subst) && c.U32(&v.flags) && c.U16(&len) &&
               c.Bytes(len, &data);
          v.data = std::string(data);
          s.values.push_back(std::move(v));
          break;
        }
        case 5: {
          CeLink l;
          ok = c.U16(&l.id) && c.U16(&l.unknown) && c.U16(&l.baseDir) && c.U16(&l.targetId) && c.U16(&l.type) &&
               c.Parts(&l.parts);
          s.links.push_back(std::move(l));
          break;
        }
      }
      if (!ok)
        return fail(std::string("record ") + std::to_string(i + 1) + " of " + std::to_string(counts[section]) +
                    " of the " + kSection[section] + " section runs past the end of the control file");
    }
  }
  return s;
}

bool IsSafeComponent(std::string_view name) {
  if (name.empty() || name == "." || name == "..") return false;
  for (char ch : name) {
    unsigned char c = static_cast<unsigned char>(ch);
    if (c < 0x20 || c == '\\' || c == '/' || c == ':' || c == '*' || c == '?' || c == '"' || c == '<' || c == '>' ||
        c == '|')
      return false;
  }
  // Trailing dots and blanks vanish from names on the device's file system: "..." is "..".
  return name.back() != '.' && name.back() != ' ';
}

bool EqualsDeviceName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'a' && x <= 'z') x = static_cast<char>(x - 32);
    if (y >= 'a' && y <= 'z') y = static_cast<char>(y - 32);
    if (x != y) return false;
  }
  return true;
}

int DirMacroNumber(std::string_view component) {
  if (component.size() < 5 || component.size() > 6 || component.substr(0, 3) != "%CE" || component.back() != '%')
    return 0;
  std::string_view digits = component.substr(3, component.size() - 4);
  if (digits[0] == '0') return 0;
  int n = 0;
  for (char c : digits) {
    if (c < '0' || c > '9') return 0;
    n = n * 10 + (c - '0');
  }
  return n >= 1 && n <= kMaxDirMacro ? n : 0;
}

std::optional<std::string> StringText(const CeSetup& setup, uint16_t id) {
  for (const CeString& s : setup.strings)
    if (s.id == id) return s.text;
  return std::nullopt;
}

std::optional<std::vector<std::string>> PartTexts(const CeSetup& setup, const std::vector<uint16_t>& ids) {
  std::vector<std::string> parts;
  for (uint16_t id : ids) {
    auto text = StringText(setup, id);
    if (!text) return std::nullopt;
    parts.push_back(*text);
  }
  return parts;
}

const CeDir* FindDir(const CeSetup& setup, uint16_t id) {
  for (const CeDir& d : setup.dirs)
    if (d.id == id) return &d;
  return nullptr;
}
const CeFile* FindFile(const CeSetup& setup, uint16_t id) {
  for (const CeFile& f : setup.files)
    if (f.fileId == id) return &f;
  return nullptr;
}
const CeRegHive* FindHive(const CeSetup& setup, uint16_t id) {
  for (const CeRegHive& h : setup.hives)
    if (h.id == id) return &h;
  return nullptr;
}

std::string CheckCeSetup(const CeSetup& s) {
  auto unique = [](const auto& records, auto idOf, const char* what) -> std::string {
    std::set<uint16_t> seen;
    for (const auto& r : records)
      if (idOf(r) == 0 || !seen.insert(idOf(r)).second)
        return std::string(what) + " id " + std::to_string(idOf(r)) + (idOf(r) == 0 ? " is not allowed" : " is used twice");
    return {};
  };
  std::string why;
  if (!(why = unique(s.strings, [](const CeString& r) { return r.id; }, "string")).empty()) return why;
  if (!(why = unique(s.dirs, [](const CeDir& r) { return r.id; }, "directory")).empty()) return why;
  if (!(why = unique(s.files, [](const CeFile& r) { return r.fileId; }, "file")).empty()) return why;
  if (!(why = unique(s.hives, [](const CeRegHive& r) { return r.id; }, "registry key")).empty()) return why;
  if (!(why = unique(s.values, [](const CeRegValue& r) { return r.id; }, "registry value")).empty()) return why;
  if (!(why = unique(s.links, [](const CeLink& r) { return r.id; }, "shortcut")).empty()) return why;
  if (s.files.size() > kMaxFileId) return "more than 998 files";

  for (const CeDir& d : s.dirs) {
    auto parts = PartTexts(s, d.parts);
    if (!parts || parts->empty()) return "directory " + std::to_string(d.id) + " names no path";
    for (size_t i = 0; i < parts->size(); ++i) {
      const std::string& p = (*parts)[i];
      if (p[0] == '%' && i == 0 && DirMacroNumber(p)) continue;
      if (!IsSafeComponent(p)) return "directory " + std::to_string(d.id) + " has the unsafe part \"" + p + "\"";
    }
  }
  for (const CeFile& f : s.files) {
    if (f.fileId > kMaxFileId) return "file id " + std::to_string(f.fileId) + " is above 998";
    if (!FindDir(s, f.dirId)) return "file " + std::to_string(f.fileId) + " names no directory";
    if (!IsSafeComponent(f.name)) return "file " + std::to_string(f.fileId) + " has the unsafe name \"" + f.name + "\"";
  }
  for (const CeRegHive& h : s.hives) {
    if (h.root < kRootClassesRoot || h.root > kRootUsers) return "registry key " + std::to_string(h.id) + " has an unknown root";
    auto parts = PartTexts(s, h.parts);
    if (!parts || parts->empty()) return "registry key " + std::to_string(h.id) + " names no key";
  }
  for (const CeRegValue& v : s.values) {
    if (!FindHive(s, v.hiveId)) return "registry value " + std::to_string(v.id) + " names no key";
    if (v.data.find('\0') == std::string::npos) return "registry value " + std::to_string(v.id) + " has no name";
    if (v.flags & ~(kRegTypeMask | kRegNoClobber))
      return "registry value " + std::to_string(v.id) + " has unknown flags";
  }
  for (const CeLink& l : s.links) {
    if (l.baseDir > kMaxDirMacro) return "shortcut " + std::to_string(l.id) + " has an unknown base directory";
    auto parts = PartTexts(s, l.parts);
    if (!parts || parts->empty()) return "shortcut " + std::to_string(l.id) + " names no path";
    for (const std::string& p : *parts)
      if (!IsSafeComponent(p)) return "shortcut " + std::to_string(l.id) + " has the unsafe part \"" + p + "\"";
    if (l.type == 1 ? !FindFile(s, l.targetId) : (l.targetId != 0 && !FindDir(s, l.targetId)))
      return "shortcut " + std::to_string(l.id) + " points at nothing the cabinet installs";
  }
  return {};
}

uint16_t CeSetupBuilder::String(const std::string& text) {
  for (const CeString& s : setup_.strings)
    if (s.text == text) return s.id;
  uint16_t id = static_cast<uint16_t>(setup_.strings.size() + 1);
  setup_.strings.push_back({id, text});
  return id;
}

std::vector<uint16_t> CeSetupBuilder::Parts(const std::vector<std::string>& components) {
  std::vector<uint16_t> parts;
  for (const std::string& c : components) parts.push_back(String(c));
  return parts;
}

uint16_t CeSetupBuilder::Dir(const std::vector<std::string>& components) {
  std::vector<uint16_t> parts = Parts(components);
  for (const CeDir& d : setup_.dirs)
    if (d.parts == parts) return d.id;
  uint16_t id = static_cast<uint16_t>(setup_.dirs.size() + 1);
  setup_.dirs.push_back({id, parts});
  return id;
}

uint16_t CeSetupBuilder::Hive(uint16_t root, const std::vector<std::string>& components) {
  std::vector<uint16_t> parts = Parts(components);
  for (const CeRegHive& h : setup_.hives)
    if (h.root == root && h.parts == parts) return h.id;
  uint16_t id = static_cast<uint16_t>(setup_.hives.size() + 1);
  setup_.hives.push_back({id, root, 0, parts});
  return id;
}

}  // namespace qzrcab
