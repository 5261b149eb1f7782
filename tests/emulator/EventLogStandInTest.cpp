// The event-log stand-in: lines survive a killed writer, the file follows the profile and may be replaced.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdarg>
#include <cwctype>
#include <functional>

#include <windows.h>
#include <tlhelp32.h>

#include "DeviceProfile.h"
#include "TestSupport.h"
#include "Win32Owners.h"

using namespace testing_support;

namespace {

constexpr wchar_t kLoggedEvent[] = L"QZR_TEST_EVENTLOG_LOGGED";

// The file names of the libraries a running process has loaded, lower-cased.
std::vector<std::string> LoadedLibraries(DWORD processId) {
  std::vector<std::string> names;
  // A snapshot fails as a file does, with INVALID_HANDLE_VALUE.
  qzr::FileHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, processId));
  if (!snapshot) return names;
  MODULEENTRY32W entry{sizeof entry};
  for (BOOL more = Module32FirstW(snapshot.get(), &entry); more; more = Module32NextW(snapshot.get(), &entry)) {
    std::string name;
    for (const wchar_t* c = entry.szModule; *c; ++c) name.push_back(static_cast<char>(towlower(*c)));
    names.push_back(name);
  }
  return names;
}

// Starts the writer, waits until it has logged `text`, and kills it at once; `libraries`
// receives what the writer had loaded by then.
bool LogAndKill(const std::string& text, std::vector<std::string>* libraries = nullptr) {
  qzr::KernelHandle logged(CreateEventW(nullptr, TRUE, FALSE, kLoggedEvent));
  std::wstring cmd = L"\"" + BinFolder() + L"eventlog_writer.exe\" \"" + Widen(text) + L"\" " + kLoggedEvent;
  STARTUPINFOW si{sizeof si};
  PROCESS_INFORMATION pi{};
  if (!CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, L"C:\\", &si, &pi)) return false;
  qzr::KernelHandle process(pi.hProcess), thread(pi.hThread);
  bool ok = WaitForSingleObject(logged.get(), 20000) == WAIT_OBJECT_0;
  if (libraries) *libraries = LoadedLibraries(pi.dwProcessId);
  TerminateProcess(process.get(), 9);
  WaitForSingleObject(process.get(), 10000);
  return ok;
}

// The log's lines without their facility and category.
std::vector<std::string> Texts(const std::wstring& path) {
  std::vector<std::string> texts;
  for (const std::string& line : ReadLines(path)) {
    size_t at = line.find("] [category 4] ");
    texts.push_back(at == std::string::npos ? line : line.substr(at + 15));
  }
  return texts;
}

// Each test logs to a file of its own.
class EventLogStandIn : public ::testing::Test {
 protected:
  void SetUp() override { profile_.Set(wince::profile::kEventLogFile, log_); }
  ScratchFolder folder_{L"evlog"};
  ProfileScope profile_;
  const std::wstring log_ = folder_ / L"events.txt";
};

}  // namespace

TEST_F(EventLogStandIn, KilledWritersKeepTheirLinesAndTheFileMayBeDeletedOrReplaced) {
  struct Step {
    const char* what;
    std::function<void()> before;  // done to the file between writers
    std::string text;
    std::vector<std::string> expected;
  };
  const std::vector<Step> steps = {
      {"first writer", [] {}, "one", {"one"}},
      {"second writer appends", [] {}, "two", {"one", "two"}},
      {"deleted between writers", [&] { DeleteFileW(log_.c_str()); }, "three", {"three"}},
      {"replaced between writers",
       [&] {
         WriteBytes(folder_ / L"new.txt", "replacement\r\n");
         MoveFileExW((folder_ / L"new.txt").c_str(), log_.c_str(), MOVEFILE_REPLACE_EXISTING);
       },
       "four", {"replacement", "four"}},
  };
  for (const Step& step : steps) {
    step.before();
    ASSERT_TRUE(LogAndKill(step.text)) << step.what;
    EXPECT_EQ(Texts(log_), step.expected) << step.what;
  }
}

TEST_F(EventLogStandIn, FollowsTheProfileFromLineToLine) {
  using LogString = DWORD(WINAPI*)(DWORD, const char*);
  auto logString = Export<LogString>(L"QZREventLog.dll", "QZRLogString");
  ASSERT_NE(logString, nullptr);
  struct Case {
    const char* what;
    std::function<void()> profile;
    const char* text;
  } cases[] = {
      {"first file", [&] { profile_.Set(wince::profile::kEventLogFile, folder_ / L"a.txt"); }, "to a"},
      {"another file", [&] { profile_.Set(wince::profile::kEventLogFile, folder_ / L"b.txt"); }, "to b"},
      {"discarding", [&] { profile_.Set(wince::profile::kEventLogFile, L""); }, "nowhere"},
      {"no event log", [&] { profile_.Unset(wince::profile::kEventLogFile); }, "nowhere either"},
      // A profile load deletes and recreates the key under the library's open handle.
      {"profile key recreated",
       [&] {
         wince::ClearProfile();
         profile_.Set(wince::profile::kEventLogFile, folder_ / L"a.txt");
       },
       "to a again"},
  };
  for (const Case& c : cases) {
    c.profile();
    logString(0x442C0000, c.text);
  }
  EXPECT_EQ(ReadLines(folder_ / L"a.txt"),
            (std::vector<std::string>{"[event 0x442C0000] to a", "[event 0x442C0000] to a again"}));
  EXPECT_EQ(ReadLines(folder_ / L"b.txt"), std::vector<std::string>{"[event 0x442C0000] to b"});
}

// Every program the shell opens loads the library in a monitored launch: logging must not
// bring the registry's library (with its two companions and their start-up) along.
TEST_F(EventLogStandIn, LoggingLoadsNoFurtherSystemLibrary) {
  std::vector<std::string> libraries;
  ASSERT_TRUE(LogAndKill("counted", &libraries));
  EXPECT_EQ(Texts(log_), std::vector<std::string>{"counted"});
  ASSERT_NE(std::find(libraries.begin(), libraries.end(), "qzreventlog.dll"), libraries.end());
  for (const char* unwanted : {"advapi32.dll", "sechost.dll", "ucrtbase.dll"})
    EXPECT_EQ(std::find(libraries.begin(), libraries.end(), unwanted), libraries.end()) << unwanted;
}

// The system C library's formatting leaves a text cut at the buffer's end without its NUL:
// a line longer than the buffer is cut, ended, and leaves the next line whole.
TEST_F(EventLogStandIn, OverlongLinesAreCutAndEnded) {
  using LogVEx = DWORD(WINAPI*)(WORD, DWORD, DWORD, const char*, va_list);
  auto logVEx = Export<LogVEx>(L"QZREventLog.dll", "QZRLogStringVEx");
  ASSERT_NE(logVEx, nullptr);
  auto log = [&](const char* format, ...) {
    va_list args;
    va_start(args, format);
    logVEx(7, 0, 4, format, args);
    va_end(args);
  };
  const std::string longText(5000, 'x');
  log("%s", longText.c_str());
  log("after %d", 42);
  std::vector<std::string> lines = ReadLines(log_);
  ASSERT_EQ(lines.size(), 2u);
  const std::string prefix = "[facility 7] [category 4] ";
  EXPECT_EQ(lines[0].substr(0, prefix.size()), prefix);
  EXPECT_GT(lines[0].size(), 2000u);
  EXPECT_LT(lines[0].size(), longText.size());
  EXPECT_EQ(lines[0].find_first_not_of('x', prefix.size()), std::string::npos);
  EXPECT_EQ(lines[1], prefix + "after 42");
}
