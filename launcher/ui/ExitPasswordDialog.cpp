// The exit password: the check and the SIP toggle.
#include "ui/ExitPasswordDialog.h"

#include "wince.h"

#include <aygshell.h>

#include <utility>

#include "core/LauncherConfig.h"
#include "core/MessageBoxes.h"
#include "ui/ChildScreen.h"
#include "ui/LauncherDialog.h"
#include "ui/SipEntries.h"
#include "ui/UiLayout.h"
#include "ui/UiTexts.h"

namespace qzr {

ExitPasswordDialog::ExitPasswordDialog(LauncherConfig& model, LeaveSteps leave)
    : model_(model), leave_(std::move(leave)) {
  BindText(IDC_PASSWORD_EDIT, &enteredText_, kPasswordMaxChars);
}

LRESULT ExitPasswordDialog::OnInitDialog(UINT, WPARAM, LPARAM, bool&) {
  if (!OpenChildScreen(*this, model_.fullScreen, IDR_CANCEL_SOFTKEYS)) return TRUE;

  platformLibrary_ = Library(kPlatformLibrary);
  ResolveSipEntries(platformLibrary_);

  Layout();
  CenterWindow();
  SetFocus(Item(IDC_PASSWORD_EDIT));
  return FALSE;
}

void ExitPasswordDialog::Layout() {
  PasswordLayoutInput in;
  in.screenWidth = GetSystemMetrics(SM_CXSCREEN);
  in.screenHeight = GetSystemMetrics(SM_CYSCREEN);
  in.prompt = ReadControlRects(hwnd(), {IDC_PASSWORD_PROMPT})[IDC_PASSWORD_PROMPT];
  HFONT font = IsLargeScreen(in.screenWidth, in.screenHeight) ? CreateLargeFont() : nullptr;
  ApplyLayout(hwnd(), PasswordDialogLayout(in), font);
  if (font) font_.reset(font);
}

void ExitPasswordDialog::Check() {
  UpdateData(true);
  if (enteredText_ != model_.password) {
    enteredText_.clear();
    UpdateData(false);
    ShowMessageBox(hwnd(), kInvalidPasswordText, kPasswordErrorCaption, MB_OK);
    SetFocus(Item(IDC_PASSWORD_EDIT));
    return;
  }
  SipShowIM(0);
  platformLibrary_.reset();
  // Before the dialogs end: the warm-boot prompt belongs to this dialog, over the main one.
  if (leave_) leave_(hwnd());
  EndDialog(kExitResult);
}

void ExitPasswordDialog::Cancel() {
  SipShowIM(0);
  platformLibrary_.reset();
  EndDialog(IDCANCEL);
}

void ExitPasswordDialog::Keyboard() {
  SipInfoRecord info;
  const uint32_t flags = SipGetInfo(&info) ? info.flags : 0;
  SipShowIM(KeyboardToggleArgument(flags));
  SetFocus(Item(IDC_PASSWORD_EDIT));
}

void ExitPasswordDialog::HideButtonsForSoftKeys() {
  SHDoneButton(hwnd(), SHDB_SHOW);
  ShowWindow(Item(IDCANCEL), SW_HIDE);
  ShowWindow(Item(IDOK), SW_HIDE);
  ShowWindow(Item(IDC_KEYBOARD_BUTTON), SW_HIDE);
}

LRESULT ExitPasswordDialog::OnActivate(UINT, WPARAM wParam, LPARAM, bool& handled) {
  handled = false;
  if (model_.fullScreen) {
    const WORD state = LOWORD(wParam);
    if (state == WA_ACTIVE || state == WA_CLICKACTIVE) SetForegroundWindow(hwnd());
    TakeScreen();
    MoveToScreen();
  } else {
    HideButtonsForSoftKeys();
  }
  return 0;
}

LRESULT ExitPasswordDialog::OnSettingChange(UINT, WPARAM wParam, LPARAM, bool& handled) {
  handled = false;
  MoveToScreen();
  if (wParam == kScreenSizeChange) Layout();
  if (!model_.fullScreen) HideButtonsForSoftKeys();
  return 0;
}

}  // namespace qzr
