// Install actions over files and processes: AutoCab, install path, macros, shortcuts, hooked
// applications, command lists, tree deletion and the reboot request.
#pragma once

#include <string>
#include <vector>

#include "PackageLists.h"
#include "SetupRun.h"
#include "Win32Owners.h"

namespace qzrsetup {

bool DetectAutoCab(const SetupRun& run);
std::wstring ResolveInstallPath(const SetupRun& run);
// Free bytes available to the caller on the volume of `path`; false when the query fails.
bool FreeBytes(const std::wstring& path, unsigned long long* bytes);

// The longest finite sleep: one millisecond short of INFINITE, which would never wake.
inline constexpr DWORD kLongestSleepMs = 0xFFFFFFFE;
// Milliseconds a Wait command sleeps for its seconds text: 0 for none or a negative number,
// at most kLongestSleepMs however large the number.
DWORD WaitMilliseconds(const std::wstring& seconds);

std::wstring ExpandInstallDir(const SetupRun& run, const std::wstring& text);
// %INSTALLDIR%, then the start-up and programs folders.
std::wstring ExpandAllMacros(const SetupRun& run, const std::wstring& text);

void CreateShortcutEntry(SetupRun& run, const Shortcut& shortcut);
void RunApplication(SetupRun& run, const std::wstring& text, bool wait, bool remove);
void ExecuteCommands(SetupRun& run, const std::vector<Command>& commands);

// Empties a directory tree; the directory itself is left for the caller. The device root is
// never emptied, whatever path a package or record gives.
void DeleteTree(const std::wstring& directory);
bool IsDeviceRoot(const std::wstring& path);

void HandleReboot(SetupRun& run);

// Starts a program in a new console; the arguments text never holds the program. Empty when
// the start failed.
qzr::StartedProcess StartProgram(const std::wstring& program, const std::wstring& arguments);

}  // namespace qzrsetup
