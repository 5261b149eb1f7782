// Install_Exit and Uninstall_Init of the real DLL: settings, log form, versions, paths, hooks, reboots, progress window.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "DeviceProfile.h"
#include "SetupHarness.h"

using namespace setup_test;
using namespace testing_support;

TEST(SetupInstall, EmptyPackageLogsItsDefaultsAndUninstallsCleanly) {
  Package pkg;
  ASSERT_EQ(pkg.Install(), 0);
  auto log = pkg.Log();
  const std::wstring dir = pkg.rootRelative(L"inst");
  for (const wchar_t* line :
       {L"qzrCEInstall v1.05t01 Starting", L"<RUNNING_PROCESS_LIST>", L"</RUNNING_PROCESS_LIST>", L"AutoCab.exe is NOT running",
        L"General Settings: Reboot = FALSE", L"General Settings: Overwrite Files = TRUE",
        L"General Settings: Verbose Logging = FALSE", L"General Settings: Abort On Error = TRUE", L"Install Path not set",
        L"No Init Application Hook set", L"No Exit Application Hook set", L"No Exit App found"})
    EXPECT_TRUE(Contains(log, line)) << Narrow(line);
  EXPECT_TRUE(Contains(log, L"No zip file(s) found in " + dir));
  EXPECT_EQ(log.front(), L"Using INI: " + pkg.installDir() + L"\\qzrCeInstall.ini");
  EXPECT_EQ(log.back(), L"qzrCEInstall Complete!");
  EXPECT_FALSE(ContainsPrefix(log, L"Entering GetInstallPath()"));  // verbose only
  EXPECT_TRUE(ContainsPrefix(log, L"[setup_install.exe] to autocab.exe = "));

  // UTF-16LE without a byte-order mark, every line ending in CR LF.
  auto bytes = ReadBytes(pkg.installFile(L"qzrCEInstall.log"));
  ASSERT_TRUE(bytes && bytes->size() > 4);
  EXPECT_EQ(bytes->size() % 2, 0u);
  EXPECT_TRUE((*bytes)[0] >= '0' && (*bytes)[0] <= '1' && (*bytes)[1] == '\0');
  EXPECT_EQ(bytes->substr(bytes->size() - 4), std::string("\r\0\n\0", 4));

  EXPECT_EQ(pkg.CommandFile(), std::string("[Uninstall_Commands]\r\n"));
  EXPECT_TRUE(pkg.Records().empty());

  EXPECT_EQ(pkg.Uninstall(), 0);
  EXPECT_FALSE(FileExists(pkg.folder() + L"inst"));
}

TEST(SetupInstall, GeneralSettingsAndVerboseLines) {
  // A long comment line before the keys does not hide them.
  Package pkg;
  pkg.WriteIni("[General]\r\n;" + std::string(400, '-') +
               "\r\nReboot=yes\r\nOverwriteFiles=N\r\nVerboseLogging=y\r\nAbortInstallOnError=TRUE\r\n");
  ASSERT_EQ(pkg.Install(), 0);
  auto log = pkg.Log();
  for (const wchar_t* line :
       {L"General Settings: Reboot = FALSE", L"General Settings: Verbose Logging = TRUE",
        L"General Settings: Abort On Error = FALSE", L"Entering GetInstallPath()", L"End found", L"Leaving GetInstallPath()",
        L"tszKey = Path1 -- g_tszInstallPath = DNE", L"Entering GetUninstallInfo()"})
    EXPECT_TRUE(Contains(log, line)) << Narrow(line);
  EXPECT_FALSE(Contains(log, L"General Settings: Overwrite Files = TRUE"));
  EXPECT_FALSE(FileExists(pkg.installFile(L"qzrCeInstall.ini")));  // deleted after a successful run
}

TEST(SetupInstall, VersionRequirement) {
  struct Case {
    const wchar_t* installed;  // nullptr: no value
    std::string requirement;
    int result;
    const wchar_t* wrongLine;
  } cases[] = {
      {L"2.10", "MajorVersion=2\r\nMinorVersion=5\r\n", 0, nullptr},
      {L"2.10", "MajorVersion=2\r\nMinorVersion=5\r\nExactVersion=y\r\n", 1, L"Wrong version installed -- 2.10."},
      {nullptr, "MajorVersion=0\r\nMinorVersion=1\r\n", 1, L"Wrong version installed -- 0.00."},
      {nullptr, "MajorVersion=2\r\n", 0, nullptr},  // MinorVersion missing: no requirement
  };
  for (const Case& c : cases) {
    Package pkg;
    if (c.installed) WriteRegString(HKEY_CURRENT_USER, pkg.regKey(), L"Version", c.installed);
    std::string key = Narrow(pkg.regKey());
    pkg.WriteIni("[General]\r\nVerboseLogging=Y\r\n[MinimumPreviousInstallVersion]\r\n" + c.requirement +
                 "PredefinedKey=HKEY_CURRENT_USER\r\nSubkey=" + key + "\r\nAppNAme=Version\r\n"
                 "[RegistryAdditions]\r\nPredefinedKey1=HKEY_CURRENT_USER\r\nSubKey1=" + key + "\\Added\r\n"
                 "DataType1=QZR_REG_KEY_ONLY\r\n");
    EXPECT_EQ(pkg.Install(), c.result) << c.requirement;
    auto log = pkg.Log();
    const bool refused = c.wrongLine != nullptr;
    if (refused) {
      EXPECT_TRUE(Contains(log, c.wrongLine)) << c.requirement;
    }
    // After a refusal nothing else happened: the INI stays, no registry additions.
    EXPECT_EQ(Contains(log, L"qzrCEInstall Complete!"), !refused) << c.requirement;
    EXPECT_EQ(FileExists(pkg.installFile(L"qzrCeInstall.ini")), refused) << c.requirement;
    EXPECT_EQ(KeyExists(HKEY_CURRENT_USER, pkg.regKey() + L"\\Added"), !refused) << c.requirement;
    EXPECT_EQ(ContainsPrefix(log, L"Desired Version = "), c.requirement.find("Minor") != std::string::npos);
  }
}

TEST(SetupInstall, InstallPathChoice) {
  Package pkg;
  CreateDirectoryW((pkg.folder() + L"present").c_str(), nullptr);
  const std::string missing = Narrow(pkg.devicePath(L"missing"));
  const std::string present = Narrow(pkg.devicePath(L"present\\"));
  std::wstring parent = pkg.rootRelative(L"");
  parent.pop_back();
  struct Case {
    std::string paths;
    std::wstring want;  // empty: not set
  } cases[] = {
      {"Path1=" + missing + "\r\nPath2=" + present + "\r\n", pkg.rootRelative(L"present")},
      {"Path1=DNE\r\nPath2=" + present + "\r\n", L""},
      {"Path1=" + present + "\r\n[General]\r\nKBNeeded=4000000000\r\n", L""},
      {"Path1=" + missing + "\r\nPath2=Use_WCELoad_Path\r\n", parent},
      {"Path1=use_wceload_path\r\n", L""},  // compared exactly: a directory that does not exist
  };
  for (const Case& c : cases) {
    pkg.WriteIni("[Paths]\r\n" + c.paths);
    ASSERT_EQ(pkg.Install(), 0);
    auto log = pkg.Log();
    if (c.want.empty()) EXPECT_TRUE(Contains(log, L"Install Path not set")) << c.paths;
    else EXPECT_TRUE(Contains(log, L"Install Path set: " + c.want)) << c.paths;
  }
}

TEST(SetupInstall, UninstallCommandsAreCarriedInTheCommandFile) {
  Package pkg;
  pkg.WriteIni(
      "[Uninstall_Commands]\r\n"
      "Command1=DeleteFile,\\nothing.txt\r\n"
      "C=short names are not copied\r\n"
      "AB=neither\r\n"
      "Cmd=three characters are\r\n"
      "Command9=ExecuteApp,\"\\A B\\x.exe\",N,N\r\n"
      "[Other]\r\n");
  ASSERT_EQ(pkg.Install(), 0);
  EXPECT_EQ(pkg.CommandFile(), std::string("[Uninstall_Commands]\r\n"
                                           "Command1=DeleteFile,\\nothing.txt\r\n"
                                           "Cmd=three characters are\r\n"
                                           "Command9=ExecuteApp,\"\\A B\\x.exe\",N,N\r\n"));
  EXPECT_TRUE(Contains(pkg.Log(), L"Locating INI Section (Uninstall_Commands)"));
}

TEST(SetupInstall, HookExitCode1013RequestsAReset) {
  struct Case {
    bool asAutoCab;
    bool withHook;  // otherwise Reboot=Y
    bool carriesRebootHelper;
  } cases[] = {{false, true, true}, {true, true, true}, {false, false, false}, {true, false, false}};
  const std::wstring resetFlag = L"C:\\Windows\\__resetmeplease__.txt";
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "autocab " << c.asAutoCab << " hook " << c.withHook);
    Package pkg;
    ProfileScope profile;
    profile.Set(wince::profile::kJournalFile, pkg.folder() + L"journal.txt");
    Journal journal;
    SetFileAttributesW(resetFlag.c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileW(resetFlag.c_str());

    std::string ini = "[Paths]\r\nPath1=" + Narrow(pkg.installDir()) + "\r\n[General]\r\nVerboseLogging=Y\r\n";
    ini += c.withHook ? "[AppHook_Init]\r\nFilePathName=%INSTALLDIR%\\qzrhook.exe --exit 1013\r\nWaitForAppExit=Y\r\n"
                      : "Reboot=Y\r\n";
    std::vector<std::wstring> programs = {L"qzrhook.exe"};
    if (c.carriesRebootHelper) programs.push_back(L"qzrRebootDevice.exe");
    const std::wstring src = pkg.Source(ini, programs);

    ASSERT_EQ(RunHost(L"install \"" + src + L"\" \"" + pkg.installDir() + L"\"", c.asAutoCab), 0);
    auto log = pkg.Log();
    EXPECT_EQ(Contains(log, L"App requested reset when complete."), c.withHook);
    EXPECT_TRUE(Contains(log, c.asAutoCab ? L"AutoCab.exe is running" : L"AutoCab.exe is NOT running"));
    const std::wstring helper = pkg.installDir() + L"\\qzrRebootDevice.exe";
    if (c.asAutoCab) {
      DWORD attributes = GetFileAttributesW(resetFlag.c_str());
      ASSERT_NE(attributes, INVALID_FILE_ATTRIBUTES);
      EXPECT_TRUE(attributes & FILE_ATTRIBUTE_HIDDEN);
      EXPECT_FALSE(Contains(log, L"qzrCEInstall Finished! -- Calling external reboot application"));
      EXPECT_TRUE(ContainsPrefix(log, L"[autocab.exe] to autocab.exe = 0"));
    } else {
      EXPECT_FALSE(FileExists(resetFlag));
      EXPECT_TRUE(Contains(log, L"qzrCEInstall Finished! -- Calling external reboot application"));
      if (c.carriesRebootHelper) {
        EXPECT_TRUE(Contains(log, L"Create Process \"" + helper + L"\" succeeded."));
        EXPECT_TRUE(journal.WaitFor("qzrRebootDevice reset requested", 10000)) << journal.Dump();
      } else {
        EXPECT_TRUE(Contains(log, L"FAILURE::Executing \"" + helper + L"\" File DNE."));
      }
    }
    EXPECT_EQ(log.back(), L"qzrCEInstall Complete!");
    EXPECT_EQ(RunHost(L"uninstall \"" + pkg.installDir() + L"\""), 0);
    SetFileAttributesW(resetFlag.c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileW(resetFlag.c_str());
  }
}

TEST(SetupInstall, HookFlagsDecideWaitingAndDeleting) {
  struct Case {
    std::string hook;
    bool waited, deleted;
  } cases[] = {
      {"WaitForAppExit=Y\r\nDeleteApp=Y\r\n", true, true},
      {"WaitForAppExit=Y\r\nDeleteApp=N\r\n", true, false},
      {"WaitForAppExit=N\r\nDeleteApp=Y\r\n", false, false},  // delete applies only after waiting
  };
  for (const Case& c : cases) {
    Package pkg;
    pkg.AddProgram(L"qzrhook.exe", L"hook.exe");
    const std::wstring note = pkg.folder() + L"note.txt";
    pkg.WriteIni("[General]\r\nVerboseLogging=Y\r\n[Paths]\r\nPath1=" + Narrow(pkg.installDir()) +
                 "\r\n[AppHook_Exit]\r\n" + c.hook + "[AppHook]\r\nFilePathName=%INSTALLDIR%\\hook.exe --note " +
                 Narrow(note) + " --sleep 300\r\n");
    ASSERT_EQ(pkg.Install(), 0);
    auto log = pkg.Log();
    const std::wstring program = pkg.rootRelative(L"inst\\hook.exe");
    EXPECT_TRUE(Contains(log, L"Exit Application Hook: " + program + L" --note " + note + L" --sleep 300")) << c.hook;
    EXPECT_TRUE(Contains(log, L"Create Process \"" + program + L"\" succeeded."));
    EXPECT_EQ(Contains(log, L"Application \"" + program + L"\" has exited.  Continuing..."), c.waited) << c.hook;
    EXPECT_EQ(Contains(log, L"Continuing without waiting for \"" + program + L"\" to exit."), !c.waited) << c.hook;
    EXPECT_EQ(FileExists(pkg.installFile(L"hook.exe")), !c.deleted) << c.hook;
    if (!c.waited) EXPECT_TRUE(PumpUntil([] { return ProcessesNamed(L"hook.exe").empty(); }, 10000)) << c.hook;
    auto lines = ReadLines(note);
    ASSERT_EQ(lines.size(), 1u) << c.hook;
    EXPECT_EQ(lines[0], "ran --note " + Narrow(note) + " --sleep 300");
  }
}

TEST(SetupInstall, CancelRemovesOnlyTheProgressWindow) {
  Package pkg;
  const std::wstring note = pkg.folder() + L"note.txt";
  const std::wstring src = pkg.Source("[Paths]\r\nPath1=" + Narrow(pkg.installDir()) +
                                          "\r\n[AppHook_Init]\r\nFilePathName=%INSTALLDIR%\\qzrhook.exe --cancel --note " +
                                          Narrow(note) + "\r\nWaitForAppExit=Y\r\n"
                                          "[RegistryAdditions]\r\nPredefinedKey1=HKEY_CURRENT_USER\r\nSubKey1=" +
                                          Narrow(pkg.regKey()) + "\r\nValue1=After\r\nDataType1=REG_DWORD\r\nData1=1\r\n",
                                      {L"qzrhook.exe"});
  ASSERT_EQ(RunHost(L"install \"" + src + L"\" \"" + pkg.installDir() + L"\""), 0);
  auto lines = ReadLines(note);
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_NE(lines[0].find("|progress window status=Running INIT app..."), std::string::npos) << lines[0];
  // The steps after the Cancel still ran.
  EXPECT_EQ(ReadRegDword(HKEY_CURRENT_USER, pkg.regKey(), L"After"), 1u);
  EXPECT_EQ(pkg.Log().back(), L"qzrCEInstall Complete!");
  EXPECT_EQ(RunHost(L"uninstall \"" + pkg.installDir() + L"\""), 0);
  EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, pkg.regKey()));
}

namespace {

// A dialog with the progress bar (control 1000) among the thread's top-level windows.
bool ThreadHasProgressWindow(DWORD threadId) {
  for (HWND w = nullptr; (w = FindWindowExW(nullptr, w, L"#32770", nullptr)) != nullptr;)
    if (GetWindowThreadProcessId(w, nullptr) == threadId && GetDlgItem(w, 1000)) return true;
  return false;
}

}  // namespace

// However an installation ends, its progress window goes with it: the early returns too,
// after which the installer would otherwise keep a window nothing ever closes.
TEST(SetupInstall, EveryEndingTakesTheProgressWindowAway) {
  struct Case {
    const char* name;
    std::string ini;
    std::string zip;  // bytes of a package zip; empty for none
    int result;
    const wchar_t* line;  // the line that shows how it ended
  } cases[] = {
      {"refused version",
       "[MinimumPreviousInstallVersion]\r\nMajorVersion=9\r\nMinorVersion=0\r\n"
       "PredefinedKey=HKEY_CURRENT_USER\r\nSubkey=Software\\qzrtest-none\r\nAppNAme=Version\r\n",
       "", 1, L"Wrong version installed -- 0.00."},
      {"damaged zip", "", "not an archive at all", 1, L"An Error occurred during unzip."},
      {"complete", "", "", 0, L"qzrCEInstall Complete!"},
  };
  const DWORD thread = GetCurrentThreadId();
  for (const Case& c : cases) {
    Package pkg;
    pkg.AddProgram(L"qzrhook.exe", L"qzrhook.exe");
    // The Init command keeps the installation waiting while the watcher looks for the window.
    pkg.WriteIni("[Paths]\r\nPath1=" + Narrow(pkg.installDir()) +
                 "\r\n[Init_Commands]\r\nCommand1=ExecuteApp,%INSTALLDIR%\\qzrhook.exe --sleep 1500,Y,N\r\n" + c.ini);
    if (!c.zip.empty()) pkg.AddFile(L"payload.zip", c.zip);

    std::atomic<bool> running{true}, seen{false};
    std::thread watcher([&] {
      while (running && !seen) {
        if (ThreadHasProgressWindow(thread)) seen = true;
        Sleep(50);
      }
    });
    const int result = pkg.Install();
    running = false;
    watcher.join();

    EXPECT_EQ(result, c.result) << c.name;
    EXPECT_TRUE(seen) << c.name << ": no progress window while the installation ran";
    EXPECT_FALSE(ThreadHasProgressWindow(thread)) << c.name << ": progress window left behind";
    EXPECT_TRUE(Contains(pkg.Log(), c.line)) << c.name;
  }
}
