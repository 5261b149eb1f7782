// The task bar filter's decision per message, platform and model, with the maintenance key sequence.
#include <gtest/gtest.h>

#include <climits>

#include "lockdown/LockdownRules.h"

namespace ld = qzr::lockdown;
using ld::FilterVerdict;
using ld::MaintenanceLine;

namespace {

LPARAM At(int x, int y) { return MAKELPARAM(static_cast<WORD>(x), static_cast<WORD>(y)); }

struct Case {
  const char* what;
  int platform, model;
  int threshold, allowance, windowsKey;
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
  FilterVerdict verdict;
};

ld::FilterSettings SettingsOf(const Case& c) {
  ld::FilterSettings s;
  s.platformType = c.platform;
  s.modelId = c.model;
  s.tapThreshold = c.threshold;
  s.volumeAllowance = c.allowance;
  s.enableWindowsKey = c.windowsKey;
  s.desktopWindow = 0x1234;
  s.mainWindow = 0x5678;
  return s;
}

constexpr auto Pass = FilterVerdict::Pass;
constexpr auto Swallow = FilterVerdict::Swallow;

}  // namespace

// Keys, hot keys and menus, and the embedded corner, are tried on the device shell's task bar in
// TaskbarFilterProcessTest; the fuzz target holds every message to the platform's rules.
TEST(TaskbarFilterDecision, TapAreasAndMessagesLeftAlone) {
  const Case cases[] = {
      // Embedded platforms: taps by model.
      {"p2 m1 tap at the limit", 2, 1, 215, 0, 0, WM_LBUTTONDOWN, 0, At(191, 5), Swallow},
      {"p2 m3 left area", 2, 3, 215, 0, 0, WM_LBUTTONDOWN, 0, At(60, 5), Swallow},
      {"p2 m3 between areas", 2, 3, 215, 0, 0, WM_LBUTTONDOWN, 0, At(61, 5), Pass},
      {"p2 m3 right area start", 2, 3, 215, 0, 0, WM_LBUTTONUP, 0, At(475, 5), Swallow},
      {"p2 m3 past the right area", 2, 3, 215, 0, 0, WM_LBUTTONUP, 0, At(618, 5), Pass},
      {"p2 m5 negative x (signed)", 2, 5, 215, 0, 0, WM_LBUTTONDOWN, 0, At(-5, 3), Swallow},
      {"p2 other WM_USER", 2, 5, 215, 0, 0, WM_USER, 7, 0x1234, Pass},
      // Pocket PC: taps left of threshold - allowance swallowed (the threshold itself is tried
      // at the task bar's right edge in TaskbarFilterProcessTest).
      {"p1 allowance opens the volume area", 1, 7, 480, 22, 0, WM_LBUTTONUP, 0, At(458, 5), Pass},
      {"p1 allowance ends there", 1, 7, 480, 22, 0, WM_LBUTTONUP, 0, At(457, 5), Swallow},
      {"p1 no allowance", 1, 7, 480, 0, 0, WM_LBUTTONUP, 0, At(479, 5), Swallow},
      {"p1 y does not matter", 1, 10, 215, 0, 0, WM_LBUTTONDOWN, 0, At(300, 2000), Pass},
      {"p1 system key down", 1, 10, 215, 0, 0, WM_SYSKEYDOWN, VK_TAB, 0, Pass},
      {"p1 activation request untouched", 1, 10, 215, 0, 0, WM_USER, 8, 0x1234, Pass},
      // The settings come from a shared section: values far apart must not wrap around.
      {"p1 lowest threshold, highest allowance", 1, 10, INT_MIN, INT_MAX, 0, WM_LBUTTONDOWN, 0, At(-32768, 5), Pass},
      {"p1 highest threshold, lowest allowance", 1, 10, INT_MAX, INT_MIN, 0, WM_LBUTTONDOWN, 0, At(32767, 5), Swallow},
  };
  for (const Case& c : cases) {
    ld::FilterState state;
    ld::FilterDecision d = ld::DecideTaskbarMessage(SettingsOf(c), state, c.message, c.wParam, c.lParam);
    EXPECT_EQ(d.verdict, c.verdict) << c.what;
    EXPECT_EQ(d.line, MaintenanceLine::None) << c.what;
  }
}

TEST(TaskbarFilterDecision, DesktopActivationTurnsToTheMainDialogOnEmbeddedPlatforms) {
  ld::FilterSettings s;
  s.platformType = 2;
  s.modelId = 5;
  s.desktopWindow = 0x1234;
  s.mainWindow = 0x5678;
  ld::FilterState state;
  ld::FilterDecision d = ld::DecideTaskbarMessage(s, state, WM_USER, 8, 0x1234);
  EXPECT_EQ(d.verdict, FilterVerdict::PassWithLParam);
  EXPECT_EQ(d.lParam, 0x5678);
  EXPECT_EQ(ld::DecideTaskbarMessage(s, state, WM_USER, 8, 0x9999).verdict, FilterVerdict::Pass);
  // Without a desktop there is nothing to recognise: a null request stays null.
  s.desktopWindow = 0;
  EXPECT_EQ(ld::DecideTaskbarMessage(s, state, WM_USER, 8, 0).verdict, FilterVerdict::Pass);
}

TEST(TaskbarFilterDecision, MaintenanceSequenceOnModels9To12Only) {
  struct Step { UINT message; WPARAM key; FilterVerdict verdict; MaintenanceLine line; uint8_t gatekeeperAfter; };
  const Step sequence[] = {
      {WM_KEYDOWN, VK_RETURN, FilterVerdict::Pass, MaintenanceLine::None, 0},
      {WM_KEYDOWN, 0xC1, FilterVerdict::Pass, MaintenanceLine::GatekeeperTrue, 1},
      {WM_KEYDOWN, 'A', FilterVerdict::Pass, MaintenanceLine::None, 1},
      {WM_KEYDOWN, VK_LWIN, FilterVerdict::Swallow, MaintenanceLine::None, 1},
      {WM_KEYDOWN, VK_RETURN, FilterVerdict::Swallow, MaintenanceLine::WorkTheMagic, 1},
      {WM_KEYDOWN, VK_RETURN, FilterVerdict::Swallow, MaintenanceLine::WorkTheMagic, 1},
      {WM_KEYUP, VK_RETURN, FilterVerdict::Pass, MaintenanceLine::None, 1},
      {WM_KEYUP, 0xC1, FilterVerdict::Pass, MaintenanceLine::GatekeeperFalse, 0},
      {WM_KEYDOWN, VK_RETURN, FilterVerdict::Pass, MaintenanceLine::None, 0},
  };
  // Other models log nothing, keep the gatekeeper down and pass Enter.
  for (int model : {0, 7, 8, 9, 10, 11, 12, 13, 99}) {
    const bool sequenceModel = model >= 9 && model <= 12;
    ld::FilterSettings s;
    s.platformType = 1;
    s.modelId = model;
    ld::FilterState state;
    for (size_t i = 0; i < std::size(sequence); ++i) {
      const Step& step = sequence[i];
      SCOPED_TRACE(testing::Message() << "model " << model << " step " << i);
      ld::FilterDecision d = ld::DecideTaskbarMessage(s, state, step.message, step.key, 0);
      EXPECT_EQ(d.line, sequenceModel ? step.line : MaintenanceLine::None);
      EXPECT_EQ(state.gatekeeper, sequenceModel ? step.gatekeeperAfter : 0);
      if (sequenceModel || step.key == VK_RETURN) {
        EXPECT_EQ(d.verdict, sequenceModel ? step.verdict : FilterVerdict::Pass);
      }
    }
  }
  // The sequence belongs to Pocket PCs: an embedded model 10 swallows the key-down as any other.
  ld::FilterSettings embedded;
  embedded.platformType = 2;
  embedded.modelId = 10;
  ld::FilterState state;
  EXPECT_EQ(ld::DecideTaskbarMessage(embedded, state, WM_KEYDOWN, 0xC1, 0).line, MaintenanceLine::None);
  EXPECT_EQ(state.gatekeeper, 0);
}

TEST(TapLimits, ThresholdAndAllowanceFromTheTaskBar) {
  const RECT bar480{0, 0, 480, 26};
  const RECT bar240{0, 0, 240, 26};
  const RECT huge{0, INT_MIN, INT_MAX, INT_MAX};
  struct Case { int platform, model, release; const RECT* bar; int threshold, allowance; } cases[] = {
      {1, 7, 6, &bar480, 480, 22},  // from release 6 the whole bar's width
      {1, 7, 5, &bar480, 454, 22},  // older releases keep the last square for the "ok" button
      {1, 10, 6, &bar480, 480, 0},
      {1, 10, 3, &bar240, 214, 0},
      {1, 7, 6, nullptr, 215, 0},   // no rectangle: the defaults
      {2, 7, 6, &bar480, 215, 0},   // not a Pocket PC: the defaults
      {0, 7, 6, &bar480, 215, 0},
      {1, 7, 5, &huge, INT_MIN, INT_MAX},  // held to int, never wrapped
  };
  for (const Case& c : cases) {
    ld::TapLimits l = ld::ComputeTapLimits(c.platform, c.model, c.release, c.bar);
    EXPECT_EQ(l.tapThreshold, c.threshold) << c.platform << "/" << c.model << "/" << c.release;
    EXPECT_EQ(l.volumeAllowance, c.allowance) << c.platform << "/" << c.model << "/" << c.release;
    // The volume area (its edges are rows of TapAreasAndMessagesLeftAlone) opens only when the
    // volume keys are free.
    EXPECT_EQ(ld::EffectiveVolumeAllowance(l.volumeAllowance, 1), c.allowance);
    EXPECT_EQ(ld::EffectiveVolumeAllowance(l.volumeAllowance, 0), 0);
  }
}
