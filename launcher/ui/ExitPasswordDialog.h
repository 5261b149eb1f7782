// ExitPasswordDialog: the only way out of the launcher; on the right password the application
// puts back what the launcher changed, and the dialog ends with the exit result.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "ui/DialogBase.h"
#include "ui/resource.h"
#include "Win32Owners.h"

namespace qzr {

class LauncherConfig;

// What a correct password sets off while the launcher's dialogs still stand: putting back what
// the launcher changed, with `owner` (the password dialog) owning any prompt it shows.
using LeaveSteps = std::function<void(HWND owner)>;

class ExitPasswordDialog : public DialogBase<ExitPasswordDialog> {
 public:
  static constexpr int IDD = IDD_EXIT_PASSWORD;

  ExitPasswordDialog(LauncherConfig& model, LeaveSteps leave);
  ~ExitPasswordDialog() = default;

  QZR_BEGIN_MSG_MAP()
    QZR_MESSAGE(WM_INITDIALOG, OnInitDialog)
    QZR_MESSAGE(WM_ACTIVATE, OnActivate)
    QZR_MESSAGE(WM_SETTINGCHANGE, OnSettingChange)
    QZR_COMMAND(IDOK, Check)
    QZR_COMMAND(IDCANCEL, Cancel)
    QZR_COMMAND(IDM_CANCEL_KEY, Cancel)
    QZR_COMMAND(IDC_KEYBOARD_BUTTON, Keyboard)
  QZR_END_MSG_MAP()

  void Check();
  void Cancel();
  void Keyboard();
  void Layout();

  bool holdsPlatformLibrary() const { return static_cast<bool>(platformLibrary_); }

 private:
  LRESULT OnInitDialog(UINT, WPARAM, LPARAM, bool& handled);
  LRESULT OnActivate(UINT, WPARAM, LPARAM, bool& handled);
  LRESULT OnSettingChange(UINT, WPARAM, LPARAM, bool& handled);
  void HideButtonsForSoftKeys();

  LauncherConfig& model_;
  LeaveSteps leave_;
  std::wstring enteredText_;
  GdiObject font_;
  Library platformLibrary_;
};

}  // namespace qzr
