// The plain password's conversion in menu.ini, killed at random points over and over: the file is
// always the administrator's or the converted one, byte for byte, with the administrator's
// attributes and time stamp, and the next start clears away what the killed ones left.
#include <gtest/gtest.h>

#include <windows.h>

#include <random>
#include <set>

#include "core/LauncherConfig.h"
#include "TestSupport.h"
#include "Win32Owners.h"

using namespace testing_support;

namespace {

constexpr char kPlainMenu[] =
    "; handheld 17\r\n[Caption]\r\nButton1=Scanner\r\n[PassWord]\r\npwd=4711\r\n[Full Screen Mode]\r\nEnabled=TRUE\r\n";

// Files in the folder other than the ones the test put there: what killed rewrites left behind.
size_t StrayFiles(const std::wstring& folder, const std::set<std::wstring>& own) {
  size_t stray = 0;
  WIN32_FIND_DATAW found{};
  HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return 0;
  do {
    std::wstring name = found.cFileName;
    if (name == L"." || name == L"..") continue;
    if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) stray += 1 + StrayFiles(folder + L"\\" + name, {});
    else if (!own.count(name)) ++stray;
  } while (FindNextFileW(search, &found));
  FindClose(search);
  return stray;
}

struct FileStatus {
  DWORD attributes = 0;
  ULONGLONG lastWrite = 0;
  bool operator==(const FileStatus& other) const { return attributes == other.attributes && lastWrite == other.lastWrite; }
};

FileStatus StatusOf(const std::wstring& path) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return {};
  return {data.dwFileAttributes,
          (static_cast<ULONGLONG>(data.ftLastWriteTime.dwHighDateTime) << 32) | data.ftLastWriteTime.dwLowDateTime};
}

}  // namespace

TEST(PasswordRewrite, AKillAtAnyPointLeavesTheOldFileOrTheNewOne) {
  ScratchFolder folder(L"rewrite");
  const std::wstring ini = folder / L"menu.ini", plain = folder / L"plain.ini";
  ASSERT_TRUE(WriteBytes(plain, kPlainMenu));
  {
    // Hidden, and last written long ago: a conversion must keep both.
    qzr::FileHandle file(CreateFileW(plain.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    FILETIME longAgo{0x2A3B4C00, 0x01D5E000};
    ASSERT_TRUE(file && SetFileTime(file.get(), nullptr, nullptr, &longAgo));
  }
  ASSERT_TRUE(SetFileAttributesW(plain.c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE));
  const FileStatus adminStatus = StatusOf(plain);

  // The converted file, from one conversion that runs to its end.
  ASSERT_TRUE(CopyFileW(plain.c_str(), ini.c_str(), FALSE));
  ASSERT_EQ(StatusOf(ini), adminStatus);
  qzr::MenuLocation where;
  where.iniPath = ini;
  EXPECT_EQ(qzr::ReadMenuConfig(where).password, L"4711");
  const std::string converted = ReadBytes(ini).value_or("");
  ASSERT_NE(converted, kPlainMenu);
  ASSERT_NE(converted.find("cpwd="), std::string::npos);
  ASSERT_EQ(converted.find("pwd=4711"), std::string::npos);
  EXPECT_EQ(StatusOf(ini), adminStatus);

  const std::wstring probe = folder / L"device_probe.exe";
  ASSERT_TRUE(CopyFileW((BinFolder() + L"device_probe.exe").c_str(), probe.c_str(), FALSE));
  std::mt19937 random(26);
  std::uniform_int_distribution<int> killAfterMs(0, 40);
  int rounds = 0, plainSeen = 0, convertedSeen = 0, statusLost = 0;
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
    const FileStatus status = StatusOf(ini);
    if (!(status == adminStatus)) {
      ++statusLost;
      ADD_FAILURE() << (now == converted ? "converted" : "administrator's") << " file: attributes " << status.attributes << " (want " << adminStatus.attributes << "), last written "
                    << status.lastWrite << " (want " << adminStatus.lastWrite << ")";
    }
  }
  const std::set<std::wstring> own{L"menu.ini", L"plain.ini", L"device_probe.exe", L"menu.ini.reset"};
  const size_t strayAfterKills = StrayFiles(folder.path().substr(0, folder.path().size() - 1), own);
  // The next start clears what the killed ones left behind.
  qzr::ReadMenuConfig(where);
  const size_t strayAfterStart = StrayFiles(folder.path().substr(0, folder.path().size() - 1), own);
  printf("%d kills: %d left the administrator's file, %d the converted one, %d lost its attributes or time stamp; "
         "%zu stray files, %zu after the next start\n",
         rounds, plainSeen, convertedSeen, statusLost, strayAfterKills, strayAfterStart);
  EXPECT_GT(plainSeen + convertedSeen, 0);
  EXPECT_EQ(strayAfterStart, 0u);
}
