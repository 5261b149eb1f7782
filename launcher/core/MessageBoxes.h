// The one place the launcher shows message boxes, so that tests can watch and answer them.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

namespace qzr {

inline constexpr wchar_t kApplicationName[] = L"QZRShell";

// Returns the button pressed (IDOK, ...).
int ShowMessageBox(HWND owner, const std::wstring& text, const std::wstring& caption, UINT type);

// The application framework's own message box: OK, exclamation, brought to the foreground,
// captioned with the application name.
int ShowFrameworkMessageBox(const std::wstring& text);

// Tests replace the real box; the observer's result stands for the button pressed.
using MessageBoxObserver = std::function<int(HWND owner, const std::wstring& text, const std::wstring& caption, UINT type)>;
void SetMessageBoxObserver(MessageBoxObserver observer);

}  // namespace qzr
