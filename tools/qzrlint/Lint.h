// qzrlint's checks of menu.ini and package files, over the launcher's and the setup library's own
// readers and rules, so that a file the linter passes reads the same on the device.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace qzr::lint {

enum class Severity { Note, Warning, Error };

// Line and column count from 1; column counts characters as the reader decodes them. For a
// zip archive, the line is the entry's number.
struct Finding {
  std::wstring file;
  int line = 1;
  int column = 1;
  Severity severity = Severity::Warning;
  std::wstring text;
};

// "file:line:column: severity: sentence"
std::wstring FormatFinding(const Finding& finding);
// 0 clean (notes at most), 1 warnings, 2 errors.
int ExitCodeFor(const std::vector<Finding>& findings);
// The known name closest to `name` (case ignored), or empty when none is close enough to suggest.
std::wstring NearestName(std::wstring_view name, const std::vector<std::wstring>& known);

// A device image on the host: a folder whose contents stand for the device's root "\".
struct DeviceImage {
  // The root's directory names (for the storage-card folder).
  std::vector<std::wstring> rootDirectories;
  // Whether a device path ("\windows\x.exe", any case) names a file or folder of the image.
  std::function<bool(const std::wstring& devicePath)> exists;
};
DeviceImage HostDeviceImage(const std::wstring& hostFolder);

struct MenuOptions {
  // Where the launcher is installed: "LAUNCHER" application keys and the whitelist name it.
  std::wstring launcherFolder = L"\\flash file store\\launcher\\";
  const DeviceImage* image = nullptr;  // paths are checked only with an image
};

// menu.ini: the file's bytes as they would sit on the device.
std::vector<Finding> LintMenu(const std::wstring& fileName, const std::string& bytes, const MenuOptions& options);
// qzrCeInstall.ini (or an uninstall command file).
std::vector<Finding> LintPackageIni(const std::wstring& fileName, const std::string& bytes);
// A CabWiz .inf, read as qzrcab reads it.
std::vector<Finding> LintCabInf(const std::wstring& fileName, const std::string& bytes);
// A package's zip archive: where each entry would land.
std::vector<Finding> LintPackageZip(const std::wstring& fileName, const std::string& bytes);

// The configuration model the launcher loads from these bytes, printed as qzrconfig prints it.
std::string MenuModelText(const std::string& bytes, const MenuOptions& options);

// A scratch file holding `bytes`, written through the same file calls the readers use; the
// platform part names its folder. Deleted with the object.
std::wstring ScratchFolder();
class ScratchFile {
 public:
  explicit ScratchFile(const std::string& bytes);
  ~ScratchFile();
  ScratchFile(const ScratchFile&) = delete;
  ScratchFile& operator=(const ScratchFile&) = delete;
  const std::wstring& path() const { return path_; }

 private:
  std::wstring path_;
};

}  // namespace qzr::lint
