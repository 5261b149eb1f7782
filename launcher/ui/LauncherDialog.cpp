// The main dialog: initialisation, the 5-second refresh, list launches, activation handling.
#include "ui/LauncherDialog.h"

#include "wince.h"

#include <aygshell.h>
#include <shellapi.h>

#include <algorithm>
#include <cwchar>
#include <utility>

#include "core/LauncherConfig.h"
#include "core/MessageBoxes.h"
#include "device/CoreLibrary.h"
#include "device/DeviceIdentity.h"
#include "lockdown/Lockdown.h"
#include "ui/ExitPasswordDialog.h"
#include "ui/ProgramLaunch.h"
#include "ui/ScreenRules.h"
#include "ui/SipEntries.h"
#include "ui/StatusDialog.h"
#include "ui/UiTexts.h"

namespace qzr {
namespace {


constexpr int kMeterLow = -85;
constexpr int kMeterHigh = -40;
constexpr int kMeterBars = 7;
constexpr COLORREF kPictureTransparent = 0x00FF0000;
constexpr DWORD kGaugeStyle = WS_CHILD | WS_VISIBLE;
constexpr int kGaugeNubRight = 3;
constexpr COLORREF kGaugeFill = 0x0000FF00;
constexpr int kLogoMaxWidth = 140;
constexpr int kLogoMaxHeight = 40;
constexpr int kSerialChars = 15;
constexpr int kModelWithOemSerial = model::kVP21;
constexpr int kModelWithSpeaker = model::kVP33;
constexpr DWORD kActivationDelayMs = 1000;
constexpr DWORD kMonitorHookWaitMs = 3000;  // the monitor takes well under a second to hook

using PowerStatusExCall = BOOL(WINAPI*)(void* record, BOOL update);

// A failed call leaves the record as it was.
void ReadPowerStatusEx2(SYSTEM_POWER_STATUS_EX2& record) {
  SYSTEM_POWER_STATUS_EX2 fresh{};
  if (GetSystemPowerStatusEx2(&fresh, sizeof fresh, TRUE) != 0) record = fresh;
}

int ReadBatteryPercent() {
  auto call = CoreEntry<PowerStatusExCall>("GetSystemPowerStatusEx");
  if (!call) return -1;
  SYSTEM_POWER_STATUS_EX record{};
  if (!call(&record, TRUE)) return -1;
  return record.BatteryLifePercent > 254 ? -1 : record.BatteryLifePercent;
}

void Trace(const wchar_t* line) { OutputDebugStringW(line); }

}  // namespace

INT_PTR RunLauncherDialog(LauncherConfig& config, LeaveSteps leave, ProgramIcons& icons) {
  LauncherDialog dialog(config, std::move(leave));
  dialog.UsePreparedIcons(icons);
  return dialog.DoModal(nullptr);
}

LauncherDialog::LauncherDialog(LauncherConfig& model, LeaveSteps leave) : model_(model), leave_(std::move(leave)) {
  radio_.Load();
}

LauncherDialog::~LauncherDialog() { DestroyBatteryGauge(); }

LRESULT LauncherDialog::OnInitDialog(UINT, WPARAM, LPARAM, bool&) {
  HCURSOR previousCursor = SetCursor(LoadCursorW(nullptr, IDC_WAIT));
  DefaultInitDialog();
  if (autoShellDialog()) {
    SHDoneButton(hwnd(), SHDB_SHOW);
    MoveToScreen();
  }
  SetTaskbarFilterMainWindow(hwnd());

  DropCaptionOkAndDrag();

  taskBarBottom_ = 0;
  workHeight_ = GetSystemMetrics(SM_CYSCREEN);
  if (!InitialiseWindowMode()) {
    SetCursor(previousCursor);
    return TRUE;
  }

  signalMeter_.Attach(Item(IDC_SIGNAL_METER));
  signalMeter_.SetRange(kMeterLow, kMeterHigh);
  signalMeter_.SetBarCount(kMeterBars);
  if (HWND meter = signalMeter_.hwnd())
    SetClassLongPtrW(meter, GCL_STYLE, GetClassLongPtrW(meter, GCL_STYLE) | CS_DBLCLKS);
  signalMeter_.LoadPictures(IDB_LINK_UP, IDB_NO_LINK, kPictureTransparent, UiResourceModule());
  if (model_.fullScreen) RefreshNetworkStatus();

  CreateBatteryGauge();
  SetWindowTextW(hwnd(), kLauncherTitle);
  CenterWindow();
  LoadTopLogo();

  if (GetModelId() != 0 && model_.autoStart) SetTimer(hwnd(), kAutoStartTimer, kAutoStartMs, nullptr);
  if (model_.fullScreen) {
    RefreshBatteryGauge();
    RefreshDeviceStatus();
  }
  SetTimer(hwnd(), kRefreshTimer, kRefreshMs, nullptr);

  wchar_t serial[kSerialChars] = {};
  if (GetModelId() == kModelWithOemSerial) GetOemSerialText(serial, kSerialChars);
  else GetDeviceSerialText(serial, kSerialChars);
  status_.serialNumberText.assign(serial, wcsnlen(serial, kSerialChars));

  LayoutControls();

  if (!model_.whitelist.monitorRunning()) {
    ShowFullScreen();
    SetCursor(previousCursor);
    RunRestrictedMode();
    return TRUE;
  }

  listItemCount_ = std::min(model_.buttonCount, kButtonSlots);
  FillProgramList();
  ShowFullScreen();
  SetCursor(previousCursor);
  return TRUE;
}

// Full-screen mode shows the dialog once it is placed, laid out and filled: shown before, every
// step would repaint it (about 10 ms of a start), and the operator would see it being built.
void LauncherDialog::ShowFullScreen() {
  if (!model_.fullScreen) return;
  ShowWindow(hwnd(), SW_SHOW);
  SetForegroundWindow(hwnd());
}

bool LauncherDialog::InitialiseWindowMode() {
  const int W = GetSystemMetrics(SM_CXSCREEN), H = GetSystemMetrics(SM_CYSCREEN);
  if (model_.fullScreen) {
    SetAutoShellDialog(false);
    SHFullScreen(hwnd(), SHFS_HIDESIPBUTTON);
    MoveWindow(hwnd(), 0, 0, W, H, TRUE);
    if (HWND bar = SHFindMenuBar(hwnd())) {
      MoveWindow(bar, -1, -1, -1, -1, TRUE);
      InvalidateRect(bar, nullptr, TRUE);
      UpdateWindow(bar);
    }
    return true;
  }

  HWND bar = nullptr;
  if (!CreateSoftKeyBar(IDR_STATUS_SOFTKEYS, kStatusSoftKeyFailedText, &bar)) return false;
  RECT r{};
  if (HWND taskBar = FindWindowW(kTaskBarClass, nullptr); taskBar && GetWindowRect(taskBar, &r)) taskBarBottom_ = r.bottom;
  if (bar && GetWindowRect(bar, &r)) workHeight_ = r.top - taskBarBottom_ - 1;
  SHDoneButton(hwnd(), SHDB_SHOW);
  SetForegroundWindow(hwnd());
  SHFullScreen(hwnd(), SHFS_SHOWTASKBAR);
  ShowTaskbar(true);
  return true;
}

void LauncherDialog::CreateBatteryGauge() {
  batteryGauge_ = std::make_unique<BatteryGauge>();
  ControlRects place = ReadControlRects(hwnd(), {IDC_GAUGE_PLACE});
  const Rect at = place[IDC_GAUGE_PLACE];
  RECT r{at.x, at.y, at.right(), at.bottom()};
  batteryGauge_->Create(hwnd(), r, kGaugeStyle, IDC_BATTERY_GAUGE);
  batteryGauge_->SetOrientation(kGaugeNubRight);
  batteryGauge_->SetFillColour(kGaugeFill);
  batteryGauge_->SetOutlineColour(0);
}

void LauncherDialog::LoadTopLogo() {
  // Bound with or without a picture: its band is then painted in the window colour.
  logo_.Attach(Item(IDC_LOGO));
  if (model_.topLogoPath.empty()) return;
  logoBitmap_.reset(SHLoadDIBitmap(model_.topLogoPath.c_str()));
  if (!logoBitmap_) {
    logoWidth_ = logoHeight_ = 0;
    return;
  }
  SendDlgItemMessageW(hwnd(), IDC_LOGO, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(logoBitmap_.get()));
  BITMAP info{};
  if (GetObjectW(logoBitmap_.get(), sizeof info, &info) == sizeof info) {
    logoWidth_ = std::min<int>(info.bmWidth, kLogoMaxWidth);
    logoHeight_ = std::min<int>(info.bmHeight, kLogoMaxHeight);
  } else {
    logoWidth_ = kLogoMaxWidth;
    logoHeight_ = kLogoMaxHeight;
  }
}

// Ends only through Exit and the password; a status page that cannot be shown at all leaves
// the dialog up with an empty list rather than retrying for ever.
bool LauncherDialog::RunRestrictedMode() {
  while (!model_.whitelist.monitorRunning()) {
    modalChildUp_ = true;
    KillTimer(hwnd(), kRefreshTimer);
    RefreshStatus();
    StatusDialog page(model_, *this);
    INT_PTR result = page.DoModal(hwnd());
    modalChildUp_ = false;
    if (result == kExitResult) {
      EndDialog(kExitResult);
      return true;
    }
    SetTimer(hwnd(), kRefreshTimer, kRefreshMs, nullptr);
    if (result == -1) return false;
  }
  return false;
}

void LauncherDialog::FillProgramList() {
  HWND list = Item(IDC_PROGRAM_LIST);
  LVCOLUMNW column{};
  column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT;
  column.fmt = LVCFMT_LEFT;
  column.cx = 200;
  column.pszText = const_cast<wchar_t*>(kItemNameColumn);
  ListView_InsertColumn(list, 0, &column);

  for (int i = 0; i < listItemCount_; ++i) {
    const ButtonSlot& button = model_.buttons[i];
    const std::wstring& iconSource = IconSourceOf(button);
    LVITEMW item{};
    item.mask = LVIF_TEXT | LVIF_IMAGE;
    item.iItem = i;
    item.pszText = const_cast<wchar_t*>(button.caption.c_str());
    item.iImage = preparedIcons_ ? preparedIcons_->IndexOf(static_cast<size_t>(i), iconSource) : LookUpIconIndex(iconSource);
    ListView_InsertItem(list, &item);
  }

  HIMAGELIST system = preparedIcons_ ? preparedIcons_->SystemImageList() : LookUpSystemImageList();
  if (system) {
    imageList_.reset(ImageList_Duplicate(system));
    ListView_SetImageList(list, imageList_.get(), LVSIL_NORMAL);
  }
}

LRESULT LauncherDialog::OnTimer(UINT, WPARAM wParam, LPARAM, bool& handled) {
  handled = false;
  if (wParam == kAutoStartTimer) {
    KillTimer(hwnd(), kAutoStartTimer);
    AutoStart();
  } else if (wParam == kActivationTimer) {
    KillTimer(hwnd(), kActivationTimer);
    // A page or password dialog opened meanwhile holds the screen; the dialog claims it again
    // when it is activated on their return. So does a window another process brought up in
    // that second: the program the operator has just started must not go behind the list.
    if (!modalChildUp_ && !ScreenTakenByAnotherProcess()) ClaimScreen();
  } else if (wParam == kIgnoreTouchTimer) {
    KillTimer(hwnd(), kIgnoreTouchTimer);
    KernelHandle event(CreateEventW(nullptr, TRUE, FALSE, kIgnoreTouchEvent));
    if (event) SetEvent(event.get());
  } else {
    RefreshStatus();
  }
  return 0;
}

void LauncherDialog::RefreshStatus() {
  RefreshNetworkStatus();
  RefreshBatteryGauge();
  RefreshDeviceStatus();
}

void LauncherDialog::AutoStart() {
  if (AutoStartAllowed(model_.buttons[0].exePath, model_.autoStart != 0, model_.buttons[0].needsSignal, networkUp_)) {
    AwaitMonitorHook();
    LaunchButton(model_, hwnd(), 0, listItemCount_);
  }
}

void LauncherDialog::AwaitMonitorHook() {
  // The dialog can answer a tap before the monitor, started beside it, has its hook in place.
  model_.whitelist.WaitForMonitorHook(kMonitorHookWaitMs);
}

void LauncherDialog::GatedLaunch(int index) {
  if (index < 0 || index >= kButtonSlots) return;
  if (LaunchAllowed(index, listItemCount_, model_.buttons[index].needsSignal, networkUp_)) {
    AwaitMonitorHook();
    LaunchButton(model_, hwnd(), index, listItemCount_);
  }
}

LRESULT LauncherDialog::OnListClick(NMHDR* header) {
  GatedLaunch(reinterpret_cast<NMITEMACTIVATE*>(header)->iItem);
  return 0;
}

LRESULT LauncherDialog::OnListReturn(NMHDR* header) {
  int selected = ListView_GetNextItem(header->hwndFrom, -1, LVNI_SELECTED);
  if (selected >= 0) GatedLaunch(selected);
  return 0;
}

void LauncherDialog::OnSpeaker() {
  if (GetModelId() != kModelWithSpeaker || !model_.fullScreen) return;
  std::wstring folder;
  if (!GetLauncherFolder(folder)) folder.clear();
  OpenRequest request = VolumeProgramRequest(folder);
  AwaitMonitorHook();
  ShellOpen(request.folder, request.file);
}

void LauncherDialog::ShowStatusDialog() {
  modalChildUp_ = true;
  KillTimer(hwnd(), kRefreshTimer);
  // Windowed, the first refresh comes with the first timer tick; the page must not show zeros.
  RefreshStatus();
  StatusDialog page(model_, *this);
  INT_PTR result = page.DoModal(hwnd());
  RefreshBatteryGauge();
  modalChildUp_ = false;
  if (result == kExitResult) EndDialog(kExitResult);
  else SetTimer(hwnd(), kRefreshTimer, kRefreshMs, nullptr);
}

void LauncherDialog::PromptExitPassword() {
  modalChildUp_ = true;
  ExitPasswordDialog password(model_, leave_);
  if (password.DoModal(hwnd()) == kExitResult) EndDialog(kExitResult);
}

void LauncherDialog::RefreshNetworkStatus() {
  if (!radio_.IsLoaded()) return;
  auto showMeterIfHidden = [this] {
    HWND meter = signalMeter_.hwnd();
    if (meter && !IsWindowVisible(meter) && model_.fullScreen) ShowWindow(meter, SW_SHOW);
  };
  DWORD association = 1;
  LONG rssi = 0;
  if (IsWiredLinkUp()) {
    signalMeter_.SetMode(MeterMode::LinkUpPicture);
    signalMeter_.SetBackgroundColour(GetSysColor(COLOR_BTNFACE));
    showMeterIfHidden();
  } else if (radio_.GetAssociationStatus(&association) == 0 && association == 0 && radio_.GetRSSI(&rssi) == 0) {
    signalMeter_.SetMode(MeterMode::BarsAndText);
    signalMeter_.SetBackgroundColour(0);
    signalMeter_.SetValue(rssi);
    wchar_t text[16] = {};
    swprintf(text, 16, kRssiFormat, static_cast<int>(rssi));
    signalMeter_.SetText(text);
  } else {
    signalMeter_.SetMode(MeterMode::NoLinkPicture);
    signalMeter_.SetBackgroundColour(GetSysColor(COLOR_BTNFACE));
    showMeterIfHidden();
  }
  wchar_t address[128] = {};
  radio_.GetRadioIpAddress(address);
  status_.ipAddressText.assign(address, wcsnlen(address, 128));
  networkUp_ = NetworkUpFrom(signalMeter_.mode(), status_.ipAddressText);
}

void LauncherDialog::RefreshDeviceStatus() {
  ReadPowerStatusEx2(status_.powerStatus);
  if (!radio_.IsLoaded()) return;
  wchar_t mac[128] = {};
  radio_.GetMac(mac);
  status_.macAddressText.assign(mac, wcsnlen(mac, 128));
  wchar_t authentication[32] = {};
  if (GetAuthenticationText(authentication, sizeof authentication) == 1)
    status_.authenticationText.assign(authentication, wcsnlen(authentication, 32));
  else
    status_.authenticationText = kUnknownText;
}

void LauncherDialog::RefreshBatteryGauge() {
  batteryPercent_ = ReadBatteryPercent();
  if (batteryGauge_) batteryGauge_->SetLevel(batteryPercent_);
}

void LauncherDialog::HideMenuBar() {
  if (HWND bar = SHFindMenuBar(hwnd())) MoveWindow(bar, -1, -1, -1, -1, TRUE);
}

LRESULT LauncherDialog::OnActivate(UINT, WPARAM wParam, LPARAM, bool& handled) {
  handled = false;
  Trace(kActivateTrace);
  const WORD state = LOWORD(wParam);
  if (state != WA_ACTIVE && state != WA_CLICKACTIVE) {
    Trace(kNotActiveTrace);
    if (!modalChildUp_) ShowTaskbar(true);
    return 0;
  }
  modalChildUp_ = false;
  ShowTaskbar(!model_.fullScreen);
  Trace(kActiveTrace);
  Trace(kSettingSipTrace);
  SipShowIM(0);
  if (GetForegroundWindow() != hwnd()) return 0;
  // Lets the window that just gave up the screen finish going before the dialog claims it.
  // A timer, not a sleep: the dialog paints and answers input meanwhile instead of standing
  // frozen for a second at every start.
  SetTimer(hwnd(), kActivationTimer, kActivationDelayMs, nullptr);
  return 0;
}

bool LauncherDialog::ScreenTakenByAnotherProcess() const {
  DWORD owner = 0;
  if (HWND front = GetForegroundWindow()) GetWindowThreadProcessId(front, &owner);
  return owner != 0 && owner != GetCurrentProcessId();
}

void LauncherDialog::ClaimScreen() {
  ShowWindow(hwnd(), SW_SHOW);
  SetForegroundWindow(hwnd());
  if (model_.fullScreen) {
    TakeScreen();
    HideMenuBar();
  } else {
    GiveScreenBack();
    ShowTaskbar(true);
  }
}

LRESULT LauncherDialog::OnSettingChange(UINT, WPARAM wParam, LPARAM, bool& handled) {
  handled = false;
  if (GetForegroundWindow() == hwnd()) {
    if (model_.fullScreen) {
      TakeScreen();
      ShowTaskbar(false);
      MoveToScreen();
      HideMenuBar();
    } else {
      GiveScreenBack();
      ShowTaskbar(true);
    }
  }
  if (wParam == kScreenSizeChange) LayoutControls();
  return 0;
}

void LauncherDialog::LayoutControls() {
  MainLayoutInput in;
  in.screenWidth = GetSystemMetrics(SM_CXSCREEN);
  in.screenHeight = GetSystemMetrics(SM_CYSCREEN);
  in.fullScreen = model_.fullScreen != 0;
  in.logoHeight = logoHeight_;
  in.itemCount = listItemCount_;
  in.workHeight = workHeight_;
  in.modelId = GetModelId();
  in.gaugeExists = batteryGauge_ && batteryGauge_->hwnd();
  in.meter = ReadControlRects(hwnd(), {IDC_SIGNAL_METER})[IDC_SIGNAL_METER];
  HFONT font = IsLargeScreen(in.screenWidth, in.screenHeight) ? CreateLargeFont() : nullptr;
  ApplyLayout(hwnd(), MainDialogLayout(in), font);
  if (font) bigFont_.reset(font);
}

void LauncherDialog::DestroyBatteryGauge() {
  if (batteryGauge_ && batteryGauge_->Destroy()) batteryGauge_.reset();
}

LRESULT LauncherDialog::OnDestroy(UINT, WPARAM, LPARAM, bool& handled) {
  handled = false;
  ListView_SetImageList(Item(IDC_PROGRAM_LIST), nullptr, LVSIL_NORMAL);
  imageList_.reset();
  model_.whitelist.WithdrawWhitelist();
  DestroyBatteryGauge();
  bigFont_.reset();
  radio_.Unload();
  signalMeter_.Detach();
  logo_.Detach();
  return 0;
}

}  // namespace qzr
