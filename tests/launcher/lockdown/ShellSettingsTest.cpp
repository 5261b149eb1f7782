// The shell settings the launcher changes in the real registry, and put back.
#include <gtest/gtest.h>

#include "lockdown/Lockdown.h"
#include "LockdownTestSupport.h"

using namespace lockdown_test;

namespace {

const std::wstring kKeys = L"Software\\Microsoft\\Today\\Keys";
const std::wstring k112 = kKeys + L"\\112";
const std::wstring k113 = kKeys + L"\\113";
const std::wstring kOpenCommand = L"\"\\Flash File Store\\launcher\\QZRShell.exe\"";

RawValue Sz(const std::wstring& text, size_t extraNulls = 1) { return {REG_SZ, TextBytes(text, extraNulls)}; }

std::optional<RawValue> Value(const std::wstring& path, const wchar_t* name) { return ReadRaw(HKEY_CURRENT_USER, path, name); }

void ExpectRedirected(const std::wstring& path) {
  // SetRegString's data: text, null and one more null.
  EXPECT_EQ(Value(path, nullptr), Sz(L"Launcher", 2)) << Narrow(path);
  EXPECT_EQ(Value(path, L"Open"), Sz(kOpenCommand, 2)) << Narrow(path);
}

}  // namespace

// Absent, partly present, and present keys of any length and type: redirected, then put back as
// they were. Strings go back through SetRegString, as they were written at redirection.
TEST(TodaySoftKeys, RedirectedAndPutBackAsTheyWere) {
  // An "Open" text of 300 characters (beyond 512 bytes) and a default value that is no string.
  const std::wstring longOpen = L"\"\\Program Files\\" + std::wstring(280, L'a') + L".exe\"";
  const RawValue binaryDefault{REG_DWORD, {7, 0, 0, 0}};
  const std::wstring k114 = kKeys + L"\\114";
  struct Entry { std::wstring path; const wchar_t* name; std::optional<RawValue> value; };
  struct Case { const char* what; std::vector<Entry> before, after; std::vector<std::wstring> gone; } cases[] = {
      {"absent", {}, {}, {kKeys}},
      {"partly present",
       {{k112, nullptr, Sz(L"Scanner")}, {k112, L"Open", Sz(L"\"\\windows\\scan.exe\"")}, {k114, L"Open", Sz(L"x")}},
       {{k112, nullptr, Sz(L"Scanner", 2)}, {k112, L"Open", Sz(L"\"\\windows\\scan.exe\"", 2)}, {k114, L"Open", Sz(L"x")}},
       {k113}},
      {"any length and type",
       {{k112, L"Open", Sz(longOpen)}, {k112, nullptr, binaryDefault}, {k113, nullptr, Sz(L"Mail")}},
       {{k112, L"Open", Sz(longOpen, 2)}, {k112, nullptr, binaryDefault}, {k113, nullptr, Sz(L"Mail", 2)},
        {k113, L"Open", std::nullopt}},
       {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    RegistryScope today(HKEY_CURRENT_USER, kKeys);
    for (const Entry& e : c.before) ASSERT_TRUE(WriteRaw(HKEY_CURRENT_USER, e.path, e.name, e.value->type, e.value->data));
    qzr::RedirectTodaySoftKeys();
    ExpectRedirected(k112);
    ExpectRedirected(k113);
    qzr::RestoreTodaySoftKeys();
    for (const Entry& e : c.after) EXPECT_EQ(Value(e.path, e.name), e.value) << Narrow(e.path);
    for (const std::wstring& path : c.gone) EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, path)) << Narrow(path);
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, L"Software\\Microsoft\\Today"));
  }
}

TEST(SessionTimeout, WrittenOnPocketPcsWhereTheKeyExists) {
  const std::wstring rai = L"Software\\Microsoft\\Shell\\Rai";
  RegistryScope scope(HKEY_LOCAL_MACHINE, rai);
  struct Case { const wchar_t* platform; bool keyExists; std::optional<RawValue> after; } cases[] = {
      {L"PocketPC", true, RawValue{REG_DWORD, {0, 0, 0, 0}}},
      {L"PocketPC", false, std::nullopt},
      {L"XScale", true, RawValue{REG_DWORD, {9, 0, 0, 0}}},
      {L"Other", true, RawValue{REG_DWORD, {9, 0, 0, 0}}},
  };
  for (const Case& c : cases) {
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, rai.c_str());
    if (c.keyExists) {
      ASSERT_TRUE(WriteRaw(HKEY_LOCAL_MACHINE, rai, L"SessionTimeout", REG_DWORD, {9, 0, 0, 0}));
    }
    DeviceScope device(c.platform, 10);
    qzr::DisableSessionTimeout();
    EXPECT_EQ(ReadRaw(HKEY_LOCAL_MACHINE, rai, L"SessionTimeout"), c.after) << Narrow(c.platform);
    EXPECT_EQ(KeyExists(HKEY_LOCAL_MACHINE, rai), c.keyExists) << "the key is never made";
  }
}

// Texts and default values written with two nulls are read back in TodaySoftKeys.
TEST(SetRegString, WritesIntoExistingKeysOnly) {
  const std::wstring path = L"Software\\QZRTest\\SetRegString";
  RegistryScope scope(HKEY_CURRENT_USER, path);
  EXPECT_FALSE(qzr::SetRegString(HKEY_CURRENT_USER, L"\\" + path, L"v", L"text"));
  EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, path));
  ASSERT_TRUE(WriteRaw(HKEY_CURRENT_USER, path, L"other", REG_SZ, TextBytes(L"")));
  EXPECT_TRUE(qzr::SetRegString(HKEY_CURRENT_USER, L"\\" + path, L"v", L""));
  EXPECT_EQ(ReadRaw(HKEY_CURRENT_USER, path, L"v"), Sz(L"", 2));
}
