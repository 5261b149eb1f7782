// The cabinet installer host behaves like the device's: device paths, rollback, and no uninstall without a record.
#include <gtest/gtest.h>

#include "SetupHarness.h"

using namespace setup_test;
using namespace testing_support;

namespace {

std::wstring Quoted(const std::wstring& s) { return L"\"" + s + L"\""; }

}  // namespace

TEST(CabinetHost, DevicePathsResolveOnTheRootWhereverItStarts) {
  Package pkg;
  const std::wstring src = pkg.Source("[Paths]\r\nPath1=" + Narrow(pkg.devicePath(L"app")) + "\r\n");
  ASSERT_TRUE(WriteZip(src + L"\\p.zip", {{"%INSTALLDIR%/hello.txt", "hi"}}));
  ASSERT_TRUE(CreateDirectoryW((pkg.folder() + L"app").c_str(), nullptr));

  // Started in a folder that is not the device root, with the package named relative to it.
  for (const std::wstring& startFolder : {BinFolder(), pkg.folder()}) {
    SCOPED_TRACE(Narrow(startFolder));
    const std::wstring package = startFolder == pkg.folder() ? L"src" : src;
    std::string output;
    EXPECT_EQ(RunHost(L"install " + Quoted(package) + L" " + Quoted(pkg.installDir()), false, &output, startFolder), 0)
        << output;
    EXPECT_EQ(output.find("No zip file(s) found"), std::string::npos) << output;
    EXPECT_EQ(ReadBytes(pkg.folder() + L"app\\hello.txt"), "hi");

    EXPECT_EQ(RunHost(L"uninstall " + Quoted(pkg.installDir()), false, &output, startFolder), 0) << output;
    EXPECT_FALSE(FileExists(pkg.folder() + L"app\\hello.txt"));
    EXPECT_FALSE(FileExists(pkg.installFile(L"")));
  }
}

TEST(CabinetHost, ARolledBackInstallIsUninstalled) {
  // The zip's second entry cannot be written, so Install_Exit answers 1 after the install path
  // value, its record and the first file are in place.
  Package pkg;
  const std::wstring app = pkg.folder() + L"app\\";
  ASSERT_TRUE(CreateDirectoryW(app.c_str(), nullptr));
  ASSERT_TRUE(CreateDirectoryW((app + L"blocked.txt").c_str(), nullptr));
  const std::wstring src =
      pkg.Source("[Paths]\r\nPath1=" + Narrow(pkg.devicePath(L"app")) + "\r\n"
                 "[AddInstallPathToRegistry]\r\nAddPathToRegistry_Init=Y\r\nPredefinedKey=HKEY_CURRENT_USER\r\n"
                 "Subkey=" + Narrow(pkg.regKey()) + "\\Path\r\nValue=Dir\r\n"
                 "[Uninstall_Commands]\r\nCommand1=CreateDir,\\" + Narrow(pkg.rootRelative(L"uninstalled")) + "\r\n");
  ASSERT_TRUE(WriteZip(src + L"\\p.zip", {{"%INSTALLDIR%/ok.txt", "o"}, {"%INSTALLDIR%/blocked.txt", "b"}}));

  std::string output;
  EXPECT_EQ(RunHost(L"install " + Quoted(src) + L" " + Quoted(pkg.installDir()), false, &output), 1) << output;
  EXPECT_NE(output.find("Uninstall_Init returned 0"), std::string::npos) << output;
  EXPECT_NE(output.find("Uninstall_Exit returned 0"), std::string::npos) << output;
  // The device's uninstall ran: commands, records, copied files and the folder are gone.
  EXPECT_TRUE(FileExists(pkg.folder() + L"uninstalled"));
  EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, pkg.regKey() + L"\\Path"));
  EXPECT_FALSE(FileExists(app + L"ok.txt"));
  EXPECT_FALSE(FileExists(pkg.installFile(L"p.zip")));
  EXPECT_FALSE(FileExists(pkg.installFile(L"")));
  // No record is left behind: a second uninstall finds nothing to do.
  EXPECT_EQ(RunHost(L"uninstall " + Quoted(pkg.installDir())), 4);
}

TEST(CabinetHost, RefusesToUninstallAFolderItHasNoRecordOf) {
  Package pkg;
  const std::wstring victim = pkg.folder() + L"victim";
  ASSERT_TRUE(CreateDirectoryW(victim.c_str(), nullptr));
  ASSERT_TRUE(WriteBytes(victim + L"\\precious.txt", "keep"));
  std::string output;
  EXPECT_EQ(RunHost(L"uninstall " + Quoted(pkg.devicePath(L"victim")), false, &output), 4);
  EXPECT_NE(output.find("no record of an installation in " + Narrow(pkg.devicePath(L"victim")) + ": nothing uninstalled"),
            std::string::npos)
      << output;
  EXPECT_EQ(output.find("Uninstall_Init"), std::string::npos) << output;
  EXPECT_EQ(ReadBytes(victim + L"\\precious.txt"), "keep");
}
