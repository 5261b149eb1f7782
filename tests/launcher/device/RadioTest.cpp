// Radio and network status: radio library, authentication answers, field extraction, wired link rule.
#include <gtest/gtest.h>

#include <cwchar>
#include <map>
#include <string>
#include <vector>

#include "DeviceProfile.h"
#include "device/Radio80211.h"
#include "RadioProfile.h"
#include "TestSupport.h"

using namespace testing_support;
namespace radio = emulator::radio;

namespace {

// The radio and settings values of the profile, all unset first so a case sets only its own.
struct RadioProfileScope {
  ProfileScope profile;
  RadioProfileScope() {
    for (const wchar_t* name : {radio::kAssociation, radio::kRssi, radio::kMac, radio::kIp, radio::kConnectResult,
                                radio::kZeroConfig, radio::kNetworkAuthentication, radio::kActiveProfile,
                                L"Profile1Association", L"Profile2Association", L"Profile3Association", L"Profile4Association"})
      profile.Unset(name);
  }
};

bool ModuleLoaded(const wchar_t* name) { return GetModuleHandleW(name) != nullptr; }

}  // namespace

// The association and the address reach the main dialog's meter and the status page through
// this library in LauncherDialogTest and StatusDialogTest.
TEST(RadioLibrary, LoadsAndAnswersFromTheDevice) {
  RadioProfileScope scope;
  scope.profile.Set(radio::kRssi, L"-58");
  scope.profile.Set(radio::kMac, L"00:0D:4B:12:34:56");

  qzr::Radio80211 r;
  ASSERT_TRUE(r.Load());
  EXPECT_TRUE(r.IsLoaded());
  LONG rssi = 0;
  EXPECT_EQ(r.GetRSSI(&rssi), 0u);
  EXPECT_EQ(rssi, -58);
  wchar_t text[128] = {};
  EXPECT_EQ(r.GetMac(text), 0u);
  EXPECT_STREQ(text, L"00:0D:4B:12:34:56");

  // A second Load starts over rather than stacking a second reference.
  ASSERT_TRUE(r.Load());
  r.Unload();
  EXPECT_FALSE(r.IsLoaded());
  EXPECT_FALSE(ModuleLoaded(qzr::kRadioLibraryName));
  EXPECT_NE(r.GetRSSI(&rssi), 0u) << "queries after unloading answer without calling into a freed library";
}

TEST(RadioLibrary, RefusedOrHalfWorkingLibraries) {
  RadioProfileScope scope;
  qzr::Radio80211 r;
  // Every export but the last: the walk must reach the end of the table to refuse it.
  EXPECT_FALSE(r.Load(L"radio_partial.dll"));
  EXPECT_FALSE(r.IsLoaded());
  EXPECT_FALSE(ModuleLoaded(L"radio_partial.dll"));

  EXPECT_FALSE(r.Load(L"no_such_radio.dll"));
  EXPECT_FALSE(r.IsLoaded());

  // A radio that will not connect stays loaded and still answers.
  scope.profile.Set(radio::kConnectResult, L"5");
  scope.profile.Set(radio::kRssi, L"-70");
  EXPECT_FALSE(r.Load());
  EXPECT_TRUE(r.IsLoaded());
  LONG rssi = 0;
  EXPECT_EQ(r.GetRSSI(&rssi), 0u);
  EXPECT_EQ(rssi, -70);

  // A value the device lacks fails the query.
  DWORD status = 0;
  EXPECT_NE(r.GetAssociationStatus(&status), 0u);
}

TEST(Authentication, AnswersOfTheSettingsService) {
  struct Case { std::map<std::wstring, std::wstring> values; bool result; const wchar_t* text; };
  const Case cases[] = {
      {{{L"ZeroConfig", L"ON"}, {L"NetworkAuthentication", L"1"}}, 1, L"OPEN"},
      {{{L"ZeroConfig", L"on"}, {L"NetworkAuthentication", L"7"}}, 1, L"WPA2"},
      {{{L"ZeroConfig", L"ON"}, {L"NetworkAuthentication", L"8"}}, 1, L"WPA2-PSK"},
      {{{L"ZeroConfig", L"ON"}, {L"NetworkAuthentication", L"3"}}, 0, L""},
      {{{L"ZeroConfig", L"ON"}}, 0, L""},
      {{{L"ZeroConfig", L"OFF"}, {L"ActiveProfile", L"PROFILE_2"}, {L"Profile2Association", L"rsn"}}, 1, L"WPA2"},
      {{{L"ZeroConfig", L"Off"}, {L"ActiveProfile", L"Profile_2"}, {L"Profile2Association", L"wep"}}, 1, L"WEP"},
      {{{L"ZeroConfig", L"OFF"}, {L"ActiveProfile", L"profile_4"}, {L"Profile4Association", L"RSN"}}, 1, L"WPA2"},
      {{{L"ZeroConfig", L"OFF"}, {L"ActiveProfile", L"Profile_3"}, {L"Profile2Association", L"RSN"}}, 0, L""},
      {{{L"ZeroConfig", L"OFF"}, {L"ActiveProfile", L"Profile_5"}, {L"Profile5Association", L"RSN"}}, 0, L""},
      {{{L"ZeroConfig", L"OFF"}, {L"ActiveProfile", L"Profile_1"}, {L"Profile1Association", L"RSNX"}}, 1, L"RSNX"},
      {{{L"ZeroConfig", L"OFF"}, {L"ActiveProfile", L"Profile_1"},
        {L"Profile1Association", L"WPA2 ENTERPRISE WITH A CERTIFICATE"}}, 1, L"WPA2 ENTERPRISE WITH A CERTIFIC"},
      {{{L"ZeroConfig", L"AUTO"}, {L"NetworkAuthentication", L"7"}}, 0, L""},
      {{{L"NetworkAuthentication", L"7"}}, 0, L""},
  };
  for (const Case& c : cases) {
    RadioProfileScope scope;
    std::wstring label;
    for (const auto& [name, value] : c.values) {
      scope.profile.Set(name.c_str(), value);
      label += name + L"=" + value + L" ";
    }
    wchar_t buffer[32];
    wmemset(buffer, L'#', 32);
    EXPECT_EQ(qzr::GetAuthenticationText(buffer, sizeof buffer), c.result) << Narrow(label);
    if (c.result) {
      EXPECT_STREQ(buffer, c.text) << Narrow(label);
    }
  }
}

TEST(Authentication, QueriesAndBufferLimits) {
  std::vector<std::wstring> sent;
  std::map<std::wstring, std::wstring> answers;
  auto service = [&](const wchar_t* query, wchar_t* response, DWORD* size, DWORD timeoutMs) -> DWORD {
    sent.push_back(query);
    EXPECT_EQ(*size, 256u) << "the size is set afresh for every query";
    EXPECT_EQ(timeoutMs, 2000u);
    for (DWORD i = 0; i < *size; ++i) EXPECT_EQ(response[i], L'\0') << "a zeroed response buffer";
    for (const auto& [field, answer] : answers)
      if (std::wstring(query).find(field) != std::wstring::npos) {
        wcsncpy(response, answer.c_str(), *size);
        *size = 100;
        return 0;
      }
    return 1;
  };

  answers = {{L"\"ZeroConfig\"", L"<Field Name=\"ZeroConfig\">OFF</Field>"},
             {L"\"ActiveProfile\"", L"<Field Name=\"ActiveProfile\">Profile_3</Field>"},
             {L"\"Association\"", L"<Field Name=\"Association\">tkip</Field>"}};
  wchar_t buffer[32] = {};
  ASSERT_TRUE(qzr::GetAuthenticationText(buffer, sizeof buffer, service));
  EXPECT_STREQ(buffer, L"TKIP");
  ASSERT_EQ(sent.size(), 3u);
  EXPECT_EQ(sent[0], L"<Subsystem Name=\"Communications\"><Group Name=\"802.11 Radio\"><Field Name=\"ZeroConfig\"></Field></Group></Subsystem>");
  EXPECT_EQ(sent[1], L"<Subsystem Name=\"Funk Security\"><Field Name=\"ActiveProfile\"></Field></Subsystem>");
  EXPECT_EQ(sent[2], L"<Subsystem Name=\"Funk Security\"><Group Name=\"Profile\" Instance=\"Profile_3\"><Field Name=\"Association\"></Field></Group></Subsystem>");

  sent.clear();
  answers = {{L"\"ZeroConfig\"", L"<Field Name=\"ZeroConfig\">ON</Field>"},
             {L"\"Network Authentication\"", L"<Field Name=\"Network Authentication\">5</Field>"}};
  ASSERT_TRUE(qzr::GetAuthenticationText(buffer, sizeof buffer, service));
  ASSERT_EQ(sent.size(), 2u);
  EXPECT_EQ(sent[1], L"<Subsystem Name=\"Communications\"><Group Name=\"802.11 Radio\"><Group Name=\"Microsoft Security\">"
                     L"<Field Name=\"Network Authentication\"></Field></Group></Group></Subsystem>");

  // A response without the field's end tag, and a failing service.
  answers = {{L"\"ZeroConfig\"", L"<Field Name=\"ZeroConfig\">ON"}};
  EXPECT_FALSE(qzr::GetAuthenticationText(buffer, sizeof buffer, service));
  answers.clear();
  EXPECT_FALSE(qzr::GetAuthenticationText(buffer, sizeof buffer, service));

  // Fewer than 32 characters: refused before anything is asked or written.
  sent.clear();
  wchar_t small[31];
  wmemset(small, L'#', 31);
  EXPECT_FALSE(qzr::GetAuthenticationText(small, sizeof small, service));
  EXPECT_TRUE(sent.empty());
  EXPECT_EQ(small[0], L'#');
}

// Well-formed answers and a missing end tag go through GetAuthenticationText above.
TEST(FieldExtraction, ReducesResponsesToTheirValue) {
  struct Case { const wchar_t* response; int sizeChars; bool result; const wchar_t* value; };
  const Case cases[] = {
      {L"<Field Name=\"x\"></Field>", 256, 1, L""},
      {L"wpa</fIeLd>", 256, 1, L"WPA"},                // no ">" before: the value starts at the beginning
      {L"<a>b<c>d</FIELD>", 256, 1, L"D"},
      {L"", 256, 0, L""},
      {L"<Field>abcdefgh</Field>", 5, 0, L""},          // the end tag lies beyond the buffer
      {L"<F>abcdefgh</Field>", 22, 1, L"ABCDEFGH"},
      {L"abcdefgh</Field>", 15, 0, L""},                // the tag's last character lies beyond the buffer
      {L"abcdefgh</Field>", 16, 1, L"ABCDEFGH"},        // a full buffer without terminator
  };
  for (const Case& c : cases) {
    std::vector<wchar_t> buffer(300, L'\0');
    wcscpy(buffer.data(), c.response);
    EXPECT_EQ(qzr::ExtractFieldValue(buffer.data(), c.sizeChars), c.result) << Narrow(c.response);
    EXPECT_STREQ(buffer.data(), c.value) << Narrow(c.response);
  }
}

TEST(FieldExtraction, NeverReadsOrWritesPastTheBuffer) {
  // A full 256-character response with no terminator, followed by text that would match.
  std::vector<wchar_t> memory(300, L'\0');
  wmemset(memory.data(), L'A', 256);
  wcscpy(memory.data() + 256, L">x</Field>");
  EXPECT_FALSE(qzr::ExtractFieldValue(memory.data(), 256));
  EXPECT_EQ(std::wstring(memory.data() + 256), L">x</Field>") << "what follows the buffer is untouched";

  // A small buffer gets at most its size less one character of value, terminated.
  std::vector<wchar_t> guarded(16, L'#');
  wcscpy(guarded.data(), L"abcdef</Field>");
  EXPECT_TRUE(qzr::ExtractFieldValue(guarded.data(), 15));
  EXPECT_STREQ(guarded.data(), L"ABCDEF");
  EXPECT_EQ(guarded[15], L'#');

  // The size is what is cleared, not more.
  std::vector<wchar_t> tiny = {L'a', L'b', L'c', L'#'};
  EXPECT_FALSE(qzr::ExtractFieldValue(tiny.data(), 3));
  EXPECT_EQ(tiny[0], L'\0');
  EXPECT_EQ(tiny[3], L'#');
}

TEST(WiredLink, OnlyEthernetSpeedsWithALiveStatusCount) {
  struct Case { std::vector<qzr::AdapterLink> adapters; bool up; };
  std::vector<Case> cases;
  for (DWORD speed : {10000000u, 100000000u, 1000000000u}) {
    for (DWORD status : {1u, 3u, 4u, 5u}) cases.push_back({{{true, status, speed}}, 1});
    for (DWORD status : {0u, 2u, 6u, 7u}) cases.push_back({{{true, status, speed}}, 0});
    cases.push_back({{{false, 5, speed}}, 0});  // GetIfEntry failed for it
  }
  for (DWORD speed : {54000000u, 11000000u, 0u, 10000001u, 2500000000u}) cases.push_back({{{true, 5, speed}}, 0});
  cases.push_back({{}, 0});
  cases.push_back({{{true, 5, 54000000}, {true, 2, 100000000}, {true, 4, 100000000}}, 1});

  for (size_t i = 0; i < cases.size(); ++i) EXPECT_EQ(qzr::AnyWiredLinkUp(cases[i].adapters), cases[i].up) << "case " << i;
  // The device's own adapters, as its profile describes them; never the host's.
  ProfileScope profile;
  const struct {
    const wchar_t *link, *speed, *status;
    bool up;
  } device[] = {{nullptr, nullptr, nullptr, 0}, {L"up", L"100000000", nullptr, 1}, {L"down", L"100000000", nullptr, 0},
                {L"up", L"54000000", nullptr, 0}, {L"up", L"10000000", L"4", 1}, {L"up", L"1000000000", L"2", 0}};
  for (const auto& d : device) {
    profile.Unset(L"WiredSpeed");
    profile.Unset(L"WiredOperStatus");
    if (d.link) profile.Set(L"WiredLink", d.link); else profile.Unset(L"WiredLink");
    if (d.speed) profile.Set(L"WiredSpeed", d.speed);
    if (d.status) profile.Set(L"WiredOperStatus", d.status);
    EXPECT_EQ(qzr::IsWiredLinkUp(), d.up) << (d.link ? Narrow(d.link) : "no adapter") << " " << (d.speed ? Narrow(d.speed) : "");
  }
}
