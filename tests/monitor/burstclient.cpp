// qzrburst.exe: one operator's share of a burst of program starts. Opens the programs it is given
// in turn through the shell's open operation, COUNT times in all, each start with its own
// argument ("TAG-i") so that the started program's record names it. The programs marked with a
// leading '*' show a window (qzrdemo's QZR_DEMO_WINDOW, named by QZR_BURST_WINDOW) and are the
// single-instance ones. Prints "opened N failed M slowest MS".
//   qzrburst TAG COUNT PROGRAM [*PROGRAM ...]
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "shellexec.h"

int wmain(int argc, wchar_t** argv) {
  if (argc < 4) {
    fprintf(stderr, "usage: qzrburst TAG COUNT PROGRAM [*PROGRAM ...]\n");
    return 2;
  }
  const std::wstring tag = argv[1];
  const int count = _wtoi(argv[2]);
  std::vector<std::wstring> programs(argv + 3, argv + argc);
  wchar_t windowEvent[128] = {};
  GetEnvironmentVariableW(L"QZR_BURST_WINDOW", windowEvent, 128);
  int opened = 0, failed = 0;
  DWORD slowest = 0;
  for (int i = 0; i < count; ++i) {
    std::wstring program = programs[static_cast<size_t>(i) % programs.size()];
    const bool single = !program.empty() && program[0] == L'*';
    if (single) program.erase(0, 1);
    SetEnvironmentVariableW(L"QZR_DEMO_WINDOW", single && *windowEvent ? windowEvent : nullptr);
    std::wstring argument = tag + L"-" + std::to_wstring(i);
    SHELLEXECUTEINFOW info{sizeof info};
    info.fMask = SEE_MASK_FLAG_NO_UI;
    info.lpVerb = L"open";
    info.lpFile = program.c_str();
    info.lpParameters = argument.c_str();
    info.lpDirectory = L"\\windows\\";
    info.nShow = SW_SHOWNORMAL;
    DWORD start = GetTickCount();
    if (CeShellExecuteEx(&info)) ++opened;
    else ++failed;
    slowest = std::max(slowest, GetTickCount() - start);
  }
  printf("opened %d failed %d slowest %lu\n", opened, failed, slowest);
  return failed ? 1 : 0;
}
