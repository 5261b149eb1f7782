// The control file and the member list for an .inf's installation. The first directory is always
// the install folder: the control file has no field for it, and the host reads it from there.
#include "CabLayout.h"

#include <cstdio>

namespace qzrcab {
namespace {

bool IsAbsolute(const std::wstring& path) {
  return (!path.empty() && (path[0] == L'\\' || path[0] == L'/')) || (path.size() >= 2 && path[1] == L':');
}

std::string Device(const std::wstring& text) { return ToDeviceText(text).value_or(std::string()); }

bool HasDeviceMacro(const std::wstring& text) {
  if (text.find(L"%InstallDir%") != std::wstring::npos) return true;
  for (size_t at = text.find(L"%CE"); at != std::wstring::npos; at = text.find(L"%CE", at + 1)) {
    size_t close = text.find(L'%', at + 1);
    if (close != std::wstring::npos && DirMacroNumber(Device(text.substr(at, close - at + 1)))) return true;
  }
  return false;
}

}  // namespace

std::string MemberName(std::wstring_view name, int number) {
  size_t dot = name.find_last_of(L'.');
  std::wstring_view base = dot == std::wstring_view::npos || dot == 0 ? name : name.substr(0, dot);
  std::string stem;
  for (wchar_t c : base)
    if (stem.size() < 8 && ((c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z') || (c >= L'0' && c <= L'9')))
      stem += static_cast<char>(c);
  char extension[8];
  snprintf(extension, sizeof extension, ".%03d", number);
  return std::string(8 - stem.size(), '0') + stem + extension;
}

Layout LayOut(const InfProject& p, const std::wstring& baseFolder, const std::function<bool(const std::wstring&)>& exists) {
  Layout out;
  CeSetupBuilder b;
  CeSetup& s = b.setup();
  s.architecture = p.processorType;
  s.minMajor = p.minMajor;
  s.minMinor = p.minMinor;
  s.maxMajor = p.maxMajor;
  s.maxMinor = p.maxMinor;
  s.minBuild = p.minBuild;
  s.maxBuild = p.maxBuild;
  s.appName = Device(p.appName);
  s.provider = Device(p.provider);
  for (const std::wstring& u : p.unsupported) s.unsupported.push_back(Device(u));

  const std::vector<std::string> installParts = SplitPath(Device(p.installDir));
  b.Dir(installParts);  // directory 1

  auto hostPath = [&](const std::wstring& source) { return IsAbsolute(source) ? source : baseFolder + source; };
  auto present = [&](const InfFile& f) {
    if (exists(hostPath(f.source))) return true;
    out.findings.push_back({f.sourceAt, true, L"the source file \"" + hostPath(f.source) +
                                                  L"\" does not exist: put it there or correct its folder in [SourceDisksNames] and [SourceDisksFiles]"});
    return false;
  };

  std::vector<CabMember> fileMembers;
  for (const InfFile& f : p.files) {
    if (s.files.size() >= static_cast<size_t>(kMaxFileId)) break;  // the reader reported it
    if (!present(f)) continue;
    CeFile file;
    file.fileId = static_cast<uint16_t>(s.files.size() + 1);
    file.unknown = file.fileId;
    file.dirId = b.Dir(SplitPath(Device(f.targetDir)));
    file.flags = f.flags;
    file.name = Device(f.targetName);
    s.files.push_back(file);
    fileMembers.push_back({MemberName(f.targetName, file.fileId), hostPath(f.source), {}});
  }

  for (const InfRegValue& v : p.registry) {
    CeRegValue value;
    value.id = static_cast<uint16_t>(s.values.size() + 1);
    value.hiveId = b.Hive(v.root, SplitPath(Device(v.key)));
    value.flags = v.flags;
    value.data = Device(v.name) + '\0';
    const uint32_t type = v.flags & kRegTypeMask;
    if (type == kRegSz || type == kRegMultiSz) {
      for (const std::wstring& text : v.strings) {
        value.data += Device(text) + '\0';
        if (HasDeviceMacro(text)) value.subst = 1;
      }
      if (type == kRegMultiSz) value.data += '\0';
    } else if (type == kRegDword) {
      for (int i = 0; i < 4; ++i) value.data += static_cast<char>((v.dword >> (8 * i)) & 0xFF);
    } else {
      value.data += v.binary;
    }
    s.values.push_back(std::move(value));
  }

  for (const InfShortcut& sc : p.shortcuts) {
    CeLink link;
    link.id = static_cast<uint16_t>(s.links.size() + 1);
    std::vector<std::string> parts = SplitPath(Device(sc.folderPath));
    if (!parts.empty() && parts[0] == "%InstallDir%") {
      link.baseDir = 0;
    } else {
      link.baseDir = parts.empty() ? 0 : static_cast<uint16_t>(DirMacroNumber(parts[0]));
    }
    if (!parts.empty()) parts.erase(parts.begin());
    parts.push_back(Device(sc.name) + ".lnk");
    link.parts = b.Parts(parts);
    if (sc.folder) {
      link.type = 0;
      link.targetId = b.Dir(SplitPath(Device(sc.target)));
    } else {
      link.type = 1;
      for (const CeFile& f : s.files)
        if (EqualsDeviceName(f.name, Device(sc.target))) {
          link.targetId = f.fileId;
          break;
        }
      if (link.targetId == 0) continue;  // its file was missing, reported above
    }
    s.links.push_back(std::move(link));
  }

  out.plan.members.push_back({MemberName(p.appName, 0), {}, {}});
  if (p.setupDll && present(*p.setupDll))
    out.plan.members.push_back({MemberName(p.setupDll->targetName, 999), hostPath(p.setupDll->source), {}});
  for (auto it = fileMembers.rbegin(); it != fileMembers.rend(); ++it) out.plan.members.push_back(*it);
  out.plan.members[0].bytes = EncodeCeSetup(s);
  out.plan.setup = std::move(s);
  return out;
}

}  // namespace qzrcab
