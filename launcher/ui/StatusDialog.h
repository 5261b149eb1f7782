// StatusDialog: the status page — battery, identification, network facts, serial number;
// Back to the list, Exit through the password.
#pragma once

#include <windows.h>

#include <string>

#include "ui/DialogBase.h"
#include "ui/resource.h"
#include "Win32Owners.h"

namespace qzr {

class LauncherConfig;
class LauncherDialog;

class StatusDialog : public DialogBase<StatusDialog> {
 public:
  static constexpr int IDD = IDD_STATUS;

  StatusDialog(LauncherConfig& model, LauncherDialog& mainDialog);

  QZR_BEGIN_MSG_MAP()
    QZR_MESSAGE(WM_INITDIALOG, OnInitDialog)
    QZR_MESSAGE(WM_ACTIVATE, OnActivate)
    QZR_MESSAGE(WM_SETTINGCHANGE, OnSettingChange)
    QZR_MESSAGE(WM_CLOSE, OnClose)
    QZR_COMMAND(IDC_EXIT_BUTTON, Exit)
    QZR_COMMAND(IDOK, Exit)
    QZR_COMMAND(IDCANCEL, Back)
    QZR_COMMAND(IDM_BACK_KEY, Back)
  QZR_END_MSG_MAP()

  void Exit();
  void Back();
  void Layout();

  const std::wstring& messageText() const { return messageText_; }
  const std::wstring& batteryText() const { return batteryText_; }

 private:
  LRESULT OnInitDialog(UINT, WPARAM, LPARAM, bool& handled);
  LRESULT OnActivate(UINT, WPARAM, LPARAM, bool& handled);
  LRESULT OnSettingChange(UINT, WPARAM, LPARAM, bool& handled);
  LRESULT OnClose(UINT, WPARAM, LPARAM, bool& handled);
  void ApplyWindowMode();

  LauncherConfig& model_;
  LauncherDialog& mainDialog_;
  std::wstring batteryText_;
  std::wstring messageText_;
  GdiObject font_;
};

}  // namespace qzr
