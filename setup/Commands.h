// The command lists of a package (Init_Commands, Exit_Commands, Uninstall_Commands): one
// function per verb.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "PackageLists.h"
#include "SetupRun.h"

namespace qzrsetup {

// The longest finite sleep: one millisecond short of INFINITE, which would never wake.
inline constexpr DWORD kLongestSleepMs = 0xFFFFFFFE;
// Milliseconds a Wait command sleeps for its seconds text: 0 for none or a negative number,
// at most kLongestSleepMs however large the number.
DWORD WaitMilliseconds(const std::wstring& seconds);

// Runs the commands in list order.
void ExecuteCommands(SetupRun& run, const std::vector<Command>& commands);

}  // namespace qzrsetup
