// Cabinet test helpers.
#include "CabTestSupport.h"

#include <cstdio>

#include "CabContainer.h"

using namespace testing_support;

namespace cab_test {
namespace {

std::string Hex(uint32_t v) {
  char b[16];
  snprintf(b, sizeof b, "0x%08X", v);
  return b;
}

std::string Bytes(std::string_view data) {
  std::string out;
  char b[4];
  for (unsigned char c : data) {
    snprintf(b, sizeof b, "%02x", c);
    out += b;
  }
  return out;
}

std::string Join(const std::vector<std::string>& parts) {
  std::string out;
  for (const std::string& p : parts) out += (out.empty() ? "" : "\\") + p;
  return out;
}

// A device folder as text: "%CEn%\..." as it stands, anything else from the root.
std::string FolderText(const std::vector<std::string>& parts) {
  if (!parts.empty() && qzrcab::DirMacroNumber(parts[0])) return Join(parts);
  return "\\" + Join(parts);
}

std::string Device(const std::wstring& text) { return qzrcab::ToDeviceText(text).value_or("<unwritable>"); }

const char* RootName(uint16_t root) {
  static const char* const kRoots[] = {"?", "HKCR", "HKCU", "HKLM", "HKU"};
  return root <= 4 ? kRoots[root] : "?";
}

std::string RegLine(uint16_t root, const std::string& key, const std::string& name, uint32_t flags, const std::string& value) {
  return "reg " + std::string(RootName(root)) + "\\" + key + " [" + name + "] " + Hex(flags) + " " + value;
}

}  // namespace

void CabProject::Write(const std::wstring& name, const std::string& bytes) const {
  for (size_t at = name.find(L'\\'); at != std::wstring::npos; at = name.find(L'\\', at + 1))
    CreateDirectoryW((scratch_ / name.substr(0, at)).c_str(), nullptr);
  WriteBytes(scratch_ / name, bytes);
}

std::wstring CabProject::Inf(const std::string& text, const std::wstring& name) const {
  Write(name, text);
  return scratch_ / name;
}

int RunQzrcab(const std::wstring& arguments, std::string* output, const std::wstring& folder) {
  ProcessResult r = RunProcess(L"\"" + BinFolder() + L"qzrcab.exe\" " + arguments, 120000, folder.c_str(), output);
  return r.finished ? static_cast<int>(r.exitCode) : -1;
}

std::string UnixPath(const std::wstring& path) {
  using ToUnix = char*(CDECL*)(const wchar_t*);
  static auto toUnix = reinterpret_cast<ToUnix>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
  if (!toUnix) return {};
  char* unix = toUnix(path.c_str());
  if (!unix) return {};
  std::string out(unix);
  HeapFree(GetProcessHeap(), 0, unix);
  return out;
}

// A Linux command run through /bin/sh; its exit code, or -1. Wine starts Linux programs but
// hands back no process handle to wait on, so the shell leaves the exit code in a file.
int RunLinux(const std::string& command, std::string* output) {
  ScratchFolder scratch(L"sh");
  const std::string out = UnixPath(scratch / L"out.txt"), done = UnixPath(scratch / L"rc.txt");
  const std::string script = command + " >'" + out + "' 2>&1; echo $? >'" + done + ".part'; mv '" + done + ".part' '" + done + "'";
  ProcessResult started = RunProcess(L"/bin/sh -c \"" + Widen(script) + L"\"", 1000);
  if (!started.started) return -1;
  for (int waited = 0; waited < 60000; waited += 50) {
    if (auto rc = ReadBytes(scratch / L"rc.txt")) {
      *output = ReadBytes(scratch / L"out.txt").value_or("");
      return atoi(rc->c_str());
    }
    Sleep(50);
  }
  return -1;
}

CabextractRun Cabextract(const std::wstring& cabinet) {
  CabextractRun run;
  const std::string unix = UnixPath(cabinet);
  run.testExit = RunLinux("/usr/bin/cabextract -t '" + unix + "'", &run.testOutput);
  run.listExit = RunLinux("/usr/bin/cabextract -l '" + unix + "'", &run.listOutput);
  size_t pos = 0;
  bool table = false;
  while (pos < run.listOutput.size()) {
    size_t end = run.listOutput.find('\n', pos);
    if (end == std::string::npos) end = run.listOutput.size();
    std::string line = run.listOutput.substr(pos, end - pos);
    pos = end + 1;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.rfind("-----------+", 0) == 0) {
      table = true;
      continue;
    }
    size_t bar = line.rfind(" | ");
    if (table && bar != std::string::npos) run.members.push_back(line.substr(bar + 3));
    else if (table && line.empty()) table = false;
  }
  return run;
}

std::vector<std::string> Describe(const qzrcab::CeSetup& s) {
  using namespace qzrcab;
  std::vector<std::string> lines;
  lines.push_back("app " + s.appName + " by " + s.provider + " cpu " + std::to_string(s.architecture));
  lines.push_back("versions " + std::to_string(s.minMajor) + "." + std::to_string(s.minMinor) + "-" +
                  std::to_string(s.maxMajor) + "." + std::to_string(s.maxMinor) + " builds " + Hex(s.minBuild) + "-" +
                  Hex(s.maxBuild));
  for (const std::string& u : s.unsupported) lines.push_back("unsupported " + u);
  auto dirText = [&](uint16_t id) {
    const CeDir* d = FindDir(s, id);
    auto parts = d ? PartTexts(s, d->parts) : std::nullopt;
    return parts ? FolderText(*parts) : std::string("<no dir ") + std::to_string(id) + ">";
  };
  lines.push_back("installdir " + (s.dirs.empty() ? std::string("<none>") : dirText(s.dirs[0].id)));
  for (const CeFile& f : s.files) lines.push_back("file " + dirText(f.dirId) + "\\" + f.name + " " + Hex(f.flags));
  for (const CeRegValue& v : s.values) {
    const CeRegHive* h = FindHive(s, v.hiveId);
    auto key = h ? PartTexts(s, h->parts) : std::nullopt;
    size_t nul = v.data.find('\0');
    std::string name = v.data.substr(0, nul);
    std::string value = nul == std::string::npos ? "" : v.data.substr(nul + 1);
    const uint32_t type = v.flags & kRegTypeMask;
    std::string text;
    if (type == kRegSz) text = value.substr(0, value.find('\0'));
    else if (type == kRegMultiSz) {
      for (size_t at = 0; at < value.size();) {
        size_t end = value.find('\0', at);
        if (end == std::string::npos || end == at) break;
        text += "[" + value.substr(at, end - at) + "]";
        at = end + 1;
      }
    } else if (type == kRegDword && value.size() == 4) {
      uint32_t n = 0;
      for (int i = 3; i >= 0; --i) n = n << 8 | static_cast<uint8_t>(value[i]);
      text = std::to_string(n);
    } else {
      text = Bytes(value);
    }
    lines.push_back(RegLine(h ? h->root : 0, key ? Join(*key) : "<no key>", name, v.flags, text) +
                    (v.subst ? " subst" : ""));
  }
  for (const CeLink& l : s.links) {
    auto parts = PartTexts(s, l.parts);
    std::string base = l.baseDir == 0 ? "%InstallDir%" : "%CE" + std::to_string(l.baseDir) + "%";
    const CeFile* target = l.type == 1 ? FindFile(s, l.targetId) : nullptr;
    lines.push_back("link " + base + "\\" + (parts ? Join(*parts) : "<none>") + " -> " +
                    (l.type == 1 ? "file " + (target ? target->name : "<none>") : "folder " + dirText(l.targetId)));
  }
  return lines;
}

std::vector<std::string> Describe(const qzrcab::InfProject& p) {
  using namespace qzrcab;
  std::vector<std::string> lines;
  lines.push_back("app " + Device(p.appName) + " by " + Device(p.provider) + " cpu " + std::to_string(p.processorType));
  lines.push_back("versions " + std::to_string(p.minMajor) + "." + std::to_string(p.minMinor) + "-" +
                  std::to_string(p.maxMajor) + "." + std::to_string(p.maxMinor) + " builds " + Hex(p.minBuild) + "-" +
                  Hex(p.maxBuild));
  for (const std::wstring& u : p.unsupported) lines.push_back("unsupported " + Device(u));
  auto folder = [](const std::wstring& path) { return FolderText(SplitPath(Device(path))); };
  lines.push_back("installdir " + folder(p.installDir));
  for (const InfFile& f : p.files) lines.push_back("file " + folder(f.targetDir) + "\\" + Device(f.targetName) + " " + Hex(f.flags));
  for (const InfRegValue& v : p.registry) {
    const uint32_t type = v.flags & kRegTypeMask;
    std::string text;
    bool subst = false;
    auto macro = [](const std::wstring& s) {
      return s.find(L"%InstallDir%") != std::wstring::npos || s.find(L"%CE") != std::wstring::npos;
    };
    if (type == kRegSz) text = Device(v.strings.at(0)), subst = macro(v.strings[0]);
    else if (type == kRegMultiSz)
      for (const std::wstring& s : v.strings) text += "[" + Device(s) + "]", subst = subst || macro(s);
    else if (type == kRegDword) text = std::to_string(v.dword);
    else text = Bytes(v.binary);
    lines.push_back(RegLine(v.root, Join(SplitPath(Device(v.key))), Device(v.name), v.flags, text) + (subst ? " subst" : ""));
  }
  for (const InfShortcut& sc : p.shortcuts) {
    std::vector<std::string> parts = SplitPath(Device(sc.folderPath));
    std::string base = parts.empty() ? "" : parts[0];
    parts.erase(parts.begin());
    parts.push_back(Device(sc.name) + ".lnk");
    lines.push_back("link " + base + "\\" + Join(parts) + " -> " +
                    (sc.folder ? "folder " + folder(sc.target) : "file " + Device(sc.target)));
  }
  return lines;
}

std::vector<std::pair<std::string, std::string>> Members(const std::wstring& cabinet, std::wstring* error) {
  ScratchFolder out(L"fdi");
  std::vector<qzrcab::ExtractedMember> members;
  std::vector<std::pair<std::string, std::string>> result;
  if (!qzrcab::ExtractCabinet(cabinet, out.path(), &members, error)) return result;
  for (const qzrcab::ExtractedMember& m : members) result.push_back({m.name, ReadBytes(m.file).value_or("<unread>")});
  return result;
}

}  // namespace cab_test
