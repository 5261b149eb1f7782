// INI line rules, reads, writes through the temporary copy, and the temporary file names, on real files.
#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "core/IniFile.h"
#include "TestSupport.h"

using namespace testing_support;
using qzr::ReadIniValue;

namespace {

std::string AnsiBytes(const std::wstring& text) {
  std::string bytes(text.size() * 2 + 1, '\0');
  int n = WideCharToMultiByte(CP_ACP, 0, text.c_str(), static_cast<int>(text.size()), bytes.data(),
                              static_cast<int>(bytes.size()), nullptr, nullptr);
  bytes.resize(n > 0 ? n : 0);
  return bytes;
}

std::wstring AnsiText(const std::string& bytes) {
  std::wstring text(bytes.size(), L'\0');
  int n = MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()), text.data(), static_cast<int>(text.size()));
  text.resize(n > 0 ? n : 0);
  return text;
}

std::vector<std::wstring> FolderEntries(const std::wstring& folder) {
  std::vector<std::wstring> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) names.push_back(entry.path().filename());
  return names;
}

// Each test's own folder, and the menu.ini in it.
class IniRead : public testing::Test {
 protected:
  ScratchFolder folder{L"ini"};
  std::wstring path = folder / L"menu.ini";
};
using IniWrite = IniRead;

}  // namespace

// UTF-8 text with and without byte-order mark, lone line feeds and a last line without line end
// are read and rewritten in every encoding in IniEncodingTest.
TEST_F(IniRead, ValuesFollowTheLineRules) {
  struct Case {
    const char* name;
    std::string file;
    const wchar_t* expected;  // for [Caption] Button1, default "dflt"
  };
  const Case cases[] = {
      {"section line with trailing text", "[Caption] labels\r\nButton1=A\r\n", L"A"},
      {"section line with leading blank", " [Caption]\r\nButton1=A\r\n", L"dflt"},
      {"section name without its bracket", "[Caption\r\nButton1=A\r\n", L"dflt"},
      {"longer section name", "[Captions]\r\nButton1=A\r\n", L"dflt"},
      {"an indented section line ends nothing", "[Caption]\r\n [Other]\r\nButton\r\nButton1=A\r\n", L"A"},
      {"names without regard to case", "[CAPTION]\r\nbutton1=A\r\n", L"A"},
      {"Button10 and blanks are no key lines", "[Caption]\r\nButton10=X\r\nButton1 =Y\r\n Button1=Z\r\n", L"dflt"},
      {"Button1 after Button10", "[Caption]\r\nButton10=X\r\nButton1=Y\r\n", L"Y"},
      {"empty value is not the default", "[Caption]\r\nButton1=\r\n", L""},
      {"value up to the line end", "[Caption]\r\nButton1=a=b \r\n", L"a=b "},
      {"key after the next section", "[Caption]\r\n[Other]\r\nButton1=A\r\n", L"dflt"},
      {"a bare [ ends the section", "[Caption]\r\n[\r\nButton1=A\r\n", L"dflt"},
      {"only the first section is searched", "[Caption]\r\nButton2=B\r\n[Caption]\r\nButton1=A\r\n", L"dflt"},
      {"first duplicate key wins", "[Caption]\r\nButton1=first\r\nButton1=second\r\n", L"first"},
      {"value kept untrimmed", "; top\r\n\r\n[Caption]\r\n; note\r\nOther=1\r\nButton1=  padded  \r\n", L"  padded  "},
      {"section missing", "[Other]\r\nButton1=A\r\n", L"dflt"},
      {"empty file", "", L"dflt"},
      {"NUL ends a value", std::string("[Caption]\r\nButton1=ab\0cd\r\n", 24), L"ab"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_TRUE(WriteBytes(path, c.file));
    EXPECT_EQ(ReadIniValue(L"Caption", L"Button1", L"dflt", path.c_str()), c.expected);
  }
  EXPECT_EQ(ReadIniValue(L"Caption", L"Button1", L"dflt", (folder / L"missing.ini").c_str()), L"dflt");
  EXPECT_EQ(ReadIniValue(L"Caption", L"Button1", L"dflt", L""), L"dflt");
}

TEST_F(IniRead, AnsiTextAndBinaryFiles) {
  // Bytes that are no valid UTF-8 make the whole file ANSI text.
  std::string ansiValue = "Caf\xE9 \xC0";
  ASSERT_TRUE(WriteBytes(path, "[Caption]\r\nButton1=" + ansiValue + "\r\nButton2=ok\r\n"));
  EXPECT_EQ(ReadIniValue(L"Caption", L"Button1", L"", path.c_str()), AnsiText(ansiValue));
  EXPECT_EQ(ReadIniValue(L"Caption", L"Button2", L"", path.c_str()), L"ok");

  // A binary file alone gives the defaults in LauncherConfig.MissingOrBrokenFilesGiveDefaults.
  std::string binary;
  for (int i = 0; i < 5000; ++i) binary.push_back(static_cast<char>((i * 7919 + 13) % 256));
  ASSERT_TRUE(WriteBytes(path, binary + "\r\n[Caption]\r\nButton1=after\r\n"));
  EXPECT_EQ(ReadIniValue(L"Caption", L"Button1", L"dflt", path.c_str()), L"after");
}

TEST_F(IniRead, LongLinesArriveInPiecesOf398) {
  struct Case { const char* name; std::string file; const wchar_t* key; std::wstring expected; };
  const std::string filler(398, 'c');
  const Case cases[] = {
      {"value cut after 398 characters", "[S]\r\nKey=" + std::string(500, 'x') + "\r\n", L"Key", std::wstring(394, L'x')},
      {"the rest is a line of its own", "[S]\r\n" + filler + "Key=tail\r\n", L"Key", L"tail"},
      {"a rest starting with [ ends the section", "[S]\r\n" + filler + "[x\r\nKey=v\r\n", L"Key", L"dflt"},
      {"397 characters and the line end are one piece", "[S]\r\n" + std::string(397, 'c') + "\r\nKey=v\r\n", L"Key", L"v"},
      {"characters, not bytes, are counted",
       "[S]\r\nKey=" + [] { std::string s; for (int i = 0; i < 450; ++i) s += "\xC3\xA9"; return s; }() + "\r\n", L"Key",
       std::wstring(394, L'\u00E9')},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_TRUE(WriteBytes(path, c.file));
    EXPECT_EQ(ReadIniValue(L"S", c.key, L"dflt", path.c_str()), c.expected);
  }

  // A line of exactly 398 characters leaves its line end as a piece of its own.
  ASSERT_TRUE(WriteBytes(path, filler + "\r\nnext\r\n"));
  FILE* in = _wfopen(path.c_str(), L"rb");
  ASSERT_NE(in, nullptr);
  qzr::IniLine line;
  std::vector<std::wstring> pieces;
  while (qzr::ReadIniLine(in, qzr::IniEncoding::Utf8, line)) pieces.push_back(line.text);
  fclose(in);
  ASSERT_EQ(pieces.size(), 3u);
  EXPECT_EQ(pieces[0], std::wstring(398, L'c'));
  EXPECT_EQ(pieces[1], L"\n");
  EXPECT_EQ(pieces[2], L"next\n");
}

TEST_F(IniRead, ResultBufferIsBoundedAndTerminated) {
  ASSERT_TRUE(WriteBytes(path, "[S]\r\nKey=abcdefgh\r\nLong=" + std::string(300, 'v') + "\r\n"));
  struct Case { const wchar_t* key; const wchar_t* defaultText; size_t n; std::wstring expected; };
  const Case cases[] = {
      {L"Key", L"", 5, L"abcd"},
      {L"Key", L"", 9, L"abcdefgh"},
      {L"Key", L"", 1, L""},
      {L"Missing", L"defaultvalue", 4, L"def"},
      {L"Long", L"", 200, std::wstring(199, L'v')},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << Narrow(c.key) << " n=" << c.n);
    std::vector<wchar_t> buffer(c.n + 4, L'#');
    int length = qzr::ReadIniString(L"S", c.key, c.defaultText, buffer.data(), c.n, path.c_str());
    EXPECT_EQ(length, static_cast<int>(c.expected.size()));
    EXPECT_EQ(std::wstring(buffer.data()), c.expected);
    for (size_t i = c.n; i < buffer.size(); ++i) EXPECT_EQ(buffer[i], L'#') << "written past the buffer at " << i;
  }
}

TEST_F(IniRead, BoolTest) {
  struct Case {
    const char* value;  // nullptr: key missing
    bool defaultValue;
    bool expected;
  };
  const Case cases[] = {
      {"TRUE", 0, 1}, {"true", 0, 1}, {" \tTrue  ", 0, 1}, {"yes", 0, 0}, {"1", 0, 0},
      {"", 1, 1},     {"FALSE", 1, 1}, {"TRUEX", 0, 0},    {nullptr, 0, 0}, {nullptr, 1, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << (c.value ? c.value : "(missing)") << " default " << c.defaultValue);
    ASSERT_TRUE(WriteBytes(path, c.value ? std::string("[S]\r\nFlag=") + c.value + "\r\n" : "[S]\r\n"));
    EXPECT_EQ(qzr::ReadIniBool(L"Flag", L"S", path.c_str(), c.defaultValue), c.expected);
  }
}

TEST_F(IniWrite, RewritesThroughTheCopy) {
  struct Case {
    const char* name;
    std::optional<std::string> before;  // nullopt: no file
    const wchar_t* section;
    const wchar_t* value;
    std::string after;  // key is always "k"
  };
  const std::string e9 = AnsiBytes(L"\u00E9");
  const Case cases[] = {
      {"replaced in place", "[A]\r\nk=1\r\nx=2\r\n[B]\r\nk=3\r\n", L"A", L"9", "[A]\r\nk=9\r\nx=2\r\n[B]\r\nk=3\r\n"},
      {"appended before the next section", "[A]\r\nx=2\r\n[B]\r\nk=3\r\n", L"A", L"9", "[A]\r\nx=2\r\nk=9\r\n[B]\r\nk=3\r\n"},
      {"new section at the end", "[A]\r\nx=2\r\n", L"C", L"9", "[A]\r\nx=2\r\n[C]\r\nk=9\r\n"},
      {"appended after a last line without line end", "[A]\r\nx=2", L"A", L"9", "[A]\r\nx=2\r\nk=9\r\n"},
      {"only the first duplicate replaced", "[A]\r\nk=1\r\nk=2\r\n", L"A", L"9", "[A]\r\nk=9\r\nk=2\r\n"},
      {"first of two equal sections", "[A]\r\nx=1\r\n[A]\r\nk=1\r\n", L"A", L"9", "[A]\r\nx=1\r\nk=9\r\n[A]\r\nk=1\r\n"},
      {"comments and trailing text kept", "; top\r\n[a] ; c\r\n; note\r\nK=1\r\n", L"A", L"9", "; top\r\n[a] ; c\r\n; note\r\nk=9\r\n"},
      {"line feeds kept on copied lines", "[A]\nk=1\nz=3\n", L"A", L"9", "[A]\nk=9\r\nz=3\n"},
      {"empty value", "[A]\r\nk=1\r\n", L"A", L"", "[A]\r\nk=\r\n"},
      {"empty file", "", L"A", L"9", "[A]\r\nk=9\r\n"},
      {"missing file", std::nullopt, L"A", L"9", "[A]\r\nk=9\r\n"},
      {"ANSI file gets ANSI", "[A]\r\nc=\xE9\xC0\r\n", L"A", L"\u00E9", "[A]\r\nc=\xE9\xC0\r\nk=" + e9 + "\r\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    DeleteFileW(path.c_str());
    if (c.before) {
      ASSERT_TRUE(WriteBytes(path, *c.before));
    }
    EXPECT_TRUE(qzr::WriteIniString(c.section, L"k", c.value, path.c_str()));
    EXPECT_EQ(ReadBytes(path).value_or("?"), c.after);
    EXPECT_EQ(ReadIniValue(c.section, L"k", L"dflt", path.c_str()), c.value);
    EXPECT_EQ(FolderEntries(folder.path()), std::vector<std::wstring>{L"menu.ini"}) << "temporary copy left behind";
  }
}

TEST_F(IniWrite, FailuresLeaveTheFileAlone) {
  const std::string original = "[A]\r\nk=1\r\n";
  // Key and value of 399 characters make a line; 400 do not.
  for (size_t n : {397u, 398u}) {
    ASSERT_TRUE(WriteBytes(path, original));
    EXPECT_EQ(qzr::WriteIniString(L"A", L"k", std::wstring(n, L'v').c_str(), path.c_str()), n == 397) << n;
  }
  EXPECT_EQ(ReadBytes(path).value_or("?"), original);
  // Only a code page that holds the character may take it.
  const std::string ansi = "[A]\r\nk=\xE9\xC0\r\n";
  if (AnsiText(AnsiBytes(L"\u4E2D")) != L"\u4E2D") {
    ASSERT_TRUE(WriteBytes(path, ansi));
    EXPECT_FALSE(qzr::WriteIniString(L"A", L"k", L"\u4E2D", path.c_str()));
    EXPECT_EQ(ReadBytes(path).value_or("?"), ansi);
  }
  for (DWORD share : {DWORD{FILE_SHARE_READ}, DWORD{0}}) {
    SCOPED_TRACE(share ? "held open for reading elsewhere: the copy cannot replace it"
                       : "locked by another writer: never replaced by an empty copy");
    ASSERT_TRUE(WriteBytes(path, original));
    HANDLE other = CreateFileW(path.c_str(), GENERIC_READ, share, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(other, INVALID_HANDLE_VALUE);
    EXPECT_FALSE(qzr::WriteIniString(L"A", L"k", L"9", path.c_str()));
    CloseHandle(other);
    EXPECT_EQ(ReadBytes(path).value_or("?"), original);
    EXPECT_EQ(FolderEntries(folder.path()), std::vector<std::wstring>{L"menu.ini"}) << "temporary copy left behind";
  }
  {
    SCOPED_TRACE("a name without folder gives no place for the copy");
    wchar_t previous[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, previous);
    ASSERT_TRUE(SetCurrentDirectoryW(folder.path().c_str()));
    ASSERT_TRUE(WriteBytes(L"menu.ini", original));
    EXPECT_FALSE(qzr::WriteIniString(L"A", L"k", L"9", L"menu.ini"));
    EXPECT_EQ(ReadBytes(L"menu.ini").value_or("?"), original);
    SetCurrentDirectoryW(previous);
  }
  {
    SCOPED_TRACE("path of 260 characters or more");
    std::wstring deep = folder.path();
    while (deep.size() < 280) {
      deep += std::wstring(60, L'd') + L"\\";
      ASSERT_TRUE(CreateDirectoryW((L"\\\\?\\" + deep).c_str(), nullptr));
    }
    std::wstring longPath = deep + L"menu.ini";
    ASSERT_TRUE(WriteBytes(L"\\\\?\\" + longPath, original));
    EXPECT_FALSE(qzr::WriteIniString(L"A", L"k", L"9", longPath.c_str()));
    EXPECT_EQ(ReadBytes(L"\\\\?\\" + longPath).value_or("?"), original);
    wchar_t temp[MAX_PATH] = {};
    EXPECT_FALSE(qzr::MakeIniTempFileName(longPath.c_str(), temp));
  }
}

TEST_F(IniWrite, TemporaryFileNames) {
  std::wstring forward = folder.path();
  for (wchar_t& c : forward)
    if (c == L'\\') c = L'/';
  struct Case {
    const char* name;
    std::wstring path;
    std::wstring expectedFolder;  // empty: fails
  };
  const Case cases[] = {
      {"the file's own folder", folder / L"menu.ini", folder.path()},
      {"an enclosing folder when the own one is missing", folder / L"missing\\menu.ini", folder.path()},
      {"forward slashes", forward + L"menu.ini", forward},
      {"no folder at all", L"menu.ini", L""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    wchar_t temp[MAX_PATH] = {};
    bool result = qzr::MakeIniTempFileName(c.path.c_str(), temp);
    EXPECT_EQ(result, !c.expectedFolder.empty());
    if (!result) continue;
    std::wstring name = temp;
    EXPECT_EQ(name.substr(0, c.expectedFolder.size()), c.expectedFolder);
    // The platform takes the first three characters of the prefix.
    std::wstring file = name.substr(name.find_last_of(L"\\/") + 1);
    EXPECT_EQ(file.substr(0, 3), L"Tmp") << Narrow(name);
    EXPECT_NE(GetFileAttributesW(temp), INVALID_FILE_ATTRIBUTES) << "the name is reserved by a new file";
    DeleteFileW(temp);
  }
}
