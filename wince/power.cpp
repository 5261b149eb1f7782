// Power status of the simulated device: the battery level comes from the device profile.
#define WINCE_NO_REDIRECT
#include "power.h"

#include <cwchar>
#include <cwctype>
#include <cstring>

#include "DeviceProfile.h"

namespace wince {

bool ReadBatteryPercent(int* percent) {
  auto text = ReadProfileString(profile::kBatteryPercent);
  if (!text || text->empty() || text->size() > 3) return false;
  int value = 0;
  for (wchar_t c : *text) {
    if (!iswdigit(c)) return false;
    value = value * 10 + (c - L'0');
  }
  if (value > 255) return false;
  *percent = value;
  return true;
}

void FillBatteryStatus(int percent, SYSTEM_POWER_STATUS_EX2* status) {
  memset(status, 0, sizeof *status);
  status->ACLineStatus = 0;  // on battery
  status->BatteryLifePercent = static_cast<BYTE>(percent);
  // The device's battery flags: high, low, critical, unknown; none between a third and two thirds.
  if (percent > 100) status->BatteryFlag = 0xFF;
  else if (percent >= 67) status->BatteryFlag = 0x01;
  else if (percent >= 33) status->BatteryFlag = 0x00;
  else if (percent >= 5) status->BatteryFlag = 0x02;
  else status->BatteryFlag = 0x04;
  status->BatteryLifeTime = 0xFFFFFFFF;
  status->BatteryFullLifeTime = 0xFFFFFFFF;
  status->BackupBatteryFlag = 0xFF;
  status->BackupBatteryLifePercent = BATTERY_PERCENTAGE_UNKNOWN;
  status->BackupBatteryLifeTime = 0xFFFFFFFF;
  status->BackupBatteryFullLifeTime = 0xFFFFFFFF;
  status->BatteryChemistry = 0x05;  // lithium ion
}

}  // namespace wince

extern "C" DWORD WINAPI GetSystemPowerStatusEx2(PSYSTEM_POWER_STATUS_EX2 status, DWORD length, BOOL update) {
  (void)update;  // the profile is always current
  int percent = 0;
  if (!status || length == 0 || !wince::ReadBatteryPercent(&percent)) {
    SetLastError(ERROR_NOT_SUPPORTED);
    return 0;
  }
  SYSTEM_POWER_STATUS_EX2 full;
  wince::FillBatteryStatus(percent, &full);
  // Callers built against older, shorter records pass their own length; never write past it.
  DWORD n = length < sizeof full ? length : static_cast<DWORD>(sizeof full);
  memcpy(status, &full, n);
  return n;
}
