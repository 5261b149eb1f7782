// The status page: facts from the main dialog's last refresh, the monitor's identification.
#include "ui/StatusDialog.h"

#include "wince.h"

#include <aygshell.h>
#include <commctrl.h>

#include "core/LauncherConfig.h"
#include "core/MessageBoxes.h"
#include "device/DeviceIdentity.h"
#include "ui/ChildScreen.h"
#include "ui/ExitPasswordDialog.h"
#include "ui/LauncherDialog.h"
#include "ui/ScreenRules.h"
#include "ui/UiLayout.h"
#include "ui/UiTexts.h"

namespace qzr {
namespace {

const std::vector<int> kLaidOutControls = {
    IDC_BATTERY_FRAME, IDC_PROGRESS,   IDC_BATTERY_TEXT,   IDC_TEXT_BLOCK,   IDC_IP_ADDRESS,
    IDC_MAC_LABEL,     IDC_MAC_ADDRESS, IDC_AUTH_LABEL,    IDC_AUTHENTICATION, IDC_SERIAL_LABEL,
    IDC_SERIAL,        IDCANCEL,       IDC_EXIT_BUTTON};

// Windowed, the page's client area runs from the task bar's bottom to its soft-key bar's top.
int WindowedClientHeight(HWND page, int screenHeight) {
  RECT r{};
  int top = 0, bottom = screenHeight;
  if (HWND taskBar = FindWindowW(kTaskBarClass, nullptr); taskBar && IsWindowVisible(taskBar) && GetWindowRect(taskBar, &r))
    top = r.bottom;
  if (HWND bar = SHFindMenuBar(page); bar && IsWindowVisible(bar) && GetWindowRect(bar, &r)) bottom = r.top;
  return bottom - top;
}

}  // namespace

StatusDialog::StatusDialog(LauncherConfig& model, LauncherDialog& mainDialog) : model_(model), mainDialog_(mainDialog) {
  // The frame keeps its "Battery Status" caption: nothing would ever fill a text bound to it.
  BindText(IDC_BATTERY_TEXT, &batteryText_);
  BindText(IDC_TEXT_BLOCK, &messageText_);
}

LRESULT StatusDialog::OnInitDialog(UINT, WPARAM, LPARAM, bool&) {
  if (!OpenChildScreen(*this, model_.fullScreen, IDR_BACK_SOFTKEYS)) return TRUE;
  CenterWindow();

  const DeviceStatusTexts& facts = mainDialog_.statusTexts();
  const int percent = facts.powerStatus.BatteryLifePercent;
  if (percent <= 100) {
    SendDlgItemMessageW(hwnd(), IDC_PROGRESS, PBM_SETRANGE32, 0, 100);
    SendDlgItemMessageW(hwnd(), IDC_PROGRESS, PBM_SETPOS, static_cast<WPARAM>(percent), 0);
  }
  batteryText_ = BatteryText(percent);
  UpdateData(false);

  std::wstring monitorPath;
  GetLauncherFolder(monitorPath);
  monitorPath += kMonitorProgramName;
  std::wstring name, version;
  bool versionValid = false;
  if (model_.whitelist.enabled()) {
    name = kMonitorProductName;
    versionValid = GetFileVersionText(monitorPath, name, version);
  }
  messageText_ = IdentificationText(model_.whitelist.enabled(), versionValid, name, version);

  SetDlgItemTextW(hwnd(), IDC_AUTHENTICATION, facts.authenticationText.c_str());
  SetDlgItemTextW(hwnd(), IDC_IP_ADDRESS, facts.ipAddressText.c_str());
  SetDlgItemTextW(hwnd(), IDC_MAC_ADDRESS, facts.macAddressText.c_str());
  SetDlgItemTextW(hwnd(), IDC_SERIAL, facts.serialNumberText.c_str());

  Layout();
  MoveToScreen();
  UpdateData(false);
  return TRUE;
}

void StatusDialog::Layout() {
  StatusLayoutInput in;
  in.screenWidth = GetSystemMetrics(SM_CXSCREEN);
  in.screenHeight = GetSystemMetrics(SM_CYSCREEN);
  in.fullScreen = model_.fullScreen != 0;
  in.current = ReadControlRects(hwnd(), kLaidOutControls);
  if (!in.fullScreen) in.clientHeight = WindowedClientHeight(hwnd(), in.screenHeight);
  HFONT font = IsLargeScreen(in.screenWidth, in.screenHeight) ? CreateLargeFont() : nullptr;
  ApplyLayout(hwnd(), StatusDialogLayout(in), font);
  if (font) font_.reset(font);
}

void StatusDialog::ApplyWindowMode() {
  if (model_.fullScreen) {
    TakeScreen();
  } else {
    // The soft key and the title-bar OK stand in for Back and Exit.
    SHDoneButton(hwnd(), SHDB_SHOW);
    ShowWindow(Item(IDCANCEL), SW_HIDE);
    ShowWindow(Item(IDC_EXIT_BUTTON), SW_HIDE);
  }
}

LRESULT StatusDialog::OnActivate(UINT, WPARAM wParam, LPARAM, bool& handled) {
  handled = false;
  const WORD state = LOWORD(wParam);
  if (state == WA_ACTIVE || state == WA_CLICKACTIVE) SetForegroundWindow(hwnd());
  ApplyWindowMode();
  MoveToScreen();
  return 0;
}

LRESULT StatusDialog::OnSettingChange(UINT, WPARAM wParam, LPARAM, bool& handled) {
  handled = false;
  ApplyWindowMode();
  if (model_.fullScreen) MoveToScreen();
  if (wParam == kScreenSizeChange) Layout();
  return 0;
}

LRESULT StatusDialog::OnClose(UINT, WPARAM, LPARAM, bool&) {
  Exit();
  return 0;
}

void StatusDialog::Exit() {
  ExitPasswordDialog password(model_, mainDialog_.leaveSteps());
  INT_PTR result = password.DoModal(hwnd());
  SetFocus(Item(IDC_EXIT_BUTTON));
  if (result == kExitResult) EndDialog(kExitResult);
}

void StatusDialog::Back() {
  if (!model_.whitelist.monitorRunning()) return;
  UpdateData(true);
  EndDialog(IDOK);
}

}  // namespace qzr
