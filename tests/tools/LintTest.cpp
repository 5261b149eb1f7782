// qzrlint: each finding at its exact place, clean samples, and the sample's model read as the launcher does.
#include <windows.h>

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "Lint.h"
#include "core/MenuRules.h"
#include "SetupHarness.h"
#include "TestSupport.h"

namespace {

using qzr::lint::Finding;
using qzr::lint::Severity;
using testing_support::Narrow;
using testing_support::ScratchFolder;

enum class Kind { Menu, Menu16, Package, Zip };  // Menu16: the text saved as UTF-16 with its mark

struct Case {
  const char* what;
  Kind kind;
  std::string text;  // the file; for Zip, one entry name per line
  int findings;      // how many findings the file gives in all
  Severity severity;
  int line;
  int column;
  const char* says;  // part of the sentence
};

const std::string kMenu = "[Caption]\nButton1=A\n[exe]\nButton1=\\windows\\a.exe\n";

std::vector<Case> Cases() {
  using S = Severity;
  const std::string longCaption = "[Caption]\nButton1=" + std::string(500, 'x') + "\n[exe]\nButton1=\\windows\\a.exe\n";
  const std::string longPath = "[General]\nReboot=N\n[Paths]\nPath1=\\" + std::string(300, 'x') + "\n";
  const std::string longSubKey = "[RegistryAdditions]\nPredefinedKey1=HKEY_LOCAL_MACHINE\nSubKey1=Software\\" +
                                 std::string(300, 'x') + "\nValue1=V\nDataType1=REG_SZ\nData1=1\n";
  return {
      // menu.ini
      {"unknown section", Kind::Menu, kMenu + "[Lockable Key]\nEnableVolumeKeys=TRUE\n", 1, S::Warning, 5, 1,
       "did you mean [Lockable Keys]?"},
      {"unknown key", Kind::Menu, "[Caption]\nButon1=A\nButton1=A\n[exe]\nButton1=\\windows\\a.exe\n", 1, S::Warning,
       2, 1, "did you mean Button1?"},
      {"line cut", Kind::Menu, longCaption, 1, S::Warning, 2, 9, "cut to its first 390 characters"},
      {"slot after a gap", Kind::Menu, "[Caption]\nButton1=A\nButton3=C\n[exe]\nButton1=\\windows\\a.exe\nButton3=\\windows\\c.exe\n", 2,
       S::Warning, 3, 1, "Button3 is never shown"},
      {"caption without program", Kind::Menu, "[Caption]\nButton1=A\nButton2=B\n[exe]\nButton1=\\windows\\a.exe\n", 1, S::Error,
       3, 1, "has no program"},
      {"program without caption", Kind::Menu, kMenu + "Button2=\\windows\\c.exe\n", 1,
       S::Warning, 5, 1, "Button2 is never shown"},
      {"missing program", Kind::Menu, "[Caption]\nButton1=A\n[exe]\nButton1=\\windows\\gone.exe\n", 1, S::Error, 4, 9,
       "does not exist in the device image"},
      {"plain password", Kind::Menu, kMenu + "[PassWord]\npwd=1234\n", 1, S::Note, 6, 5, "plain text"},
      {"password too long", Kind::Menu, kMenu + "[PassWord]\npwd=1234567\n", 2, S::Warning, 6, 5,
       "keeps only the first 6"},
      {"whitelist refuses an application key's program", Kind::Menu,
       kMenu + "Button3=\\windows\\c.exe\n[ApplicationKeys]\n"
       "AppKey1Exe=Button3\n[WhiteList]\nWhiteListEnabled=TRUE\n",
       2, S::Error, 7, 12, "the whitelist refuses"},
      {"application key", Kind::Menu, kMenu + "[ApplicationKeys]\nAppKey1Exe=notepad\n", 2, S::Warning, 6, 12,
       "neither a program path nor LAUNCHER"},
      {"lockable key flag", Kind::Menu, kMenu + "[Lockable Keys]\nEnableVolumeKeys=yes\n", 1, S::Warning, 6, 18,
       "neither TRUE nor FALSE"},
      {"permit after a gap", Kind::Menu, kMenu + "[WhiteList]\nPermit1=\\a.exe\nPermit3=\\c.exe\n", 1, S::Warning, 7, 1,
       "Permit3 is never read"},
      {"section twice", Kind::Menu, kMenu + "[Auto start]\nEnabled=FALSE\n[Auto start]\nEnabled=TRUE\n", 1, S::Warning,
       7, 1, "reads only the first, on line 5"},
      {"UTF-16 file: columns count characters", Kind::Menu16, kMenu + "[Lockable Keys]\nEnableVolumeKeys=j\xC3\xA4\n", 1,
       S::Warning, 6, 18, "neither TRUE nor FALSE"},
      {"ANSI file", Kind::Menu, kMenu + "; Stra\xDF" "e\n", 1, S::Note, 1, 1, "not UTF-8"},
      // qzrCeInstall.ini
      {"unknown package section", Kind::Package, "[Genral]\nReboot=N\n", 1, S::Warning, 1, 1,
       "did you mean [General]?"},
      {"unknown verb", Kind::Package, "[Init_Commands]\nCommand1=CreatDir,x\n", 1, S::Error, 2, 10,
       "did you mean CreateDir?"},
      {"registry type missing", Kind::Package,
       "[RegistryAdditions]\nPredefinedKey1=HKEY_LOCAL_MACHINE\nSubKey1=Software\\X\nValue1=V\nData1=1\n", 1, S::Error,
       2, 1, "has no known type"},
      {"registry data not a number", Kind::Package,
       "[RegistryAdditions]\nPredefinedKey1=HKEY_LOCAL_MACHINE\nSubKey1=Software\\X\nValue1=V\nDataType1=REG_DWORD\n"
       "Data1=12x\n",
       1, S::Error, 6, 7, "is not a decimal number"},
      {"name with a colon", Kind::Package,
       "[RegistryAdditions]\nPredefinedKey1=HKEY_LOCAL_MACHINE\nSubKey1=Software\\X\nValue1=a:b\nDataType1=REG_SZ\n"
       "Data1=1\n",
       1, S::Warning, 4, 8, "holds \":\""},
      {"unknown macro", Kind::Package, "[Init_Commands]\nCommand1=CreateDir,%INSTALDIR%\\Logs\n", 1, S::Warning, 2, 20,
       "did you mean %INSTALLDIR%?"},
      {"second macro in one field", Kind::Package, "[Init_Commands]\nCommand1=CreateDir,%INSTALLDIR%\\a%INSTALLDIR%\n", 1,
       S::Warning, 2, 34, "only the first %INSTALLDIR%"},
      {"command's value name with a colon", Kind::Package,
       "[Exit_Commands]\nCommand1=AddRegEntry,HKEY_LOCAL_MACHINE,Software\\X,a:b,REG_SZ,1\n", 1, S::Warning, 2, 22,
       "holds \":\""},
      {"macro not expanded there", Kind::Package,
       "[Shortcuts]\nProgramPathName1=%CSIDL_PROGRAMS%\\x.exe\nShortcutPathName1=%CSIDL_PROGRAMS%\\x.lnk\n", 1,
       S::Warning, 2, 18, "is not expanded in ProgramPathName1"},
      {"version not a number", Kind::Package, "[MinimumPreviousInstallVersion]\nMajorVersion=1.2\n", 1, S::Error, 2, 14,
       "is not a decimal number"},
      {"yes that reads as no", Kind::Package, "[General]\nReboot=yes\n", 1, S::Warning, 2, 8, "reads as no"},
      {"long line, key lookup", Kind::Package, longPath, 1, S::Warning, 4, 1, "longer than 260 characters"},
      {"long line, section walk", Kind::Package, longSubKey, 1, S::Warning, 3, 262, "longer than 261 bytes"},
      {"unknown removal entry", Kind::Package, "[Uninstall_Removals]\nFile1=%INSTALLDIR%\\a\nFoo1=x\n", 1, S::Warning, 3,
       1, "unknown entry \"Foo1\""},
      // zip archives: the line is the entry's number
      {"entry outside the installation", Kind::Zip, "%INSTALLDIR%/a.txt\n%INSTALLDIR%/../../evil.txt\n", 1, S::Error,
       2, 1, "would land outside the installation folder"},
      {"entry without the macro", Kind::Zip, "%INSTALLDIR%/a.txt\nWindows/b.txt\n", 1, S::Note, 2, 1,
       "goes to \\Windows\\b.txt"},
  };
}

std::vector<Finding> Lint(const Case& c, const ScratchFolder& folder) {
  if (c.kind == Kind::Package) return qzr::lint::LintPackageIni(L"qzrCeInstall.ini", c.text);
  if (c.kind == Kind::Zip) {
    std::vector<setup_test::ZipItem> items;
    std::istringstream names(c.text);
    for (std::string name; std::getline(names, name);) items.push_back({name, "x"});
    std::wstring archive = folder / L"package.zip";
    EXPECT_TRUE(setup_test::WriteZip(archive, items));
    return qzr::lint::LintPackageZip(L"package.zip", *testing_support::ReadBytes(archive));
  }
  // The device image holds \windows\a.exe and \windows\c.exe.
  CreateDirectoryW((folder / L"windows").c_str(), nullptr);
  testing_support::WriteBytes(folder / L"windows\\a.exe", "MZ");
  testing_support::WriteBytes(folder / L"windows\\c.exe", "MZ");
  qzr::lint::DeviceImage image = qzr::lint::HostDeviceImage(folder.path());
  qzr::lint::MenuOptions options;
  options.image = &image;
  std::string bytes = c.text;
  if (c.kind == Kind::Menu16) {
    std::wstring wide = testing_support::Widen(c.text);
    bytes = "\xFF\xFE" + std::string(reinterpret_cast<const char*>(wide.data()), wide.size() * sizeof(wchar_t));
  }
  return qzr::lint::LintMenu(L"menu.ini", bytes, options);
}

TEST(Lint, EachFindingAtItsPlace) {
  for (const Case& c : Cases()) {
    SCOPED_TRACE(c.what);
    ScratchFolder folder(L"lint");
    std::vector<Finding> findings = Lint(c, folder);
    std::string all;
    for (const Finding& f : findings) all += Narrow(qzr::lint::FormatFinding(f)) + "\n";
    EXPECT_EQ(findings.size(), static_cast<size_t>(c.findings)) << all;
    bool found = false;
    for (const Finding& f : findings)
      found = found || (f.line == c.line && f.column == c.column && f.severity == c.severity &&
                        Narrow(f.text).find(c.says) != std::string::npos);
    EXPECT_TRUE(found) << "expected " << c.line << ":" << c.column << " \"" << c.says << "\" in\n" << all;
  }
}

// Every key in the linter's table, set on its own, changes the model the launcher's reader loads. (The
// whitelist's keys are not in the printed model; the whitelist cases above cover them.)
TEST(Lint, EveryKeyTheLinterKnowsIsOneTheLauncherReads) {
  for (const qzr::MenuIniKey& key : qzr::MenuIniKeys()) {
    if (key.kind == qzr::MenuValueKind::Permit || std::wstring(key.section) == L"WhiteList") continue;
    wchar_t name[64];
    swprintf(name, 64, key.key, key.first);
    std::string value = key.kind == qzr::MenuValueKind::TrueTest    ? "TRUE"
                        : key.kind == qzr::MenuValueKind::FalseTest ? "FALSE"
                        : key.kind == qzr::MenuValueKind::Text      ? "Other"
                                                                    : "\\windows\\other.exe";
    if (key.kind == qzr::MenuValueKind::PlainPassword || key.kind == qzr::MenuValueKind::ScrambledPassword)
      value = "1234";
    std::string line = "[" + Narrow(key.section) + "]\n" + Narrow(name) + "=" + value + "\n";
    SCOPED_TRACE(line);
    // Per-button keys need a button to show them; the button's own sections need none.
    std::string start = line.rfind("[Caption]", 0) == 0 || line.rfind("[exe]", 0) == 0 ? "" : kMenu;
    EXPECT_NE(qzr::lint::MenuModelText(start + line, {}), qzr::lint::MenuModelText(start, {}));
  }
}

// The real program: its exit code and what it printed, without carriage returns.
struct Output {
  DWORD exitCode = 99;
  std::string text;
};
Output RunTool(const wchar_t* program, const std::wstring& arguments) {
  std::string text;
  auto run = testing_support::RunProcess(L"\"" + testing_support::BinFolder() + program + L"\" " + arguments, 60000,
                                         L"C:\\", &text);
  std::erase(text, '\r');
  return {run.finished ? run.exitCode : 99u, text};
}

const std::wstring kSamples = testing_support::Widen(QZR_SAMPLES);

TEST(Lint, TheSamplesAreClean) {
  Output menu = RunTool(L"qzrlint.exe", L"\"" + kSamples + L"\\menu.ini\"");
  // The sample keeps its password in pwd, as an administrator writes it: a note, no warning.
  EXPECT_EQ(menu.exitCode, 0u) << menu.text;
  EXPECT_NE(menu.text.find("menu.ini:40:5: note: a plain pwd"), std::string::npos) << "[" << menu.text << "]";
  Output package = RunTool(L"qzrlint.exe", L"\"" + kSamples + L"\\package\"");
  EXPECT_EQ(package.exitCode, 0u) << package.text;
  EXPECT_EQ(package.text, "");
}

TEST(Lint, ExitCodesAndFindingLines) {
  ScratchFolder folder(L"lint");
  testing_support::WriteBytes(folder / L"warn.ini", kMenu + "[Lockable Keys]\nEnableVolumeKeys=yes\n");
  testing_support::WriteBytes(folder / L"error.ini", "[Caption]\nButton1=A\n");
  Output warn = RunTool(L"qzrlint.exe", folder.path() + L"warn.ini");
  EXPECT_EQ(warn.exitCode, 1u);
  EXPECT_EQ(warn.text.rfind(Narrow(folder.path()) + "warn.ini:6:18: warning: \"yes\" is neither TRUE nor FALSE", 0), 0u)
      << warn.text;
  Output error = RunTool(L"qzrlint.exe", folder.path() + L"error.ini");
  EXPECT_EQ(error.exitCode, 2u) << error.text;
  Output usage = RunTool(L"qzrlint.exe", L"--bogus");
  EXPECT_EQ(usage.exitCode, 3u);
}

TEST(Lint, ReadsTheSampleModelAsTheLauncherDoes) {
  std::wstring menu = L"\"" + kSamples + L"\\menu.ini\"";
  auto before = testing_support::ReadBytes(kSamples + L"\\menu.ini");
  ASSERT_TRUE(before);
  Output launcher = RunTool(L"qzrconfig.exe", menu + L" \"\\flash file store\\launcher\\\\\"");
  Output lint = RunTool(L"qzrlint.exe", L"--model " + menu);
  EXPECT_EQ(lint.exitCode, 0u);
  ASSERT_NE(launcher.text.find("buttons shown: 3\n"), std::string::npos) << launcher.text;
  EXPECT_EQ(lint.text, launcher.text);
  // The launcher's reader scrambles a plain pwd into the file it loads: neither tool may do
  // that to the administrator's file.
  EXPECT_EQ(testing_support::ReadBytes(kSamples + L"\\menu.ini"), before);
}

}  // namespace
