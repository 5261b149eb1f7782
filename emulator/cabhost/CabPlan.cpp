// The control file resolved as the device's installer resolves it, and the undo record's text.
#include "CabPlan.h"

#include <algorithm>

#include "InfReader.h"

namespace cabhost {
namespace {

using namespace qzrcab;

std::wstring Joined(const std::vector<std::string>& parts, size_t from = 0) {
  std::wstring out;
  for (size_t i = from; i < parts.size(); ++i) out += L"\\" + FromDeviceText(parts[i]);
  return out;
}

// A directory's device path: a leading %CEn% is the device's folder, anything else is under the root.
std::optional<std::wstring> DirPath(const CeSetup& s, uint16_t id) {
  const CeDir* d = FindDir(s, id);
  auto parts = d ? PartTexts(s, d->parts) : std::nullopt;
  if (!parts || parts->empty()) return std::nullopt;
  if (int n = DirMacroNumber((*parts)[0])) return DirMacroFolder(n) + Joined(*parts, 1);
  return Joined(*parts);
}

void AddFolder(std::vector<std::wstring>* folders, const std::wstring& path) {
  for (size_t at = path.find(L'\\', 1);; at = path.find(L'\\', at + 1)) {
    std::wstring prefix = at == std::wstring::npos ? path : path.substr(0, at);
    if (std::find_if(folders->begin(), folders->end(), [&](const std::wstring& f) { return _wcsicmp(f.c_str(), prefix.c_str()) == 0; }) ==
        folders->end())
      folders->push_back(prefix);
    if (at == std::wstring::npos) break;
  }
}

std::wstring FolderOf(const std::wstring& path) { return path.substr(0, path.find_last_of(L'\\')); }

std::vector<BYTE> WideBytes(const std::wstring& text) {
  const BYTE* p = reinterpret_cast<const BYTE*>(text.data());
  return std::vector<BYTE>(p, p + text.size() * sizeof(wchar_t));
}

std::string Escape(const std::wstring& text) {
  std::string utf8;
  int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
  utf8.resize(n > 0 ? n : 0);
  if (n > 0) WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), utf8.data(), n, nullptr, nullptr);
  std::string out;
  for (char c : utf8) {
    if (c == '%' || c == '\t' || c == '\r' || c == '\n') {
      char hex[4];
      snprintf(hex, sizeof hex, "%%%02X", static_cast<unsigned char>(c));
      out += hex;
    } else {
      out += c;
    }
  }
  return out;
}

std::wstring Unescape(std::string_view text) {
  std::string utf8;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 2 < text.size()) {
      utf8 += static_cast<char>(strtoul(std::string(text.substr(i + 1, 2)).c_str(), nullptr, 16));
      i += 2;
    } else {
      utf8 += text[i];
    }
  }
  if (utf8.empty()) return {};
  int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring out(n > 0 ? n : 0, L'\0');
  if (n > 0) MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), out.data(), n);
  return out;
}

std::string HexBytes(const std::vector<BYTE>& data) {
  std::string out;
  char b[4];
  for (BYTE c : data) {
    snprintf(b, sizeof b, "%02x", c);
    out += b;
  }
  return out;
}

std::vector<BYTE> FromHex(std::string_view text) {
  std::vector<BYTE> out;
  for (size_t i = 0; i + 1 < text.size(); i += 2) out.push_back(static_cast<BYTE>(strtoul(std::string(text.substr(i, 2)).c_str(), nullptr, 16)));
  return out;
}

}  // namespace

std::wstring ApplicationName(const InstallPlan& plan) { return plan.provider + L" " + plan.appName; }

std::wstring DirMacroFolder(int n) {
  static const wchar_t* const kFolders[] = {
      L"",
      L"\\Program Files",                       // 1
      L"\\Windows",                             // 2
      L"\\Windows\\Desktop",                    // 3 (H/PC)
      L"\\Windows\\StartUp",                    // 4
      L"\\My Documents",                        // 5
      L"\\Program Files\\Accessories",          // 6 (H/PC)
      L"\\Program Files\\Communications",       // 7 (H/PC)
      L"\\Program Files\\Games",                // 8
      L"\\Program Files\\Pocket Outlook",       // 9 (H/PC)
      L"\\Program Files\\Office",               // 10 (H/PC)
      L"\\Windows\\Start Menu\\Programs",       // 11
      L"\\Windows\\Programs\\Accessories",      // 12 (H/PC)
      L"\\Windows\\Programs\\Communications",   // 13 (H/PC)
      L"\\Windows\\Start Menu\\Programs\\Games",  // 14
      L"\\Windows\\Fonts",                      // 15
      L"\\Windows\\Recent",                     // 16 (H/PC)
      L"\\Windows\\Start Menu",                 // 17
  };
  return n >= 1 && n <= kMaxDirMacro ? kFolders[n] : L"";
}

std::wstring ExpandDeviceMacros(const std::wstring& text, const std::wstring& installDir) {
  std::wstring out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == L'%') {
      size_t close = text.find(L'%', i + 1);
      if (close != std::wstring::npos) {
        std::wstring name = text.substr(i + 1, close - i - 1);
        std::string narrow = "%";
        for (wchar_t c : name) narrow += static_cast<char>(c < 0x80 ? c : '?');
        narrow += "%";
        if (_wcsicmp(name.c_str(), L"InstallDir") == 0) {
          out += installDir;
          i = close;
          continue;
        }
        if (int n = DirMacroNumber(narrow)) {
          out += DirMacroFolder(n);
          i = close;
          continue;
        }
      }
    }
    out += text[i];
  }
  return out;
}

std::optional<int> MemberNumber(std::string_view name) {
  size_t dot = name.find_last_of('.');
  if (dot == std::string_view::npos || name.size() - dot != 4 || !IsSafeComponent(name)) return std::nullopt;
  int n = 0;
  for (char c : name.substr(dot + 1)) {
    if (c < '0' || c > '9') return std::nullopt;
    n = n * 10 + (c - '0');
  }
  return n;
}

std::string ShortcutText(const std::wstring& target) {
  std::wstring line = target.find(L' ') == std::wstring::npos ? target : L"\"" + target + L"\"";
  std::string text = ToDeviceText(line).value_or(std::string(line.begin(), line.end()));
  return std::to_string(line.size()) + "#" + text;
}

std::optional<InstallPlan> PlanInstall(const CeSetup& s, std::wstring* error) {
  auto fail = [&](const std::wstring& why) -> std::optional<InstallPlan> {
    *error = why;
    return std::nullopt;
  };
  std::string problem = CheckCeSetup(s);
  if (!problem.empty()) return fail(L"the control file is unsound: " + FromDeviceText(problem));
  if (s.dirs.empty()) return fail(L"the control file names no install folder");
  InstallPlan plan;
  plan.appName = FromDeviceText(s.appName);
  plan.provider = FromDeviceText(s.provider);
  if (plan.appName.empty() || plan.provider.empty() || !IsSafeComponent(s.provider + " " + s.appName))
    return fail(L"the control file's application name \"" + plan.provider + L" " + plan.appName + L"\" is no name the device can register");
  for (const std::string& u : s.unsupported) plan.unsupported.push_back(FromDeviceText(u));
  plan.processorType = s.architecture;
  plan.minMajor = s.minMajor;
  plan.minMinor = s.minMinor;
  plan.installDir = *DirPath(s, s.dirs[0].id);
  AddFolder(&plan.folders, plan.installDir);

  for (const CeFile& f : s.files) {
    PlannedFile file;
    file.number = f.fileId;
    file.flags = f.flags;
    file.path = *DirPath(s, f.dirId) + L"\\" + FromDeviceText(f.name);
    if (std::any_of(plan.files.begin(), plan.files.end(), [&](const PlannedFile& o) { return _wcsicmp(o.path.c_str(), file.path.c_str()) == 0; }))
      return fail(L"the control file installs " + file.path + L" twice");
    AddFolder(&plan.folders, FolderOf(file.path));
    plan.files.push_back(std::move(file));
  }

  for (const CeRegValue& v : s.values) {
    const CeRegHive* hive = FindHive(s, v.hiveId);
    PlannedValue value;
    value.root = hive->root;
    auto key = PartTexts(s, hive->parts);
    value.key = Joined(*key).substr(1);
    size_t nul = v.data.find('\0');
    value.name = FromDeviceText(v.data.substr(0, nul));
    std::string bytes = v.data.substr(nul + 1);
    value.noClobber = (v.flags & kRegNoClobber) != 0;
    auto text = [&](const std::string& t) {
      std::wstring w = FromDeviceText(t);
      return v.subst ? ExpandDeviceMacros(w, plan.installDir) : w;
    };
    switch (v.flags & kRegTypeMask) {
      case kRegSz:
        value.type = REG_SZ;
        value.data = WideBytes(text(bytes.substr(0, bytes.find('\0'))) + L'\0');
        break;
      case kRegMultiSz: {
        value.type = REG_MULTI_SZ;
        std::wstring multi;
        for (size_t at = 0; at < bytes.size();) {
          size_t end = bytes.find('\0', at);
          if (end == std::string::npos) end = bytes.size();
          if (end == at) break;
          multi += text(bytes.substr(at, end - at)) + L'\0';
          at = end + 1;
        }
        value.data = WideBytes(multi + L'\0');
        break;
      }
      case kRegDword:
        value.type = REG_DWORD;
        if (bytes.size() != 4)
          return fail(L"registry value \"" + value.name + L"\" is a number of " + std::to_wstring(bytes.size()) + L" bytes");
        value.data.assign(bytes.begin(), bytes.end());
        break;
      default:
        value.type = REG_BINARY;
        value.data.assign(bytes.begin(), bytes.end());
    }
    plan.values.push_back(std::move(value));
  }

  for (const CeLink& l : s.links) {
    PlannedLink link;
    auto parts = PartTexts(s, l.parts);
    std::wstring base = l.baseDir == 0 ? plan.installDir : DirMacroFolder(l.baseDir);
    link.path = base + Joined(*parts);
    if (l.type == 1) {
      auto target = std::find_if(plan.files.begin(), plan.files.end(), [&](const PlannedFile& f) { return f.number == l.targetId; });
      link.target = target->path;
    } else {
      link.target = l.targetId == 0 ? plan.installDir : *DirPath(s, l.targetId);
    }
    AddFolder(&plan.folders, FolderOf(link.path));
    plan.links.push_back(std::move(link));
  }
  return plan;
}

std::string EncodeUndo(const std::vector<UndoStep>& steps) {
  std::string out;
  for (const UndoStep& s : steps) {
    out += static_cast<char>(s.kind);
    for (const std::string& field : {Escape(s.path), Escape(s.backup), std::to_string(s.root), Escape(s.name),
                                     std::to_string(s.type), HexBytes(s.data)}) {
      out += '\t';
      out += field;
    }
    out += '\n';
  }
  return out;
}

std::vector<UndoStep> DecodeUndo(std::string_view text) {
  std::vector<UndoStep> steps;
  for (size_t at = 0; at < text.size();) {
    size_t end = text.find('\n', at);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(at, end - at);
    at = end + 1;
    std::vector<std::string_view> fields;
    for (size_t f = 0; f <= line.size();) {
      size_t tab = line.find('\t', f);
      if (tab == std::string_view::npos) tab = line.size();
      fields.push_back(line.substr(f, tab - f));
      f = tab + 1;
    }
    if (fields.size() != 7 || fields[0].size() != 1 || std::string_view("DFBSKVP").find(fields[0][0]) == std::string_view::npos)
      continue;
    UndoStep s;
    s.kind = static_cast<UndoStep::Kind>(fields[0][0]);
    s.path = Unescape(fields[1]);
    s.backup = Unescape(fields[2]);
    s.root = static_cast<uint16_t>(strtoul(std::string(fields[3]).c_str(), nullptr, 10));
    s.name = Unescape(fields[4]);
    s.type = static_cast<DWORD>(strtoul(std::string(fields[5]).c_str(), nullptr, 10));
    s.data = FromHex(fields[6]);
    steps.push_back(std::move(s));
  }
  return steps;
}

}  // namespace cabhost
