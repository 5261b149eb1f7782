// The CE kernel calls answer from the device profile, and fail where the device lacks the facility.
#include <gtest/gtest.h>

#include "DeviceProfile.h"
#include "TestSupport.h"
#include "ceidentity.h"
#include "wince.h"

using namespace testing_support;
namespace p = wince::profile;

TEST(KernelCalls, ControlCodesAnswerFromProfileOrFail) {
  ProfileScope scope;
  scope.SetBinary(p::kKernelSerial, {1, 2, 3, 4, 5, 0x0A, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0});
  BYTE in[2] = {2, 0};
  BYTE out[16] = {};
  DWORD got = 0;
  ASSERT_TRUE(KernelIoControl(wince::kIoctlSerial, in, 2, out, sizeof out, &got));
  EXPECT_EQ(got, 16u);
  EXPECT_EQ(out[5], 0x0A);

  // Output buffer too small for the answer: refused, nothing written past it.
  BYTE small[4] = {};
  EXPECT_FALSE(KernelIoControl(wince::kIoctlSerial, in, 2, small, sizeof small, &got));

  scope.Unset(p::kKernelOemSerial);
  EXPECT_FALSE(KernelIoControl(wince::kIoctlOemSerial, in, 2, out, sizeof out, &got));
  EXPECT_FALSE(KernelIoControl(0x12345678, in, 2, out, sizeof out, &got));
}

TEST(KernelCalls, PlatformTextsAndVersion) {
  ProfileScope scope;
  scope.Set(p::kPlatformType, L"PocketPC");
  scope.Set(p::kOemInfo, L"Korvanex VP21");
  scope.Set(p::kOsVersion, L"5.2.23090");

  wchar_t buffer[128] = {};
  ASSERT_TRUE(SystemParametersInfoW(SPI_GETPLATFORMTYPE, sizeof buffer, buffer, 0));
  EXPECT_STREQ(buffer, L"PocketPC");
  ASSERT_TRUE(SystemParametersInfoW(SPI_GETOEMINFO, sizeof buffer, buffer, 0));
  EXPECT_STREQ(buffer, L"Korvanex VP21");

  // The answer is cut to the caller's buffer, terminator included.
  wchar_t tiny[4] = {L'x', L'x', L'x', L'x'};
  ASSERT_TRUE(SystemParametersInfoW(SPI_GETOEMINFO, sizeof tiny, tiny, 0));
  EXPECT_STREQ(tiny, L"Kor");

  OSVERSIONINFOW info{sizeof info};
  ASSERT_TRUE(GetVersionExW(&info));
  EXPECT_EQ(info.dwPlatformId, 3u);
  EXPECT_EQ(info.dwMajorVersion, 5u);
  EXPECT_EQ(info.dwMinorVersion, 2u);
  EXPECT_EQ(info.dwBuildNumber, 23090u);

  scope.Unset(p::kPlatformType);
  EXPECT_FALSE(SystemParametersInfoW(SPI_GETPLATFORMTYPE, sizeof buffer, buffer, 0));
}

TEST(KernelCalls, IdentityDriverAnswersSerial) {
  ProfileScope scope;
  scope.Set(p::kDmxSerial, L"DMX-000123");
  HANDLE dmx = CreateFileW(L"DMX1:", GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(dmx, INVALID_HANDLE_VALUE);
  wchar_t name[50] = L"Serial";
  const wchar_t* namePtr = name;
  BYTE input[sizeof(void*) + 8] = {};
  memcpy(input, &namePtr, sizeof namePtr);
  BYTE out[104] = {};
  DWORD got = 0;
  ASSERT_TRUE(DeviceIoControl(dmx, wince::kDmxReadValue, input, sizeof input, out, sizeof out, &got, nullptr));
  EXPECT_STREQ(reinterpret_cast<wchar_t*>(out + 4), L"DMX-000123");
  EXPECT_TRUE(CloseHandle(dmx));

  scope.Unset(p::kDmxSerial);
  EXPECT_EQ(CreateFileW(L"DMX1:", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr), INVALID_HANDLE_VALUE);
}

TEST(KernelCalls, SignalStartedIsJournaled) {
  ScratchFolder folder(L"journal");
  ProfileScope scope;
  scope.Set(p::kJournalFile, folder / L"journal.txt");
  Journal journal;
  SignalStarted(42);
  EXPECT_EQ(journal.Lines(), std::vector<std::string>{"SignalStarted 42"});
}

TEST(KernelCalls, ThreadPrioritiesUseTheDeviceScale) {
  HANDLE thread = GetCurrentThread();
  int before = GetThreadPriority(thread);
  EXPECT_EQ(before, 3) << "a normal thread reads as 3";
  ASSERT_TRUE(SetThreadPriority(thread, 7));
  EXPECT_EQ(GetThreadPriority(thread), 7);
  EXPECT_FALSE(SetThreadPriority(thread, 8));
  ASSERT_TRUE(SetThreadPriority(thread, before));
  EXPECT_EQ(GetThreadPriority(thread), 3);
}

TEST(KernelCalls, ForegroundWithLowBitTakesThePlainWindow) {
  TestWindow window;
  EXPECT_TRUE(SetForegroundWindow(reinterpret_cast<HWND>(reinterpret_cast<ULONG_PTR>(window.hwnd()) | 1)));
  EXPECT_EQ(GetForegroundWindow(), window.hwnd());
}
