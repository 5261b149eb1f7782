// qzrconfig: loads a menu.ini the way the launcher does and prints the configuration model,
// so administrators can see what the launcher will make of their file.
#include <windows.h>

#include <cstdio>
#include <string>

#include "core/LauncherConfig.h"
#include "ModelText.h"
#include "Text.h"

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) {
    fprintf(stderr, "usage: qzrconfig MENU.INI [LAUNCHER-FOLDER]\n");
    return 2;
  }
  // The launcher's first start scrambles a plain pwd into cpwd and writes the file back: a look
  // at an administrator's file must not change it, so the model is loaded from a copy.
  std::wstring given = argv[1];
  wchar_t temp[MAX_PATH] = {}, copy[MAX_PATH] = {};
  DWORD n = GetTempPathW(MAX_PATH, temp);
  if (n == 0 || n >= MAX_PATH || !GetTempFileNameW(temp, L"qzc", 0, copy) || !CopyFileW(given.c_str(), copy, FALSE)) {
    fprintf(stderr, "qzrconfig: cannot read %ls\n", given.c_str());
    if (copy[0]) DeleteFileW(copy);
    return 2;
  }
  qzr::MenuLocation where;
  where.iniPath = copy;
  // Lower-cased as the launcher lowers its own folder.
  std::wstring folder = qzr::LowerCase(argc > 2 ? argv[2] : given.substr(0, given.find_last_of(L"\\/") + 1));
  where.launcherFolder = folder;
  where.launcherModuleName = folder + L"QZRShell.exe";

  // Reading the model sets up no shared block, starts no monitor and never touches the
  // device's start key: those are start-up's.
  const qzr::MenuConfig config = qzr::ReadMenuConfig(where);
  std::string text = qzr::tools::ModelText(config);
  fwrite(text.data(), 1, text.size(), stdout);
  DeleteFileW(copy);
  return 0;
}
