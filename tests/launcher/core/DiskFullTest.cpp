// The launcher on a full volume: the password conversion cannot write menu.ini, so the file stays
// the administrator's byte for byte, nothing is left beside it, and the launcher starts and
// takes the password it read. Run by full_volume.sh, which mounts the small volume at \qzrfull.
#include <gtest/gtest.h>

#include <windows.h>

#include <set>
#include <string>

#include "LauncherProcess.h"

using namespace testing_support;
using namespace launcher_process;
namespace p = wince::profile;

namespace {

constexpr wchar_t kVolume[] = L"C:\\qzrfull\\";
constexpr char kPlainMenu[] =
    "[Caption]\r\nButton1=Notes\r\n[exe]\r\nButton1=\\windows\\demonotes.exe\r\n[PassWord]\r\npwd=4711\r\n"
    "[Auto start]\r\nEnabled=FALSE\r\n";
constexpr size_t kPage = 4096;

std::wstring At(const std::wstring& name) { return std::wstring(kVolume) + name; }

// Fills the volume with page-sized files; returns how many were written.
int FillVolume() {
  const std::string page(kPage, 'f');
  int files = 0;
  for (;; ++files) {
    const std::wstring name = At(L"fill" + std::to_wstring(files));
    HANDLE file = CreateFileW(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) break;
    DWORD written = 0;
    const bool whole = WriteFile(file, page.data(), kPage, &written, nullptr) && written == kPage;
    CloseHandle(file);
    if (!whole) {
      DeleteFileW(name.c_str());
      break;
    }
  }
  return files;
}

// The launcher started from drive C as the device's start-up list starts it; null when it could not be.
HANDLE StartLauncher(const std::wstring& exe) {
  std::wstring cmd = L"\"" + exe + L"\" 20";
  STARTUPINFOW si{sizeof si};
  PROCESS_INFORMATION pi{};
  if (!CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, L"C:\\", &si, &pi)) return nullptr;
  CloseHandle(pi.hThread);
  return pi.hProcess;
}

std::set<std::wstring> FilesOnVolume() {
  std::set<std::wstring> names;
  WIN32_FIND_DATAW found{};
  HANDLE search = FindFirstFileW(At(L"*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return names;
  do {
    std::wstring name = found.cFileName;
    if (name != L"." && name != L".." && name.rfind(L"fill", 0) != 0) names.insert(name);
  } while (FindNextFileW(search, &found));
  FindClose(search);
  return names;
}

}  // namespace

// With no room at all, and with room for the converted copy but not for its rewrite.
TEST(DiskFull, TheLauncherStartsWithThePasswordItReadAndLeavesMenuIniAlone) {
  ASSERT_NE(GetFileAttributesW(kVolume), INVALID_FILE_ATTRIBUTES) << "no volume at \\qzrfull: run through full_volume.sh";
  ScratchFolder logs(L"diskfull");
  ProfileScope profile;
  profile.Set(p::kEventLogFile, logs / L"events.txt");
  profile.Set(p::kJournalFile, logs / L"journal.txt");
  const std::wstring exe = At(L"QZRShell.exe"), ini = At(L"menu.ini");
  ASSERT_TRUE(CopyFileW((BinFolder() + L"QZRShell.exe").c_str(), exe.c_str(), FALSE));
  {
    // A first start while there is room makes the application keys' shortcuts, which every
    // later start finds in place (on a full volume each would be an error box).
    ASSERT_TRUE(WriteBytes(ini, "[Auto start]\r\nEnabled=FALSE\r\n"));
    RunningLauncher first(StartLauncher(exe));
    ASSERT_NE(first.get(), nullptr);
    ASSERT_NE(WaitForDialogWith(first.id(), kProgramList), nullptr);
  }
  std::set<std::wstring> own{L"QZRShell.exe", L"menu.ini"};
  for (int key = 1; key <= 6; ++key) own.insert(L"40C" + std::to_wstring(key) + L".lnk");
  ASSERT_EQ(FilesOnVolume(), own);
  ASSERT_TRUE(WriteBytes(ini, kPlainMenu));
  const int filled = FillVolume();
  ASSERT_GT(filled, 0);

  for (int freePages : {0, 1}) {
    SCOPED_TRACE("pages free: " + std::to_string(freePages));
    for (int i = 0; i < freePages; ++i) DeleteFileW(At(L"fill" + std::to_wstring(filled - 1 - i)).c_str());
    DeleteFileW((logs / L"journal.txt").c_str());

    RunningLauncher run(StartLauncher(exe));
    ASSERT_NE(run.get(), nullptr);
    HWND main = WaitForDialogWith(run.id(), kProgramList);
    ASSERT_NE(main, nullptr) << "the launcher did not start";
    EXPECT_EQ(ReadBytes(ini), kPlainMenu) << "menu.ini changed";
    EXPECT_EQ(FilesOnVolume(), own) << "left beside menu.ini";

    ASSERT_TRUE(PumpUntil([&] { return GetForegroundWindow() == main; }, 5000));
    PumpUntil([] { return false; }, 1500);  // start-up's own screen claim is over
    HWND page = TapUntilDialog(main, kStatusOrExitButton, run.id(), kBatteryProgress);
    ASSERT_NE(page, nullptr);
    HWND password = TapUntilDialog(page, kStatusOrExitButton, run.id(), kPasswordEdit, kBatteryProgress);
    ASSERT_NE(password, nullptr);
    TypeIn(password, L"4711");
    PressKeysIn(password, {VK_RETURN});
    EXPECT_TRUE(run.Ended(15000)) << "the password read from the file does not let the operator out";
  }
}
