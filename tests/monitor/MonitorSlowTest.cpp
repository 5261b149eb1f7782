// The resident monitor notices a withdrawn whitelist within its 30-second poll, even when the
// launcher never set the terminate event.
#include <gtest/gtest.h>

#include "MonitorTestSupport.h"

using namespace monitor_test;

TEST(MonitorSlow, ResidentEndsWithinThePollOnceTheMarkerIsCleared) {
  ResetOpenCommand();
  FakeLauncher launcher(L"|a.exe|", L"|");
  ASSERT_TRUE(launcher.ok());
  STARTUPINFOW si{sizeof si};
  PROCESS_INFORMATION pi{};
  std::wstring cmd = L"\"" + GatewardenPath() + L"\"";
  ASSERT_TRUE(CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, L"C:\\", &si, &pi));
  qzr::KernelHandle resident(pi.hProcess), thread(pi.hThread);
  ASSERT_TRUE(PumpUntil([] { return OpenCommand() != std::wstring(kSeededOpenCommand); }, 10000));

  launcher.Withdraw();
  DWORD start = GetTickCount();
  ASSERT_EQ(WaitForSingleObject(resident.get(), 40000), static_cast<DWORD>(WAIT_OBJECT_0));
  EXPECT_LE(GetTickCount() - start, 31000u);
  EXPECT_EQ(OpenCommand(), std::wstring(kSeededOpenCommand));
}
