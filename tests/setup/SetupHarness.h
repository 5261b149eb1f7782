// Setup library harness: packages made on the fly, the real DLL in-process or through the cabinet host, log readers.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "RegistrySupport.h"
#include "TestSupport.h"
#include "zip.h"

namespace setup_test {

struct ZipItem {
  std::string name;  // as stored, "/" separated; a name ending in "/" is a folder
  std::string content;
  int method = Z_DEFLATED;  // 0 = stored
  uint32_t attributes = 0;  // 0: a folder's or an archived file's
  tm_zip time{8, 6, 5, 4, 2, 2021};  // 2021-03-04 05:06:08
  unsigned flag = 0;
  const char* password = nullptr;
};
bool WriteZip(const std::wstring& path, const std::vector<ZipItem>& items);

// Lines of a UTF-16LE file without their CR LF; nullopt when the file is missing.
std::optional<std::vector<std::wstring>> ReadWideLines(const std::wstring& path);
bool Contains(const std::vector<std::wstring>& lines, const std::wstring& line);
bool ContainsPrefix(const std::vector<std::wstring>& lines, const std::wstring& prefix);

// A scratch package: an installation directory on drive C that the test fills as the cabinet
// installer would, a unique registry key under HKEY_CURRENT_USER, and the library's files.
class Package {
 public:
  Package();
  ~Package();

  // C:\qzrtest\...\ (ends with a backslash) and its device form \qzrtest\...\ .
  const std::wstring& folder() const { return scratch_.path(); }
  std::wstring devicePath(const std::wstring& name) const;  // \qzrtest\...\name
  std::wstring rootRelative(const std::wstring& name) const;  // qzrtest\...\name
  std::wstring installDir() const { return devicePath(L"inst"); }
  std::wstring installFile(const std::wstring& name) const { return scratch_ / (L"inst\\" + name); }
  // Unique registry key path below HKEY_CURRENT_USER, removed afterwards.
  const std::wstring& regKey() const { return regKey_; }

  void WriteIni(const std::string& text) const;
  void AddFile(const std::wstring& name, const std::string& bytes) const;  // into the install dir
  void AddProgram(const std::wstring& binName, const std::wstring& asName) const;  // from build/bin
  // The package as the cabinet brings it, in "src" beside the install directory: the INI file and
  // these programs from build/bin.
  std::wstring Source(const std::string& ini, const std::vector<std::wstring>& programs = {}) const;

  // In-process: loads the real DLL and calls the entry points as the installer does.
  int Install() const;
  int Uninstall() const;

  std::vector<std::wstring> Log() const;      // messages without their time stamps
  std::vector<std::wstring> Records() const;  // uninstall data lines
  std::optional<std::string> CommandFile() const;

 private:
  testing_support::ScratchFolder scratch_;
  std::wstring regKey_;
};

// Runs qzrcabhost.exe (optionally as AutoCab) from `folder` and returns its exit code, or -1;
// `output` receives what it printed.
int RunHost(const std::wstring& arguments, bool asAutoCab = false, std::string* output = nullptr,
            const std::wstring& folder = L"C:\\");

std::optional<DWORD> ReadRegDword(HKEY root, const std::wstring& key, const wchar_t* name);
bool FileExists(const std::wstring& path);

}  // namespace setup_test
