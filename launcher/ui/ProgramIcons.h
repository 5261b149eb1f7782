// The program list's icons, looked up in the shell's system image list on a thread of their own
// while start-up goes on.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include "Win32Owners.h"

namespace qzr {

class LauncherConfig;
struct ButtonSlot;

// Where a button's icon comes from: its own icon file, else its program.
const std::wstring& IconSourceOf(const ButtonSlot& button);
// The icon sources of the list's items, in list order.
std::vector<std::wstring> ProgramIconSources(const LauncherConfig& config);

// The system icon index of a file, by its attributes; 0 when the shell has none.
int LookUpIconIndex(const std::wstring& source);
// The shell's system image list (the process's own; never destroyed); null when there is none.
HIMAGELIST LookUpSystemImageList();

// Building the system image list is the slowest part of showing the main dialog, and every
// lookup reads the shell's icons: done while start-up goes on, both are ready by the time the
// list is filled. The list shows the same icons either way.
class ProgramIcons {
 public:
  ProgramIcons() = default;
  ~ProgramIcons() { Wait(); }
  ProgramIcons(const ProgramIcons&) = delete;
  ProgramIcons& operator=(const ProgramIcons&) = delete;

  // Starts the thread: the system image list, then one lookup per source. Without a thread
  // (none could be started) every index is looked up when asked.
  void Start(std::vector<std::wstring> sources);
  // The index for item `item` showing `source`: the thread's once it has finished, or looked up
  // here when the thread never had that source.
  int IndexOf(size_t item, const std::wstring& source);
  // The system image list, as the thread found it or looked up here. Looking up the root
  // folder is slow on a thread that has not done it before: the main thread leaves it to this one.
  HIMAGELIST SystemImageList();

 private:
  static DWORD WINAPI Run(void* self);
  void Wait();

  std::vector<std::wstring> sources_;
  std::vector<int> indices_;  // written by the thread only, read only after it ended
  HIMAGELIST systemList_ = nullptr;  // the same
  KernelHandle thread_;
};

}  // namespace qzr
