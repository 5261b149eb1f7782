// Cabinets in tests: .inf projects in scratch folders, qzrcab run as the build runs it, Debian's
// cabextract reading the result back, and sections described alike from the .inf and the 000.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "CeSetupFile.h"
#include "InfReader.h"
#include "TestSupport.h"

namespace cab_test {

// A scratch folder on drive C for an .inf and its source files.
class CabProject {
 public:
  CabProject() : scratch_(L"cab") {}
  const std::wstring& folder() const { return scratch_.path(); }
  std::wstring operator/(const std::wstring& name) const { return scratch_ / name; }
  // A file of the project (its folders made as needed).
  void Write(const std::wstring& name, const std::string& bytes) const;
  std::wstring Inf(const std::string& text, const std::wstring& name = L"app.inf") const;

 private:
  testing_support::ScratchFolder scratch_;
};

// qzrcab.exe with `arguments`, started in `folder`; its exit code (-1 when it did not end).
int RunQzrcab(const std::wstring& arguments, std::string* output, const std::wstring& folder = L"C:\\");

// The Unix path of a Windows path (Wine's own mapping), for the Linux tools.
std::string UnixPath(const std::wstring& path);

struct CabextractRun {
  int testExit = -1, listExit = -1;
  std::string testOutput, listOutput;
  std::vector<std::string> members;  // the names "cabextract -l" lists, in order
};
// Debian's cabextract on the cabinet: "-t" (every member's checksums) and "-l".
CabextractRun Cabextract(const std::wstring& cabinet);

// One line per fact: the header, the install folder, each file with its folder and flags, each
// registry value with its root, key, type and data, each shortcut with its place and target.
std::vector<std::string> Describe(const qzrcab::CeSetup& setup);
std::vector<std::string> Describe(const qzrcab::InfProject& project);

// The cabinet's members extracted with FDI: name and bytes, in the cabinet's order.
std::vector<std::pair<std::string, std::string>> Members(const std::wstring& cabinet, std::wstring* error);

}  // namespace cab_test
