// The event-log wrappers: facility numbers, lines in the device's log, and a missing library.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>

#include "DeviceProfile.h"
#include "EventLog.h"
#include "ProbeSupport.h"
#include "TestSupport.h"

using namespace testing_support;
namespace el = qzr::eventlog;
namespace p = wince::profile;

namespace {

// What the library itself answers for a facility name, asked directly.
DWORD StandInFacility(const wchar_t* name) {
  auto fn = Export<DWORD(WINAPI*)(const wchar_t*)>(BinFolder() + L"QZREventLog.dll", "QZRRegisterFacility");
  return fn ? fn(name) : 0;
}

// Restores the program's facility number when a test has changed it.
struct FacilityScope {
  WORD saved = el::FacilityNumber();
  ~FacilityScope() { el::SetFacilityNumber(saved); }
};

}  // namespace

TEST(EventLog, RegisterFacilityKeepsTheLowSixteenBits) {
  for (const wchar_t* name : {el::kFacilityName, L"GW", L""}) {
    DWORD full = StandInFacility(name);
    ASSERT_NE(full, 0u);
    ASSERT_NE(full >> 16, 0u) << "the stand-in answers with high bits set";
    EXPECT_EQ(el::RegisterFacility(name), static_cast<WORD>(full & 0xFFFF));
  }
}

TEST(EventLog, LinesReachTheDeviceLog) {
  ScratchFolder folder(L"evlog");
  ProfileScope scope;
  scope.Set(p::kEventLogFile, folder / L"events.txt");
  FacilityScope facilityScope;
  WORD facility = el::RegisterFacility(el::kFacilityName);
  std::string f = std::to_string(facility);

  EXPECT_EQ(el::LogStringEx(facility, el::kCategoryInfo, "..\\..\\common source\\launcher (%d), InitInstance", 64), 0u);
  el::SetFacilityNumber(0);
  EXPECT_EQ(el::Log(el::kCategoryInfo, "..\\..\\common source\\launcher (%d), wFacilityNumber = %d", 65, 0), 0u);
  el::SetFacilityNumber(facility);
  EXPECT_EQ(el::Log(el::kCategoryError, "..\\..\\common source\\FileAcces (%d), CreateMutex failed, rc=%d", 569, 183), 0u);
  EXPECT_EQ(el::LogString(el::kEventInfo, "Loading %ls,winerr:0x%x,proc:0x%x\r\n", L"QZRIVAPAL.dll", 0x7Eu, 0x2Au), 0u);
  EXPECT_EQ(el::LogString(el::kEventError, "All PAL load attempts failed. proc:0x%x\r\n", 0x2Au), 0u);
  // A message longer than the 1024-byte buffer is cut, not written past it.
  EXPECT_EQ(el::LogString(el::kEventInfo, "%s", std::string(3000, 'x').c_str()), 0u);

  std::vector<std::string> expected = {
      "[facility " + f + "] registered KL",
      "[facility " + f + "] [category 4] ..\\..\\common source\\launcher (64), InitInstance",
      "[facility 0] [category 4] ..\\..\\common source\\launcher (65), wFacilityNumber = 0",
      "[facility " + f + "] [category 12] ..\\..\\common source\\FileAcces (569), CreateMutex failed, rc=183",
      "[event 0x442C0000] Loading QZRIVAPAL.dll,winerr:0x7e,proc:0x2a",
      "[event 0xC42C0000] All PAL load attempts failed. proc:0x2a",
      "[event 0x442C0000] " + std::string(1023, 'x'),
  };
  EXPECT_EQ(ReadLines(folder / L"events.txt"), expected);
}

TEST(EventLog, MissingLibraryIsNotSoughtAgainButLogStringRetries) {
  ScratchFolder folder(L"evmiss");
  ProfileScope scope;
  scope.Set(p::kEventLogFile, folder / L"events.txt");

  std::map<std::string, std::string> results;
  {
    HiddenFile library(L"C:\\windows\\QZREventLog.dll");
    ASSERT_TRUE(library.hidden());
    results = RunProbe(folder, L"eventlog", [&] { library.Restore(); });
  }
  ASSERT_FALSE(results.empty());
  // In round 2 too: the shared handle remembers its failed load for the life of the process.
  for (const std::string round : {"1", "2"}) {
    EXPECT_EQ(results["facility" + round], "0x00000000") << round;
    EXPECT_EQ(results["vex" + round], "0x80004001") << round;
    EXPECT_EQ(results["string" + round], "0x00000000") << round;
  }
  EXPECT_EQ(ReadLines(folder / L"events.txt"), std::vector<std::string>{"[event 0x442C0000] probe string 2"});
}
