// The setup library's plain rules: INI reading, fields, macros, commands, registry lists, records, versions, log lines.
#include <gtest/gtest.h>

#include <string>

#include "Actions.h"
#include "Commands.h"
#include "Fields.h"
#include "IniText.h"
#include "Macros.h"
#include "PackageLists.h"
#include "Records.h"
#include "SetupLog.h"
#include "TextFormat.h"
#include "ZipExtract.h"

using namespace qzrsetup;

TEST(SetupRules, FormatTextReadsPercentSAsWideText) {
  struct Case {
    std::wstring got, want;
  } cases[] = {
      {Format(L"Desired Version = %d.%.2d", 2, 5), L"Desired Version = 2.05"},
      {Format(L"%2.2d-%4.4d", 7, 42), L"07-0042"},
      {Format(L"0x%X", 0x1F), L"0x1F"},
      {Format(L"%d", -2147483646L), L"-2147483646"},
      {Format(L"%d bytes", 4294967295ULL > 0 ? static_cast<long long>(0xFFFFFFFF) : 0), L"-1 bytes"},
      {Format(L"[%s] %s", L"only one"), L"[only one] "},  // a missing argument prints nothing
      {Format(L"100%%"), L"100%"},
      // Byte counts are unsigned 64-bit and printed whole.
      {Format(L"%d bytes available.", 5000000000ULL), L"5000000000 bytes available."},
      {Format(L"%d bytes available.", 18446744073709551615ULL), L"18446744073709551615 bytes available."},
      {Format(L"%d bytes available.", 0ULL), L"0 bytes available."},
  };
  for (const Case& c : cases) EXPECT_EQ(c.got, c.want);
}

TEST(SetupRules, KeyLookup) {
  const std::string ini =
      "; package\r\n"
      "[general]\r\n"
      "Reboot=Y\r\n"
      "Blank =Y\r\n"
      ";Verbose=Y\r\n"
      "Spaced=\t  value with trailing  \r\n"
      "Empty=\r\n"
      "NoEquals\r\n"
      "Eq=a=b\r\n"
      "Reboot=N\r\n"
      "\n\n"
      "[Other]\n"
      "Key=other\n"
      "[General]\n"
      "Late=second section of the same name is never read\n";
  struct Case {
    const char* section;
    const char* key;
    std::optional<std::string> want;
  } cases[] = {
      {"General", "Reboot", "Y"},      // section names without regard to case, first match wins
      {"GENERAL", "reboot", "Y"},      // key names likewise
      {"General", "Blank", std::nullopt},  // the key is "Blank " with its blank
      {"General", "Blank ", "Y"},
      {"General", ";Verbose", std::nullopt},  // comments match nothing
      {"General", "Verbose", std::nullopt},
      {"General", "Spaced", "value with trailing  "},
      {"General", "Empty", std::nullopt},
      {"General", "NoEquals", std::nullopt},
      {"General", "Eq", "a=b"},
      {"General", "Key", std::nullopt},  // belongs to the next section
      {"Other", "Key", "other"},
      {"General", "Late", std::nullopt},
      {"Missing", "Key", std::nullopt},
  };
  for (const Case& c : cases) EXPECT_EQ(LookupIniKey(ini, c.section, c.key), c.want) << c.section << "/" << c.key;

  // A header without "]" ends every lookup after it.
  EXPECT_EQ(LookupIniKey("[Broken\r\n[General]\r\nReboot=Y\r\n", "General", "Reboot"), std::nullopt);
  EXPECT_EQ(LookupIniKey("[General]\r\nReboot=Y\r\n[Broken\r\n", "General", "Reboot"), "Y");
}

TEST(SetupRules, KeyLookupPassesOverLongLines) {
  const std::string longComment = ";" + std::string(300, 'c');
  const std::string longHeader = "[" + std::string(300, 'h') + "]";
  struct Case {
    std::string ini;
    std::optional<std::string> want;
  } cases[] = {
      {longComment + "\r\n[General]\r\nReboot=Y\r\n", "Y"},
      {"[General]\r\nReboot=" + std::string(300, 'v') + "\r\nReboot=Y\r\n", "Y"},  // the long line is no key
      {"[General]\r\n" + longHeader + "\r\nReboot=Y\r\n", std::nullopt},        // but a long header still ends the section
      {"[General]\r\n;" + std::string(258, 'c') + "\r\nReboot=Y\r\n", "Y"},
  };
  for (const Case& c : cases) EXPECT_EQ(LookupIniKey(c.ini, "General", "Reboot"), c.want);
}

TEST(SetupRules, SectionWalk) {
  const std::string ini =
      "[RegistryAdditions]\r\n"
      "a=bc=d\r\n"
      "plain\r\n"
      ";comment=x\r\n"
      "cr\rinside=v\r\n"
      "[Next]\r\n"
      "x=y\r\n";
  auto entries = WalkIniSection(ini, "registryadditions", kListLineBytes);
  ASSERT_TRUE(entries);
  ASSERT_EQ(entries->size(), 4u);
  EXPECT_EQ((*entries)[0].name, "a");
  EXPECT_EQ((*entries)[0].value, "bc=d");
  EXPECT_EQ((*entries)[1].name, "plain");
  EXPECT_EQ((*entries)[1].value, "");
  EXPECT_EQ((*entries)[2].name, ";comment");
  EXPECT_EQ((*entries)[3].name, "crinside");  // every CR dropped
  EXPECT_FALSE(WalkIniSection(ini, "Missing", kListLineBytes));

  // A line longer than the limit continues as a new entry (command lists' longer limit: SetupCommands).
  const std::string longLine = "Data1=" + std::string(300, 'v');
  auto walked = WalkIniSection("[S]\n" + longLine + "\nNext=1\n", "S", kListLineBytes);
  ASSERT_TRUE(walked);
  ASSERT_EQ(walked->size(), 3u);
  EXPECT_EQ((*walked)[0].value.size(), kListLineBytes - 6);
  EXPECT_EQ((*walked)[1].name, std::string(300 - (kListLineBytes - 6), 'v'));
  EXPECT_EQ(walked->back().name, "Next");
}

// Names and paths fold by the device's rule, the launcher's and the monitor's too: every
// script, not only A to Z, in the ANSI form of an INI file as in wide text.
TEST(SetupRules, CaseFoldsLikeTheDevice) {
  EXPECT_TRUE(qzrsetup::EqualsNoCase(std::string_view("\xDC" "BERSICHT"), std::string_view("\xFC" "bersicht")));
  EXPECT_TRUE(qzrsetup::EqualsNoCase(std::wstring_view(L"\\Programme\\\u00DCbersicht\\A.TXT"),
                                     std::wstring_view(L"\\programme\\\u00FCbersicht\\a.txt")));
  EXPECT_TRUE(qzrsetup::StartsWithNoCase(std::string_view("DATATYPE1"), std::string_view("DataType")));
  EXPECT_FALSE(qzrsetup::EqualsNoCase(std::string_view("General"), std::string_view("Genera")));
  EXPECT_FALSE(qzrsetup::EqualsNoCase(std::string_view("\xDC"), std::string_view("U")));
  EXPECT_EQ(qzrsetup::FindNoCase(L"\\%INSTALLDIR%\\x", L"%installdir%"), 1u);
}

TEST(SetupRules, YesMeansOnlyY) {
  struct Case {
    const wchar_t* value;
    bool yes;
  } cases[] = {{L"y", true}, {L"Y", true}, {L"yes", false}, {L"TRUE", false}, {L"Y ", false}, {L"", false}, {L"DNE", false}};
  for (const Case& c : cases) EXPECT_EQ(IsYes(c.value), c.yes) << c.value;
}

TEST(SetupRules, FieldSplitting) {
  struct Case {
    const wchar_t* text;
    std::vector<std::wstring> fields;
  } cases[] = {
      {L"a,b,c", {L"a", L"b", L"c"}},
      {L"a,", {L"a", L""}},  // a trailing comma makes an empty last field
      {L"", {L""}},
      {L"\"x, y\",z", {L"x, y", L"z"}},
      {L"\"say \"\"hi\"\"\",2", {L"say \"hi\"", L"2"}},
      {L"a;b,c", {L"a"}},
      {L"\"a;b\",c ; note", {L"a;b", L"c "}},
      {L"\\Program Files\\A B\\x.exe,N,N", {L"\\Program Files\\A B\\x.exe", L"N", L"N"}},
  };
  for (const Case& c : cases) EXPECT_EQ(SplitFields(c.text).fields, c.fields) << c.text;

  EXPECT_EQ(ParseHexBytes({L"01", L"ff", L" A ", L"100", L"zz", L"0"}), (std::vector<uint8_t>{1, 0xFF, 0x0A, 0}));
}

TEST(SetupRules, ProgramTextSplitsAtTheFirstBlankAfterTheFirstDot) {
  const std::wstring longFolder(250, L'd');
  struct Case {
    std::wstring text, program, arguments;
  } cases[] = {
      {L"", L"", L""},
      {L"\\x.exe", L"\\x.exe", L""},
      {L"\\x.exe --exit 7", L"\\x.exe", L" --exit 7"},
      {L"\\x.exe ", L"\\x.exe", L" "},
      // Blanks before the first "." belong to the program: folders with blanks need no quotes.
      {L"\\Program Files\\A B\\x.exe", L"\\Program Files\\A B\\x.exe", L""},
      {L"\\Program Files\\A B\\x.exe -q  two", L"\\Program Files\\A B\\x.exe", L" -q  two"},
      // The first "." decides, even where it stands in a folder's name.
      {L"\\v1.2\\A B\\x.exe", L"\\v1.2\\A", L" B\\x.exe"},
      // No "." at all: the whole text is the program, blanks and all.
      {L"\\Windows\\run me now", L"\\Windows\\run me now", L""},
      {L"\\x.exe\t-a", L"\\x.exe\t-a", L""},
      // Quotes mean nothing here: they stay on the side where they stand.
      {L"\"\\A B\\x.exe\" -a", L"\"\\A B\\x.exe\"", L" -a"},
      // Cut to 259 characters before the split, so a blank beyond them splits nothing...
      {L"\\" + longFolder + L"\\abc.exe --a", L"\\" + longFolder + L"\\abc.exe", L""},
      // ...and arguments that run past them are cut.
      {L"\\" + longFolder + L".e " + std::wstring(20, L'x'), L"\\" + longFolder + L".e",
       L" " + std::wstring(kProgramChars - 254, L'x')},
  };
  for (const Case& c : cases) {
    ProgramText split = SplitProgramText(c.text);
    EXPECT_EQ(split.program, c.program) << testing::PrintToString(c.text);
    EXPECT_EQ(split.arguments, c.arguments) << testing::PrintToString(c.text);
    EXPECT_LE(split.program.size() + split.arguments.size(), kProgramChars);
  }
}

TEST(SetupRules, MacroExpansion) {
  struct Case {
    const wchar_t* text;
    const wchar_t* replacement;
    const wchar_t* want;
  } cases[] = {
      {L"%INSTALLDIR%\\bin\\a.exe", L"Program Files\\App", L"Program Files\\App\\bin\\a.exe"},
      {L"\\%installdir%\\a.exe", L"Program Files\\App", L"\\Program Files\\App\\a.exe"},
      {L"\\%INSTALLDIR%\\a.exe", L"", L"\\a.exe"},  // a lone "\" before the rest's "\" collapses
      {L"%INSTALLDIR%\\a.exe", L"", L"\\a.exe"},
      {L"%INSTALLDIR%\\%INSTALLDIR%", L"X", L"X\\%INSTALLDIR%"},  // the first occurrence only
      {L"no macro", L"X", L"no macro"},
  };
  for (const Case& c : cases) EXPECT_EQ(ExpandMacro(c.text, L"%INSTALLDIR%", c.replacement), c.want) << c.text;
  EXPECT_EQ(TrimOneBackslash(L"\\\\a\\\\"), L"\\a\\");
  EXPECT_EQ(WithLeadingBackslash(L"a"), L"\\a");
  EXPECT_EQ(WithLeadingBackslash(L"\\a"), L"\\a");
}

TEST(SetupRules, CommandParsing) {
  struct Case {
    const wchar_t* value;
    Verb verb;
    std::vector<std::wstring> fields;
    bool wait, remove;
  } cases[] = {
      {L"DoUninstall", Verb::DoUninstall, {L""}, true, true},
      {L"deletefile,\\a.txt", Verb::DeleteFile, {L"\\a.txt"}, true, true},
      {L"DeleteDirectory,\\d", Verb::DeleteDir, {L"ctory", L"\\d"}, true, true},  // prefix match, fixed field start
      {L"ExecuteApp,\\x.exe,Y,n", Verb::ExecuteApp, {L"\\x.exe", L"Y", L"n"}, true, false},
      {L"ExecuteApp,\"\\A B\\x.exe /q\",N,N", Verb::ExecuteApp, {L"\\A B\\x.exe /q", L"N", L"N"}, false, false},
      {L"Frobnicate,x", Verb::None, {}, true, true},
  };
  for (const Case& c : cases) {
    Command command = ParseCommand(c.value);
    EXPECT_EQ(command.verb, c.verb) << c.value;
    if (c.verb != Verb::None) {
      EXPECT_EQ(command.fields.fields, c.fields) << c.value;
    }
    EXPECT_EQ(command.wait, c.wait) << c.value;
    EXPECT_EQ(command.remove, c.remove) << c.value;
  }

  std::vector<IniEntry> entries = {{"Command1", "Wait,1"}, {"Other", "Wait,2"}, {"commandX", "CreateDir,\\d"}};
  auto commands = CommandsFromEntries(entries);
  ASSERT_EQ(commands.size(), 2u);
  EXPECT_EQ(commands[1].verb, Verb::CreateDir);
}

TEST(SetupRules, RegistryLists) {
  std::vector<IniEntry> additions = {
      {"DataType3", "REG_DWORD"}, {"PredefinedKey3", "HKEY_LOCAL_MACHINE"}, {"SubKey3", "\\Software\\X\\"},
      {"Value3", "Count"},        {"Data3", "12"},
      {"PredefinedKey1", "xHKEY_CURRENT_USERx"}, {"SubKey1", "K"}, {"DataType1", "QZR_REG_KEY_ONLY"},
      {"Value1", "ignored"},      {"Data1", "ignored"},
      {"Value", "no number"},     {"Data1x0", "number 10"}, {"Bogus2", "unknown field"},
  };
  auto entries = BuildRegistryAdditions(additions);
  ASSERT_EQ(entries.size(), 3u);  // numbers 3, 1 and 10, in order of first appearance ("Bogus2" makes none)
  EXPECT_EQ(entries[0].valueName, L"Count");
  EXPECT_EQ(entries[1].root, HKEY_CURRENT_USER);
  EXPECT_EQ(entries[1].type, kTypeKeyOnly);
  EXPECT_EQ(entries[1].valueName, L"");
  EXPECT_EQ(entries[2].text, L"number 10");

  struct TypeCase {
    const wchar_t* name;
    DWORD type;
  } types[] = {{L"MY_REG_SZ_TYPE", kTypeString}, {L"REG_EXPAND_SZ", kTypeNone}, {L"reg_sz", kTypeNone}};
  for (const TypeCase& t : types) EXPECT_EQ(DataTypeFromName(t.name), t.type) << t.name;

  std::vector<IniEntry> removals = {{"PredefinedKey1", "HKEY_USERS"}, {"SubKey1", "A"}, {"Value1", ""},
                                    {"PredefinedKey2", "HKEY_CLASSES_ROOT"}, {"SubKey2", "B"}, {"Value2", "V"},
                                    {"PredefinedKey3", "nothing"}, {"SubKey3", "C"}};
  auto list = BuildRegistryRemovals(removals);
  ASSERT_EQ(list.size(), 3u);
  EXPECT_TRUE(list[0].wholeKey);
  EXPECT_EQ(list[0].root, HKEY_USERS);
  EXPECT_FALSE(list[1].wholeKey);
  EXPECT_EQ(list[1].valueName, L"V");
  EXPECT_FALSE(list[2].wholeKey);  // no Value line: the unnamed value
  EXPECT_EQ(list[2].root, nullptr);
}

TEST(SetupRules, UninstallRecords) {
  // The records name a root by the handle's value as a signed number.
  EXPECT_EQ(RootKeyNumber(HKEY_LOCAL_MACHINE), -2147483646L);
  for (HKEY root : {HKEY_CLASSES_ROOT, HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE, HKEY_USERS})
    EXPECT_EQ(RootKeyFromNumber(RootKeyNumber(root)), root);

  using K = UninstallRecord::Kind;
  struct Case {
    const wchar_t* line;
    K kind;
    const wchar_t* path;
    bool isDir;
    HKEY root;
    const wchar_t* key;
    const wchar_t* value;
  } cases[] = {
      // Every kind is read back through the DLL in SetupRegistry, SetupCommands and SetupZipExtraction; these are edges.
      {L"R:K:-2147483646:Software\\X", K::RegKey, L"", false, HKEY_LOCAL_MACHINE, L"Software\\X", L""},
      {L"R:V:-2147483647:Software\\X:", K::RegValue, L"", false, HKEY_CURRENT_USER, L"Software\\X", L""},
      {L"Q:whatever", K::Other, L"", false, nullptr, L"", L""},
  };
  for (const Case& c : cases) {
    UninstallRecord r = ParseUninstallRecord(c.line);
    EXPECT_EQ(r.kind, c.kind) << c.line;
    EXPECT_EQ(r.path, c.path) << c.line;
    EXPECT_EQ(r.pathIsDir, c.isDir) << c.line;
    EXPECT_EQ(r.root, c.root) << c.line;
    EXPECT_EQ(r.key, c.key) << c.line;
    EXPECT_EQ(r.valueName, c.value) << c.line;
  }

  std::wstring content = L"\r\nF:a\r\n\r\nF:b\nF:c";
  EXPECT_EQ(SplitRecordLines(content), (std::vector<std::wstring>{L"F:a", L"F:b", L"F:c"}));
  std::wstring tooLong = L"F:a\r\nF:" + std::wstring(259, L'x') + L"\r\nF:never";
  EXPECT_EQ(SplitRecordLines(tooLong), (std::vector<std::wstring>{L"F:a"}));

  // The file's bytes are little-endian 16-bit units, whatever wchar_t is; an odd last byte is dropped.
  EXPECT_EQ(RecordTextFromBytes(std::string("F\0:\0\xE9\0\x3D\xD8\x00\xDEx", 11)), L"F:\u00E9\xD83D\xDE00");
  EXPECT_EQ(RecordTextFromBytes(std::string()), L"");
}

TEST(SetupRules, RegistryRecordsReadBackAsWhatTheyName) {
  const std::pair<std::wstring, std::wstring> names[] = {
      {L"Software\\Vendor\\A", L"Path"},  {L"Software\\Vendor\\A:B", L"Path"}, {L"Software\\Vendor", L"Path:1"},
      {L"Software\\V", L""},                {L"Software\\V", L"x\r\nF:Windows\\a.dll"}, {L"Software\\V\nR:K:1:X", L"v"},
      {L"Software\\Vendor\\A:", L"v"},
  };
  for (const auto& [key, value] : names) {
    bool recordable = IsRecordableRegistryName(key) && IsRecordableRegistryName(value);
    std::wstring record = Format(L"R:V:%d:%s:%s", -2147483646L, key, value);
    std::vector<std::wstring> lines = SplitRecordLines(record);
    bool readsBack = lines.size() == 1 && [&] {
      UninstallRecord r = ParseUninstallRecord(lines[0]);
      return r.kind == UninstallRecord::Kind::RegValue && r.root == HKEY_LOCAL_MACHINE && r.key == key && r.valueName == value;
    }();
    // A name is recorded exactly when its record reads back as itself.
    EXPECT_EQ(recordable, readsBack) << testing::PrintToString(key) << " " << testing::PrintToString(value);
  }
}

TEST(SetupRules, WaitSecondsAreClampedToTheLongestSleep) {
  const std::pair<const wchar_t*, DWORD> cases[] = {
      {L"1", 1000u},         {L"0", 0u},
      {L"-5", 0u},           {L"", 0u},
      {L"abc", 0u},          {L"4294967", 4294967000u},
      {L"4294968", 0xFFFFFFFEu}, {L"2147484", 2147484000u},
      {L"99999999999999999999999", 0xFFFFFFFEu},
  };
  for (const auto& [seconds, ms] : cases) EXPECT_EQ(WaitMilliseconds(seconds), ms) << testing::PrintToString(std::wstring(seconds));
  EXPECT_NE(kLongestSleepMs, INFINITE);
}

TEST(SetupRules, ShortenMiddleKeepsBothEnds) {
  EXPECT_EQ(ShortenMiddle(L"abcdef", 6), L"abcdef");
  EXPECT_EQ(ShortenMiddle(L"abcdefghij", 7), L"ab...ij");
  EXPECT_EQ(ShortenMiddle(L"abcdefghij", 8), L"abc...ij");
  EXPECT_EQ(ShortenMiddle(L"abcdefghij", 2), L"ab");
  for (size_t n = 0; n < 12; ++n) EXPECT_LE(ShortenMiddle(L"abcdefghij", n).size(), n);
}

TEST(SetupRules, Versions) {
  struct Case {
    const wchar_t* installed;
    long major, minor;
    bool exact, passes;
  } cases[] = {
      {L"2.5", 2, 5, true, true},   {L"3.0", 2, 99, false, true}, {L"1.99", 2, 0, false, false},
      {L"2", 2, 0, false, true},    {L"2.04", 2, 4, true, true},
  };
  for (const Case& c : cases) {
    Version v = ParseVersionText(c.installed);
    EXPECT_EQ(VersionSatisfies(v, {c.major, c.minor}, c.exact), c.passes) << c.installed << " vs " << c.major << "." << c.minor;
  }
}

TEST(SetupRules, LogLinesKeepTheirEnd) {
  const SYSTEMTIME t{2026, 3, 0, 4, 5, 6, 7, 89};  // year, month, weekday, day, hour, minute, second, ms
  EXPECT_EQ(FormatLogLine(t, L"hello"), L"03-04-26 05:06:07.0089 hello\r\n");
  std::wstring longLine = FormatLogLine(t, std::wstring(400, L'x'));
  EXPECT_EQ(longLine.size(), 259u);
  EXPECT_EQ(longLine.substr(257), L"\r\n");
}

TEST(SetupRules, ZipTargets) {
  struct Case {
    const wchar_t* base;
    const wchar_t* name;
    const wchar_t* want;
  } cases[] = {
      {L"Program Files\\App", L"\\bin\\a.dll", L"Program Files\\App\\bin\\a.dll"},
      {L"Program Files\\App\\", L"\\bin\\a.dll", L"Program Files\\App\\bin\\a.dll"},
      {L"Program Files\\App", L"bin\\a.dll", L"Program Files\\App\\bin\\a.dll"},
      {L"", L"Windows\\a.dll", L"Windows\\a.dll"},
  };
  for (const Case& c : cases) EXPECT_EQ(JoinTarget(c.base, c.name), c.want) << c.name;
}
