// LauncherDialog: the operator's main screen — the program list, signal and battery, the way
// to the status page and, through the password, out.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <memory>
#include <string>

#include "wince.h"

#include "device/Radio80211.h"
#include "ui/DialogBase.h"
#include "ui/DrawnControls.h"
#include "ui/ExitPasswordDialog.h"
#include "ui/ImageListOwner.h"
#include "ui/ProgramIcons.h"
#include "ui/resource.h"
#include "ui/UiLayout.h"
#include "Win32Owners.h"

namespace qzr {

class LauncherConfig;

inline constexpr INT_PTR kExitResult = 3;

// Runs the main dialog modally over `config`, its list's icons from `icons`, with `leave` for an
// accepted exit password; returns its result.
INT_PTR RunLauncherDialog(LauncherConfig& config, LeaveSteps leave, ProgramIcons& icons);

inline constexpr UINT_PTR kRefreshTimer = 123;
inline constexpr UINT kRefreshMs = 5000;
inline constexpr UINT_PTR kAutoStartTimer = 55;
inline constexpr UINT kAutoStartMs = 2000;
inline constexpr UINT_PTR kIgnoreTouchTimer = 45;
inline constexpr UINT_PTR kActivationTimer = 46;  // the wait before an activated dialog claims the screen
inline constexpr WPARAM kScreenSizeChange = 0x3002;

// The facts the status page shows, as of the main dialog's last refresh.
struct DeviceStatusTexts {
  std::wstring ipAddressText = L"0.0.0.0";
  std::wstring macAddressText;
  std::wstring authenticationText;
  std::wstring serialNumberText;
  SYSTEM_POWER_STATUS_EX2 powerStatus{};
};

class LauncherDialog : public DialogBase<LauncherDialog> {
 public:
  static constexpr int IDD = IDD_LAUNCHER;

  // `leave` runs when the exit password is accepted, from whichever screen asked for it.
  explicit LauncherDialog(LauncherConfig& model, LeaveSteps leave = {});
  ~LauncherDialog();

  QZR_BEGIN_MSG_MAP()
    QZR_MESSAGE(WM_INITDIALOG, OnInitDialog)
    QZR_MESSAGE(WM_TIMER, OnTimer)
    QZR_MESSAGE(WM_ACTIVATE, OnActivate)
    QZR_MESSAGE(WM_SETTINGCHANGE, OnSettingChange)
    QZR_MESSAGE(WM_DESTROY, OnDestroy)
    QZR_COMMAND(IDC_STATUS_BUTTON, ShowStatusDialog)
    QZR_COMMAND(IDM_STATUS_KEY, ShowStatusDialog)
    QZR_COMMAND(IDC_SPEAKER, OnSpeaker)
    QZR_COMMAND(IDOK, PromptExitPassword)
    QZR_COMMAND(IDCANCEL, PromptExitPassword)
    QZR_NOTIFY(IDC_PROGRAM_LIST, NM_CLICK, OnListClick)
    QZR_NOTIFY(IDC_PROGRAM_LIST, NM_RETURN, OnListReturn)
  QZR_END_MSG_MAP()

  void ShowStatusDialog();
  void PromptExitPassword();
  // What each tick of the refresh timer reads: network, battery, device facts.
  void RefreshStatus();
  void RefreshNetworkStatus();
  void RefreshDeviceStatus();
  void RefreshBatteryGauge();
  void LayoutControls();
  // The list takes its icons from lookups start-up began; without, it looks them up itself.
  void UsePreparedIcons(ProgramIcons& icons) { preparedIcons_ = &icons; }

  // Read by the status page.
  const DeviceStatusTexts& statusTexts() const { return status_; }
  LauncherConfig& model() const { return model_; }
  const LeaveSteps& leaveSteps() const { return leave_; }
  bool modalChildUp() const { return modalChildUp_; }
  int logoWidth() const { return logoWidth_; }
  int logoHeight() const { return logoHeight_; }
  int workHeight() const { return workHeight_; }
  int batteryPercent() const { return batteryPercent_; }
  const SignalMeter& signalMeter() const { return signalMeter_; }
  // A link and a usable address at the last refresh; the gate of "Disabled if no signal".
  bool networkUp() const { return networkUp_; }
  // The programs the list shows (0 in restricted mode).
  int listItemCount() const { return listItemCount_; }

 private:
  LRESULT OnInitDialog(UINT, WPARAM, LPARAM, bool& handled);
  LRESULT OnTimer(UINT, WPARAM, LPARAM, bool& handled);
  LRESULT OnActivate(UINT, WPARAM, LPARAM, bool& handled);
  LRESULT OnSettingChange(UINT, WPARAM, LPARAM, bool& handled);
  LRESULT OnDestroy(UINT, WPARAM, LPARAM, bool& handled);
  LRESULT OnListClick(NMHDR* header);
  LRESULT OnListReturn(NMHDR* header);
  void OnSpeaker();

  void ShowFullScreen();
  bool InitialiseWindowMode();  // false: the soft-key bar could not be created
  void CreateBatteryGauge();
  void LoadTopLogo();
  bool RunRestrictedMode();  // true when the operator left through Exit
  void FillProgramList();
  void GatedLaunch(int index);
  void AwaitMonitorHook();
  void AutoStart();
  void ClaimScreen();
  bool ScreenTakenByAnotherProcess() const;
  void HideMenuBar();
  void DestroyBatteryGauge();

  LauncherConfig& model_;
  LeaveSteps leave_;
  int logoWidth_ = 0;
  int logoHeight_ = 0;
  int workHeight_ = 0;
  int taskBarBottom_ = 0;
  DeviceStatusTexts status_;
  LogoStatic logo_;
  SignalMeter signalMeter_;
  std::unique_ptr<BatteryGauge> batteryGauge_;
  bool networkUp_ = true;
  int listItemCount_ = 0;
  Radio80211 radio_;
  int batteryPercent_ = -1;
  GdiObject bigFont_;
  GdiObject logoBitmap_;
  ImageList imageList_;
  ProgramIcons* preparedIcons_ = nullptr;
  bool modalChildUp_ = false;
};

}  // namespace qzr
