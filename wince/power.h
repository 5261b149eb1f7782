// The device's power status records and GetSystemPowerStatusEx2, answered from the device profile.
#pragma once

#include <windows.h>
#include <stddef.h>

#ifdef __cplusplus
extern "C" {
#endif

#ifndef BATTERY_PERCENTAGE_UNKNOWN
#define BATTERY_PERCENTAGE_UNKNOWN 0xFF
#endif

// CE's SYSTEM_POWER_STATUS_EX (24 bytes).
typedef struct _SYSTEM_POWER_STATUS_EX {
  BYTE ACLineStatus;
  BYTE BatteryFlag;
  BYTE BatteryLifePercent;
  BYTE Reserved1;
  DWORD BatteryLifeTime;
  DWORD BatteryFullLifeTime;
  BYTE Reserved2;
  BYTE BackupBatteryFlag;
  BYTE BackupBatteryLifePercent;
  BYTE Reserved3;
  DWORD BackupBatteryLifeTime;
  DWORD BackupBatteryFullLifeTime;
} SYSTEM_POWER_STATUS_EX, *PSYSTEM_POWER_STATUS_EX;

// CE's SYSTEM_POWER_STATUS_EX2 (56 bytes); BatteryLifePercent is its third byte.
typedef struct _SYSTEM_POWER_STATUS_EX2 {
  BYTE ACLineStatus;
  BYTE BatteryFlag;
  BYTE BatteryLifePercent;
  BYTE Reserved1;
  DWORD BatteryLifeTime;
  DWORD BatteryFullLifeTime;
  BYTE Reserved2;
  BYTE BackupBatteryFlag;
  BYTE BackupBatteryLifePercent;
  BYTE Reserved3;
  DWORD BackupBatteryLifeTime;
  DWORD BackupBatteryFullLifeTime;
  DWORD BatteryVoltage;
  DWORD BatteryCurrent;
  DWORD BatteryAverageCurrent;
  DWORD BatteryAverageInterval;
  DWORD BatterymAHourConsumed;
  DWORD BatteryTemperature;
  DWORD BackupBatteryVoltage;
  BYTE BatteryChemistry;
} SYSTEM_POWER_STATUS_EX2, *PSYSTEM_POWER_STATUS_EX2;

// Copies at most `length` bytes of the record; returns the number copied, 0 on failure (no
// battery facts on the device).
DWORD WINAPI GetSystemPowerStatusEx2(PSYSTEM_POWER_STATUS_EX2 status, DWORD length, BOOL update);

#ifdef __cplusplus
}

static_assert(sizeof(SYSTEM_POWER_STATUS_EX) == 24, "CE record layout");
static_assert(sizeof(SYSTEM_POWER_STATUS_EX2) == 56, "CE record layout");
static_assert(offsetof(SYSTEM_POWER_STATUS_EX2, BatteryLifePercent) == 2, "CE record layout");

namespace wince {
// Fills the battery part of the record from a percentage 0..255 (255: unknown), as the device's
// battery driver reports it. Both records share this leading layout.
void FillBatteryStatus(int percent, SYSTEM_POWER_STATUS_EX2* status);
// The profile's "BatteryPercent" as a number 0..255; false when missing or not a number.
bool ReadBatteryPercent(int* percent);
}  // namespace wince
#endif
