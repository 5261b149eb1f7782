// The cabinet host's rules: member names, device macros, shortcut text, the control file resolved
// to device paths and registry data, and the undo record read back as written.
#include <gtest/gtest.h>

#include "CabPlan.h"
#include "CeSetupFile.h"

namespace {

using namespace cabhost;

TEST(CabPlan, MemberNamesCarryTheirNumberAndStayInTheirFolder) {
  struct Case {
    const char* name;
    int number;  // -1: refused
  } cases[] = {
      {"0Blkjack.005", 5}, {"RoutePla.000", 0}, {"000setup.999", 999}, {"a.001", 1},
      {"..\\evil.001", -1}, {"C:evil.001", -1}, {"sub/x.002", -1}, {"noext", -1}, {"x.1", -1}, {"x.0001", -1}, {"x.00a", -1},
      {"...", -1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto n = MemberNumber(c.name);
    EXPECT_EQ(n.value_or(-1), c.number);
  }
}

TEST(CabPlan, DeviceMacrosExpandAsAPocketPcNamesTheFolders) {
  struct Case {
    const wchar_t* text;
    const wchar_t* expanded;
  } cases[] = {
      {L"%InstallDir%\\a.exe", L"\\Program Files\\App\\a.exe"},
      {L"%installdir%", L"\\Program Files\\App"},
      {L"%CE2%\\x.dll;%CE11%", L"\\Windows\\x.dll;\\Windows\\Start Menu\\Programs"},
      {L"%CE17%", L"\\Windows\\Start Menu"},
      {L"%CE18% %ce1% 100%", L"%CE18% %ce1% 100%"},  // not macros: kept as written
      {L"%%", L"%%"},
  };
  for (const Case& c : cases) EXPECT_EQ(ExpandDeviceMacros(c.text, L"\\Program Files\\App"), c.expanded);
}

TEST(CabPlan, ShortcutsCountTheCharactersOfTheirCommandLine) {
  EXPECT_EQ(ShortcutText(L"\\windows\\solitare.exe"), "21#\\windows\\solitare.exe");
  EXPECT_EQ(ShortcutText(L"\\Program Files\\A\\a.exe"), "24#\"\\Program Files\\A\\a.exe\"");
}

TEST(CabPlan, TheControlFileResolvesToDevicePathsAndRegistryData) {
  qzrcab::CeSetupBuilder b;
  qzrcab::CeSetup& s = b.setup();
  s.appName = "App";
  s.provider = "Acme";
  b.Dir({"%CE1%", "App"});
  uint16_t windows = b.Dir({"%CE2%"});
  uint16_t flash = b.Dir({"Flash File Store", "launcher"});
  s.files.push_back({1, 1, 1, 0, "a.exe"});
  s.files.push_back({2, windows, 2, qzrcab::kFileShared, "x.dll"});
  s.files.push_back({3, flash, 3, 0, "menu.ini"});
  uint16_t hive = b.Hive(qzrcab::kRootLocalMachine, {"Software", "Acme"});
  s.values.push_back({1, hive, 1, qzrcab::kRegSz, std::string("Path\0%InstallDir%\\a.exe\0", 24)});
  s.values.push_back({2, hive, 0, qzrcab::kRegDword | qzrcab::kRegNoClobber, std::string("Level\0\x2a\0\0\0", 10)});
  s.values.push_back({3, hive, 1, qzrcab::kRegMultiSz, std::string("List\0a\0%CE2%\0\0", 14)});
  s.links.push_back({1, 0, 11, 1, 1, b.Parts({"App.lnk"})});
  s.links.push_back({2, 0, 0, 0, 0, b.Parts({"Home.lnk"})});
  std::wstring error;
  auto plan = PlanInstall(s, &error);
  ASSERT_TRUE(plan) << testing::PrintToString(error);
  EXPECT_EQ(ApplicationName(*plan), L"Acme App");
  EXPECT_EQ(plan->installDir, L"\\Program Files\\App");
  ASSERT_EQ(plan->files.size(), 3u);
  EXPECT_EQ(plan->files[0].path, L"\\Program Files\\App\\a.exe");
  EXPECT_EQ(plan->files[1].path, L"\\Windows\\x.dll");
  EXPECT_EQ(plan->files[2].path, L"\\Flash File Store\\launcher\\menu.ini");
  // Parents before children, each once.
  EXPECT_EQ(plan->folders, (std::vector<std::wstring>{L"\\Program Files", L"\\Program Files\\App", L"\\Windows",
                                                       L"\\Flash File Store", L"\\Flash File Store\\launcher",
                                                       L"\\Windows\\Start Menu", L"\\Windows\\Start Menu\\Programs"}));
  ASSERT_EQ(plan->values.size(), 3u);
  const std::wstring path = L"\\Program Files\\App\\a.exe";
  EXPECT_EQ(plan->values[0].type, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(std::wstring(reinterpret_cast<const wchar_t*>(plan->values[0].data.data()), plan->values[0].data.size() / 2),
            path + L'\0');
  EXPECT_EQ(plan->values[1].type, static_cast<DWORD>(REG_DWORD));
  EXPECT_TRUE(plan->values[1].noClobber);
  EXPECT_EQ(plan->values[1].data, (std::vector<BYTE>{0x2a, 0, 0, 0}));
  const std::wstring multi(L"a\0\\Windows\0\0", 12);
  EXPECT_EQ(std::wstring(reinterpret_cast<const wchar_t*>(plan->values[2].data.data()), plan->values[2].data.size() / 2), multi);
  ASSERT_EQ(plan->links.size(), 2u);
  EXPECT_EQ(plan->links[0].path, L"\\Windows\\Start Menu\\Programs\\App.lnk");
  EXPECT_EQ(plan->links[0].target, path);
  EXPECT_EQ(plan->links[1].path, L"\\Program Files\\App\\Home.lnk");
  EXPECT_EQ(plan->links[1].target, L"\\Program Files\\App");

  // A number whose data is not four bytes is refused, as is a file installed twice.
  qzrcab::CeSetup bad = s;
  bad.values[1].data = std::string("Level\0\x2a", 7);
  EXPECT_FALSE(PlanInstall(bad, &error));
  bad = s;
  bad.files.push_back({4, 1, 4, 0, "A.EXE"});
  EXPECT_FALSE(PlanInstall(bad, &error));
}

TEST(CabPlan, TheUndoRecordReadsBackAsWritten) {
  std::vector<UndoStep> steps = {
      {UndoStep::Folder, L"\\Program Files\\App"},
      {UndoStep::Replaced, L"\\a\tb%c\r\n.txt", L"\\Windows\\AppMgr\\x.backup\\b1"},
      {UndoStep::Key, L"Software\\Acme", L"", 3},
      {UndoStep::OldValue, L"Software\\Acme", L"", 2, L"na\tme\u00e9", REG_BINARY, {0, 1, 0xff}},
  };
  std::vector<UndoStep> back = DecodeUndo(EncodeUndo(steps) + "garbage line\nX\t\t\t\t\t\t\n");
  ASSERT_EQ(back.size(), steps.size());
  for (size_t i = 0; i < steps.size(); ++i) {
    EXPECT_EQ(back[i].kind, steps[i].kind);
    EXPECT_EQ(back[i].path, steps[i].path);
    EXPECT_EQ(back[i].backup, steps[i].backup);
    EXPECT_EQ(back[i].root, steps[i].root);
    EXPECT_EQ(back[i].name, steps[i].name);
    EXPECT_EQ(back[i].type, steps[i].type);
    EXPECT_EQ(back[i].data, steps[i].data);
  }
}

}  // namespace
