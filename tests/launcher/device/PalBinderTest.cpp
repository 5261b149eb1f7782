// The platform library's binders: missing exports, and a library missing at first and present later.
// The typed calls are used end to end by SerialTextTest and StartKeyTest.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <string>

#include "DeviceProfile.h"
#include "device/Pal.h"
#include "ProbeSupport.h"
#include "TestSupport.h"

using namespace testing_support;
namespace p = wince::profile;

// A missing export through LoadLogged, and its log line, are tried in the child process below.
TEST(PalBinders, BadNamesAndMissingExports) {
  FARPROC address = reinterpret_cast<FARPROC>(1);
  EXPECT_EQ(qzr::CQZRPal::Load(nullptr, &address), qzr::kPalFailure);
  EXPECT_EQ(qzr::CQZRPal::Load("PALNoSuchExport", &address), qzr::kPalNotAvailable);
  EXPECT_EQ(address, nullptr);
  EXPECT_EQ(qzr::CQZRPal::Load("PALSysinfo_GetDeviceDetailW", &address), S_OK);
  EXPECT_NE(address, nullptr);

  EXPECT_EQ(qzr::CQZRPal::LoadLogged(nullptr, &address), qzr::kPalFailure);
}

TEST(PalBinders, MissingLibraryIsLoggedAndLoadedOnALaterCall) {
  ScratchFolder folder(L"palmiss");
  ProfileScope scope;
  scope.Set(p::kEventLogFile, folder / L"events.txt");
  scope.Set(p::kJournalFile, folder / L"journal.txt");

  std::map<std::string, std::string> results;
  {
    HiddenFile pal(L"C:\\windows\\QZRIVAPAL.dll");
    ASSERT_TRUE(pal.hidden());
    results = RunProbe(folder, L"pal", [&] { pal.Restore(); });
  }
  ASSERT_FALSE(results.empty());
  EXPECT_EQ(results["a1"], "0x80004001");
  EXPECT_EQ(results["b1"], "0x80004001");
  EXPECT_EQ(results["a2"], "0x00000000");
  EXPECT_EQ(results["b2"], "0x00000000");
  EXPECT_EQ(results["missing"], "0x80004001");

  char pidHex[16];
  snprintf(pidHex, sizeof pidHex, "%lx", std::stoul(results["pid"], nullptr, 16));
  const std::string proc = std::string(",proc:0x") + pidHex;
  std::vector<std::string> ours;
  for (const auto& line : ReadLines(folder / L"events.txt"))
    if (line.find("[event ") == 0) ours.push_back(line);
  const std::string pathLoad = "[event 0x442C0000] Loading " + Narrow(folder / L"QZRIVAPAL.dll") + ",winerr:0x";
  const std::string nameLoad = "[event 0x442C0000] Loading QZRIVAPAL.dll,winerr:0x";
  ASSERT_EQ(ours.size(), 5u);
  EXPECT_EQ(ours[0].rfind(nameLoad, 0), 0u) << ours[0];
  EXPECT_EQ(ours[1].rfind(pathLoad, 0), 0u) << ours[1];
  EXPECT_EQ(ours[2], std::string("[event 0xC42C0000] All PAL load attempts failed. proc:0x") + pidHex);
  EXPECT_EQ(ours[3].rfind(nameLoad, 0), 0u) << ours[3];
  for (int i : {0, 1, 3}) EXPECT_TRUE(ours[i].ends_with(proc)) << ours[i];
  EXPECT_NE(ours[0], nameLoad + "0" + proc) << "a failed load reports its error";
  EXPECT_EQ(ours[4], "[event 0x442C0000] PALNoSuchExport not supported");

  // The library logs its version once, after the load that found it.
  auto journal = ReadLines(folder / L"journal.txt");
  EXPECT_EQ(std::count(journal.begin(), journal.end(), "PALVER_LogVersion QZRIVAPAL.dll"), 1);
}
