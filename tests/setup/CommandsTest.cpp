// Command lists: every verb with its log lines, long lines, shortcuts, and removing exactly what was recorded.
#include <gtest/gtest.h>

#include <functional>

#include "Actions.h"
#include "Commands.h"
#include "SetupHarness.h"

using namespace setup_test;
using namespace testing_support;

namespace {

std::string Ini(const Package& pkg, const std::string& commands) {
  return "[General]\r\nVerboseLogging=Y\r\n[Paths]\r\nPath1=" + Narrow(pkg.installDir()) + "\r\n[Init_Commands]\r\n" +
         commands;
}

}  // namespace

TEST(SetupCommands, EveryVerbWithItsLogLines) {
  struct Case {
    const char* name;
    std::function<void(const Package&)> prepare;
    std::string commands;  // %D% stands for the install path, %K% for the test's registry key
    std::vector<std::wstring> lines;  // %D% and %K% likewise
    std::function<void(const Package&)> check;
  };
  const std::vector<Case> cases = {
      {"DeleteFile",
       [&](const Package& p) { WriteBytes(p.installFile(L"a.txt"), "a"); },
       "Command1=DeleteFile,%INSTALLDIR%\\a.txt\r\nCommand2=DeleteFile,%INSTALLDIR%\\missing.txt\r\n",
       {L"Deleted file: %D%\\a.txt", L"[Error 2]Failed to delete file: %D%\\missing.txt"},
       [&](const Package& p) { EXPECT_FALSE(FileExists(p.installFile(L"a.txt"))); }},
      {"DeleteDir",
       [&](const Package& p) {
         CreateDirectoryW(p.installFile(L"tree").c_str(), nullptr);
         CreateDirectoryW(p.installFile(L"tree\\sub").c_str(), nullptr);
         WriteBytes(p.installFile(L"tree\\sub\\x.txt"), "x");
         WriteBytes(p.installFile(L"tree\\ro.txt"), "r");
         SetFileAttributesW(p.installFile(L"tree\\ro.txt").c_str(), FILE_ATTRIBUTE_READONLY);
       },
       "Command1=DeleteDir,%INSTALLDIR%\\tree\r\n",
       {L"Deleting Directory: %D%\\tree"},
       [&](const Package& p) { EXPECT_FALSE(FileExists(p.installFile(L"tree"))); }},
      {"RenameFile and MoveFileDir",
       [&](const Package& p) {
         WriteBytes(p.installFile(L"r.txt"), "r");
         CreateDirectoryW(p.installFile(L"d").c_str(), nullptr);
       },
       "Command1=RenameFile,%INSTALLDIR%\\r.txt,%INSTALLDIR%\\r2.txt\r\nCommand2=MoveFileDir,%INSTALLDIR%\\d,%INSTALLDIR%\\d2\r\n"
       "Command3=RenameFile,%INSTALLDIR%\\none.txt,%INSTALLDIR%\\x.txt\r\n",
       {L"Moved [%D%\\r.txt] to [%D%\\r2.txt]", L"Moved [%D%\\d] to [%D%\\d2]",
        L"[Error 2]Failed to move src file: %D%\\none.txt"},
       [&](const Package& p) {
         EXPECT_TRUE(FileExists(p.installFile(L"r2.txt")));
         EXPECT_TRUE(FileExists(p.installFile(L"d2")));
       }},
      {"CopyFile",
       [&](const Package& p) {
         WriteBytes(p.installFile(L"c.txt"), "new");
         WriteBytes(p.installFile(L"kept.txt"), "old");
         WriteBytes(p.installFile(L"replaced.txt"), "old");
       },
       "Command1=CopyFile,%INSTALLDIR%\\c.txt,%INSTALLDIR%\\c2.txt\r\n"
       "Command2=CopyFile,%INSTALLDIR%\\c.txt,%INSTALLDIR%\\kept.txt,Y\r\n"
       "Command3=CopyFile,%INSTALLDIR%\\c.txt,%INSTALLDIR%\\replaced.txt,N\r\n"
       "Command4=CopyFile,%INSTALLDIR%\\none.txt,%INSTALLDIR%\\x.txt,yes\r\n",
       {L"Copied [%D%\\c.txt] to [%D%\\c2.txt]", L"Copy failed, [%D%\\kept.txt] already exists.",
        L"Copied [%D%\\c.txt] to [%D%\\replaced.txt]", L"[Error 2]Failed to copy src file: %D%\\none.txt, FailIfExist:1"},
       [&](const Package& p) {
         EXPECT_EQ(ReadBytes(p.installFile(L"kept.txt")), "old");
         EXPECT_EQ(ReadBytes(p.installFile(L"replaced.txt")), "new");
       }},
      {"FileAttrib",
       [&](const Package& p) { WriteBytes(p.installFile(L"f.txt"), "f"); },
       "Command1=FileAttrib,%INSTALLDIR%\\f.txt,1\r\nCommand2=FileAttrib,%INSTALLDIR%\\none.txt,2\r\n",
       {L"Set attibutes (1) to file: %D%\\f.txt", L"[Error 2]Failed to set attibutes (2) to file: %D%\\none.txt"},
       [&](const Package& p) {
         EXPECT_TRUE(GetFileAttributesW(p.installFile(L"f.txt").c_str()) & FILE_ATTRIBUTE_READONLY);
         SetFileAttributesW(p.installFile(L"f.txt").c_str(), FILE_ATTRIBUTE_NORMAL);
       }},
      {"ExecuteApp",
       [&](const Package& p) {
         CreateDirectoryW(p.installFile(L"with blank").c_str(), nullptr);
         p.AddProgram(L"qzrhook.exe", L"with blank\\keep.exe");
         p.AddProgram(L"qzrhook.exe", L"gone.exe");
         p.AddProgram(L"qzrhook.exe", L"nowait.exe");
       },
       "Command1=ExecuteApp,\"%INSTALLDIR%\\with blank\\keep.exe --exit 7\",Y,N\r\n"
       "Command2=ExecuteApp,%INSTALLDIR%\\gone.exe\r\n"
       "Command3=ExecuteApp,%INSTALLDIR%\\nowait.exe --sleep 500,N,Y\r\n"
       "Command4=ExecuteApp,%INSTALLDIR%\\none.exe,N,N\r\n",
       {L"Running App: %D%\\with blank\\keep.exe --exit 7 (Wait:1, Delete:0)",
        L"Application \"%D%\\with blank\\keep.exe\" has exited.  Continuing...",
        L"Running App: %D%\\gone.exe (Wait:1, Delete:1)", L"Running App: %D%\\nowait.exe --sleep 500 (Wait:0, Delete:1)",
        L"Continuing without waiting for \"%D%\\nowait.exe\" to exit.", L"FAILURE::Executing \"%D%\\none.exe\" File DNE."},
       [&](const Package& p) {
         EXPECT_TRUE(FileExists(p.installFile(L"with blank\\keep.exe")));
         EXPECT_FALSE(FileExists(p.installFile(L"gone.exe")));
         EXPECT_TRUE(FileExists(p.installFile(L"nowait.exe")));
         EXPECT_TRUE(PumpUntil([] { return ProcessesNamed(L"nowait.exe").empty(); }, 10000));
       }},
      {"Wait and CreateDir",
       [&](const Package& p) { CreateDirectoryW(p.installFile(L"exists").c_str(), nullptr); },
       "Command1=Wait,1\r\nCommand2=CreateDir,%INSTALLDIR%\\made\r\nCommand3=CreateDir,%INSTALLDIR%\\exists\r\n",
       {L"Sleeping for 1000 ms", L"Directory created: %D%\\made", L"[Error 183]Failed to create directory: %D%\\exists"},
       [&](const Package& p) { EXPECT_TRUE(FileExists(p.installFile(L"made"))); }},
      // Quoted fields and unknown verbs: SetupRules' field splitting and command parsing.
      {"AddRegEntry field counts",
       nullptr,
       "Command1=AddRegEntry,HKEY_CURRENT_USER,%K%\\KeyOnly\r\n"
       "Command2=AddRegEntry,HKEY_CURRENT_USER,\\%K%\\,NoType\r\n"
       "Command3=AddRegEntry,HKEY_CURRENT_USER,%K%,Zero,REG_DWORD\r\n"
       "Command5=AddRegEntry,HKEY_CURRENT_USER,%K%,Bin,REG_BINARY,01,a0,zz,FF\r\n"
       "Command6=AddRegEntry,HKEY_CURRENT_USER,%K%,Where,REG_SZ,%INSTALLDIR%\\data\r\n",
       {L"Created Key: %K%\\KeyOnly", L"Set Value: Zero [0]", L"Set Value: [binary data]",
        L"Set Value: Where [%D%\\data]"},
       [&](const Package& p) {
         const std::wstring& k = p.regKey();
         EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, k + L"\\KeyOnly"));
         EXPECT_EQ(ReadRaw(HKEY_CURRENT_USER, k, L"NoType"), (RawValue{REG_NONE, {}}));
         EXPECT_EQ(ReadRegDword(HKEY_CURRENT_USER, k, L"Zero"), 0u);
         EXPECT_EQ(ReadRaw(HKEY_CURRENT_USER, k, L"Bin"), (RawValue{REG_BINARY, {0x01, 0xA0, 0xFF}}));
       }},
      {"AddShortcut",
       [&](const Package& p) { WriteBytes(p.installFile(L"s.lnk"), "stale"); },
       "Command1=AddShortcut,%INSTALLDIR%\\s.lnk,%INSTALLDIR%\\target.exe\r\n"
       "Command2=AddShortcut,%INSTALLDIR%\\nofolder\\t.lnk,%INSTALLDIR%\\target.exe\r\n",
       {L"Creating Shortcut \\%D%\\s.lnk to \"\\%D%\\target.exe\"",
        L"FAILURE::Shortcut Creation -- \\%D%\\nofolder\\t.lnk to \"\\%D%\\target.exe\""},
       [&](const Package& p) {
         std::string target = "\"\\" + Narrow(p.rootRelative(L"inst\\target.exe")) + "\"";
         EXPECT_EQ(ReadBytes(p.installFile(L"s.lnk")), std::to_string(target.size()) + "#" + target);
         EXPECT_TRUE(Contains(p.Records(), L"S:\\" + p.rootRelative(L"inst\\s.lnk")));
         // The failed one's record, written ahead, is taken back.
         EXPECT_FALSE(ContainsPrefix(p.Records(), L"S:\\" + p.rootRelative(L"inst\\nofolder")));
       }},
      {"A long command line is one command",
       nullptr,
       "Command1=Wait,0;" + std::string(300, 'x') + "Command2=CreateDir,%INSTALLDIR%\\tail\r\n"
       "Command3=CreateDir,%INSTALLDIR%\\" + std::string(200, 'n') + "\r\n",
       {L"Sleeping for 0 ms"},
       [&](const Package& p) {
         EXPECT_FALSE(FileExists(p.installFile(L"tail")));
         EXPECT_TRUE(FileExists(p.installFile(std::wstring(200, L'n'))));
       }},
  };

  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Package pkg;
    if (c.prepare) c.prepare(pkg);
    std::string commands = c.commands;
    auto replace = [](std::string text, const std::string& from, const std::string& to) {
      for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size())) text.replace(at, from.size(), to);
      return text;
    };
    commands = replace(commands, "%K%", Narrow(pkg.regKey()));
    pkg.WriteIni(Ini(pkg, commands));
    ASSERT_EQ(pkg.Install(), 0);
    auto log = pkg.Log();
    for (std::wstring line : c.lines) {
      line = Widen(replace(replace(Narrow(line), "%D%", Narrow(pkg.rootRelative(L"inst"))), "%K%", Narrow(pkg.regKey())));
      EXPECT_TRUE(Contains(log, line)) << Narrow(line);
    }
    if (c.check) c.check(pkg);
  }
}

TEST(SetupCommands, ShortcutsSectionSkipsPairsWithoutAShortcutPath) {
  Package pkg;
  const std::string dir = Narrow(pkg.devicePath(L"inst"));
  pkg.WriteIni("[General]\r\nVerboseLogging=Y\r\n[Shortcuts]\r\n"
               "ProgramPathName1=" + dir + "\\one.exe\r\nShortcutPathName1=" + dir + "\\one.lnk\r\n"
               "ProgramPathName2=" + dir + "\\two.exe\r\n"
               "ProgramPathName3=" + dir.substr(1) + "\\three.exe\r\nShortcutPathName3=" + dir + "\\three.lnk\r\n"
               "ProgramPathName4=\\Windows\\qzrsetup-test.exe\r\nShortcutPathName4=%CSIDL_PROGRAMS%\\qzrsetup-test.lnk\r\n"
               "ShortcutPathName5=" + dir + "\\five.lnk\r\n"
               "ProgramPathName6=" + dir + "\\six.exe\r\nShortcutPathName6=" + dir + "\\six.lnk\r\n");
  ASSERT_EQ(pkg.Install(), 0);
  std::string three = "\"" + dir + "\\three.exe\"";  // a leading backslash added, then quoted
  EXPECT_EQ(ReadBytes(pkg.installFile(L"one.lnk")), std::to_string(dir.size() + 10) + "#\"" + dir + "\\one.exe\"");
  EXPECT_EQ(ReadBytes(pkg.installFile(L"three.lnk")), std::to_string(three.size()) + "#" + three);
  EXPECT_FALSE(FileExists(pkg.installFile(L"two.lnk")));
  EXPECT_FALSE(FileExists(pkg.installFile(L"five.lnk")));
  EXPECT_FALSE(FileExists(pkg.installFile(L"six.lnk")));  // the list ended at the missing ProgramPathName5
  const std::wstring programs = L"C:\\Windows\\Start Menu\\Programs\\qzrsetup-test.lnk";
  EXPECT_TRUE(FileExists(programs));
  auto log = pkg.Log();
  EXPECT_TRUE(Contains(log, L"CheckSetMacro pszBuffer = \\Windows\\Start Menu\\Programs\\qzrsetup-test.lnk"));
  EXPECT_TRUE(Contains(pkg.Records(), L"S:\\Windows\\Start Menu\\Programs\\qzrsetup-test.lnk"));

  ASSERT_EQ(pkg.Uninstall(), 0);
  EXPECT_FALSE(FileExists(programs));
}

TEST(SetupCommands, UninstallRemovesExactlyWhatWasRecorded) {
  Package pkg;
  const std::wstring app = pkg.folder() + L"app";
  const std::string appDevice = Narrow(pkg.devicePath(L"app"));
  CreateDirectoryW(app.c_str(), nullptr);
  CreateDirectoryW((app + L"\\Data").c_str(), nullptr);
  CreateDirectoryW((app + L"\\Data\\Deep").c_str(), nullptr);
  WriteBytes(app + L"\\Data\\Deep\\d.txt", "d");
  WriteBytes(app + L"\\listed.txt", "l");
  WriteBytes(app + L"\\unlisted.txt", "u");
  pkg.AddProgram(L"qzrhook.exe", L"cleanup.exe");
  pkg.WriteIni("[Paths]\r\nPath1=" + appDevice + "\r\n"
               "[Uninstall_Removals]\r\n"
               "Dir1=\\%INSTALLDIR%\\Data\\\r\n"
               "File1=%INSTALLDIR%\\listed.txt\r\n"
               "Other=%INSTALLDIR%\\unlisted.txt\r\n"
               "ExitAppPathName=" + Narrow(pkg.installDir()) + "\\cleanup.exe\r\n"
               "[Uninstall_Commands]\r\nCommand1=DeleteFile,\\" + Narrow(pkg.rootRelative(L"missing.txt")) + "\r\n");
  ASSERT_EQ(pkg.Install(), 0);
  const std::wstring appPath = pkg.rootRelative(L"app");
  EXPECT_EQ(pkg.Records(), (std::vector<std::wstring>{L"A:" + pkg.installDir() + L"\\cleanup.exe",
                                                       L"D:" + appPath + L"\\Data", L"F:" + appPath + L"\\listed.txt"}));
  ASSERT_EQ(pkg.Uninstall(), 0);
  EXPECT_FALSE(FileExists(app + L"\\Data"));
  EXPECT_FALSE(FileExists(app + L"\\listed.txt"));
  EXPECT_TRUE(FileExists(app + L"\\unlisted.txt"));
  EXPECT_FALSE(FileExists(pkg.folder() + L"inst"));  // the exit app ran and the directory went
}

TEST(SetupCommands, DoUninstallProcessesTheDataOnce) {
  struct Case {
    bool doUninstall;
    bool targetSurvives;  // the copy after DoUninstall is not undone by a second pass
  } cases[] = {{true, true}, {false, false}};
  for (const Case& c : cases) {
    Package pkg;
    const std::wstring target = pkg.folder() + L"target.txt";
    WriteBytes(pkg.folder() + L"source.txt", "s");
    const std::string targetDevice = Narrow(pkg.devicePath(L"target.txt"));
    std::string commands = c.doUninstall ? "Command1=DoUninstall\r\n" : "";
    commands += "Command2=CopyFile," + Narrow(pkg.devicePath(L"source.txt")) + "," + targetDevice + "\r\n";
    pkg.WriteIni("[Uninstall_Removals]\r\nFile1=" + targetDevice + "\r\n[Uninstall_Commands]\r\n" + commands);
    ASSERT_EQ(pkg.Install(), 0);
    WriteBytes(target, "installed");
    ASSERT_EQ(pkg.Uninstall(), 0);
    EXPECT_EQ(FileExists(target), c.targetSurvives) << c.doUninstall;
  }
}

TEST(SetupCommands, TreeDeletionNeverTouchesTheRoot) {
  struct Case {
    const wchar_t* path;
    bool root;
  } cases[] = {{L"", true}, {L"\\", true}, {L"C:\\", true}, {L"C:", true}, {L"\\.", true}, {L"\\\\", true},
               {L"\\Program Files", false}, {L"a", false}, {L"C:\\qzrtest", false}};
  for (const Case& c : cases) EXPECT_EQ(qzrsetup::IsDeviceRoot(c.path), c.root) << Narrow(c.path);

  Package pkg;
  const std::wstring tree = pkg.folder() + L"tree";
  CreateDirectoryW(tree.c_str(), nullptr);
  CreateDirectoryW((tree + L"\\sub").c_str(), nullptr);
  WriteBytes(tree + L"\\sub\\a.txt", "a");
  qzrsetup::DeleteTree(pkg.devicePath(L"tree"));
  EXPECT_TRUE(FileExists(tree));  // the directory itself stays for the caller
  EXPECT_FALSE(FileExists(tree + L"\\sub"));
}
