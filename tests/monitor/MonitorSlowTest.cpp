// The resident monitor sees a withdrawn whitelist within its 30-second poll, without the terminate event.
#include <gtest/gtest.h>

#include "MonitorTestSupport.h"

using namespace monitor_test;

TEST(MonitorSlow, ResidentEndsWithinThePollOnceTheMarkerIsCleared) {
  ResetOpenCommand();
  FakeLauncher launcher(L"|a.exe|", L"|");
  ASSERT_TRUE(launcher.ok());
  Resident resident(launcher);
  ASSERT_TRUE(resident.hooked());

  launcher.Withdraw();
  DWORD start = GetTickCount();
  ASSERT_EQ(WaitForSingleObject(resident.process(), 40000), static_cast<DWORD>(WAIT_OBJECT_0));
  EXPECT_LE(GetTickCount() - start, 31000u);
  EXPECT_EQ(OpenCommand(), std::wstring(kSeededOpenCommand));
}
