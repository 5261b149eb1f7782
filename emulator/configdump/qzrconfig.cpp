// qzrconfig: loads a menu.ini the way the launcher does and prints the configuration model,
// so administrators can see what the launcher will make of their file.
#include <windows.h>

#include <cstdio>
#include <string>

#include "LauncherConfig.h"

namespace {

void Field(const char* name, int value) { printf("  %-26s %d\n", name, value); }
void Field(const char* name, const std::wstring& value) { printf("  %-26s \"%ls\"\n", name, value.c_str()); }

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) {
    fprintf(stderr, "usage: qzrconfig MENU.INI [LAUNCHER-FOLDER]\n");
    return 2;
  }
  qzr::MenuLocation where;
  where.iniPath = argv[1];
  std::wstring folder = argc > 2 ? argv[2] : where.iniPath.substr(0, where.iniPath.find_last_of(L"\\/") + 1);
  for (auto& c : folder) c = static_cast<wchar_t>(towlower(c));
  where.launcherFolder = folder;
  where.launcherModuleName = folder + L"QZRShell.exe";

  // Reading the model never touches the device's start key: that is start-up's.
  qzr::MenuConfig config = qzr::ReadMenuConfig(where);

  printf("buttons shown: %d\n", config.buttonCount);
  for (int i = 0; i < qzr::kButtonSlots; ++i) {
    if (config.caption[i].empty() && config.exePath[i].empty()) continue;
    printf(" Button%d%s\n", i + 1, i < config.buttonCount ? "" : " (not shown)");
    Field("caption", config.caption[i]);
    Field("exe", config.exePath[i]);
    Field("parameters", config.parameters[i]);
    Field("alternate icon", config.iconPath[i]);
    Field("disabled if no signal", config.needsSignal[i]);
    Field("single instance", config.singleInstance[i]);
  }
  printf("application keys:\n");
  for (int n = 0; n < qzr::kAppKeySlots; ++n) {
    if (!config.appKeyConfigured[n]) {
      printf(" AppKey%d: not configured (starts the launcher)\n", n + 1);
      continue;
    }
    printf(" AppKey%d: \"%ls\" title \"%ls\"%s\n", n + 1, config.appKeyExe[n].c_str(), config.appKeyTitle[n].c_str(),
           config.appKeyWhitelisted[n] ? " (whitelisted)" : "");
  }
  printf("settings:\n");
  Field("full screen", config.fullScreen);
  Field("auto start", config.autoStart);
  Field("start icon hidden", config.startIconHidden);
  Field("restore on termination", config.restoreOnTermination);
  Field("top logo", config.topLogoPath);
  Field("password", config.password.empty() ? std::wstring(L"(none)") : std::wstring(config.password.size(), L'*'));
  printf("lockable keys usable:\n");
  Field("EnableDeviceLockKeys", config.EnableDeviceLockKeys);
  Field("EnablePhoneKeys", config.EnablePhoneKeys);
  Field("EnableTaskManagerKeys", config.EnableTaskManagerKeys);
  Field("EnableVolumeKeys", config.EnableVolumeKeys);
  Field("EnableWindowsKey", config.EnableWindowsKey);
  Field("EnableOrangePlaneVolumeUp", config.EnableOrangePlaneVolumeUp);
  Field("EnableSk1AndSk2", config.EnableSk1AndSk2);
  return 0;
}
