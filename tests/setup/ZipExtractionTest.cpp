// A package's zip payloads: entries, folders, overwrite and protection rules, damage, unwritable entries, records.
#include <gtest/gtest.h>

#include <functional>

#include "SetupHarness.h"

using namespace setup_test;
using namespace testing_support;

namespace {

struct Fixture {
  Package pkg;
  std::wstring app() const { return pkg.folder() + L"app\\"; }          // the install path on drive C
  std::wstring appPath() const { return pkg.rootRelative(L"app"); }     // as records name it
};

std::string Settings(const Fixture& f, const std::string& general, const std::string& more = "") {
  return "[General]\r\nVerboseLogging=Y\r\n" + general + "[Paths]\r\nPath1=" + Narrow(f.pkg.devicePath(L"app")) + "\r\n" +
         more;
}

std::string RawLog(const Package& pkg) {
  auto bytes = ReadBytes(pkg.installFile(L"qzrCEInstall.log")).value_or("");
  std::wstring text(bytes.size() / 2, L'\0');
  memcpy(text.data(), bytes.data(), text.size() * 2);
  return Narrow(text);
}

}  // namespace

TEST(SetupZipExtraction, EntriesRulesAndRecords) {
  struct Case {
    const char* name;
    std::function<void(Fixture&)> prepare;  // writes the INI and the archives
    int result;
    std::function<void(Fixture&)> check;
  };
  const std::vector<Case> cases = {
      {"install path, absolute and folder entries",
       [](Fixture& f) {
         f.pkg.WriteIni(Settings(f, ""));
         const std::string abs = Narrow(f.pkg.rootRelative(L"abs/b.txt"));
         ASSERT_TRUE(WriteZip(f.pkg.installFile(L"one.zip"), {{"%INSTALLDIR%/", ""},
                                                               {"%INSTALLDIR%/bin/a.dll", "A"},
                                                               {"%INSTALLDIR%/data/", ""},
                                                               {"%installdir%/lower.txt", "L"},
                                                               {abs, "B"}}));
         ASSERT_TRUE(WriteZip(f.pkg.installFile(L"two.zip"), {{"%INSTALLDIR%/second.txt", "2"}}));
       },
       0,
       [](Fixture& f) {
         EXPECT_EQ(ReadBytes(f.app() + L"bin\\a.dll"), "A");
         EXPECT_EQ(ReadBytes(f.app() + L"lower.txt"), "L");
         EXPECT_EQ(ReadBytes(f.app() + L"second.txt"), "2");
         EXPECT_EQ(ReadBytes(f.pkg.folder() + L"abs\\b.txt"), "B");
         EXPECT_TRUE(GetFileAttributesW((f.app() + L"data").c_str()) & FILE_ATTRIBUTE_DIRECTORY);
         EXPECT_FALSE(FileExists(f.pkg.installFile(L"one.zip")));
         EXPECT_FALSE(FileExists(f.pkg.installFile(L"two.zip")));
         const std::wstring a = f.appPath();
         auto records = f.pkg.Records();
         for (const std::wstring& r : {L"F:" + a + L"\\bin\\a.dll", L"F:" + a + L"\\data\\", L"F:" + a + L"\\lower.txt",
                                       L"F:" + a + L"\\second.txt", L"F:" + f.pkg.rootRelative(L"abs\\b.txt")})
           EXPECT_TRUE(Contains(records, r)) << Narrow(r);
         auto log = f.pkg.Log();
         EXPECT_TRUE(Contains(log, L"Looking For Zip file in " + f.pkg.rootRelative(L"inst") + L", extracting to " + a));
         EXPECT_TRUE(Contains(log, L"...Extracted: " + a + L"\\bin\\a.dll."));
         ASSERT_EQ(f.pkg.Uninstall(), 0);
         EXPECT_FALSE(FileExists(f.app() + L"bin\\a.dll"));
         EXPECT_FALSE(FileExists(f.app() + L"data"));
         EXPECT_FALSE(FileExists(f.pkg.folder() + L"abs\\b.txt"));
       }},
      {"OverwriteFiles off keeps existing files and leaves them no record",
       [](Fixture& f) {
         f.pkg.WriteIni(Settings(f, "OverwriteFiles=N\r\n"));
         WriteBytes(f.app() + L"keep.txt", "old");
         ASSERT_TRUE(WriteZip(f.pkg.installFile(L"p.zip"), {{"%INSTALLDIR%/keep.txt", "new"}, {"%INSTALLDIR%/fresh.txt", "f"}}));
       },
       0,
       [](Fixture& f) {
         EXPECT_EQ(ReadBytes(f.app() + L"keep.txt"), "old");
         EXPECT_EQ(ReadBytes(f.app() + L"fresh.txt"), "f");
         EXPECT_EQ(f.pkg.Records(), (std::vector<std::wstring>{L"F:" + f.appPath() + L"\\fresh.txt"}));
         ASSERT_EQ(f.pkg.Uninstall(), 0);
         EXPECT_TRUE(FileExists(f.app() + L"keep.txt"));
         EXPECT_FALSE(FileExists(f.app() + L"fresh.txt"));
       }},
      {"protected files are never replaced",
       [](Fixture& f) {
         f.pkg.WriteIni(Settings(f, "OverwriteFiles=Y\r\n",
                                 "[ProtectedFiles]\r\nFilePathName1=\\%INSTALLDIR%\\SITE.txt\r\n"
                                 "FilePathName2=%INSTALLDIR%\\absent.txt\r\n"));
         WriteBytes(f.app() + L"site.txt", "mine");
         ASSERT_TRUE(WriteZip(f.pkg.installFile(L"p.zip"), {{"%INSTALLDIR%/site.txt", "pkg"}, {"%INSTALLDIR%/absent.txt", "a"}}));
       },
       0,
       [](Fixture& f) {
         EXPECT_EQ(ReadBytes(f.app() + L"site.txt"), "mine");
         EXPECT_EQ(ReadBytes(f.app() + L"absent.txt"), "a");
         auto log = f.pkg.Log();
         EXPECT_TRUE(Contains(log, L"Not overwriting %INSTALLDIR%/site.txt"));
         EXPECT_TRUE(Contains(log, L"Protected file " + f.appPath() + L"\\absent.txt not found"));
         EXPECT_EQ(f.pkg.Records(), (std::vector<std::wstring>{L"F:" + f.appPath() + L"\\absent.txt"}));
       }},
      {"an exit command finds the records of every extracted file",
       [](Fixture& f) {
         // Records are committed once per archive, not per file: the DoUninstall that runs
         // after the extraction must still find all of them.
         f.pkg.WriteIni(Settings(f, "", "[Exit_Commands]\r\nCommand1=DoUninstall\r\n"));
         ASSERT_TRUE(WriteZip(f.pkg.installFile(L"one.zip"), {{"%INSTALLDIR%/a.txt", "a"}, {"%INSTALLDIR%/sub/b.txt", "b"}}));
         ASSERT_TRUE(WriteZip(f.pkg.installFile(L"two.zip"), {{"%INSTALLDIR%/c.txt", "c"}}));
       },
       0,
       [](Fixture& f) {
         const std::wstring a = f.appPath();
         auto records = f.pkg.Records();
         EXPECT_EQ(records.size(), 4u);
         for (const std::wstring& r : {L"F:" + a + L"\\a.txt", L"F:" + a + L"\\sub\\", L"F:" + a + L"\\sub\\b.txt",
                                       L"F:" + a + L"\\c.txt"})
           EXPECT_TRUE(Contains(records, r)) << Narrow(r);
         EXPECT_FALSE(FileExists(f.app() + L"a.txt"));
         EXPECT_FALSE(FileExists(f.app() + L"sub\\b.txt"));
         EXPECT_FALSE(FileExists(f.app() + L"c.txt"));
       }},
      {"a corrupt archive ends the installation",
       [](Fixture& f) {
         f.pkg.WriteIni(Settings(f, ""));
         WriteBytes(f.pkg.installFile(L"bad.zip"), "this is no zip archive at all, just text");
       },
       1,
       [](Fixture& f) {
         std::string log = RawLog(f.pkg);
         EXPECT_NE(log.find("Extracting bad.zip - Critical Error:\r\n\r\n"), std::string::npos) << log;
         EXPECT_NE(log.find("\r\n\r\nInstallation incomplete\r\n"), std::string::npos);
         EXPECT_TRUE(Contains(f.pkg.Log(), L"An Error occurred during unzip."));
         EXPECT_FALSE(FileExists(f.pkg.installFile(L"bad.zip")));
         EXPECT_TRUE(FileExists(f.pkg.installFile(L"qzrCeInstall.ini")));
       }},
      {"an entry that cannot be written aborts by default",
       [](Fixture& f) {
         f.pkg.WriteIni(Settings(f, ""));
         CreateDirectoryW((f.app() + L"blocked.txt").c_str(), nullptr);
         ASSERT_TRUE(WriteZip(f.pkg.installFile(L"p.zip"), {{"%INSTALLDIR%/ok.txt", "o"},
                                                             {"%INSTALLDIR%/blocked.txt", "b"},
                                                             {"%INSTALLDIR%/later.txt", "l"}}));
       },
       1,
       [](Fixture& f) {
         EXPECT_TRUE(ContainsPrefix(f.pkg.Log(), L"Extracting p.zip - Critical error extracting file: blocked.txt -- "));
         EXPECT_TRUE(Contains(f.pkg.Log(), L"An Error occurred during unzip."));
         EXPECT_FALSE(FileExists(f.app() + L"later.txt"));
         EXPECT_TRUE(FileExists(f.pkg.installFile(L"p.zip")));
         EXPECT_EQ(f.pkg.Records(), (std::vector<std::wstring>{L"F:" + f.appPath() + L"\\ok.txt"}));
       }},
      {"an entry that cannot be written is not reported as extracted",
       [](Fixture& f) {
         f.pkg.WriteIni(Settings(f, "AbortInstallOnError=N\r\n"));
         CreateDirectoryW((f.app() + L"blocked.txt").c_str(), nullptr);
         WriteBytes(f.app() + L"blocked.txt\\users.txt", "u");
         ASSERT_TRUE(WriteZip(f.pkg.installFile(L"p.zip"), {{"%INSTALLDIR%/ok.txt", "o"},
                                                             {"%INSTALLDIR%/blocked.txt", "b"},
                                                             {"%INSTALLDIR%/later.txt", "l"}}));
       },
       0,
       [](Fixture& f) {
         auto log = f.pkg.Log();
         EXPECT_TRUE(ContainsPrefix(log, L"Extracting p.zip - Critical error extracting file: blocked.txt -- "));
         EXPECT_FALSE(Contains(log, L"...Extracted: " + f.appPath() + L"\\blocked.txt."));
         EXPECT_EQ(ReadBytes(f.app() + L"later.txt"), "l");
         EXPECT_EQ(f.pkg.Records(), (std::vector<std::wstring>{L"F:" + f.appPath() + L"\\ok.txt",
                                                                L"F:" + f.appPath() + L"\\later.txt"}));
         ASSERT_EQ(f.pkg.Uninstall(), 0);
         EXPECT_TRUE(FileExists(f.app() + L"blocked.txt\\users.txt"));
         EXPECT_FALSE(FileExists(f.app() + L"ok.txt"));
       }},
  };

  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Fixture f;
    CreateDirectoryW(f.app().c_str(), nullptr);
    c.prepare(f);
    EXPECT_EQ(f.pkg.Install(), c.result);
    c.check(f);
  }
}
