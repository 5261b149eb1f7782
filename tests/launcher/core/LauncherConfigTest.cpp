// Loading menu.ini into LauncherConfig from real files: fields, defaults, password conversion, card folder.
#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include "core/IniFile.h"
#include "core/LauncherConfig.h"
#include "core/MenuRules.h"
#include "TestSupport.h"

using namespace testing_support;

namespace qzr {
// Readable slots in failure messages.
void PrintTo(const ButtonSlot& b, std::ostream* os) {
  *os << Narrow(b.caption + L"|" + b.exePath + L"|" + b.parameters + L"|" + b.iconPath) << "|" << b.needsSignal
      << b.singleInstance;
}
void PrintTo(const AppKeySlot& k, std::ostream* os) {
  *os << Narrow(k.appKeyExe + L"|" + k.appKeyShortcut + L"|" + k.appKeyTitle) << "|" << k.appKeyConfigured
      << k.appKeyWhitelisted;
}
}  // namespace qzr

namespace {

constexpr wchar_t kModule[] = L"\\Flash File Store\\Launcher\\QZRShell.exe";

// A load from a scratch folder; the root for card folders is a scratch folder too.
qzr::MenuLocation ScratchLocation(const ScratchFolder& folder, const ScratchFolder& root) {
  qzr::MenuLocation where;
  where.iniPath = folder / L"menu.ini";
  where.launcherFolder = L"\\flash file store\\launcher\\";
  where.launcherModuleName = kModule;
  where.cardRoot = root.path();
  return where;
}

FILETIME Time(ULONGLONG ticks) {
  FILETIME t;
  t.dwLowDateTime = static_cast<DWORD>(ticks);
  t.dwHighDateTime = static_cast<DWORD>(ticks >> 32);
  return t;
}

ULONGLONG Ticks(const FILETIME& t) { return (ULONGLONG(t.dwHighDateTime) << 32) | t.dwLowDateTime; }

// Each test's menu.ini in a folder of its own; card folders are looked for under a scratch root.
class LauncherConfig : public testing::Test {
 protected:
  qzr::MenuConfig Load() const { return qzr::ReadMenuConfig(ScratchLocation(folder, root)); }
  ScratchFolder folder{L"cfg"};
  ScratchFolder root{L"cfgroot"};
  std::wstring path = folder / L"menu.ini";
};

void ExpectDefaults(const qzr::MenuConfig& config) {
  EXPECT_EQ(config.buttonCount, 0);
  EXPECT_EQ(config.buttons, qzr::MenuConfig{}.buttons);
  EXPECT_EQ(config.appKeys, qzr::MenuConfig{}.appKeys);
  EXPECT_EQ(config.autoStart, 1);
  EXPECT_EQ(config.fullScreen, 1);
  EXPECT_EQ(config.startIconHidden, 0);
  EXPECT_EQ(config.restoreOnTermination, 0);
  EXPECT_EQ(config.EnableDeviceLockKeys + config.EnablePhoneKeys + config.EnableTaskManagerKeys +
                config.EnableVolumeKeys + config.EnableWindowsKey + config.EnableOrangePlaneVolumeUp +
                config.EnableSk1AndSk2,
            0);
  EXPECT_TRUE(config.password.empty());
  EXPECT_TRUE(config.topLogoPath.empty());
}

}  // namespace

TEST_F(LauncherConfig, FullMenuIniFieldByField) {
  ASSERT_TRUE(CreateDirectoryW((root / L"SD Card").c_str(), nullptr));
  const std::string ini =
      "; menu.ini of the scanning terminal\r\n"
      "[Caption]\r\n"
      "Button1=Scanner\r\n"
      "Button2= Mail \r\n"
      "Button3=   \r\n"
      "Button10=Ten\r\n"
      "[exe]\r\n"
      "Button1=\\currentcard\\Apps\\Scan.EXE\r\n"
      "Button2=\\Windows\\Mail.exe \r\n"
      "Button3=\\windows\\three.exe\r\n"
      "Button10=currentcard\\Ten.exe\r\n"
      "[parameters]\r\n"
      "Button1= -Fast Mode\r\n"
      "Button2=   \r\n"
      "[Alternate Icon Path]\r\n"
      "Button2=\\Windows\\Mail.ICO\r\n"
      "[Disabled if no signal]\r\n"
      "Button2=true\r\n"
      "Button10=yes\r\n"
      "[EnforceSingleAppInstance]\r\n"
      "Button1= TRUE\r\n"
      "[ApplicationKeys]\r\n"
      "AppKey1Exe=LAUNCHER\r\n"
      "AppKey2Exe=button2\r\n"
      "AppKey3Exe=Unlocked\r\n"
      "AppKey4Exe=\\currentcard\\Tools\\Calc.exe\r\n"
      "AppKey5Exe=\r\n"
      "AppKey6Exe=\\Windows\\Notes.EXE\r\n"
      "[Auto start]\r\n"
      "Enabled=False\r\n"
      "[Lockable Keys]\r\n"
      "EnableDeviceLockKeys=TRUE\r\n"
      "EnablePhoneKeys=FALSE\r\n"
      "EnableTaskManagerKeys=true\r\n"
      "EnableVolumeKeys= True \r\n"
      "EnableWindowsKey=1\r\n"
      "EnableOrangePlaneVolumeUp=TRUE\r\n"
      "EnableSk1AndSk2=TRUE\r\n"
      "[Bitmaps]\r\n"
      "TopLogo=currentcard\\Logo.BMP\r\n"
      "[Full Screen Mode]\r\n"
      "Enabled=false\r\n"
      "[RestoreOnTermination]\r\n"
      "Enabled=TRUE\r\n"
      "[Start Icon]\r\n"
      "Enabled=FALSE";
  ASSERT_TRUE(WriteBytes(path, ini));

  qzr::MenuConfig config = Load();

  // Blank and missing captions are not counted; every slot keeps its own place.
  EXPECT_EQ(config.buttonCount, 3);
  // caption, program, parameters, icon, needs signal, single instance
  const std::array<qzr::ButtonSlot, qzr::kButtonSlots> buttons = {{
      {L"Scanner", L"\\sd card\\apps\\scan.exe", L" -Fast Mode", L"", false, true},
      {L" Mail ", L"\\windows\\mail.exe ", L"", L"\\windows\\mail.ico", true, false},
      {L"", L"\\windows\\three.exe"},
      {}, {}, {}, {}, {}, {},
      {L"Ten", L"\\sd card\\ten.exe", L"", L"", false, false},
  }};
  EXPECT_EQ(config.buttons, buttons);
  // program, shortcut (never read), title, configured, whitelisted
  const std::array<qzr::AppKeySlot, qzr::kAppKeySlots> keys = {{
      {kModule, L"", L"Korvanex Launcher", true, false},
      {L"\\windows\\mail.exe ", L"", L" Mail ", true, false},
      {L"unlocked", L"", L"", true, false},
      {L"\\sd card\\tools\\calc.exe", L"", L"", true, true},
      {},
      {L"\\windows\\notes.exe", L"", L"", true, true},
  }};
  EXPECT_EQ(config.appKeys, keys);

  EXPECT_EQ(config.autoStart, 0);
  EXPECT_EQ(config.EnableDeviceLockKeys, 1);
  EXPECT_EQ(config.EnablePhoneKeys, 0);
  EXPECT_EQ(config.EnableTaskManagerKeys, 1);
  EXPECT_EQ(config.EnableVolumeKeys, 1);
  EXPECT_EQ(config.EnableWindowsKey, 0);
  EXPECT_EQ(config.EnableOrangePlaneVolumeUp, 1);
  EXPECT_EQ(config.EnableSk1AndSk2, 1);
  EXPECT_EQ(config.topLogoPath, L"\\sd card\\logo.bmp");
  EXPECT_EQ(config.fullScreen, 0);
  EXPECT_EQ(config.restoreOnTermination, 1);
  EXPECT_EQ(config.startIconHidden, 1);
  EXPECT_EQ(config.password, L"");
  EXPECT_EQ(ReadBytes(path).value_or("?"), ini) << "a file without password is not rewritten";
}

TEST_F(LauncherConfig, CardFolderChoicesAndDefaults) {
  struct Case {
    const char* name;
    const wchar_t* rootDirectory;  // nullptr: no card folder
    const wchar_t* exe;
    const wchar_t* logo;
  };
  const Case cases[] = {
      {"sd card", L"SD Card", L"\\sd card\\demo.exe", L"\\sd card\\logo.bmp"},
      {"flash file store only", L"FLASH FILE STORE", L"\\flash file store\\demo.exe", L"\\Flash File Store\\logo.bmp"},
      {"no card folder", nullptr, L"\\demo.exe", L"\\logo.bmp"},
  };
  ASSERT_TRUE(WriteBytes(path, "[Caption]\r\nButton1=Demo\r\n[exe]\r\nButton1=\\currentcard\\Demo.exe\r\n"
                               "[Bitmaps]\r\nTopLogo= currentcard\\Logo.BMP \r\n"));
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ScratchFolder cardRoot(L"cfgcard");
    // A file of the card's name is no card folder.
    ASSERT_TRUE(WriteBytes(cardRoot / L"sd card.txt", "x"));
    ASSERT_TRUE(WriteBytes(cardRoot / L"Storage Card", "x"));
    if (c.rootDirectory) {
      ASSERT_TRUE(CreateDirectoryW((cardRoot / c.rootDirectory).c_str(), nullptr));
    }
    qzr::MenuConfig config = qzr::ReadMenuConfig(ScratchLocation(folder, cardRoot));
    EXPECT_EQ(config.buttons[0].exePath, c.exe);
    EXPECT_EQ(config.topLogoPath, c.logo);
  }
}

TEST_F(LauncherConfig, MissingOrBrokenFilesGiveDefaults) {
  std::string binary;
  for (int i = 0; i < 20000; ++i) binary.push_back(static_cast<char>((i * 31 + i / 7) % 256));
  struct Case {
    const char* name;
    const char* file;  // nullptr: no file
    std::string content;
    bool emptyPath;
  };
  const Case cases[] = {
      {"missing menu.ini", nullptr, "", false},
      {"path could not be built", nullptr, "", true},
      {"binary file", "menu.ini", binary, false},
      {"over-long lines", "menu.ini", "[Caption" + std::string(5000, 'x') + "]\r\nButton1=A\r\n[PassWord]\r\n" +
                                          std::string(3000, ' ') + "cpwd=x\r\n", false},
      {"directory named menu.ini", nullptr, "", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    RemoveTree(path);
    DeleteFileW(path.c_str());
    if (c.file) {
      ASSERT_TRUE(WriteBytes(path, c.content));
    }
    if (std::string(c.name) == "directory named menu.ini") {
      ASSERT_TRUE(CreateDirectoryW(path.c_str(), nullptr));
    }
    qzr::MenuLocation where = ScratchLocation(folder, root);
    if (c.emptyPath) where.iniPath.clear();
    qzr::MenuConfig config = qzr::ReadMenuConfig(where);
    ExpectDefaults(config);
    if (c.file) {
      EXPECT_EQ(ReadBytes(path).value_or("?"), c.content);
    }
  }
}

TEST_F(LauncherConfig, PasswordForms) {
  const std::wstring key = qzr::kPasswordKey;
  auto scrambled = [&](const std::wstring& text) { return Narrow(qzr::ScramblePassword(text, key)); };
  struct Case {
    const char* name;
    std::string section;  // body of [PassWord]
    const wchar_t* password;
    std::string fileAfter;  // empty: unchanged
  };
  const Case cases[] = {
      {"plain password of 8 characters", "pwd= secret12 \r\n", L"secret",
       "[PassWord]\r\npwd=\r\ncpwd=" + scrambled(L"secret") + "\r\n[Other]\r\nx=1\r\n"},
      {"plain password of 3 characters", "pwd=abc\r\n", L"abc",
       "[PassWord]\r\npwd=\r\ncpwd=" + scrambled(L"abc") + "\r\n[Other]\r\nx=1\r\n"},
      {"scrambled password kept with its blanks", "cpwd=" + scrambled(L" ab c ") + "\r\npwd=ignored\r\n", L" ab c ", ""},
      {"scrambled password longer than the field", "cpwd=" + scrambled(std::wstring(300, L'q')) + "\r\n", L"qqqqqq", ""},
      {"blank plain password", "pwd=   \r\n", L"", ""},
      {"plain password that would not unscramble stays plain", "pwd=a\xEF\xBF\xBD\r\n", L"a\uFFFD", ""},
      {"no password", "", L"", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::string content = "[PassWord]\r\n" + c.section + "[Other]\r\nx=1\r\n";
    ASSERT_TRUE(WriteBytes(path, content));
    const FILETIME created = Time(125000000000000000ULL), accessed = Time(125100000000000000ULL),
                   written = Time(125200000000000000ULL);
    HANDLE h = CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    ASSERT_TRUE(SetFileTime(h, &created, &accessed, &written));
    CloseHandle(h);
    const DWORD attributes = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE;
    ASSERT_TRUE(SetFileAttributesW(path.c_str(), attributes));

    // Wine keeps no creation time of its own, so the times are compared with what the
    // platform reported before the load; nothing reads the file in between.
    WIN32_FILE_ATTRIBUTE_DATA before{};
    ASSERT_TRUE(GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &before));

    qzr::MenuConfig config = Load();

    WIN32_FILE_ATTRIBUTE_DATA after{};
    ASSERT_TRUE(GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &after));
    EXPECT_EQ(after.dwFileAttributes, attributes);
    EXPECT_EQ(Ticks(after.ftLastWriteTime), Ticks(written));
    EXPECT_EQ(Ticks(after.ftCreationTime), Ticks(before.ftCreationTime));
    EXPECT_EQ(Ticks(after.ftLastAccessTime), Ticks(before.ftLastAccessTime));

    EXPECT_EQ(config.password, c.password);
    EXPECT_EQ(ReadBytes(path).value_or("?"), c.fileAfter.empty() ? content : c.fileAfter);
    SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
  }
}

TEST_F(LauncherConfig, SwitchValues) {
  struct Case {
    const char* value;
    int fullScreen;
    int autoStart;
    int startIconHidden;
    int restore;
  };
  const Case cases[] = {
      {"false", 0, 0, 1, 0}, {" FALSE ", 0, 0, 1, 0}, {"no", 1, 1, 0, 0},
      {"TRUE", 1, 1, 0, 1},  {"", 1, 1, 0, 0},         {"0", 1, 1, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.value);
    std::string v = c.value;
    ASSERT_TRUE(WriteBytes(path, "[Full Screen Mode]\r\nEnabled=" + v + "\r\n[Auto start]\r\nEnabled=" + v +
                                                     "\r\n[Start Icon]\r\nEnabled=" + v +
                                                     "\r\n[RestoreOnTermination]\r\nEnabled=" + v + "\r\n"));
    qzr::MenuConfig config = Load();
    EXPECT_EQ(config.fullScreen, c.fullScreen);
    EXPECT_EQ(config.autoStart, c.autoStart);
    EXPECT_EQ(config.startIconHidden, c.startIconHidden);
    EXPECT_EQ(config.restoreOnTermination, c.restore);
  }
}

TEST(LauncherLocation, LauncherFolderAndMenuIniSize) {
  std::wstring folder;
  ASSERT_TRUE(qzr::GetLauncherFolder(folder));
  EXPECT_EQ(folder, qzr::LowerCase(BinFolder()));
  std::wstring path;
  ASSERT_TRUE(qzr::GetMenuIniPath(path));
  EXPECT_EQ(path, folder + L"menu.ini");

  qzr::MenuLocation where = qzr::ProductMenuLocation();
  EXPECT_EQ(where.iniPath, path);
  EXPECT_EQ(where.launcherFolder, folder);
  EXPECT_EQ(where.cardRoot, L"\\");
  EXPECT_EQ(qzr::LowerCase(where.launcherModuleName), folder + L"launcher_config.exe");

  // The test program's folder holds a menu.ini only while this test puts one there.
  if (GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES) GTEST_SKIP() << "menu.ini already in the bin folder";
  EXPECT_EQ(qzr::GetMenuIniSizeForCache(), 0u);
  ASSERT_TRUE(WriteBytes(path, std::string(1000, ';')));
  EXPECT_EQ(qzr::GetMenuIniSizeForCache(), 2000u);
  DeleteFileW(path.c_str());
}

TEST_F(LauncherConfig, PasswordWorksWhenTheFileCannotBeRewritten) {
  const std::string content = "[PassWord]\r\npwd=1234\r\n";
  ASSERT_TRUE(WriteBytes(path, content));
  // Another reader keeps the file open: both writes fail, the plain password stays in place.
  HANDLE reader = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(reader, INVALID_HANDLE_VALUE);
  qzr::MenuConfig config = Load();
  CloseHandle(reader);
  EXPECT_EQ(config.password, L"1234");
  EXPECT_EQ(ReadBytes(path).value_or("?"), content);
}
