// menu.ini read once: the snapshot finds sections as scanning the file line by line does (its
// key lookup is the per-key read's own code), and knows nothing of a later write until taken again.
#include <gtest/gtest.h>

#include <string>

#include "core/IniFile.h"
#include "TestSupport.h"

using namespace testing_support;

namespace {

void ExpectSameSections(const std::wstring& path, const qzr::IniSnapshot& ini) {
  for (const wchar_t* section : {L"Caption", L"EXE", L"Lockable Keys", L"Other", L"Nowhere"}) {
    SCOPED_TRACE(Narrow(section));
    EXPECT_EQ(ini.HasAnySection({L"Nothing", section}), qzr::HasAnyIniSection(path.c_str(), {L"Nothing", section}));
  }
}

}  // namespace

TEST(IniSnapshot, FindsSectionsAsTheFileScanDoes) {
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
    ExpectSameSections(path, qzr::IniSnapshot(path));
  }
  DeleteFileW(path.c_str());
  EXPECT_FALSE(qzr::IniSnapshot(path).HasAnySection({L"Caption"}));
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
  ASSERT_TRUE(qzr::WriteIniString(L"PassWord", L"pwd", L"", path.c_str()));
  EXPECT_EQ(ini.ReadValue(L"PassWord", L"pwd", L"?"), L"1234");
  ini.Load(path);
  EXPECT_EQ(ini.ReadValue(L"PassWord", L"pwd", L"?"), L"");
  DeleteFileW(path.c_str());
  EXPECT_EQ(ini.ReadValue(L"PassWord", L"pwd", L"?"), L"");
  ini.Load(path);
  EXPECT_EQ(ini.ReadValue(L"PassWord", L"pwd", L"?"), L"?");
}
