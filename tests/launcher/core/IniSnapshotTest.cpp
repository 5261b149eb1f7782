// menu.ini read once: the snapshot answers every key exactly as reading the file per key does,
// and knows nothing of a later write until it is taken again.
#include <gtest/gtest.h>

#include <string>

#include "IniFile.h"
#include "TestSupport.h"

using namespace testing_support;

namespace {

struct Key { const wchar_t* section; const wchar_t* key; };
const Key kKeys[] = {
    {L"Caption", L"Button1"}, {L"caption", L"BUTTON2"}, {L"exe", L"Button1"},    {L"Lockable Keys", L"EnableWindowsKey"},
    {L"Other", L"Button1"},   {L"Missing", L"x"},       {L"Caption", L"Button"}, {L"Caption", L"Button10"},
};

// Per key: the value, a 5-character bounded read, the TRUE test, and the section tests.
void ExpectSameAnswers(const std::wstring& path, const qzr::IniSnapshot& ini) {
  for (const Key& k : kKeys) {
    SCOPED_TRACE(Narrow(std::wstring(k.section) + L"/" + k.key));
    EXPECT_EQ(ini.ReadValue(k.section, k.key, L"dflt"), qzr::ReadIniValue(k.section, k.key, L"dflt", path.c_str()));
    wchar_t fromFile[5], fromSnapshot[5];
    int fileLength = qzr::ReadIniString(k.section, k.key, L"default", fromFile, 5, path.c_str());
    EXPECT_EQ(ini.ReadString(k.section, k.key, L"default", fromSnapshot, 5), fileLength);
    EXPECT_EQ(std::wstring(fromSnapshot), std::wstring(fromFile));
    EXPECT_EQ(ini.ReadBool(k.key, k.section, 7), qzr::ReadIniBool(k.key, k.section, path.c_str(), 7));
  }
  for (const wchar_t* section : {L"Caption", L"EXE", L"Lockable Keys", L"Nowhere"})
    EXPECT_EQ(ini.HasAnySection({L"Nothing", section}), qzr::HasAnyIniSection(path.c_str(), {L"Nothing", section}));
}

}  // namespace

TEST(IniSnapshot, AnswersAsTheFileDoes) {
  std::string binary;
  for (int i = 0; i < 3000; ++i) binary.push_back(static_cast<char>((i * 7919 + 13) % 256));
  const std::string utf16 = std::string("\xFF\xFE[\0C\0a\0p\0t\0i\0o\0n\0]\0\r\0\n\0B\0u\0t\0t\0o\0n\0001\0=\0\xDC\0\r\0\n\0", 44);
  struct Case { const char* name; std::string file; };
  const Case cases[] = {
      {"plain file",
       "; menu\r\n[Caption]\r\nButton1=Scan\r\nButton2= Mail \r\nButton10=Ten\r\n[exe]\r\nButton1=\\windows\\scan.exe\r\n"
       "[Lockable Keys]\r\nEnableWindowsKey= true \r\n"},
      {"duplicate sections and keys", "[Caption]\r\nButton2=B\r\n[Caption]\r\nButton1=A\r\n[exe]\r\nButton1=1\r\nButton1=2\r\n"},
      {"line feeds only, no last line end", "[Caption]\nButton1=A\n[Other]\nButton1=B"},
      {"a line longer than one piece", "[Caption]\r\nButton1=" + std::string(900, 'x') + "\r\nButton2=after\r\n"},
      {"ANSI text", "[Caption]\r\nButton1=Caf\xE9\r\n"},
      {"UTF-8 with byte-order mark", "\xEF\xBB\xBF[Caption]\r\nButton1=x\xC3\xA9\r\n"},
      {"UTF-16 little endian", utf16},
      {"UTF-16 cut inside a character", utf16.substr(0, utf16.size() - 1)},
      {"NUL inside a value", std::string("[Caption]\r\nButton1=ab\0cd\r\n", 24)},
      {"binary", binary + "\r\n[Caption]\r\nButton1=after\r\n"},
      {"empty file", ""},
  };
  ScratchFolder folder(L"inisnap");
  const std::wstring path = folder / L"menu.ini";
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_TRUE(WriteBytes(path, c.file));
    ExpectSameAnswers(path, qzr::IniSnapshot(path));
  }
  SCOPED_TRACE("missing file");
  DeleteFileW(path.c_str());
  ExpectSameAnswers(path, qzr::IniSnapshot(path));
  qzr::IniSnapshot unnamed;
  EXPECT_EQ(unnamed.ReadValue(L"Caption", L"Button1", L"dflt"), L"dflt");
  EXPECT_FALSE(unnamed.HasAnySection({L"Caption"}));
}

TEST(IniSnapshot, AWriteIsSeenOnlyAfterTakingItAgain) {
  ScratchFolder folder(L"inisnapw");
  const std::wstring path = folder / L"menu.ini";
  ASSERT_TRUE(WriteBytes(path, "[PassWord]\r\npwd=1234\r\n"));
  qzr::IniSnapshot ini(path);
  // The file can go or change under a snapshot: it answers from what it read.
  ASSERT_EQ(qzr::WriteIniString(L"PassWord", L"pwd", L"", path.c_str()), 1);
  EXPECT_EQ(ini.ReadValue(L"PassWord", L"pwd", L"?"), L"1234");
  ini.Load(path);
  EXPECT_EQ(ini.ReadValue(L"PassWord", L"pwd", L"?"), L"");
  DeleteFileW(path.c_str());
  EXPECT_EQ(ini.ReadValue(L"PassWord", L"pwd", L"?"), L"");
  ini.Load(path);
  EXPECT_EQ(ini.ReadValue(L"PassWord", L"pwd", L"?"), L"?");
}
