// qzrcab: builds a Windows CE installer cabinet from a CabWiz .inf, or from a package folder.
//
//   qzrcab [--cpu ARCH] [--compress none|mszip] [-o OUT.cab] FILE.inf
//   qzrcab --package DIR [--app NAME] [--provider NAME] [--install-dir DIR] [--setup-dll DLL]
//          [--compress none|mszip] -o OUT.cab
//
// Prints "file.inf:line:column: error: ..." for each finding. Exit codes: 0 the cabinet was
// written, 1 the input has errors (nothing written), 2 usage, 3 the cabinet could not be written.
#include <windows.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "CabContainer.h"
#include "CabLayout.h"
#include "InfReader.h"
#include "Text.h"
#include "Win32Owners.h"

namespace {

constexpr int kWritten = 0, kInputErrors = 1, kUsage = 2, kWriteFailed = 3;

void Print(const std::wstring& text, DWORD stream = STD_OUTPUT_HANDLE) {
  int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
  std::string utf8(n > 0 ? n : 0, '\0');
  if (n > 0) WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), utf8.data(), n, nullptr, nullptr);
  DWORD written = 0;
  WriteFile(GetStdHandle(stream), utf8.data(), static_cast<DWORD>(utf8.size()), &written, nullptr);
}

std::optional<std::string> ReadHostFile(const std::wstring& path) {
  qzr::FileHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
  if (!file) return std::nullopt;
  LARGE_INTEGER size{};
  // An .inf is text: a file this large is not one.
  if (!GetFileSizeEx(file.get(), &size) || size.QuadPart > 64 * 1024 * 1024) return std::nullopt;
  std::string bytes(static_cast<size_t>(size.QuadPart), '\0');
  DWORD got = 0;
  if (!bytes.empty() && (!ReadFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr) || got != bytes.size()))
    return std::nullopt;
  return bytes;
}

bool IsFile(const std::wstring& path) {
  DWORD a = GetFileAttributesW(path.c_str());
  return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

std::wstring FullPath(const std::wstring& path) {
  wchar_t full[MAX_PATH * 2] = {};
  DWORD n = GetFullPathNameW(path.c_str(), MAX_PATH * 2, full, nullptr);
  return n > 0 && n < MAX_PATH * 2 ? std::wstring(full, n) : path;
}

std::wstring FolderOf(const std::wstring& path) {
  size_t cut = path.find_last_of(L"\\/");
  return cut == std::wstring::npos ? L"" : path.substr(0, cut + 1);
}

std::wstring NameOf(const std::wstring& path) {
  std::wstring p = path;
  while (!p.empty() && (p.back() == L'\\' || p.back() == L'/')) p.pop_back();
  size_t cut = p.find_last_of(L"\\/");
  return cut == std::wstring::npos ? p : p.substr(cut + 1);
}

// A field for a generated .inf: quoted, with its quotes doubled and percent signs kept literal.
std::wstring Quoted(const std::wstring& text) {
  std::wstring out = L"\"";
  for (wchar_t c : text) {
    if (c == L'"') out += L"\"\"";
    else if (c == L'%') out += L"%%";
    else out += c;
  }
  return out + L"\"";
}

struct Options {
  std::wstring cpu, output, input, package, app, provider, installDir, setupDll;
  qzrcab::Compression compression = qzrcab::Compression::None;
};

// Files of a package folder (subfolders too), relative to it.
void ListPackage(const std::wstring& root, const std::wstring& relative, std::vector<std::wstring>* files,
                 std::vector<std::wstring>* folders) {
  WIN32_FIND_DATAW data;
  qzr::FindHandle find(FindFirstFileW((root + relative + L"*").c_str(), &data));
  if (!find) return;
  std::vector<std::wstring> names;
  do {
    std::wstring name = data.cFileName;
    if (name == L"." || name == L"..") continue;
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      folders->push_back(relative + name);
      ListPackage(root, relative + name + L"\\", files, folders);
    } else {
      names.push_back(relative + name);
    }
  } while (FindNextFileW(find.get(), &data));
  std::sort(names.begin(), names.end());
  files->insert(files->end(), names.begin(), names.end());
}

// A package folder as the .inf CabWiz would be given for it: every file into the install folder
// (subfolders kept), qzrCEInstall.dll as the setup DLL.
std::wstring PackageInf(const Options& o, const std::wstring& root, const std::wstring& dll) {
  std::vector<std::wstring> files, folders;
  ListPackage(root, L"", &files, &folders);
  const std::wstring app = o.app.empty() ? NameOf(root) : o.app;
  std::wstring inf = L"[Version]\nSignature=\"$Windows NT$\"\nCESignature=\"$Windows CE$\"\nProvider=" +
                     Quoted(o.provider.empty() ? L"Korvanex" : o.provider) + L"\n[CEStrings]\nAppName=" + Quoted(app) +
                     L"\nInstallDir=" + (o.installDir.empty() ? L"%CE1%\\" + Quoted(app) : Quoted(o.installDir)) +
                     L"\n[SourceDisksNames]\n1=,\"Package\",," + Quoted(root) + L"\n2=,\"Setup\",," + Quoted(FolderOf(dll)) +
                     L"\n[SourceDisksFiles]\n";
  for (const std::wstring& f : files)
    if (_wcsicmp(f.c_str(), L"qzrCEInstall.dll") != 0) {
      std::wstring folder = FolderOf(f);
      inf += Quoted(NameOf(f)) + L"=1" + (folder.empty() ? L"" : L"," + Quoted(folder.substr(0, folder.size() - 1))) + L"\n";
    }
  inf += Quoted(NameOf(dll)) + L"=2\n[DefaultInstall]\nCESetupDLL=" + Quoted(NameOf(dll)) + L"\nCopyFiles=Files";
  for (size_t i = 0; i < folders.size(); ++i) inf += L",Files" + std::to_wstring(i + 1);
  inf += L"\n[DestinationDirs]\nFiles=0,%InstallDir%\n";
  for (size_t i = 0; i < folders.size(); ++i)
    inf += L"Files" + std::to_wstring(i + 1) + L"=0,%InstallDir%\\" + Quoted(folders[i]) + L"\n";
  auto section = [&](const std::wstring& folder) {
    std::wstring text;
    for (const std::wstring& f : files)
      if (_wcsicmp(FolderOf(f).c_str(), folder.c_str()) == 0 && _wcsicmp(f.c_str(), L"qzrCEInstall.dll") != 0)
        text += Quoted(NameOf(f)) + L"\n";
    return text;
  };
  inf += L"[Files]\n" + section(L"");
  for (size_t i = 0; i < folders.size(); ++i) inf += L"[Files" + std::to_wstring(i + 1) + L"]\n" + section(folders[i] + L"\\");
  return inf;
}

std::string Utf8(const std::wstring& text) {
  int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
  std::string out(n > 0 ? n : 0, '\0');
  if (n > 0) WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n, nullptr, nullptr);
  return out;
}

int Usage() {
  Print(L"usage: qzrcab [--cpu ARCH] [--compress none|mszip] [-o OUT.cab] FILE.inf\n"
        L"       qzrcab --package DIR [--app NAME] [--provider NAME] [--install-dir DIR] [--setup-dll DLL]\n"
        L"              [--compress none|mszip] -o OUT.cab\n",
        STD_ERROR_HANDLE);
  return kUsage;
}

int Run(const std::vector<std::wstring>& args) {
  Options o;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::wstring& a = args[i];
    auto value = [&](std::wstring* to) {
      if (i + 1 >= args.size()) return false;
      *to = args[++i];
      return true;
    };
    bool ok = true;
    if (a == L"--cpu" || _wcsicmp(a.c_str(), L"/cpu") == 0) ok = value(&o.cpu);
    else if (a == L"-o") ok = value(&o.output);
    else if (a == L"--package") ok = value(&o.package);
    else if (a == L"--app") ok = value(&o.app);
    else if (a == L"--provider") ok = value(&o.provider);
    else if (a == L"--install-dir") ok = value(&o.installDir);
    else if (a == L"--setup-dll") ok = value(&o.setupDll);
    else if (a == L"--compress") {
      std::wstring kind;
      ok = value(&kind) && (kind == L"none" || kind == L"mszip");
      o.compression = kind == L"mszip" ? qzrcab::Compression::MsZip : qzrcab::Compression::None;
    } else if (!a.empty() && a[0] == L'-') ok = false;
    else if (o.input.empty()) o.input = a;
    else ok = false;
    if (!ok) return Usage();
  }
  if (o.package.empty() == o.input.empty()) return Usage();

  std::wstring infName, base;
  std::string bytes;
  if (!o.package.empty()) {
    if (o.output.empty()) return Usage();
    std::wstring root = FullPath(o.package);
    if (root.back() != L'\\') root += L'\\';
    if (GetFileAttributesW(root.c_str()) == INVALID_FILE_ATTRIBUTES) {
      Print(L"qzrcab: " + o.package + L" is no folder\n", STD_ERROR_HANDLE);
      return kUsage;
    }
    std::wstring dll = !o.setupDll.empty()      ? FullPath(o.setupDll)
                       : IsFile(root + L"qzrCEInstall.dll") ? root + L"qzrCEInstall.dll"
                                                             : qzr::ModuleFolder(nullptr, MAX_PATH) + L"qzrCEInstall.dll";
    bytes = Utf8(PackageInf(o, root, dll));
    infName = o.package + L" (package)";
  } else {
    auto read = ReadHostFile(o.input);
    if (!read) {
      Print(L"qzrcab: cannot read " + o.input + L"\n", STD_ERROR_HANDLE);
      return kUsage;
    }
    bytes = std::move(*read);
    infName = o.input;
    base = FolderOf(FullPath(o.input));
    if (o.output.empty()) {
      std::wstring stem = o.input.substr(0, o.input.find_last_of(L'.') == std::wstring::npos ||
                                                    o.input.find_last_of(L'.') < o.input.find_last_of(L"\\/") + 1
                                                ? o.input.size()
                                                : o.input.find_last_of(L'.'));
      o.output = stem + (o.cpu.empty() ? L"" : L"." + o.cpu) + L".cab";
    }
  }

  qzrcab::InfRead read = qzrcab::ReadInf(bytes, o.cpu);
  std::vector<qzrcab::InfFinding> findings = read.findings;
  qzrcab::Layout layout;
  if (!read.HasErrors()) {
    layout = qzrcab::LayOut(read.project, base, IsFile);
    findings.insert(findings.end(), layout.findings.begin(), layout.findings.end());
  }
  bool errors = false;
  for (const qzrcab::InfFinding& f : findings) {
    errors = errors || f.error;
    Print(infName + L":" + std::to_wstring(f.at.line) + L":" + std::to_wstring(f.at.column) +
          (f.error ? L": error: " : L": warning: ") + f.text + L"\n");
  }
  if (errors) {
    Print(L"qzrcab: no cabinet written\n", STD_ERROR_HANDLE);
    return kInputErrors;
  }
  std::wstring error;
  if (!qzrcab::WriteCabinet(FullPath(o.output), layout.plan.members, o.compression, &error)) {
    Print(L"qzrcab: " + error + L"\n", STD_ERROR_HANDLE);
    return kWriteFailed;
  }
  const qzrcab::CeSetup& s = layout.plan.setup;
  Print(L"wrote " + o.output + L": " + std::to_wstring(s.files.size()) + L" files, " + std::to_wstring(s.values.size()) +
        L" registry values, " + std::to_wstring(s.links.size()) + L" shortcuts" +
        (read.project.setupDll ? L", setup DLL " + read.project.setupDll->targetName : L"") + L"\n");
  return kWritten;
}

}  // namespace

int wmain(int argc, wchar_t** argv) { return Run(std::vector<std::wstring>(argv + 1, argv + argc)); }
