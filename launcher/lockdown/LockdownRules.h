// The rules of device lockdown as plain functions over numbers, strings and byte spans: which
// hot keys to claim, how application keys are bound, how keypad records change, what the task
// bar filter does with a message and how the Today soft keys come back.
#pragma once

#include <windows.h>

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace qzr::eventlog {
struct Line;
}

namespace qzr::lockdown {

// ---- Hot keys -------------------------------------------------------------------------------

// The "Lockable Keys" flags that the rules read; 0 means the keys are locked.
struct KeyLockFlags {
  int EnableTaskManagerKeys = 0;
  int EnablePhoneKeys = 0;
  int EnableVolumeKeys = 0;
  int EnableDeviceLockKeys = 0;
  int EnableWindowsKey = 0;
  int EnableOrangePlaneVolumeUp = 0;
};

struct HotKeyRow {
  int id;
  UINT modifiers;
  UINT virtualKey;
};

// The hot keys to claim, in table order.
std::vector<HotKeyRow> HotKeysToLock(int platformType, const KeyLockFlags& flags);

// ---- Application keys -----------------------------------------------------------------------

inline constexpr int kApplicationKeyCount = 6;
inline constexpr wchar_t kUnlockedValue[] = L"UNLOCKED";

enum class AppKeyAction {
  BindLauncher,    // slot not configured: the button starts the launcher
  LeaveAlone,      // "UNLOCKED": the button keeps what the system gave it
  BindConfigured,  // the slot's own program and shortcut
};
AppKeyAction ApplicationKeyAction(bool configured, std::wstring_view programPath);

// "40C1" .. "40C6".
std::wstring ApplicationKeyName(int slot);
// The text in double quotes unless it already begins with one.
std::wstring QuotedPath(const std::wstring& text);

// REG_SZ data of exactly 256 bytes: the text (at most 127 characters), its null, zeros after.
inline constexpr size_t kShellKeyValueBytes = 256;
std::vector<BYTE> FixedShellKeyText(std::wstring_view text);

// ---- Keypad tables --------------------------------------------------------------------------

// The six members of ApplyKeyboardRemaps, in the order they run.
enum class RemapMember { PatchVkeyGold, ClearVolumeVkeys, Models236, Model4, Model5, ModelRules };
bool RemapMemberRuns(RemapMember member, int platformType, int modelId);

// "VkeyGold": entries 82, 97, 98 and 113 set; a value shorter than 114 entries is left as it
// is. Returns whether anything changed.
bool PatchVkeyGoldEntries(std::span<uint8_t> vkeyGold);

// "Vkey"/"Vflags" entries 2..5 that carry a volume or shell key are cleared. Only entries that
// the values really hold are looked at. Returns whether anything changed.
bool ClearVolumeEntries(std::span<uint8_t> vkey, std::span<uint8_t> vflags);

inline constexpr size_t kRecordBytes = 6;
using Record = std::array<uint8_t, kRecordBytes>;

// Every whole record with b0 = 7 and b1 = key gets b2..b5 from tail; bytes after the last whole
// record are left alone. Returns the number of records changed.
int RemapRecordsForKey(std::span<uint8_t> plane, uint8_t key, const std::array<uint8_t, 4>& tail);
// Every whole record equal to pattern becomes replacement. Returns the number replaced.
int ReplaceRecords(std::span<uint8_t> plane, const Record& pattern, const Record& replacement);

inline constexpr std::array<uint8_t, 4> kShellKeyTail = {0x00, 0x02, 0x10, 0xC1};

// One plane rule: the plane's name, or empty for all three planes in turn.
struct PlaneRule {
  std::wstring plane;
  Record pattern;
  Record replacement;
};

// Member 3's and 4's choice of plane and key by layout id.
struct KeyedPlaneRule {
  std::vector<std::wstring> planes;
  uint8_t key;
};
KeyedPlaneRule Models236Rule(std::wstring_view layoutId);
KeyedPlaneRule Model4Rule(std::wstring_view layoutId);
// Member 5's whole-record table.
std::vector<PlaneRule> Model5Rules();
// Member 6's rules for a model, those whose flag is set left out.
std::vector<PlaneRule> ModelRemapRules(int modelId, const KeyLockFlags& flags);

inline constexpr const wchar_t* kShiftPlanes[] = {L"ShiftPlane0", L"ShiftPlane1", L"ShiftPlane2"};

// ---- Task bar -------------------------------------------------------------------------------

inline constexpr int kDefaultTapThreshold = 215;

struct TapLimits {
  int tapThreshold = kDefaultTapThreshold;
  int volumeAllowance = 0;
};
// From the task bar's window rectangle (null when it could not be read).
TapLimits ComputeTapLimits(int platformType, int modelId, int releaseCode, const RECT* taskBar);
// What the filter allows for the volume area: the allowance only when the volume keys are free.
int EffectiveVolumeAllowance(int volumeAllowance, int enableVolumeKeys);

// What the filter knows; handles as numbers so that the rule runs without windows.
struct FilterSettings {
  int platformType = 0;
  int modelId = 0;
  int tapThreshold = kDefaultTapThreshold;
  int volumeAllowance = 0;  // effective
  int enableWindowsKey = 0;
  uint64_t desktopWindow = 0;
  uint64_t mainWindow = 0;
};

struct FilterState {
  uint8_t gatekeeper = 0;
};

enum class FilterVerdict { Pass, Swallow, PassWithLParam };
// The maintenance key sequence's event-log lines.
enum class MaintenanceLine { None, GatekeeperTrue, WorkTheMagic, GatekeeperFalse };

struct FilterDecision {
  FilterVerdict verdict = FilterVerdict::Pass;
  LPARAM lParam = 0;  // for PassWithLParam
  MaintenanceLine line = MaintenanceLine::None;
};

// One message at the task bar; updates the gatekeeper.
FilterDecision DecideTaskbarMessage(const FilterSettings& settings, FilterState& state, UINT message, WPARAM wParam,
                                    LPARAM lParam);

// The event-log line for a step of the maintenance sequence; null for None.
const eventlog::Line* MaintenanceLineFor(MaintenanceLine line);

// ---- Today soft keys ------------------------------------------------------------------------

// A registry value as it was: type and bytes, or absent.
struct SavedValue {
  bool present = false;
  DWORD type = REG_SZ;
  std::vector<BYTE> data;
};

// The text that SetRegString writes back for a saved string value, or nothing when the value
// is to be put back with its own type and bytes (or removed, when it was absent).
std::optional<std::wstring> SavedValueAsText(const SavedValue& value);

struct TodayKeyFlags {
  bool created = false;
  bool written = false;
};
enum class TodayKeyRestore { Nothing, DeleteKey, WriteBackSaved };
TodayKeyRestore TodayKeyRestoreAction(bool todayKeysExisted, const TodayKeyFlags& key);

// SetRegString's data: the text, its null and one further null, (length + 2) x 2 bytes.
std::vector<BYTE> RegStringData(std::wstring_view text);

}  // namespace qzr::lockdown
