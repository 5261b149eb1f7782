// Install actions over files and processes: AutoCab, install path, macros, shortcuts, hooked
// applications, command lists, tree deletion and the reboot request.
#pragma once

#include <string>
#include <vector>

#include "PackageLists.h"
#include "SetupState.h"

namespace qzrsetup {

bool DetectAutoCab();
std::wstring ResolveInstallPath();
// Free bytes available to the caller on the volume of `path`; nullopt when the query fails.
bool FreeBytes(const std::wstring& path, unsigned long long* bytes);

// The longest finite sleep: one millisecond short of INFINITE, which would never wake.
inline constexpr DWORD kLongestSleepMs = 0xFFFFFFFE;
// Milliseconds a Wait command sleeps for its seconds text: 0 for none or a negative number,
// at most kLongestSleepMs however large the number.
DWORD WaitMilliseconds(const std::wstring& seconds);

std::wstring ExpandInstallDir(const std::wstring& text);
// %INSTALLDIR%, then the start-up and programs folders.
std::wstring ExpandAllMacros(const std::wstring& text);

void CreateShortcutEntry(const Shortcut& shortcut);
void RunApplication(const std::wstring& text, bool wait, bool remove);
void ExecuteCommands(const std::vector<Command>& commands);

// Empties a directory tree; the directory itself is left for the caller. The device root is
// never emptied, whatever path a package or record gives.
void DeleteTree(const std::wstring& directory);
bool IsDeviceRoot(const std::wstring& path);

void HandleReboot();

// Starts a program in a new console; the arguments text never holds the program.
bool StartProgram(const std::wstring& program, const std::wstring& arguments, HANDLE* process);

}  // namespace qzrsetup
