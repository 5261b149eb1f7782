// The plain password's conversion in menu.ini, killed at random points over and over: the file is
// always the administrator's or the converted one, byte for byte.
#include <gtest/gtest.h>

#include <windows.h>

#include <random>
#include <set>

#include "LauncherConfig.h"
#include "TestSupport.h"
#include "Win32Owners.h"

using namespace testing_support;

namespace {

constexpr char kPlainMenu[] =
    "; handheld 17\r\n[Caption]\r\nButton1=Scanner\r\n[PassWord]\r\npwd=4711\r\n[Full Screen Mode]\r\nEnabled=TRUE\r\n";

// Files in the folder other than the ones the test put there: what killed rewrites left behind.
size_t StrayFiles(const ScratchFolder& folder, const std::set<std::wstring>& own) {
  size_t stray = 0;
  WIN32_FIND_DATAW found{};
  HANDLE search = FindFirstFileW((folder / L"*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return 0;
  do {
    std::wstring name = found.cFileName;
    if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && !own.count(name)) ++stray;
  } while (FindNextFileW(search, &found));
  FindClose(search);
  return stray;
}

}  // namespace

TEST(PasswordRewrite, AKillAtAnyPointLeavesTheOldFileOrTheNewOne) {
  ScratchFolder folder(L"rewrite");
  const std::wstring ini = folder / L"menu.ini", plain = folder / L"plain.ini";
  ASSERT_TRUE(WriteBytes(plain, kPlainMenu));

  // The converted file, from one conversion that runs to its end.
  ASSERT_TRUE(WriteBytes(ini, kPlainMenu));
  qzr::MenuLocation where;
  where.iniPath = ini;
  EXPECT_EQ(qzr::ReadMenuConfig(where).password, L"4711");
  const std::string converted = ReadBytes(ini).value_or("");
  ASSERT_NE(converted, kPlainMenu);
  ASSERT_NE(converted.find("cpwd="), std::string::npos);
  ASSERT_EQ(converted.find("pwd=4711"), std::string::npos);

  const std::wstring probe = folder / L"device_probe.exe";
  ASSERT_TRUE(CopyFileW((BinFolder() + L"device_probe.exe").c_str(), probe.c_str(), FALSE));
  std::mt19937 random(26);
  std::uniform_int_distribution<int> killAfterMs(0, 40);
  int rounds = 0, plainSeen = 0, convertedSeen = 0;
  for (int round = 0; round < 40; ++round) {
    SCOPED_TRACE(round);
    std::wstring tag = std::to_wstring(GetCurrentProcessId()) + L"_" + std::to_wstring(round);
    std::wstring readyName = L"QZR_TEST_REWRITE_READY_" + tag, goName = L"QZR_TEST_REWRITE_GO_" + tag;
    // The probe opens both events by the names it is given; it waits on neither.
    qzr::KernelHandle ready(CreateEventW(nullptr, TRUE, FALSE, readyName.c_str()));
    qzr::KernelHandle go(CreateEventW(nullptr, TRUE, FALSE, goName.c_str()));
    std::wstring cmd = L"\"" + probe + L"\" rewrite \"" + ini + L"\" \"" + plain + L"\" " + readyName + L" " + goName;
    STARTUPINFOW si{sizeof si};
    PROCESS_INFORMATION pi{};
    ASSERT_TRUE(CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, L"C:\\", &si, &pi));
    qzr::StartedProcess started(pi);
    HANDLE waits[2] = {ready.get(), started.process.get()};
    const bool running = WaitForMultipleObjects(2, waits, FALSE, 30000) == WAIT_OBJECT_0;
    if (running) Sleep(static_cast<DWORD>(killAfterMs(random)));
    TerminateProcess(started.process.get(), 9);
    WaitForSingleObject(started.process.get(), 10000);
    ASSERT_TRUE(running) << "the probe rewrites over and over until it is killed";

    ++rounds;
    const std::string now = ReadBytes(ini).value_or("<missing>");
    if (now == kPlainMenu) ++plainSeen;
    else if (now == converted) ++convertedSeen;
    else ADD_FAILURE() << "menu.ini is neither file:\n" << now;
  }
  printf("%d kills: %d left the administrator's file, %d the converted one, %zu stray files\n", rounds, plainSeen,
         convertedSeen, StrayFiles(folder, {L"menu.ini", L"plain.ini", L"device_probe.exe", L"menu.ini.reset"}));
  EXPECT_GT(plainSeen + convertedSeen, 0);
}
