// qzrlint: checks menu.ini, package files and cabinet .inf files before they reach a device.
//
//   qzrlint [--root FOLDER] [--launcher-folder PATH] [--menu | --package] FILE-OR-FOLDER...
//   qzrlint --model MENU.INI
//
// FILE.inf is checked as a CabWiz .inf, with qzrcab's reader.
//
// Prints "file:line:column: severity: sentence" for every finding; exits 0 when clean (notes at
// most), 1 with warnings, 2 with errors, 3 on a usage or read error.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "Lint.h"
#include "core/MenuRules.h"
#include "ModelText.h"

namespace {

namespace fs = std::filesystem;
using qzr::lint::Finding;

constexpr int kUsageError = 3;

void Print(const std::string& text, FILE* to = stdout) { fwrite(text.data(), 1, text.size(), to); }

std::optional<std::string> ReadHostFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  return std::string(std::istreambuf_iterator<char>(in), {});
}

enum class FileKind { Menu, Package, Zip, Inf };

FileKind KindOf(const fs::path& path, std::optional<FileKind> forced) {
  std::wstring extension = path.extension().wstring();
  if (qzr::EqualsNoCase(extension, L".zip")) return FileKind::Zip;
  if (qzr::EqualsNoCase(extension, L".inf")) return FileKind::Inf;
  if (forced) return *forced;
  std::wstring name = path.filename().wstring();
  if (qzr::EqualsNoCase(name, L"qzrCeInstall.ini") || qzr::EqualsNoCase(name, L"qzrCEUnInstall.cmd"))
    return FileKind::Package;
  return FileKind::Menu;
}

int Run(const std::vector<std::wstring>& args) {
  qzr::lint::MenuOptions options;
  std::optional<qzr::lint::DeviceImage> image;
  std::optional<FileKind> forced;
  bool model = false;
  std::vector<fs::path> inputs;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::wstring& a = args[i];
    if ((a == L"--root" || a == L"--launcher-folder") && i + 1 < args.size()) {
      if (a == L"--root") image = qzr::lint::HostDeviceImage(args[++i]);
      else options.launcherFolder = args[++i];
    } else if (a == L"--menu") {
      forced = FileKind::Menu;
    } else if (a == L"--package") {
      forced = FileKind::Package;
    } else if (a == L"--model") {
      model = true;
    } else if (!a.empty() && a[0] == L'-') {
      Print("usage: qzrlint [--root FOLDER] [--launcher-folder PATH] [--menu | --package] FILE-OR-FOLDER...\n"
            "       qzrlint --model MENU.INI\n",
            stderr);
      return kUsageError;
    } else {
      inputs.emplace_back(a);
    }
  }
  if (inputs.empty()) return Run({L"--help"});
  if (!options.launcherFolder.empty() && options.launcherFolder.back() != L'\\') options.launcherFolder += L'\\';
  if (image) options.image = &*image;

  if (model) {
    auto bytes = ReadHostFile(inputs.front());
    if (!bytes) {
      Print("qzrlint: cannot read " + qzr::tools::Utf8(inputs.front().wstring()) + "\n", stderr);
      return kUsageError;
    }
    Print(qzr::lint::MenuModelText(*bytes, options));
    return 0;
  }

  // A folder is a package: its INI file and its archives.
  std::vector<std::pair<fs::path, FileKind>> files;
  for (const fs::path& input : inputs) {
    std::error_code error;
    if (!fs::is_directory(input, error)) {
      files.push_back({input, KindOf(input, forced)});
      continue;
    }
    std::vector<fs::path> found;
    for (const auto& entry : fs::directory_iterator(input, error)) found.push_back(entry.path());
    std::sort(found.begin(), found.end());
    for (const fs::path& path : found) {
      std::wstring name = path.filename().wstring();
      if (qzr::EqualsNoCase(name, L"qzrCeInstall.ini")) files.push_back({path, FileKind::Package});
      else if (qzr::EqualsNoCase(path.extension().wstring(), L".zip")) files.push_back({path, FileKind::Zip});
    }
  }

  std::vector<Finding> all;
  for (const auto& [path, kind] : files) {
    auto bytes = ReadHostFile(path);
    std::wstring name = path.wstring();
    if (!bytes) {
      Print("qzrlint: cannot read " + qzr::tools::Utf8(name) + "\n", stderr);
      return kUsageError;
    }
    std::vector<Finding> found = kind == FileKind::Menu      ? qzr::lint::LintMenu(name, *bytes, options)
                                 : kind == FileKind::Package ? qzr::lint::LintPackageIni(name, *bytes)
                                 : kind == FileKind::Inf     ? qzr::lint::LintCabInf(name, *bytes)
                                                             : qzr::lint::LintPackageZip(name, *bytes);
    std::stable_sort(found.begin(), found.end(), [](const Finding& a, const Finding& b) {
      return a.line != b.line ? a.line < b.line : a.column < b.column;
    });
    for (const Finding& f : found) Print(qzr::tools::Utf8(qzr::lint::FormatFinding(f)) + "\n");
    all.insert(all.end(), found.begin(), found.end());
  }
  return qzr::lint::ExitCodeFor(all);
}

}  // namespace

#ifdef _WIN32
int wmain(int argc, wchar_t** argv) { return Run(std::vector<std::wstring>(argv + 1, argv + argc)); }
#else
#include <clocale>
int main(int argc, char** argv) {
  setlocale(LC_ALL, "");
  std::vector<std::wstring> args;
  for (int i = 1; i < argc; ++i) args.push_back(fs::path(argv[i]).wstring());
  return Run(args);
}
#endif
