// Child of the launcher tests, for what needs a process of its own: a bound library stays for the
// process, hot keys belong to their thread, a warm boot waits for its requester to end.
//   device_probe <verb> [flags] <result file> <ready event> <go event>: "key=value" lines, each
//     message box as "boxN=owner|caption|text|type"; verbs: pal, eventlog (bound before and after
//     the test puts the libraries back), hotkeys <TaskManager> <Phone> <Volume> <DeviceLock>, filter,
//     warmboot, leave (the exit path with restore), rewrite <menu.ini> <plain copy> (the password
//     conversion over and over, each round from the plain copy again, until the test kills it).
//   A program button's target while QZR_LAUNCH_PROBE_OUT names a file: its folder and arguments go there.
//   ui_poke command <id> | password <text>: to the running launcher's dialog that has the input.
#include <windows.h>

#include <cstdio>
#include <string>

#include "DeviceProfile.h"
#include "EventLog.h"
#include "LauncherApp.h"
#include "core/LauncherConfig.h"
#include "lockdown/Lockdown.h"
#include "core/MessageBoxes.h"
#include "device/Pal.h"
#include "lockdown/StartKey.h"

namespace {

std::string Hex(DWORD value) {
  char text[16];
  snprintf(text, sizeof text, "0x%08lX", static_cast<unsigned long>(value));
  return text;
}

std::string PalRound(const char* round) {
  FARPROC address = nullptr;
  std::string out;
  out += std::string("a") + round + "=" + Hex(qzr::CQZRPal::Load("PALSysinfo_GetDeviceDetailW", &address)) + "\n";
  out += std::string("b") + round + "=" + Hex(qzr::CQZRPal::LoadLogged("PALSysinfo_GetSerialNumber", &address)) + "\n";
  return out;
}

std::string EventLogRound(const char* round) {
  using namespace qzr::eventlog;
  std::string out;
  out += std::string("facility") + round + "=" + Hex(RegisterFacility(kFacilityName)) + "\n";
  out += std::string("vex") + round + "=" + Hex(LogStringEx(7, kCategoryInfo, "probe vex %s", round)) + "\n";
  out += std::string("string") + round + "=" + Hex(LogString(kEventInfo, "probe string %s", round)) + "\n";
  return out;
}

std::wstring ArgumentsOf(const wchar_t* commandLine) {
  const wchar_t* p = commandLine;
  if (*p == L'"') {
    ++p;
    while (*p && *p != L'"') ++p;
    if (*p) ++p;
  } else {
    while (*p && *p != L' ' && *p != L'\t') ++p;
  }
  while (*p == L' ' || *p == L'\t') ++p;
  return p;
}

// Renamed into place when complete, so that a waiting test never reads half a file.
int WriteLaunch(const std::wstring& out) {
  wchar_t folder[MAX_PATH] = {};
  GetCurrentDirectoryW(MAX_PATH, folder);
  const std::string text = wince::ToUtf8(std::wstring(L"cwd=") + folder + L"\nargs=" + ArgumentsOf(GetCommandLineW()) + L"\n");
  const std::wstring part = out + L".part";
  FILE* f = _wfopen(part.c_str(), L"wb");
  if (!f) return 2;
  fputs(text.c_str(), f);
  fclose(f);
  return MoveFileExW(part.c_str(), out.c_str(), MOVEFILE_REPLACE_EXISTING) ? 0 : 3;
}

// The launcher's dialog that has the input: the enabled one on top.
HWND EnabledDialog() {
  HWND found = nullptr;
  EnumWindows(
      [](HWND w, LPARAM out) -> BOOL {
        wchar_t cls[32] = {};
        GetClassNameW(w, cls, 32);
        if (std::wstring(cls) == L"#32770" && IsWindowVisible(w) && IsWindowEnabled(w)) {
          *reinterpret_cast<HWND*>(out) = w;
          return FALSE;
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&found));
  return found;
}

int RewriteUntilKilled(const wchar_t* iniPath, const wchar_t* plainPath, HANDLE ready) {
  qzr::MenuLocation where;
  where.iniPath = iniPath;
  const std::wstring staging = std::wstring(iniPath) + L".reset";
  for (bool first = true;; first = false) {
    // The plain file comes back in one step too, so that a kill here leaves the last round's file.
    if (!CopyFileW(plainPath, staging.c_str(), FALSE) || !MoveFileExW(staging.c_str(), iniPath, MOVEFILE_REPLACE_EXISTING))
      return 6;
    qzr::ReadMenuConfig(where);
    if (first) SetEvent(ready);
  }
}

int Poke(const std::wstring& verb, const wchar_t* argument) {
  HWND dialog = nullptr;
  for (int tries = 0; tries < 50 && !(dialog = EnabledDialog()); ++tries) Sleep(100);
  if (!dialog) return 1;
  if (verb == L"password") SetDlgItemTextW(dialog, 1002, argument);
  PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(verb == L"password" ? IDOK : _wtoi(argument), BN_CLICKED), 0);
  return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  wchar_t launchOut[MAX_PATH] = {};
  if (GetEnvironmentVariableW(L"QZR_LAUNCH_PROBE_OUT", launchOut, MAX_PATH)) return WriteLaunch(launchOut);
  const std::wstring verb = argc > 1 ? argv[1] : L"";
  if (argc == 3 && (verb == L"command" || verb == L"password")) return Poke(verb, argv[2]);
  if (argc < 5) return 2;
  HANDLE ready = OpenEventW(EVENT_MODIFY_STATE, FALSE, argv[argc - 2]);
  HANDLE go = OpenEventW(SYNCHRONIZE, FALSE, argv[argc - 1]);
  if (!ready || !go) return 3;

  if (verb == L"rewrite" && argc == 6) return RewriteUntilKilled(argv[2], argv[3], ready);

  std::string out = "pid=" + Hex(GetCurrentProcessId()) + "\n";
  int boxes = 0;
  qzr::SetMessageBoxObserver([&](HWND owner, const std::wstring& text, const std::wstring& caption, UINT type) {
    out += "box" + std::to_string(++boxes) + "=" + (owner ? "1|" : "0|") + wince::ToUtf8(caption + L"|" + text) + "|" +
           std::to_string(type) + "\n";
    return IDOK;
  });
  qzr::LauncherApp app;
  if (verb == L"pal") {
    out += PalRound("1");
  } else if (verb == L"eventlog") {
    out += EventLogRound("1");
  } else if (verb == L"hotkeys" && argc == 9) {
    app.config.EnableTaskManagerKeys = _wtoi(argv[2]);
    app.config.EnablePhoneKeys = _wtoi(argv[3]);
    app.config.EnableVolumeKeys = _wtoi(argv[4]);
    app.config.EnableDeviceLockKeys = _wtoi(argv[5]);
    qzr::LockKeys(app.config);
  } else if (verb == L"filter") {
    qzr::InstallTaskbarFilter();
    qzr::RestoreTaskbar();
  } else if (verb == L"warmboot") {
    qzr::PromptWarmBoot(nullptr);
  } else if (verb == L"leave") {
    app.config.restoreOnTermination = 1;
    app.config.EnableSk1AndSk2 = 1;
    qzr::RestoreStartKeySetting(app.config);
    qzr::RestoreSoftKeySetting(app.config);
    qzr::CleanUpCheckOnLeaving(nullptr);
  } else {
    return 2;
  }
  SetEvent(ready);
  // Hot keys belong to this thread: it serves its messages until the test is done trying them.
  while (MsgWaitForMultipleObjects(1, &go, FALSE, 30000, QS_ALLINPUT) == WAIT_OBJECT_0 + 1) {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
  }
  if (WaitForSingleObject(go, 0) != WAIT_OBJECT_0) return 4;
  if (verb == L"pal") {
    FARPROC address = nullptr;
    out += PalRound("2") + "missing=" + Hex(qzr::CQZRPal::LoadLogged("PALNoSuchExport", &address)) + "\n";
  } else if (verb == L"eventlog") {
    out += EventLogRound("2");
  }

  FILE* f = _wfopen(argv[argc - 3], L"wb");
  if (!f) return 5;
  fputs(out.c_str(), f);
  fclose(f);
  return 0;
}
