// Gatewarden's rules in-process: matching, command lines, the open-command hook, window qualification.
#include <gtest/gtest.h>

#include "OpenCommandHook.h"
#include "TestSupport.h"
#include "WhitelistView.h"
#include "Win32Owners.h"
#include "wince.h"

using namespace qzr::monitor;
namespace wl = qzr::whitelist;

TEST(MonitorRules, MatchInList) {
  struct Case {
    const wchar_t* path;
    const wchar_t* list;
    bool match;
  } cases[] = {
      {L"x.exe", L"|\\windows\\x.exe|", true},
      {L"\\windows\\xx.exe", L"|\\windows\\x.exe|", false},
      {L"\\windows\\x.exe.bak", L"|\\windows\\x.exe|", false},
      {L"\\storage\\x.exe", L"|\\windows\\x.exe|\\temp\\y.exe|", true},
      {L"\\windows\\x.exe", L"|\"\\windows\\x.exe\"|", true},   // quotes around an entry
      {L"\\windows\\x.exe", L"|\"x.exe\"|", true},
      {L"x.exe", L"|\\windows\\xx.exe|ax.exe|x.exe|", true},    // the third occurrence counts
      {L"\\windows\\x.exe", L"|\\windows\\x.exe.bak|", false},
      {L"\\a\\x.exe", L"|\\a\\x.exe\\b|", false},               // only in the middle of a longer entry
      {L"\\windows\\x.exe", L"|", false},                       // empty list 1
      {L"\\windows\\", L"|\\windows\\a.exe|", false},            // empty file-name part
      {L"\\windows\\x.exe", L"|\\windows\\x.exe", true},        // match at the list's end
      {L"|", L"|a|", false},                                   // a one-character match at the end ends the search
      {L"a", L"|a", true},
  };
  for (const Case& c : cases) EXPECT_EQ(MatchInList(c.path, c.list), c.match) << testing_support::Narrow(c.path) << " in " << testing_support::Narrow(c.list);
}

TEST(MonitorRules, ParseCommandLine) {
  struct Case {
    const char* what;
    std::vector<const wchar_t*> argv;
    bool ok;
    std::wstring program, arguments;
  } cases[] = {
      {"gatewarden before the program is skipped", {L"gw\\Gatewarden.exe", L"\\x\\GateWarden.exe", L"  B.EXE "}, true,
       L"b.exe", L""},
      {"trailing blanks of the last argument go", {L"gatewarden.exe", L"b.exe", L"x  "}, true, L"b.exe", L"x"},
      {"blank program", {L"gatewarden.exe", L"   ", L"x"}, false, L"", L""},
      {"argument 0 empty", {L"", L"a.exe"}, false, L"", L""},
      {"no arguments", {}, false, L"", L""},
      {"program that is not the monitor comes first", {L"a.exe", L"b"}, true, L"a.exe", L"b"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    WhitelistView view;
    EXPECT_EQ(view.ParseCommandLine(c.argv.empty() ? nullptr : c.argv.data(), static_cast<int>(c.argv.size())), c.ok);
    EXPECT_EQ(view.program(), c.program);
    EXPECT_EQ(view.arguments(), c.arguments);
  }
}

TEST(MonitorRules, ComposeHookedAndUnhookedCommands) {
  const std::wstring q = L"\"c:\\qzr\\Gatewarden.exe\"";
  EXPECT_EQ(ComposeHookedCommand(L"", q), q + L" ");
  // The hooked value must stay readable by unhooking (below 1000 characters with its NUL).
  EXPECT_TRUE(ComposeHookedCommand(std::wstring(997 - q.size(), L'x'), q));
  EXPECT_FALSE(ComposeHookedCommand(std::wstring(998 - q.size(), L'x'), q));

  EXPECT_EQ(ComposeUnhookedCommand(L"junk " + q + L" \"%1\"", q), L"\"%1\"");  // text before the hook goes too
  EXPECT_EQ(ComposeUnhookedCommand(q, q), L"");                                  // nothing after the path
  EXPECT_FALSE(ComposeUnhookedCommand(L"\"%1\" %*", q));
  EXPECT_FALSE(ComposeUnhookedCommand(L"\"C:\\QZR\\Gatewarden.exe\" \"%1\"", q));  // compared with case
}

TEST(MonitorRules, HookAndUnhookInTheRegistry) {
  const std::wstring tree = L"Software\\QzrTest\\hook" + std::to_wstring(GetCurrentProcessId());
  qzr::RegKey root;
  ASSERT_TRUE(root.Create(HKEY_CURRENT_USER, tree));
  auto set = [&](const std::wstring& key, const std::wstring& value) {
    ASSERT_TRUE(testing_support::WriteRegString(HKEY_CURRENT_USER, tree + L"\\" + key, L"Default", value));
  };
  auto get = [&](const std::wstring& key) {
    return testing_support::ReadRegString(HKEY_CURRENT_USER, tree + L"\\" + key, L"Default").value_or(L"<none>");
  };
  const std::wstring q = L"\"c:\\qzr\\Gatewarden.exe\"";
  const std::wstring open = L"exefile\\shell\\open\\command", doc = L"exefile\\Shell\\OpenDoc\\Command";

  EXPECT_FALSE(HookOpenCommand(root.get(), L".exe", q));  // no class at all
  set(L".exe", L"exefile");
  EXPECT_FALSE(HookOpenCommand(root.get(), L".exe", q));  // class without commands
  set(open, L"\"%1\" %*");
  EXPECT_TRUE(HookOpenCommand(root.get(), L".exe", q));
  EXPECT_EQ(get(open), q + L" \"%1\" %*");
  set(doc, L"viewer.exe %1");
  EXPECT_TRUE(HookOpenCommand(root.get(), L".exe", q));
  EXPECT_EQ(get(open), q + L" \"%1\" %*");  // twice: once only
  EXPECT_EQ(get(doc), q + L" viewer.exe %1");

  UnhookOpenCommand(root.get(), L".exe", q);
  EXPECT_EQ(get(open), L"\"%1\" %*");
  EXPECT_EQ(get(doc), L"viewer.exe %1");
  UnhookOpenCommand(root.get(), L".exe", q);  // nothing to take out: unchanged
  EXPECT_EQ(get(open), L"\"%1\" %*");

  // A command too long to hook stays as it is; the other key is still hooked.
  set(open, std::wstring(990, L'x'));
  EXPECT_TRUE(HookOpenCommand(root.get(), L".exe", q));
  EXPECT_EQ(get(open), std::wstring(990, L'x'));
  EXPECT_EQ(get(doc), q + L" viewer.exe %1");
  // The unnamed standard value is not the device's "Default" and stays untouched.
  qzr::RegKey k;
  ASSERT_TRUE(k.Open(root.get(), L".exe", KEY_ALL_ACCESS));
  k.WriteString(nullptr, L"unnamed");
  UnhookOpenCommand(root.get(), L".exe", q);
  EXPECT_EQ(k.ReadString(nullptr).value_or(L""), L"unnamed");
  EXPECT_EQ(get(doc), L"viewer.exe %1");

  RegDeleteTreeW(HKEY_CURRENT_USER, tree.c_str());
}

TEST(MonitorRules, ActivatableWindowRectangles) {
  const RECT work{0, 0, 800, 600};
  struct Case {
    RECT window;
    bool ok;
  } cases[] = {
      {{10, 10, 200, 200}, true},  {{0, 0, 1, 1}, true},         {{-1, 10, 200, 200}, false},
      {{10, -5, 200, 200}, false}, {{800, 0, 900, 100}, true},  {{801, 0, 900, 100}, false},
      {{10, 10, 10, 200}, false},  {{10, 10, 200, 10}, false},
  };
  for (const Case& c : cases)
    EXPECT_EQ(IsActivatableRect(c.window, work), c.ok) << c.window.left << "," << c.window.top << "," << c.window.right;
}

TEST(MonitorRules, OpenCommandExpansionAndDevicePaths) {
  struct Case {
    const wchar_t* command;
    const wchar_t* file;
    const wchar_t* parameters;
    const wchar_t* expanded;
  } cases[] = {
      {L"notes.exe %L", L"\\my docs\\a.txt", L"", L"notes.exe \\my docs\\a.txt"},
      {L"x.exe 100%% %1", L"f", L"", L"x.exe 100% f"},
  };
  for (const Case& c : cases) EXPECT_EQ(wince::ExpandOpenCommand(c.command, c.file, c.parameters), c.expanded);
  EXPECT_EQ(wince::DeviceFormPath(L"C:\\qzrtest\\a.exe", L'C'), L"\\qzrtest\\a.exe");
}

TEST(MonitorRules, NoCacheMeansNoWhitelist) {
  wl::CacheObjectNames names;
  std::wstring suffix = L"_rules_" + std::to_wstring(GetCurrentProcessId());
  names.cache += suffix;
  names.sync += suffix;
  names.terminate += suffix;
  WhitelistView view(names);
  view.CreateWhitelistEvents();
  EXPECT_FALSE(view.Open());
  EXPECT_TRUE(view.IsCacheWithdrawn());
  const wchar_t* argv[] = {L"gatewarden.exe", L"\\windows\\anything.exe"};
  ASSERT_TRUE(view.ParseCommandLine(argv, 2));
  DWORD start = GetTickCount();
  EXPECT_TRUE(view.IsAllowed());
  EXPECT_FALSE(view.IsSingleInstance());
  EXPECT_LT(GetTickCount() - start, 1000u);  // no wait for a sync event that nobody will set
  // The reader never creates the block itself.
  qzr::KernelHandle probe(OpenFileMappingW(FILE_MAP_READ, FALSE, names.cache.c_str()));
  EXPECT_FALSE(probe);
}
