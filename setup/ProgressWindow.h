// The progress window (dialog 101): a bar and a status line, shown while Install_Exit runs.
#pragma once

#include <windows.h>

#include <string>

namespace qzrsetup {

inline constexpr int kProgressDialogId = 101;
inline constexpr int kProgressBarId = 1000;
inline constexpr int kStatusTextId = 1001;

// Installation goes on without a window when this fails.
bool CreateProgressWindow(HWND parent);
void DestroyProgressWindow();
// Both are skipped when the window or control is gone (for instance after Cancel).
void SetProgress(int percent);
void SetStatus(const std::wstring& text);

}  // namespace qzrsetup
