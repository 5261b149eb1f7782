// The shell settings the launcher changes in the real registry: the Today soft keys redirected
// and put back, "SessionTimeout", and SetRegString's data.
#include <gtest/gtest.h>

#include "Lockdown.h"
#include "LockdownTestSupport.h"

using namespace lockdown_test;
using testing_support::Narrow;

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

TEST(TodaySoftKeys, AbsentKeysAreMadeAndTakenAwayAgain) {
  RegistryTreeScope today(HKEY_CURRENT_USER, kKeys);
  qzr::RedirectTodaySoftKeys();
  ExpectRedirected(k112);
  ExpectRedirected(k113);
  qzr::RestoreTodaySoftKeys();
  EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, kKeys));
  EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, L"Software\\Microsoft\\Today"));
}

TEST(TodaySoftKeys, PartlyPresentKeysComeBackAsTheyWere) {
  RegistryTreeScope today(HKEY_CURRENT_USER, kKeys);
  ASSERT_TRUE(WriteRaw(HKEY_CURRENT_USER, k112, nullptr, REG_SZ, TextBytes(L"Scanner")));
  ASSERT_TRUE(WriteRaw(HKEY_CURRENT_USER, k112, L"Open", REG_SZ, TextBytes(L"\"\\windows\\scan.exe\"")));
  ASSERT_TRUE(WriteRaw(HKEY_CURRENT_USER, kKeys + L"\\114", L"Open", REG_SZ, TextBytes(L"x")));
  qzr::RedirectTodaySoftKeys();
  ExpectRedirected(k112);
  ExpectRedirected(k113);
  qzr::RestoreTodaySoftKeys();
  // Strings go back through SetRegString, as they were written at redirection.
  EXPECT_EQ(Value(k112, nullptr), Sz(L"Scanner", 2));
  EXPECT_EQ(Value(k112, L"Open"), Sz(L"\"\\windows\\scan.exe\"", 2));
  EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, k113));
  EXPECT_EQ(Value(kKeys + L"\\114", L"Open"), Sz(L"x"));
}

TEST(TodaySoftKeys, PresentKeysOfAnyLengthAndTypeComeBackWhole) {
  RegistryTreeScope today(HKEY_CURRENT_USER, kKeys);
  // An "Open" text of 300 characters (beyond 512 bytes), a default value that is no string,
  // and a key whose "Open" value is not there at all.
  const std::wstring longOpen = L"\"\\Program Files\\" + std::wstring(280, L'a') + L".exe\"";
  const RawValue binaryDefault{REG_DWORD, {7, 0, 0, 0}};
  ASSERT_TRUE(WriteRaw(HKEY_CURRENT_USER, k112, L"Open", REG_SZ, TextBytes(longOpen)));
  ASSERT_TRUE(WriteRaw(HKEY_CURRENT_USER, k112, nullptr, binaryDefault.type, binaryDefault.data));
  ASSERT_TRUE(WriteRaw(HKEY_CURRENT_USER, k113, nullptr, REG_SZ, TextBytes(L"Mail")));
  qzr::RedirectTodaySoftKeys();
  ExpectRedirected(k112);
  ExpectRedirected(k113);
  qzr::RestoreTodaySoftKeys();
  EXPECT_EQ(Value(k112, L"Open"), Sz(longOpen, 2));
  EXPECT_EQ(Value(k112, nullptr), binaryDefault);
  EXPECT_EQ(Value(k113, nullptr), Sz(L"Mail", 2));
  EXPECT_FALSE(Value(k113, L"Open").has_value());
}

TEST(SessionTimeout, WrittenOnPocketPcsWhereTheKeyExists) {
  const std::wstring rai = L"Software\\Microsoft\\Shell\\Rai";
  RegistryTreeScope scope(HKEY_LOCAL_MACHINE, rai);
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

TEST(SetRegString, WritesTextAndTwoNullsIntoExistingKeysOnly) {
  const std::wstring path = L"Software\\QZRTest\\SetRegString";
  RegistryTreeScope scope(HKEY_CURRENT_USER, path);
  EXPECT_EQ(qzr::SetRegString(HKEY_CURRENT_USER, L"\\" + path, L"v", L"text"), 0x80004005u);
  EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, path));
  ASSERT_TRUE(WriteRaw(HKEY_CURRENT_USER, path, L"other", REG_SZ, TextBytes(L"")));
  for (const std::wstring text : {L"", L"a", L"\\Flash File Store\\launcher"}) {
    EXPECT_EQ(qzr::SetRegString(HKEY_CURRENT_USER, L"\\" + path, L"v", text), 0u);
    EXPECT_EQ(ReadRaw(HKEY_CURRENT_USER, path, L"v"), Sz(text, 2));
    EXPECT_EQ(ReadRaw(HKEY_CURRENT_USER, path, L"v")->data.size(), (text.size() + 2) * 2);
  }
  EXPECT_EQ(qzr::SetRegString(HKEY_CURRENT_USER, path, nullptr, L"default"), 0u);
  EXPECT_EQ(ReadRaw(HKEY_CURRENT_USER, path, nullptr), Sz(L"default", 2));
}
