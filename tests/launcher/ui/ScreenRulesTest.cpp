// Network gating, auto start, the status page's texts, the Keyboard toggle and shell error texts.
#include <gtest/gtest.h>

#include "ui/ProgramLaunch.h"
#include "ui/ScreenRules.h"
#include "ui/SipEntries.h"

namespace {

int CountLines(const std::wstring& text) {
  int lines = 1;
  for (size_t at = text.find(L"\r\n"); at != std::wstring::npos; at = text.find(L"\r\n", at + 2)) ++lines;
  return lines;
}

}  // namespace

TEST(ScreenRules, NetworkUpNeedsALinkAndAUsableAddress) {
  const struct { int meterMode; const wchar_t* address; bool up; } cases[] = {
      {0, L"10.169.0.5", true},       {1, L"10.20.30.41", true},   {2, L"10.20.30.41", false},
      {0, L"", false},                {0, L"0.0.0.0", false},      {0, L"169.254.12.7", false},
      {0, L"169.254.169.3", false},  // automatic private even with ".169." inside
      {0, L"10.0.169.1", true},       {0, L"192.168.1.169", true}, {1, L"169.254.0.1", false},
  };
  for (const auto& c : cases)
    EXPECT_EQ(qzr::NetworkUpFrom(static_cast<qzr::MeterMode>(c.meterMode), c.address), c.up) << c.meterMode << " " << testing::PrintToString(std::wstring(c.address));
}

// Taps past the list and taps gated by the network are tried on the live list in LauncherDialogTest.
TEST(ScreenRules, AutoStartGating) {
  const struct { const wchar_t* program; bool autoStart, needsSignal, networkUp, allowed; } starts[] = {
      {L"\\windows\\a.exe", true, false, false, true}, {L"\\windows\\a.exe", false, false, true, false},
      {L"", true, false, true, false},                 {L"\\windows\\a.exe", true, true, false, false},
      {L"\\windows\\a.exe", true, true, true, true},
  };
  for (const auto& c : starts)
    EXPECT_EQ(qzr::AutoStartAllowed(c.program, c.autoStart, c.needsSignal, c.networkUp), c.allowed);
}

TEST(ScreenRules, StatusPageTexts) {
  EXPECT_EQ(qzr::BatteryText(100), L"100%");
  EXPECT_EQ(qzr::BatteryText(101), L"Unknown");

  // With the whitelist off the block is shown on the live status page (StatusDialogTest).
  const std::wstring head = L"Korvanex Launcher 2.20.03.0147";
  std::wstring ok = qzr::IdentificationText(true, true, L"Korvanex Whitelist", L"Version 1.02.03.0004");
  EXPECT_EQ(ok.rfind(head + L"\r\nKorvanex Whitelist\r\nVersion 1.02.03.0004\r\n", 0), 0u);
  EXPECT_EQ(CountLines(ok), 4);
  EXPECT_EQ(ok.find(L"WARNING"), std::wstring::npos);

  std::wstring failed = qzr::IdentificationText(true, false, L"File not found", L"error text");
  EXPECT_NE(failed.find(L"\r\nFile not found\r\nerror text\r\n\r\n~~ WARNING ~~\r\nW H I T E L I S T   D I S A B L E D"),
            std::wstring::npos);
  EXPECT_EQ(CountLines(failed), 7);

  std::wstring nameless = qzr::IdentificationText(true, false, L"", L"");
  EXPECT_EQ(CountLines(nameless), 5);
  EXPECT_TRUE(nameless.ends_with(L"\r\n\r\n~~ WARNING ~~\r\nW H I T E L I S T   D I S A B L E D"));
}

// Hidden and shown alone are toggled end to end in ExitPasswordTest; here the other flag bits.
TEST(ScreenRules, KeyboardShowsAHiddenSipAndHidesAShownOne) {
  EXPECT_EQ(qzr::KeyboardToggleArgument(0x6), 1u);
  EXPECT_EQ(qzr::KeyboardToggleArgument(qzr::kSipShown | 0x6), 0u);
}

TEST(ScreenRules, ShellErrorTexts) {
  EXPECT_EQ(qzr::ShellErrorText(0), L"The program could not be found");
  std::wstring notFound = qzr::ShellErrorText(ERROR_FILE_NOT_FOUND);
  EXPECT_FALSE(notFound.empty());
  EXPECT_NE(notFound, L"The program could not be found");
  EXPECT_LT(notFound.size(), 256u);
  EXPECT_EQ(qzr::ShellErrorText(0x7FFFFFF0), L"") << "no system text: an empty box";
}

TEST(ScreenRules, VolumeProgramRequestQuotesFileAndFolder) {
  qzr::OpenRequest request = qzr::VolumeProgramRequest(L"\\program files\\launcher\\");
  EXPECT_EQ(request.file, L"\"\\program files\\launcher\\QZRVolDlg.exe\"");
  EXPECT_EQ(request.folder, L"\"\\program files\\launcher\\\"");
}
