// qzrcab: every cabinet read back by cabextract and by our reader as the .inf says; refused
// inputs leave no cabinet; the .inf reader's findings at their places.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "CabTestSupport.h"
#include "CabinetCheck.h"
#include "CeSetupFile.h"
#include "InfReader.h"
#include "TestSupport.h"

namespace {

using namespace cab_test;
using testing_support::Narrow;
using testing_support::ReadBytes;

// An .inf that uses every key and flag the packer reads.
const char kFullInf[] =
    "; Sample application, all the keys\r\n"
    "[Version]\r\n"
    "Signature   = \"$Windows NT$\"\r\n"
    "CESignature = \"$Windows CE$\"\r\n"
    "Provider    = %Company%\r\n"
    "\r\n"
    "[CEStrings]\r\n"
    "AppName    = \"Route Planner\"\r\n"
    "InstallDir = %CE1%\\%AppName%\r\n"
    "\r\n"
    "[Strings]\r\n"
    "Company = \"Korvanex \"\"Field\"\" Systems\"   ; quotes doubled inside quotes\r\n"
    "Tools   = Tools\r\n"
    "\r\n"
    "[CEDevice]\r\n"
    "VersionMin = 4.21\r\n"
    "VersionMax = 6.99\r\n"
    "BuildMax   = 0xE0000000\r\n"
    "UnsupportedPlatforms = \"HPC\",\"Jupiter\"\r\n"
    "[CEDevice.ARM]\r\n"
    "ProcessorType = 2577\r\n"
    "\r\n"
    "[DefaultInstall]\r\n"
    "CopyFiles   = Files.App, Files.Windows\r\n"
    "AddReg      = Reg.App\r\n"
    "CEShortcuts = Links\r\n"
    "CESetupDLL  = setup.dll\r\n"
    "CESelfRegister = plugin.dll\r\n"
    "[DefaultInstall.ARM]\r\n"
    "CopyFiles   = Files.App, Files.Windows, Files.ARM\r\n"
    "\r\n"
    "[SourceDisksNames]\r\n"
    "1 = ,\"Common\",,src\r\n"
    "2 = ,\"Setup\",,setup\r\n"
    "[SourceDisksFiles]\r\n"
    "planner.exe = 1\r\n"
    "readme.txt  = 1\r\n"
    "plugin.dll  = 1\r\n"
    "shared.dll  = 1\r\n"
    "maps.dat    = 1,data\r\n"
    "setup.dll   = 2\r\n"
    "[SourceDisksFiles.ARM]\r\n"
    "fast.dll    = 1\r\n"
    "\r\n"
    "[DestinationDirs]\r\n"
    "DefaultDestDir = 0,%InstallDir%\r\n"
    "Files.Windows  = 0,%CE2%\r\n"
    "Files.ARM      = 0,%InstallDir%\\arm\r\n"
    "Links          = 0,%CE11%\r\n"
    "\r\n"
    "[Files.App]\r\n"
    "planner.exe,,,0x40000000\r\n"
    "\"Read Me.txt\",readme.txt,,0x00000010\r\n"
    "plugin.dll,,,0x00000001\r\n"
    "maps.dat,,,0x00000400\r\n"
    "[Files.Windows]\r\n"
    "shared.dll,,,0xA0000000\r\n"
    "[Files.ARM]\r\n"
    "fast.dll,,,0x00000002\r\n"
    "\r\n"
    "[Reg.App]\r\n"
    "HKLM,Software\\Korvanex\\Planner,Path,0x00000000,%InstallDir%\\planner.exe\r\n"
    "HKLM,Software\\Korvanex\\Planner,Level,0x00010001,42\r\n"
    "HKLM,Software\\Korvanex\\Planner,Mask,0x00010003,0x10\r\n"
    "HKCU,Software\\Korvanex\\Planner,Lines,0x00010000,\"a,b\",c\r\n"
    "HKCU,Software\\Korvanex\\Planner,Blob,0x00000001,0a,ff,00\r\n"
    "HKCR,.route,,0x00000002,\"Route file\"\r\n"
    "\r\n"
    "[Links]\r\n"
    "%AppName%,0,planner.exe\r\n"
    "\"Read me\",0,\"Read Me.txt\",%CE11%\\%Tools%\r\n"
    "Planner folder,1,%InstallDir%,%CE17%\r\n";

void WriteFullSources(const CabProject& p) {
  p.Write(L"src\\planner.exe", "MZ planner");
  p.Write(L"src\\readme.txt", "read me");
  p.Write(L"src\\plugin.dll", "MZ plugin");
  p.Write(L"src\\shared.dll", "MZ shared");
  p.Write(L"src\\data\\maps.dat", std::string(100000, 'm') + "end");  // several data blocks
  p.Write(L"src\\fast.dll", "MZ fast");
  p.Write(L"setup\\setup.dll", "MZ setup");
}

void ExpectNoCabinetIn(const std::wstring& folder) {
  WIN32_FIND_DATAW data;
  HANDLE find = FindFirstFileW((folder + L"*.cab*").c_str(), &data);
  if (find != INVALID_HANDLE_VALUE) {
    ADD_FAILURE() << "left behind: " << Narrow(data.cFileName);
    FindClose(find);
  }
}

// The cabinet read back three ways: cabextract tests and lists every member, our container
// check passes it and finds the members in the device's order, and its control file decodes
// to what the .inf says.
void ExpectCabinetMatches(const std::wstring& cab, const std::string& inf, const std::wstring& cpu,
                          const std::vector<std::pair<std::string, std::string>>& expectedFiles, bool withDll) {
  CabextractRun x = Cabextract(cab);
  EXPECT_EQ(x.testExit, 0) << x.testOutput;
  EXPECT_NE(x.testOutput.find("All done, no errors."), std::string::npos) << x.testOutput;
  EXPECT_EQ(x.listExit, 0) << x.listOutput;

  auto bytes = ReadBytes(cab);
  ASSERT_TRUE(bytes);
  std::string error;
  qzrcab::CabListing listing = qzrcab::CheckCabinet(*bytes, &error);
  ASSERT_EQ(error, "");
  std::vector<std::string> names;
  for (const auto& e : listing.entries) names.push_back(e.name);
  EXPECT_EQ(names, x.members);
  // 000 first, then 999, then descending numbers, each number once.
  ASSERT_GE(names.size(), 1u);
  std::vector<int> numbers;
  for (const std::string& n : names) {
    ASSERT_EQ(n.size(), 12u) << n;
    EXPECT_EQ(n[8], '.');
    numbers.push_back(std::stoi(n.substr(9)));
  }
  EXPECT_EQ(numbers[0], 0);
  if (withDll) {
    EXPECT_EQ(numbers.at(1), 999);
  }
  for (size_t i = 1; i + 1 < numbers.size(); ++i) EXPECT_GT(numbers[i], numbers[i + 1]) << names[i];
  EXPECT_EQ(numbers.size() - 1 - (withDll ? 1 : 0), expectedFiles.size());

  std::wstring fdiError;
  auto members = Members(cab, &fdiError);
  ASSERT_EQ(fdiError, L"");
  ASSERT_EQ(members.size(), names.size());
  auto setup = qzrcab::DecodeCeSetup(members[0].second, &error);
  ASSERT_TRUE(setup) << error;
  EXPECT_EQ(qzrcab::CheckCeSetup(*setup), "");
  qzrcab::InfRead read = qzrcab::ReadInf(inf, cpu);
  ASSERT_FALSE(read.HasErrors());
  EXPECT_EQ(Describe(*setup), Describe(read.project));

  // Each file's member holds its source's bytes.
  for (const qzrcab::CeFile& f : setup->files) {
    auto member = std::find_if(members.begin(), members.end(), [&](const auto& m) {
      return std::stoi(m.first.substr(9)) == f.fileId;
    });
    ASSERT_NE(member, members.end()) << f.name;
    auto expected = std::find_if(expectedFiles.begin(), expectedFiles.end(), [&](const auto& e) { return e.first == f.name; });
    ASSERT_NE(expected, expectedFiles.end()) << f.name;
    EXPECT_EQ(member->second, expected->second) << f.name;
  }
}

TEST(CabPacker, EveryKeyAndFlagReachesTheCabinet) {
  const std::vector<std::pair<std::string, std::string>> common = {
      {"planner.exe", "MZ planner"}, {"Read Me.txt", "read me"}, {"plugin.dll", "MZ plugin"},
      {"maps.dat", std::string(100000, 'm') + "end"}, {"shared.dll", "MZ shared"}};
  auto withArm = common;
  withArm.push_back({"fast.dll", "MZ fast"});
  struct Case {
    const wchar_t* options;
    const wchar_t* cpu;
    const wchar_t* output;
  } cases[] = {
      {L"", L"", L"app.cab"},
      {L"--compress mszip -o out\\planner.cab", L"", L"out\\planner.cab"},
      {L"--cpu ARM", L"ARM", L"app.ARM.cab"},
      {L"/cpu ARM --compress mszip -o arm.cab", L"ARM", L"arm.cab"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(Narrow(c.options));
    CabProject p;
    WriteFullSources(p);
    CreateDirectoryW((p / L"out").c_str(), nullptr);
    p.Inf(kFullInf);
    std::string output;
    ASSERT_EQ(RunQzrcab(std::wstring(c.options) + L" app.inf", &output, p.folder()), 0) << output;
    EXPECT_NE(output.find("wrote "), std::string::npos) << output;
    ExpectCabinetMatches(p / c.output, kFullInf, c.cpu, *c.cpu ? withArm : common, true);
    std::wstring dllError;
    auto members = Members(p / c.output, &dllError);
    ASSERT_GE(members.size(), 2u);
    EXPECT_EQ(members[1].second, "MZ setup");
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW((p / L"*.part").c_str(), &data);
    EXPECT_EQ(find, INVALID_HANDLE_VALUE) << "a temporary cabinet was left";
    if (find != INVALID_HANDLE_VALUE) FindClose(find);
  }
}

TEST(CabPacker, ThePackageModeMakesTheSetupLibraryMember999) {
  CabProject p;
  p.Write(L"pkg\\qzrCeInstall.ini", "[General]\r\nReboot=N\r\n");
  p.Write(L"pkg\\tools.zip", "PK not really");
  p.Write(L"pkg\\sub\\note.txt", "note");
  std::string output;
  ASSERT_EQ(RunQzrcab(L"--package pkg --app Scanner --provider Acme -o pkg.cab", &output, p.folder()), 0) << output;
  const std::string inf =
      "[Version]\nSignature=\"$Windows NT$\"\nCESignature=\"$Windows CE$\"\nProvider=Acme\n[CEStrings]\nAppName=Scanner\n"
      "InstallDir=%CE1%\\Scanner\n[SourceDisksNames]\n1=,,,.\n[SourceDisksFiles]\nqzrCeInstall.ini=1\ntools.zip=1\nnote.txt=1\n"
      "[DefaultInstall]\nCopyFiles=F,S\n[DestinationDirs]\nF=0,%InstallDir%\nS=0,%InstallDir%\\sub\n[F]\nqzrCeInstall.ini\n"
      "tools.zip\n[S]\nnote.txt\n";
  ExpectCabinetMatches(p / L"pkg.cab", inf, L"",
                       {{"qzrCeInstall.ini", "[General]\r\nReboot=N\r\n"}, {"tools.zip", "PK not really"}, {"note.txt", "note"}},
                       true);
  std::wstring error;
  auto members = Members(p / L"pkg.cab", &error);
  ASSERT_GE(members.size(), 2u);
  EXPECT_EQ(members[1].second, ReadBytes(testing_support::BinFolder() + L"qzrCEInstall.dll").value_or("?"));
}

// The ship target's cabinet: read back as its .inf in the repository says, holding the stripped
// files of build/ship.
TEST(CabPacker, TheShippedLauncherCabinetIsItsInf) {
  const std::wstring ship = testing_support::BinFolder() + L"..\\ship\\";
  ASSERT_TRUE(ReadBytes(ship + L"KorvanexLauncher.cab")) << "the ship target has not written build/ship/KorvanexLauncher.cab";
  auto inf = ReadBytes(testing_support::Widen(QZR_SOURCE_DIR) + L"\\packaging\\KorvanexLauncher.inf");
  ASSERT_TRUE(inf);
  std::vector<std::pair<std::string, std::string>> files;
  for (const char* name : {"QZRShell.exe", "QZRTaskbarFilter.dll", "Gatewarden.exe"})
    files.push_back({name, ReadBytes(ship + testing_support::Widen(name)).value_or("?")});
  ExpectCabinetMatches(ship + L"KorvanexLauncher.cab", *inf, L"", files, false);
  qzrcab::InfRead read = qzrcab::ReadInf(*inf, L"");
  EXPECT_EQ(read.project.installDir, L"\\Flash File Store\\launcher");
  EXPECT_EQ(read.project.processorType, 2577u);
  ASSERT_EQ(read.project.registry.size(), 2u);
  for (const auto& v : read.project.registry) EXPECT_EQ(v.flags, qzrcab::kRegDword | qzrcab::kRegNoClobber);
}

// Refused inputs: the finding at its place, exit 1, and no cabinet (nor a part of one), also
// where an older cabinet of the same name stands: it is kept as it was.
TEST(CabPacker, RefusedInputsWriteNothing) {
  const std::string head =
      "[Version]\nSignature=\"$Windows NT$\"\nCESignature=\"$Windows CE$\"\nProvider=Acme\n"
      "[CEStrings]\nAppName=App\nInstallDir=%CE1%\\App\n[SourceDisksNames]\n1=,,,.\n[SourceDisksFiles]\na.exe=1\n"
      "[DestinationDirs]\nDefaultDestDir=0,%InstallDir%\n";
  struct Case {
    const char* what;
    std::string inf;
    const char* place;  // "line:column"
    const char* says;
  } cases[] = {
      {"missing source file", head + "[DefaultInstall]\nCopyFiles=F\n[F]\na.exe\n", "app.inf:17:1", "does not exist"},
      {"unnamed file section", head + "[DefaultInstall]\nCopyFiles=F\n[F]\na.exe\n[G]\na.exe\n", "app.inf:18:1",
       "named by no CopyFiles"},
      {"unknown root", head + "[DefaultInstall]\nAddReg=R\n[R]\nHKXX,Software\\A,V,0,1\n", "app.inf:17:1", "unknown root"},
      {"wrong value type", head + "[DefaultInstall]\nAddReg=R\n[R]\nHKLM,Software\\A,V,0x00010001,many\n", "app.inf:17:30",
       "is none"},
      {"name not in the code page", head + "[DefaultInstall]\nCopyFiles=F\n[F]\n\xCE\xA9.exe,a.exe\n", "app.inf:17:1",
       "code page"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    CabProject p;
    if (std::string(c.what) != "missing source file") p.Write(L"a.exe", "MZ");
    p.Inf(c.inf);
    p.Write(L"app.cab", "old cabinet");
    std::string output;
    EXPECT_EQ(RunQzrcab(L"app.inf", &output, p.folder()), 1) << output;
    EXPECT_NE(output.find(std::string(c.place) + ": error: "), std::string::npos) << output;
    EXPECT_NE(output.find(c.says), std::string::npos) << output;
    EXPECT_EQ(ReadBytes(p / L"app.cab").value_or(""), "old cabinet");
    DeleteFileW((p / L"app.cab").c_str());
    ExpectNoCabinetIn(p.folder());
  }
}

TEST(CabPacker, AThousandFilesAreRefusedAtTheNineHundredNinetyNinth) {
  std::string inf =
      "[Version]\nSignature=\"$Windows NT$\"\nCESignature=\"$Windows CE$\"\nProvider=Acme\n"
      "[CEStrings]\nAppName=App\nInstallDir=%CE1%\\App\n[SourceDisksNames]\n1=,,,.\n[SourceDisksFiles]\n";
  std::string files;
  for (int i = 1; i <= 999; ++i) {
    inf += "f" + std::to_string(i) + ".txt=1\n";
    files += "f" + std::to_string(i) + ".txt\n";
  }
  inf += "[DestinationDirs]\nDefaultDestDir=0,%InstallDir%\n[DefaultInstall]\nCopyFiles=F\n[F]\n" + files;
  qzrcab::InfRead read = qzrcab::ReadInf(inf, L"");
  ASSERT_TRUE(read.HasErrors());
  const int line999 = 10 + 999 + 5 + 999;  // head, sources, the four lines before [F] and [F], then file 999
  bool found = false;
  for (const auto& f : read.findings)
    found = found || (f.at.line == line999 && f.text.find(L"at most 998") != std::wstring::npos);
  EXPECT_TRUE(found);

  // 998 files go into one cabinet; cabextract reads every one.
  CabProject p;
  std::string inf998 = inf.substr(0, inf.rfind("f999.txt\n"));
  inf998.replace(inf998.find("f999.txt=1\n"), 11, "");
  for (int i = 1; i <= 998; ++i) p.Write(L"f" + std::to_wstring(i) + L".txt", std::to_string(i));
  p.Inf(inf998);
  std::string output;
  ASSERT_EQ(RunQzrcab(L"app.inf", &output, p.folder()), 0) << output;
  CabextractRun x = Cabextract(p / L"app.cab");
  EXPECT_EQ(x.testExit, 0) << x.testOutput;
  EXPECT_EQ(x.members.size(), 999u);
}

// The reader's findings, each at its line and column, with the fix it names.
TEST(CabInfReader, FindingsStandWhereTheMistakeIs) {
  const std::string head =
      "[Version]\nSignature=\"$Windows NT$\"\nCESignature=\"$Windows CE$\"\nProvider=Acme\n"
      "[CEStrings]\nAppName=App\nInstallDir=%CE1%\\App\n[SourceDisksNames]\n1=,,,.\n[SourceDisksFiles]\na.exe=1\n"
      "[DestinationDirs]\nDefaultDestDir=0,%InstallDir%\n[DefaultInstall]\nCopyFiles=F\n";  // 15 lines
  struct Case {
    const char* what;
    std::string inf;
    int line, column;
    bool error;
    const wchar_t* says;
  } cases[] = {
      {"no Provider", "[Version]\nSignature=\"$Windows NT$\"\nCESignature=\"$Windows CE$\"\n", 1, 1, true, L"needs Provider"},
      {"unknown string", head + "AddReg=R\n[F]\na.exe\n[R]\nHKLM,Software\\%Nope%,V,0,1\n", 20, 15, true, L"define it in [Strings]"},
      {"lower-case macro", head + "[F]\na.exe\n[DestinationDirs]\nF=0,%ce2%\n", 19, 5, true, L"in capitals"},
      {"unknown flags", head + "[F]\na.exe,,,0x00000004\n", 17, 9, true, L"unknown file flags 0x00000004"},
      {"flags exclusive", head + "[F]\na.exe,,,0x00000410\n", 17, 9, true, L"exclude each other"},
      {"not in SourceDisksFiles", head + "[F]\nb.exe\n", 17, 1, true, L"add b.exe = 1"},
      {"missing section", head + "AddReg=Nope\n[F]\na.exe\n", 16, 8, true, L"which the file does not have"},
      {"binary not hex", head + "AddReg=R\n[F]\na.exe\n[R]\nHKLM,S,V,0x00000001,0g\n", 20, 21, true, L"no hex byte"},
      {"string with two fields", head + "AddReg=R\n[F]\na.exe\n[R]\nHKLM,S,V,0,a,b\n", 20, 14, true, L"takes one field"},
      {"ProcessorType not a number", head + "[F]\na.exe\n[CEDevice]\nProcessorType=ARM\n", 19, 15, true, L"takes a number"},
      {"path in a target name", head + "[F]\nsub\\a.exe,a.exe\n", 17, 1, true, L"plain file name"},
      {"leaving the folder", head + "[F]\na.exe\n[DestinationDirs]\nF=0,%CE1%\\..\\x\n", 19, 5, true, L"would leave its folder"},
      {"shortcut to nothing", head + "CEShortcuts=L\n[F]\na.exe\n[L]\nGo,0,b.exe\n", 20, 6, true, L"no file that CopyFiles installs"},
      {"shortcut folder", head + "CEShortcuts=L\n[F]\na.exe\n[L]\nGo,0,a.exe,\\Windows\n", 20, 12, true, L"must start with %CE1%"},
      {"duplicate target", head + "[F]\na.exe\na.exe\n", 18, 1, true, L"already installed"},
      {"unknown key", head + "Copyfile=F\n[F]\na.exe\n", 16, 1, false, L"has no key Copyfile"},
      {"section without ]", head + "[F\n", 16, 1, true, L"without \"]\""},
      {"string refers to itself", head + "[F]\na.exe\n[Strings]\nA=%A%x\n[DestinationDirs]\nF=0,%CE1%\\%A%\n", 21, 11, true,
       L"refers to itself"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    qzrcab::InfRead read = qzrcab::ReadInf(c.inf, L"");
    auto it = std::find_if(read.findings.begin(), read.findings.end(),
                           [&](const qzrcab::InfFinding& f) { return f.text.find(c.says) != std::wstring::npos; });
    ASSERT_NE(it, read.findings.end()) << [&] {
      std::string all;
      for (const auto& f : read.findings) all += std::to_string(f.at.line) + ":" + std::to_string(f.at.column) + " " + Narrow(f.text) + "\n";
      return all;
    }();
    EXPECT_EQ(it->at.line, c.line);
    EXPECT_EQ(it->at.column, c.column);
    EXPECT_EQ(it->error, c.error);
  }
}

// Text forms the reader takes alike: UTF-8 with and without its mark, UTF-16 with its mark,
// the device code page, CR LF or LF.
TEST(CabInfReader, EncodingsAndLineEndsReadAlike) {
  const std::string inf =
      "[Version]\r\nSignature=\"$Windows NT$\"\r\nCESignature=\"$Windows CE$\"\r\nProvider=Caf\xC3\xA9\r\n"
      "[CEStrings]\r\nAppName=App\r\nInstallDir=%CE1%\\App\r\n[DefaultInstall]\r\n";
  qzrcab::InfRead plain = qzrcab::ReadInf(inf, L"");
  ASSERT_FALSE(plain.HasErrors());
  EXPECT_EQ(plain.project.provider, L"Caf\u00e9");
  std::string lf = inf;
  lf.erase(std::remove(lf.begin(), lf.end(), '\r'), lf.end());
  std::string ansi = lf;
  ansi.replace(ansi.find("\xC3\xA9"), 2, "\xE9");
  std::string utf16 = "\xFF\xFE";
  for (wchar_t c : testing_support::Widen(inf)) utf16 += static_cast<char>(c & 0xFF), utf16 += static_cast<char>(c >> 8);
  for (const std::string& form : {"\xEF\xBB\xBF" + inf, lf, ansi, utf16}) {
    qzrcab::InfRead read = qzrcab::ReadInf(form, L"");
    EXPECT_FALSE(read.HasErrors());
    EXPECT_EQ(read.project.provider, L"Caf\u00e9");
    EXPECT_EQ(read.project.installDir, L"%CE1%\\App");
  }
}

}  // namespace
