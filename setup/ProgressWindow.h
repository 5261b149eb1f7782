// The progress window (dialog 101): a bar and a status line, shown while Install_Exit runs.
#pragma once

#include <windows.h>

#include <string>

namespace qzrsetup {

inline constexpr int kProgressDialogId = 101;
inline constexpr int kProgressBarId = 1000;
inline constexpr int kStatusTextId = 1001;

// Owns the dialog and, through it, its bar and status line; the dialog goes with the owner.
class ProgressWindow {
 public:
  ProgressWindow() = default;
  ~ProgressWindow() { Close(); }
  ProgressWindow(const ProgressWindow&) = delete;
  ProgressWindow& operator=(const ProgressWindow&) = delete;

  // Installation goes on without a window when this fails.
  bool Create(HMODULE module, HWND parent);
  void Close();
  // Both are skipped when the window or control is gone (for instance after Cancel).
  void SetProgress(int percent);
  void SetStatus(const std::wstring& text);
  // Progress first, then the status line.
  void Show(int percent, const std::wstring& status) {
    SetProgress(percent);
    SetStatus(status);
  }

 private:
  // The control while the dialog lives; nullptr once it is closed or cancelled.
  HWND Control(int id) const;
  void PumpMessages() const;

  HWND dialog_ = nullptr;
};

}  // namespace qzrsetup
