// The event-log stand-in keeps every line when its process is killed right after the call,
// follows the profile from line to line, and lets tests delete or replace its file at any time.
#include <gtest/gtest.h>

#include <functional>

#include "DeviceProfile.h"
#include "TestSupport.h"
#include "Win32Owners.h"

using namespace testing_support;

namespace {

constexpr wchar_t kLoggedEvent[] = L"QZR_TEST_EVENTLOG_LOGGED";

// Starts the writer, waits until it has logged `text`, and kills it at once.
bool LogAndKill(const std::string& text) {
  qzr::KernelHandle logged(CreateEventW(nullptr, TRUE, FALSE, kLoggedEvent));
  std::wstring cmd = L"\"" + BinFolder() + L"eventlog_writer.exe\" \"" + Widen(text) + L"\" " + kLoggedEvent;
  STARTUPINFOW si{sizeof si};
  PROCESS_INFORMATION pi{};
  if (!CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, L"C:\\", &si, &pi)) return false;
  qzr::KernelHandle process(pi.hProcess), thread(pi.hThread);
  bool ok = WaitForSingleObject(logged.get(), 20000) == WAIT_OBJECT_0;
  TerminateProcess(process.get(), 9);
  WaitForSingleObject(process.get(), 10000);
  return ok;
}

std::string Tail(const std::string& line) {
  size_t at = line.find("] [category 4] ");
  return at == std::string::npos ? line : line.substr(at + 15);
}

std::vector<std::string> Texts(const std::wstring& path) {
  std::vector<std::string> texts;
  for (const std::string& line : ReadLines(path)) texts.push_back(Tail(line));
  return texts;
}

}  // namespace

TEST(EventLogStandIn, KilledWritersKeepTheirLinesAndTheFileMayBeDeletedOrReplaced) {
  ScratchFolder folder(L"evkill");
  ProfileScope scope;
  const std::wstring log = folder / L"events.txt";
  scope.Set(wince::profile::kEventLogFile, log);
  struct Step {
    const char* what;
    std::function<void()> before;  // done to the file between writers
    std::string text;
    std::vector<std::string> expected;
  };
  const std::vector<Step> steps = {
      {"first writer", [] {}, "one", {"one"}},
      {"second writer appends", [] {}, "two", {"one", "two"}},
      {"deleted between writers", [&] { DeleteFileW(log.c_str()); }, "three", {"three"}},
      {"replaced between writers",
       [&] {
         WriteBytes(folder / L"new.txt", "replacement\r\n");
         MoveFileExW((folder / L"new.txt").c_str(), log.c_str(), MOVEFILE_REPLACE_EXISTING);
       },
       "four", {"replacement", "four"}},
  };
  for (const Step& step : steps) {
    step.before();
    ASSERT_TRUE(LogAndKill(step.text)) << step.what;
    EXPECT_EQ(Texts(log), step.expected) << step.what;
  }
}

TEST(EventLogStandIn, FollowsTheProfileFromLineToLine) {
  ScratchFolder folder(L"evprof");
  ProfileScope scope;
  HMODULE lib = LoadLibraryW(L"QZREventLog.dll");
  ASSERT_NE(lib, nullptr);
  using LogString = DWORD(WINAPI*)(DWORD, const char*);
  auto logString = reinterpret_cast<LogString>(reinterpret_cast<void*>(GetProcAddress(lib, "QZRLogString")));
  ASSERT_NE(logString, nullptr);
  struct Case {
    const char* what;
    std::function<void()> profile;
    const char* text;
  } cases[] = {
      {"first file", [&] { scope.Set(wince::profile::kEventLogFile, folder / L"a.txt"); }, "to a"},
      {"another file", [&] { scope.Set(wince::profile::kEventLogFile, folder / L"b.txt"); }, "to b"},
      {"discarding", [&] { scope.Set(wince::profile::kEventLogFile, L""); }, "nowhere"},
      {"no event log", [&] { scope.Unset(wince::profile::kEventLogFile); }, "nowhere either"},
      // A profile load deletes and recreates the key under the library's open handle.
      {"profile key recreated",
       [&] {
         wince::ClearProfile();
         scope.Set(wince::profile::kEventLogFile, folder / L"a.txt");
       },
       "to a again"},
  };
  for (const Case& c : cases) {
    c.profile();
    logString(0x442C0000, c.text);
  }
  EXPECT_EQ(ReadLines(folder / L"a.txt"),
            (std::vector<std::string>{"[event 0x442C0000] to a", "[event 0x442C0000] to a again"}));
  EXPECT_EQ(ReadLines(folder / L"b.txt"), std::vector<std::string>{"[event 0x442C0000] to b"});
}
