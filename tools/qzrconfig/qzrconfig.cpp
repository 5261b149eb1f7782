// qzrconfig: loads a menu.ini the way the launcher does and prints the configuration model,
// so administrators can see what the launcher will make of their file.
#include <windows.h>

#include <cstdio>
#include <string>

#include "LauncherConfig.h"
#include "ModelText.h"

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
  where.syncStartKey = false;  // a look at the file must not touch the device's start key

  qzr::LauncherConfig config;
  config.LoadMenuConfig(where);
  std::string text = qzr::tools::ModelText(config);
  fwrite(text.data(), 1, text.size(), stdout);
  return 0;
}
