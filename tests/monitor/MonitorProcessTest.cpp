// Gatewarden as real processes under Wine with a launcher's block under the real names.
// What Gatewarden imports: monitor_imports, with the toolchain's objdump.
#include <gtest/gtest.h>

#include "MonitorTestSupport.h"
#include "wince.h"

using namespace monitor_test;

namespace {

class MonitorProcesses : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetOpenCommand();
    profile_.Set(wince::profile::kEventLogFile, log_);
    demo_ = CopyDemo(folder_ / L"demo.exe");
    deviceDemo_ = DevicePath(demo_);
  }
  void TearDown() override { ResetOpenCommand(); }

  void Fresh() {
    DeleteFileW(log_.c_str());
    DeleteFileW(out_.c_str());
  }
  std::vector<std::string> WaitForOutput(size_t lines, DWORD timeoutMs = 10000) {
    PumpUntil([&] { return ReadLines(out_).size() >= lines; }, timeoutMs);
    return ReadLines(out_);
  }

  ScratchFolder folder_{L"mon"};
  ProfileScope profile_;
  std::wstring log_ = folder_ / L"events.txt";
  std::wstring out_ = folder_ / L"out.txt";
  EnvScope outEnv_{L"QZR_DEMO_OUT", out_};
  std::wstring demo_, deviceDemo_;
};

// The decision lines of a single-instance program's starts.
struct SingleInstanceLines {
  explicit SingleInstanceLines(const std::wstring& program)
      : demo(Narrow(Lower(program))),
        allowed("[category 4] .\\WhiteList (249), " + demo + " is allowed to run"),
        single("[category 4] .\\WhiteList (261), Only 1 instance of " + demo + " is allowed"),
        started("[category 4] .\\WhiteList (292), CreateProcess " + demo + " succeeded"),
        running("[category 4] .\\WhiteList (271), " + demo + " is already running") {}
  std::string demo, allowed, single, started, running;
};

HWND VisibleDemoWindow() {
  HWND w = FindWindowW(L"QzrDemoWindow", nullptr);
  return w && IsWindowVisible(w) ? w : nullptr;
}

}  // namespace

TEST_F(MonitorProcesses, PerLaunchDecisionsAreLogged) {
  const std::wstring missing = DevicePath(folder_ / L"missing.exe");
  const std::wstring other = DevicePath(CopyDemo(folder_ / L"other.exe"));
  struct Case {
    const char* what;
    bool block;
    std::wstring list1;
    std::wstring program;
    std::wstring arguments;  // as the shell passes them
    std::string output;      // the demo's record; empty when nothing may start
    std::vector<std::string> decisions;
  };
  const std::string demo = Narrow(Lower(deviceDemo_));
  const std::string allowed = "[category 4] .\\WhiteList (249), " + demo + " is allowed to run";
  const std::string started = "[category 4] .\\WhiteList (292), CreateProcess " + demo + " succeeded";
  const Case cases[] = {
      {"full path, arguments passed on", true, L"|" + deviceDemo_ + L"|", deviceDemo_, L"a \"b c\"", "args:a|b|c cwd:C:\\",
       {allowed, started}},
      {"gatewarden after the program is passed on", true, L"|demo.exe|", deviceDemo_, L"gatewarden y",
       "args:gatewarden|y cwd:C:\\", {allowed, started}},
      {"not listed", true, L"|" + deviceDemo_ + L"|", other, L"", "",
       {"[category 4] .\\WhiteList (321), " + Narrow(Lower(other)) + " is NOT allowed to run"}},
      {"empty list 1", true, L"", deviceDemo_, L"", "", {"[category 4] .\\WhiteList (321), " + demo + " is NOT allowed to run"}},
      {"no launcher: everything runs", false, L"", deviceDemo_, L"z", "args:z cwd:C:\\", {allowed, started}},
      {"listed but missing", true, L"|missing.exe|", missing, L"", "",
       {"[category 4] .\\WhiteList (249), " + Narrow(Lower(missing)) + " is allowed to run",
        "[category 12] .\\WhiteList (301), CreateProcess " + Narrow(Lower(missing)) + " error 2"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Fresh();
    // As on the device, a resident instance runs while a launcher's block exists.
    std::optional<FakeLauncher> launcher;
    std::optional<Resident> resident;
    if (c.block) {
      launcher.emplace(c.list1, L"|");
      ASSERT_TRUE(launcher->ok());
      resident.emplace(*launcher);
      ASSERT_TRUE(resident->hooked());
    }
    ProcessResult run = RunGatewarden(L"\"" + c.program + L"\" " + c.arguments);
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.exitCode, 0u);
    if (c.output.empty()) {
      Sleep(300);
      EXPECT_TRUE(ReadLines(out_).empty());
    } else {
      auto lines = WaitForOutput(1);
      ASSERT_EQ(lines.size(), 1u);
      EXPECT_EQ(lines[0], c.output);
    }
    resident.reset();
    EXPECT_EQ(DecisionTexts(log_), c.decisions);
    auto texts = LogTexts(log_);
    ASSERT_GE(texts.size(), 3u);
    EXPECT_EQ(texts.front(), "[category 4] Gatewarden starts");
    EXPECT_EQ(texts[1].rfind("[category 4] .\\Gatewarden (688), wFacilityNumber = ", 0), 0u) << texts[1];
    EXPECT_EQ(texts.back(), "[category 4] Gatewarden exits");
  }
}

// A per-launch instance writes its lines once its program is on its way, and before the next
// instance may decide: the lines of launches started together never interleave.
TEST_F(MonitorProcesses, LinesOfLaunchesStartedTogetherStayTogether) {
  Fresh();
  FakeLauncher launcher(L"|" + deviceDemo_ + L"|", L"|");
  ASSERT_TRUE(launcher.ok());
  Resident resident(launcher);
  ASSERT_TRUE(resident.hooked());
  constexpr int kLaunches = 4;
  std::vector<qzr::StartedProcess> runs;
  for (int i = 0; i < kLaunches; ++i) {
    std::wstring cmd = L"\"" + GatewardenPath() + L"\" \"" + deviceDemo_ + L"\" run" + std::to_wstring(i);
    STARTUPINFOW si{sizeof si};
    PROCESS_INFORMATION pi{};
    ASSERT_TRUE(CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, L"C:\\", &si, &pi));
    runs.emplace_back(pi);
  }
  for (const qzr::StartedProcess& run : runs) ASSERT_EQ(WaitForSingleObject(run.process.get(), 40000), WAIT_OBJECT_0);
  ASSERT_EQ(WaitForOutput(kLaunches).size(), static_cast<size_t>(kLaunches));
  const std::string allowed = "[category 4] .\\WhiteList (249), " + Narrow(Lower(deviceDemo_)) + " is allowed to run";
  const std::string started = "[category 4] .\\WhiteList (292), CreateProcess " + Narrow(Lower(deviceDemo_)) + " succeeded";
  auto texts = LogTexts(log_);
  int blocks = 0;
  for (size_t i = 0; i < texts.size(); ++i) {
    if (texts[i] != allowed) continue;
    ++blocks;
    ASSERT_GE(i, 2u);
    EXPECT_EQ(texts[i - 2], "[category 4] Gatewarden starts") << i;
    EXPECT_EQ(texts[i - 1].rfind("[category 4] .\\Gatewarden (688), wFacilityNumber = ", 0), 0u) << i;
    ASSERT_LT(i + 1, texts.size());
    EXPECT_EQ(texts[i + 1], started) << i;
  }
  EXPECT_EQ(blocks, kLaunches);
}

TEST_F(MonitorProcesses, SingleInstanceProgramIsBroughtToTheFront) {
  const std::wstring accented = DevicePath(CopyDemo(folder_ / L"ÜBERSICHT.exe"));
  const std::wstring listed = L"|" + deviceDemo_ + L"|" + Lower(accented) + L"|";
  FakeLauncher launcher(listed, listed);
  ASSERT_TRUE(launcher.ok());
  Resident resident(launcher);
  ASSERT_TRUE(resident.hooked());
  std::wstring quitName = L"qzr_demo_quit_" + std::to_wstring(GetCurrentProcessId());
  qzr::KernelHandle quit(CreateEventW(nullptr, TRUE, FALSE, quitName.c_str()));
  EnvScope windowEnv(L"QZR_DEMO_WINDOW", quitName);
  const SingleInstanceLines lines(deviceDemo_);
  const std::string &allowed = lines.allowed, &single = lines.single, &started = lines.started, &running = lines.running;

  Fresh();
  ASSERT_TRUE(RunGatewarden(L"\"" + deviceDemo_ + L"\"").finished);
  ASSERT_TRUE(PumpUntil([] { return VisibleDemoWindow() != nullptr; }, 10000));
  HWND demoWindow = VisibleDemoWindow();
  EXPECT_EQ(DecisionTexts(log_), (std::vector<std::string>{allowed, single, started}));

  // Something else in front first.
  auto front = std::make_unique<TestWindow>();
  front->Front();

  DeleteFileW(log_.c_str());
  ASSERT_TRUE(RunGatewarden(L"\"" + deviceDemo_ + L"\" again").finished);
  EXPECT_EQ(DecisionTexts(log_), (std::vector<std::string>{allowed, single, running}));
  EXPECT_TRUE(PumpUntil([&] { return GetForegroundWindow() == demoWindow; }, 3000));
  // A desktop shell passes "C:\...\demo.exe"; the running copy's image path is in device form.
  std::wstring upper = demo_;
  CharUpperBuffW(upper.data(), static_cast<DWORD>(upper.size()));
  for (const std::wstring& named : {demo_, upper}) {
    ASSERT_TRUE(RunGatewarden(L"\"" + named + L"\"").finished);
    auto decisions = DecisionTexts(log_);
    ASSERT_FALSE(decisions.empty());
    EXPECT_EQ(decisions.back(), "[category 4] .\\WhiteList (271), " + Narrow(Lower(demo_)) + " is already running") << Narrow(named);
  }
  Sleep(300);
  EXPECT_EQ(ReadLines(out_).size(), 1u);  // started once only
  front.reset();
  SetEvent(quit.get());
  ASSERT_TRUE(PumpUntil([] { return FindWindowW(L"QzrDemoWindow", nullptr) == nullptr; }, 10000));
  ResetEvent(quit.get());

  // Started by other means, the running copy's image path keeps its capital Ü, while the monitor
  // lower-cases the name it is given: both must fold by the same rule for the copy to be found.
  Fresh();
  STARTUPINFOW si{sizeof si};
  PROCESS_INFORMATION pi{};
  std::wstring cmd = L"\"" + folder_.path() + L"ÜBERSICHT.exe\"";
  ASSERT_TRUE(CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi));
  qzr::StartedProcess byOtherMeans(pi);
  ASSERT_TRUE(PumpUntil([] { return VisibleDemoWindow() != nullptr; }, 10000));
  ASSERT_TRUE(RunGatewarden(L"\"" + accented + L"\"").finished);
  auto decisions = DecisionTexts(log_);
  ASSERT_FALSE(decisions.empty());
  EXPECT_NE(decisions.back().find(" is already running"), std::string::npos) << decisions.back();
  Sleep(300);
  EXPECT_EQ(ReadLines(out_).size(), 1u);  // started once only
  SetEvent(quit.get());
  ASSERT_TRUE(PumpUntil([] { return FindWindowW(L"QzrDemoWindow", nullptr) == nullptr; }, 10000));
  ResetEvent(quit.get());

  // A running copy without a visible window does not count.
  EnvScope hidden(L"QZR_DEMO_HIDDEN", L"1");
  Fresh();
  ASSERT_TRUE(RunGatewarden(L"\"" + deviceDemo_ + L"\"").finished);
  WaitForOutput(1);
  ASSERT_TRUE(PumpUntil([] { return FindWindowW(L"QzrDemoWindow", nullptr) != nullptr; }, 10000));
  DeleteFileW(log_.c_str());
  ASSERT_TRUE(RunGatewarden(L"\"" + deviceDemo_ + L"\"").finished);
  EXPECT_EQ(DecisionTexts(log_), (std::vector<std::string>{allowed, single, started}));
  EXPECT_EQ(WaitForOutput(2).size(), 2u);
  SetEvent(quit.get());
  PumpUntil([] { return FindWindowW(L"QzrDemoWindow", nullptr) == nullptr; }, 10000);
}

// A second tap while the first copy is still coming up: the second decision waits for the copy's
// window, finds it and starts nothing.
TEST_F(MonitorProcesses, SingleInstanceStartedTwiceWhileComingUpRunsOnce) {
  const std::wstring listed = L"|" + deviceDemo_ + L"|";
  FakeLauncher launcher(listed, listed);
  ASSERT_TRUE(launcher.ok());
  Resident resident(launcher);
  ASSERT_TRUE(resident.hooked());
  std::wstring quitName = L"qzr_demo_slow_" + std::to_wstring(GetCurrentProcessId());
  qzr::KernelHandle quit(CreateEventW(nullptr, TRUE, FALSE, quitName.c_str()));
  EnvScope windowEnv(L"QZR_DEMO_WINDOW", quitName);
  EnvScope slowEnv(L"QZR_DEMO_WINDOW_DELAY", L"1500");
  const SingleInstanceLines lines(deviceDemo_);
  const std::string &allowed = lines.allowed, &single = lines.single, &started = lines.started, &running = lines.running;

  Fresh();
  std::vector<qzr::StartedProcess> taps;
  for (int i = 0; i < 2; ++i) {
    std::wstring cmd = L"\"" + GatewardenPath() + L"\" \"" + deviceDemo_ + L"\" tap" + std::to_wstring(i);
    STARTUPINFOW si{sizeof si};
    PROCESS_INFORMATION pi{};
    ASSERT_TRUE(CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, L"C:\\", &si, &pi));
    taps.emplace_back(pi);
    if (i == 0) ASSERT_EQ(WaitForOutput(1).size(), 1u);  // the first copy runs, its window not yet shown
  }
  for (const qzr::StartedProcess& tap : taps) ASSERT_EQ(WaitForSingleObject(tap.process.get(), 40000), WAIT_OBJECT_0);
  EXPECT_EQ(DecisionTexts(log_), (std::vector<std::string>{allowed, single, started, allowed, single, running}));
  Sleep(300);
  EXPECT_EQ(ReadLines(out_).size(), 1u);
  SetEvent(quit.get());
  PumpUntil([] { return FindWindowW(L"QzrDemoWindow", nullptr) == nullptr; }, 10000);
}

TEST_F(MonitorProcesses, ResidentWithoutLauncherLeavesAtOnce) {
  Fresh();
  ProcessResult run = RunProcess(L"\"" + GatewardenPath() + L"\"", 15000);
  ASSERT_TRUE(run.finished);
  EXPECT_EQ(OpenCommand(), std::wstring(kSeededOpenCommand));
  EXPECT_TRUE(DecisionTexts(log_).empty());
}

TEST_F(MonitorProcesses, ShellOpenOperation) {
  Fresh();
  // A data file opened through its class's command. (A program opened without a hook:
  // DeviceShellOpen.QuotedFileAndFolderAreThePathsInside.)
  const std::wstring ext = L".qzrt" + std::to_wstring(GetCurrentProcessId());
  const std::wstring cls = L"qzrtestfile" + std::to_wstring(GetCurrentProcessId());
  // The unnamed value serves when "Default" is missing.
  ASSERT_TRUE(WriteRegString(HKEY_CLASSES_ROOT, ext, nullptr, cls));
  ASSERT_TRUE(WriteRegString(HKEY_CLASSES_ROOT, cls + L"\\shell\\open\\command", L"Default",
                             L"\"" + deviceDemo_ + L"\" -open \"%1\" %*"));
  std::wstring doc = DevicePath(folder_ / (L"doc" + ext));
  WriteBytes(folder_ / (L"doc" + ext), "x");
  ASSERT_TRUE(OpenThroughShell(doc, L"q"));
  auto lines = WaitForOutput(1);
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0], "args:-open|" + Narrow(doc) + "|q cwd:C:\\windows");
  RegDeleteTreeW(HKEY_CLASSES_ROOT, ext.c_str());
  RegDeleteTreeW(HKEY_CLASSES_ROOT, cls.c_str());

  struct Failure {
    const wchar_t* file;
    DWORD error;
  } failures[] = {{L"", ERROR_FILE_NOT_FOUND}, {L"\\qzrtest\\none.exe", ERROR_FILE_NOT_FOUND}};
  for (const Failure& f : failures) {
    SetLastError(0);
    EXPECT_FALSE(OpenThroughShell(f.file, L"q"));
    EXPECT_EQ(GetLastError(), f.error) << Narrow(f.file);
  }
}
