// Decoding rules of menu.ini values and password scrambling, called without files.
#include <gtest/gtest.h>

#include <array>
#include <set>
#include <string>

#include "core/LauncherConfig.h"
#include "core/MenuRules.h"
#include "TestSupport.h"

using namespace testing_support;

// The values a menu.ini line can hold are tried through the file in IniRead.BoolTest and
// LauncherConfig.SwitchValues; here a line end, which no value holds, and text after the word.
TEST(MenuRules, TrueAndFalseTests) {
  struct Case { const wchar_t* value; bool isTrue; bool isFalse; };
  const Case cases[] = {{L"True\n", true, false}, {L"TRUE 1", false, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(Narrow(c.value));
    EXPECT_EQ(qzr::IsTrueValue(c.value), c.isTrue);
    EXPECT_EQ(qzr::IsFalseValue(c.value), c.isFalse);
  }
  EXPECT_EQ(qzr::TrimWhite(L" \t a b \r\n"), L"a b");
  EXPECT_EQ(qzr::TrimWhite(L"   "), L"");
}

TEST(MenuRules, PathValues) {
  struct Case {
    const char* name;
    const wchar_t* value;
    const wchar_t* card;
    const wchar_t* button;   // exe / Alternate Icon Path
    const wchar_t* topLogo;  // Bitmaps/TopLogo
  };
  const Case cases[] = {
      {"no token: as read, lower case", L" \\Windows\\App.EXE ", L"\\sd card", L" \\windows\\app.exe ", L"\\windows\\app.exe"},
      {"blank value", L"   ", L"\\sd card", L"", L""},
      {"token with backslash", L"\\currentcard\\Demo.exe", L"\\sd card", L"\\sd card\\demo.exe", L"\\sd card\\demo.exe"},
      {"token without backslash", L"  CurrentCard\\Logo.BMP ", L"\\Flash File Store", L"\\flash file store\\logo.bmp",
       L"\\Flash File Store\\logo.bmp"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(qzr::DecodeButtonPath(c.value, c.card), c.button);
    EXPECT_EQ(qzr::DecodeTopLogoPath(c.value, c.card), c.topLogo);
  }
}

TEST(MenuRules, ApplicationKeyValues) {
  std::array<qzr::ButtonSlot, qzr::kButtonSlots> buttons;
  buttons[1] = {L"Two", L"\\windows\\two.exe"};
  buttons[9] = {L"Ten", L"\\windows\\ten.exe"};
  const wchar_t* module = L"\\Flash File Store\\Launcher\\QZRShell.exe";
  struct Case { const wchar_t* value; bool configured; bool whitelisted; const wchar_t* exe; const wchar_t* title; };
  // "", "LAUNCHER", "button2", "Unlocked" and paths with a backslash first are read from a real
  // file in LauncherConfig.FullMenuIniFieldByField.
  const Case cases[] = {
      {L"  \t", false, false, L"", L""},
      {L" launcher ", true, false, module, L"Korvanex Launcher"},
      {L"bUTTON10", true, false, L"\\windows\\ten.exe", L"Ten"},
      {L"Button3", true, false, L"", L""},
      {L"Button11", true, true, L"button11", L""},
      {L"Button02", true, true, L"button02", L""},
      {L" unLocked ", true, false, L"unlocked", L""},
      {L" \\Windows\\Calc.EXE ", true, true, L"\\windows\\calc.exe", L""},
      {L"currentcard\\Apps\\Scan.exe", true, true, L"\\Flash File Store\\apps\\scan.exe", L""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(Narrow(c.value));
    qzr::AppKeyBinding b = qzr::DecodeAppKeyValue(c.value, module, buttons.data(), L"\\Flash File Store");
    EXPECT_EQ(b.configured, c.configured);
    EXPECT_EQ(b.whitelisted, c.whitelisted);
    EXPECT_EQ(b.exe, c.exe);
    EXPECT_EQ(b.title, c.title);
  }
}

TEST(MenuRules, StorageCardFolderFromRootDirectories) {
  struct Case { std::vector<std::wstring> directories; const wchar_t* expected; };
  // One card folder, or none, is found on a real root in LauncherConfig.CardFolderChoicesAndDefaults.
  const Case cases[] = {
      {{L"Flash File Store", L"SD CARD"}, L"\\sd card"},
      {{L"sd card2", L"Windows", L"Flash"}, L""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(qzr::PickStorageCardFolder(qzr::kStorageCardCandidates, c.directories), c.expected);
  }
  EXPECT_EQ(qzr::PickStorageCardFolder(L"\\a\\b$$\\c", {L"C"}), L"\\c");
}

TEST(MenuRules, LauncherFolderFromModuleName) {
  struct Case { std::wstring returned; bool ok; std::wstring folder; };
  const std::wstring deep = L"\\" + std::wstring(500, L'D') + L"\\";
  const Case cases[] = {
      {L"\\Flash File Store\\Launcher\\QZRShell.exe", true, L"\\flash file store\\launcher\\"},
      {L"QZRShell.exe", true, L""},
      {deep + L"Q.exe", true, qzr::LowerCase(deep)},  // 507 characters
      {deep + std::wstring(10, L'x'), false, L""},      // filled the 512-character buffer
  };
  for (const Case& c : cases) {
    std::wstring folder = L"stale";
    EXPECT_EQ(qzr::LauncherFolderFromModuleName(c.returned.substr(0, 512), 512, folder), c.ok);
    EXPECT_EQ(folder, c.folder);
  }
}

TEST(PasswordScrambling, RingOf96AndRoundTrips) {
  const std::wstring key = qzr::kPasswordKey;
  // Every code 0..127 at every key position comes back; 32..127 stay printable, one for one.
  for (size_t position = 0; position < key.size(); ++position) {
    std::set<wchar_t> images;
    for (wchar_t x = 0; x < 128; ++x) {
      std::wstring source(position, L'a');
      source.push_back(x);
      std::wstring scrambled = qzr::ScramblePassword(source, key);
      ASSERT_EQ(scrambled.size(), source.size());
      wchar_t y = scrambled[position];
      if (x < 32) {
        EXPECT_EQ(y, x);
      } else {
        EXPECT_EQ(y, 32 + (x - 32 + key[position]) % 96) << "code " << int(x);
        images.insert(y);
      }
      EXPECT_EQ(qzr::UnscramblePassword(scrambled, key), source) << "code " << int(x) << " at " << position;
    }
    EXPECT_EQ(images.size(), 96u);
    EXPECT_EQ(*images.begin(), 32);
    EXPECT_EQ(*images.rbegin(), 127);
  }
  // The key starts over after its 7th character and moves on for control characters too.
  const std::wstring source = L"ab\tcdefghi";
  std::wstring scrambled = qzr::ScramblePassword(source, key);
  EXPECT_EQ(scrambled[2], L'\t');
  EXPECT_EQ(scrambled[3], 32 + (L'c' - 32 + key[3]) % 96);
  EXPECT_EQ(scrambled[7], 32 + (L'g' - 32 + key[0]) % 96);
  EXPECT_EQ(scrambled[8], 32 + (L'h' - 32 + key[1]) % 96);
  EXPECT_EQ(qzr::ScramblePassword(L"", key), L"");
  EXPECT_EQ(qzr::UnscramblePassword(L"", key), L"");
  // Above the ring a code moves linearly and wraps at the 16-bit end.
  EXPECT_EQ(qzr::ScramblePassword(L"\u00E9", key), std::wstring(1, wchar_t(0xE9 + key[0])));
  EXPECT_EQ(qzr::ScramblePassword(std::wstring(1, wchar_t(0xFFF0)), L"\x20"), std::wstring(1, wchar_t(0x0010)));
  EXPECT_EQ(qzr::UnscramblePassword(std::wstring(1, wchar_t(0xE9 + key[0])), key), L"\u00E9");
}
