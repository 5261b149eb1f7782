// Child process of the start-key tests: runs the warm-boot prompt or the exit path in a
// process of its own (the PAL stays bound for a process's life, and a warm boot waits for its
// requester to end). Each message box becomes a line "owner|caption|text|type" in a file.
#include <windows.h>

#include <cstdio>
#include <string>

#include "DeviceProfile.h"
#include "LauncherConfig.h"
#include "MessageBoxes.h"
#include "StartKey.h"

int wmain(int argc, wchar_t** argv) {
  if (argc != 3) return 2;
  std::wstring boxesFile = argv[1];
  std::wstring action = argv[2];
  qzr::SetMessageBoxObserver([&](HWND owner, const std::wstring& text, const std::wstring& caption, UINT type) {
    wchar_t line[512];
    swprintf(line, 512, L"%d|%ls|%ls|%u", owner ? 1 : 0, caption.c_str(), text.c_str(), type);
    wince::AppendLineToFile(boxesFile, wince::ToUtf8(line));
    return IDOK;
  });
  if (action == L"warmboot") {
    qzr::PromptWarmBoot(nullptr);
    return 0;
  }
  if (action == L"leave") {
    qzr::LauncherConfig config;
    config.restoreOnTermination = 1;
    config.EnableSk1AndSk2 = 1;
    qzr::RestoreStartKeySetting(config);
    qzr::RestoreSoftKeySetting(config);
    qzr::CleanUpCheckOnLeaving(nullptr);
    return 0;
  }
  return 2;
}
