// The device shell's rules: hot-key table, command lines, shortcut files and panel geometry.
#include <gtest/gtest.h>

#include <set>

#include "ShellKeys.h"
#include "ShellLayout.h"
#include "aygshell.h"

using namespace devshell;

TEST(ShellHotKeys, HoldsThePocketPcSystemKeysOnceEachWithIdsFourAndEight) {
  std::set<int> ids;
  std::set<std::pair<UINT, UINT>> combos;
  for (const ShellHotKey& k : ShellHotKeys()) {
    EXPECT_TRUE(ids.insert(k.id).second) << k.id;
    EXPECT_TRUE(combos.insert({k.modifiers, k.vk}).second) << k.id;
    EXPECT_EQ(FindShellHotKey(k.modifiers | MOD_NOREPEAT, k.vk), &k);
    EXPECT_EQ(FindShellHotKeyById(k.id), &k);
  }
  EXPECT_TRUE(ids.count(4) && ids.count(8));
  EXPECT_EQ(FindShellHotKey(MOD_SHIFT, VK_F6), nullptr);
}

TEST(ShellCommandLine, SplitsProgramFromParameters) {
  struct Case {
    const wchar_t* text;
    const wchar_t* file;
    const wchar_t* parameters;
  };
  const Case cases[] = {
      {L"\"\\Flash File Store\\launcher\\QZRShell.exe\"", L"\\Flash File Store\\launcher\\QZRShell.exe", L""},
      {L"  \"\\Program Files\\a b.exe\"  -x \"y z\" ", L"\\Program Files\\a b.exe", L"-x \"y z\""},
      {L"\\Windows\\demoscan.exe today", L"\\Windows\\demoscan.exe", L"today"},
      {L"\\Windows\\DEMO.EXE", L"\\Windows\\DEMO.EXE", L""},
      {L"\\My Documents\\note.txt", L"\\My Documents\\note.txt", L""},
      {L"\\a.exe.bak\\b.exe 1", L"\\a.exe.bak\\b.exe", L"1"},
      {L"\"\\unterminated.exe", L"\\unterminated.exe", L""},
      {L"", L"", L""},
  };
  for (const Case& c : cases) {
    CommandLine split = SplitCommandLine(c.text);
    EXPECT_EQ(split.file, c.file) << c.text;
    EXPECT_EQ(split.parameters, c.parameters) << c.text;
  }
}

TEST(ShellShortcutFile, TargetFromTheDevicesTextForm) {
  struct Case {
    std::string text;
    std::optional<std::wstring> target;
  };
  const Case cases[] = {
      {"24#\"\\Windows\\demoscan.exe\"", L"\"\\Windows\\demoscan.exe\""},
      {"26#\"\\Windows\\demoscan.exe\" x\r\nmore", L"\"\\Windows\\demoscan.exe\" x"},
      {"5#\\Windows\\demoscan.exe", L"\\Wind"},                   // the stated length cuts
      {"999#\\Windows\\demoscan.exe", L"\\Windows\\demoscan.exe"},  // a length past the text is not trusted
      {"#\\Windows\\x.exe", std::nullopt},
      {"12a#\\x.exe", std::nullopt},
      {"3#", std::nullopt},
      {"MZ\x90\x00binary", std::nullopt},
      {"", std::nullopt},
  };
  for (const Case& c : cases) EXPECT_EQ(ShortcutTarget(c.text), c.target) << c.text;
}

// On every screen the handheld supports, the shell's panels fit the screen below the task bar,
// their rows don't overlap, and a tap finds the row under it.
TEST(ShellPanels, FitEveryScreenAndFindTheRowTapped) {
  const SIZE screens[] = {{480, 640}, {480, 800}, {640, 480}, {320, 240}, {240, 320}};
  for (SIZE s : screens) {
    SCOPED_TRACE(std::to_string(s.cx) + "x" + std::to_string(s.cy));
    const int bar = wince::ShellBarHeight(s.cx, s.cy);
    RECT screen = {0, 0, s.cx, s.cy}, below = {0, bar, s.cx, s.cy}, out;
    for (RECT panel : {StartMenuRect(s.cx, s.cy, 6), SwitcherRect(s.cx, s.cy, 3), NoticeRect(s.cx, s.cy)}) {
      EXPECT_TRUE(IntersectRect(&out, &panel, &below) && EqualRect(&out, &panel));
    }
    RECT menu = StartMenuRect(s.cx, s.cy, 6);
    int w = menu.right - menu.left;
    for (int i = 0; i < 6; ++i) {
      RECT row = StartMenuItemRect(w, bar, i);
      EXPECT_LE(row.bottom, menu.bottom - menu.top);
      POINT centre = {(row.left + row.right) / 2, (row.top + row.bottom) / 2};
      EXPECT_EQ(StartMenuItemAt(w, bar, 6, centre), i);
    }
    EXPECT_EQ(StartMenuItemAt(w, bar, 6, {w / 2, 1}), -1) << "the header is no item";
    RECT k1 = TodaySoftKeyRect(s.cx, s.cy, 1), k2 = TodaySoftKeyRect(s.cx, s.cy, 2);
    EXPECT_FALSE(IntersectRect(&out, &k1, &k2));
    for (RECT k : {k1, k2}) EXPECT_TRUE(IntersectRect(&out, &k, &screen) && EqualRect(&out, &k));
    EXPECT_EQ(k1.bottom, s.cy);
    EXPECT_EQ(TodaySoftKeyAt(s.cx, s.cy, {5, s.cy - 2}), 1);
    EXPECT_EQ(TodaySoftKeyAt(s.cx, s.cy, {s.cx - 5, s.cy - 2}), 2);
    EXPECT_EQ(TodaySoftKeyAt(s.cx, s.cy, {s.cx / 2, s.cy / 2}), 0);
  }
}
