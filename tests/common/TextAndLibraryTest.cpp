// The common text helpers and the bound-library owner, against the running program and system libraries.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "TestSupport.h"
#include "Text.h"
#include "Win32Owners.h"

using namespace testing_support;

TEST(Text, OneFoldingRuleForEveryScript) {
  struct Case {
    const wchar_t* a;
    const wchar_t* b;
    bool equal;
  };
  const Case cases[] = {
      {L"\\Windows\\Notes.EXE", L"\\windows\\notes.exe", true},
      // Letters beyond A-Z fold too: an administrator's accented folder name must match.
      {L"\\Programme\\ÜBERSICHT.exe", L"\\programme\\übersicht.exe", true},
      {L"ΣΚΑΝ", L"σκαν", true},
      {L"ПРИЁМ", L"приём", true},
      {L"übersicht", L"ubersicht", false},
      {L"abc", L"abcd", false},
      {L"", L"", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(Narrow(c.a));
    EXPECT_EQ(qzr::EqualsNoCase(c.a, c.b), c.equal);
    EXPECT_EQ(qzr::LowerCase(c.a) == qzr::LowerCase(c.b), c.equal);
    EXPECT_TRUE(qzr::StartsWithNoCase(std::wstring(c.b) + L"\\tail", c.a) || !c.equal);
  }
}

TEST(Text, ModulePaths) {
  const std::wstring full = qzr::ModuleFileName(MAX_PATH);
  ASSERT_FALSE(full.empty());
  EXPECT_EQ(qzr::LowerCase(qzr::ModuleFolder(nullptr, MAX_PATH)), qzr::LowerCase(BinFolder()));
  EXPECT_EQ(full.substr(0, qzr::ModuleFolder(nullptr, MAX_PATH).size()), qzr::ModuleFolder(nullptr, MAX_PATH));
  // A buffer too small gets the name cut to its size, never past it.
  EXPECT_EQ(qzr::ModuleFileName(5).size(), 5u);
  EXPECT_EQ(qzr::ModuleFileName(5), full.substr(0, 5));
  // A name without any backslash has no folder.
  EXPECT_EQ(qzr::ModuleFolder(nullptr, 2), L"");
}

TEST(Library, TypedLookUpsAndMissingPieces) {
  using ProcessIdFn = DWORD(WINAPI*)();
  qzr::Library kernel(L"kernel32.dll");
  ASSERT_TRUE(kernel);
  auto processId = kernel.Proc<ProcessIdFn>("GetCurrentProcessId");
  ASSERT_NE(processId, nullptr);
  EXPECT_EQ(processId(), GetCurrentProcessId());
  EXPECT_EQ(kernel.Proc<ProcessIdFn>("NoSuchExportAnywhere"), nullptr);

  qzr::Library missing(L"qzr-no-such-library.dll");
  EXPECT_FALSE(missing);
  EXPECT_EQ(missing.Proc<ProcessIdFn>("GetCurrentProcessId"), nullptr);

  // The owner frees what it bound: a library loaded only through it is gone afterwards.
  if (GetModuleHandleW(L"msimg32.dll")) GTEST_SKIP() << "msimg32.dll is loaded already";
  {
    qzr::Library images(L"msimg32.dll");
    ASSERT_TRUE(images);
    EXPECT_EQ(GetModuleHandleW(L"msimg32.dll"), images.get());
  }
  EXPECT_EQ(GetModuleHandleW(L"msimg32.dll"), nullptr);
}
