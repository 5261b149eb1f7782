// Archives from administrators' zip tools (made by make_tool_zips.sh) installed through the cabinet host.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "SetupHarness.h"

using namespace setup_test;
using namespace testing_support;

namespace {

const std::wstring kToolZips = Widen(QZR_TOOL_ZIPS);

const std::wstring kDonnees = L"Donn\u00e9es";
const std::string kCafe = "caf\xc3\xa9";
const std::string kNaive = "na\xc3\xafve";

// A package folder holding the INI file and one archive, as the cabinet would bring it.
std::wstring MakeSource(const Package& pkg, const std::wstring& archive) {
  const std::wstring src = pkg.Source("[General]\r\nVerboseLogging=Y\r\n[Paths]\r\nPath1=" + Narrow(pkg.devicePath(L"app")) + "\r\n");
  EXPECT_TRUE(CopyFileW((kToolZips + L"/" + archive).c_str(), (src + L"\\" + archive).c_str(), FALSE))
      << "missing " << Narrow(archive) << " (made by make_tool_zips.sh)";
  return src;
}

}  // namespace

TEST(SetupZipTools, InstallAndUninstallNamesAndFolders) {
  struct File {
    std::wstring path;  // below the install path
    std::string bytes;
  };
  const std::vector<File> utf8Files = {{kDonnees + L"\\caf\u00e9.txt", kCafe},
                                       {kDonnees + L"\\sub\\deeper\\na\u00efve.txt", kNaive}};
  struct Case {
    const wchar_t* archive;
    bool userFile;  // the install path holds a file of the user's beforehand
    std::vector<File> files;
    std::vector<std::wstring> folders;  // created below the install path, recorded and removed
  };
  const std::vector<std::wstring> utf8Folders = {kDonnees, kDonnees + L"\\sub", kDonnees + L"\\sub\\deeper"};
  const Case cases[] = {
      // Info-ZIP lists Données/sub/ before Données/sub/deeper/ and sets no UTF-8 flag.
      {L"infozip_utf8.zip", true, utf8Files, utf8Folders},
      // zip -D and Python write no folder entries: every folder comes from a file's path.
      {L"infozip_nodirs.zip", true, utf8Files, utf8Folders},
      {L"python_utf8.zip", false, utf8Files, utf8Folders},
      {L"python_comment.zip", false, {{L"comment.txt", "comment"}}, {}},
      {L"python_unicode_field.zip", false, {{L"\u00dcnicode.txt", "field"}}, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(Narrow(c.archive) + (c.userFile ? " with a user file" : ""));
    Package pkg;
    const std::wstring app = pkg.folder() + L"app\\";
    const std::wstring appPath = pkg.rootRelative(L"app");
    // The install path is chosen only among folders that exist.
    CreateDirectoryW(app.c_str(), nullptr);
    if (c.userFile) WriteBytes(app + L"user.txt", "mine");
    ASSERT_EQ(RunHost(L"install \"" + MakeSource(pkg, c.archive) + L"\" \"" + pkg.installDir() + L"\""), 0);
    EXPECT_EQ(pkg.Log().back(), L"qzrCEInstall Complete!");
    for (const File& f : c.files) EXPECT_EQ(ReadBytes(app + f.path), f.bytes) << Narrow(f.path);

    auto records = pkg.Records();
    // The install path was there before: not the package's to remove.
    EXPECT_FALSE(Contains(records, L"F:" + appPath + L"\\"));
    for (const std::wstring& folder : c.folders)
      EXPECT_TRUE(Contains(records, L"F:" + appPath + L"\\" + folder + L"\\")) << Narrow(folder);

    ASSERT_EQ(RunHost(L"uninstall \"" + pkg.installDir() + L"\""), 0);
    for (const File& f : c.files) EXPECT_FALSE(FileExists(app + f.path)) << Narrow(f.path);
    for (const std::wstring& folder : c.folders) EXPECT_FALSE(FileExists(app + folder)) << Narrow(folder);
    EXPECT_TRUE(FileExists(app));
    if (c.userFile) EXPECT_EQ(ReadBytes(app + L"user.txt"), "mine");
  }
}

TEST(SetupZipTools, FailuresNameTheirCause) {
  const std::wstring flation = L"Zip-bug: an internal error during flation";
  const std::wstring corrupt = L"Zipfile is corrupt or not a zipfile";
  struct Case {
    const wchar_t* archive;
    std::wstring message;  // the line (or the end of the line) that states the result, with its line feed
    std::wstring cause;
  };
  const Case cases[] = {
      {L"python_bzip2.zip", L"Critical error extracting file: packed.txt -- " + flation + L"\n",
       L"unsupported compression method 12 (bzip2)"},
      {L"python_lzma.zip", L"Critical error extracting file: packed.txt -- " + flation + L"\n",
       L"unsupported compression method 14 (LZMA)"},
      {L"infozip_badcrc.zip", L"Critical error extracting file: plain.txt -- " + flation + L"\n", L"CRC mismatch"},
      // zip -s 64k of 200,000 random bytes: four pieces, the directory on the last.
      {L"infozip_split.zip", corrupt + L"\n\nInstallation incomplete\n", L"split archive (disk 4 of 4)"},
      {L"python_empty.zip", corrupt + L"\n\nInstallation incomplete\n", L"archive holds no entries"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(Narrow(c.archive));
    Package pkg;
    // The log as the host printed it (with bare line feeds): the rollback of a failed install
    // removes the install folder with the log file in it.
    std::string printed;
    EXPECT_NE(RunHost(L"install \"" + MakeSource(pkg, c.archive) + L"\" \"" + pkg.installDir() + L"\"", false, &printed), 0);
    const std::wstring log = Widen(printed);
    const size_t message = log.find(c.message);
    ASSERT_NE(message, std::wstring::npos) << Narrow(log);
    const std::wstring causeLine = L"Extracting " + std::wstring(c.archive) + L" - " + c.cause + L"\n";
    const size_t cause = log.find(causeLine, message);
    ASSERT_NE(cause, std::wstring::npos) << Narrow(log);
    // The very next line, time stamp and all.
    const size_t next = message + c.message.size();
    EXPECT_EQ(log.substr(next, cause - next).find(L'\n'), std::wstring::npos) << Narrow(log);
    // Nothing of a refused entry stays behind.
    EXPECT_FALSE(FileExists(pkg.folder() + L"app\\packed.txt"));
    EXPECT_FALSE(FileExists(pkg.folder() + L"app\\plain.txt"));
  }
}
