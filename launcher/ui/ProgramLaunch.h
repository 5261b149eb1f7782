// Starting programs through the shell's open operation: list items and single files.
#pragma once

#include <windows.h>

#include <string>

namespace qzr {

class LauncherConfig;

// Opens slot `index` of the model when 0 <= index < itemCount (the programs the list shows);
// failures are shown in a "Shell Error" box owned by `owner`.
void LaunchButton(const LauncherConfig& model, HWND owner, int index, int itemCount);

// Opens `file` in `folder`; nothing for an empty file text. Failures have no owner window.
void ShellOpen(const std::wstring& folder, const std::wstring& file);

// The "Shell Error" text for the last error e: the system's message, or the fixed text for 0.
std::wstring ShellErrorText(DWORD error);

}  // namespace qzr
