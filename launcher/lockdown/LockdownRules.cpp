// The rules of device lockdown, apart from Win32: tables, record edits and the filter decision.
#include "lockdown/LockdownRules.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <cwctype>

#include "EventLogLines.h"
#include "Text.h"
#include "device/DeviceIdentity.h"

namespace qzr::lockdown {
namespace {

constexpr UINT kModWin = 8, kModAlt = 1, kModAltControl = 3;


uint16_t Entry(std::span<const uint8_t> bytes, size_t index) {
  return static_cast<uint16_t>(bytes[index * 2] | (bytes[index * 2 + 1] << 8));
}
void SetEntry(std::span<uint8_t> bytes, size_t index, uint16_t value) {
  bytes[index * 2] = static_cast<uint8_t>(value & 0xFF);
  bytes[index * 2 + 1] = static_cast<uint8_t>(value >> 8);
}

bool IsTap(UINT message) { return message == WM_LBUTTONDOWN || message == WM_LBUTTONUP; }

}  // namespace

std::vector<HotKeyRow> HotKeysToLock(int platformType, const KeyLockFlags& flags) {
  std::vector<HotKeyRow> rows;
  const bool pocketPc = platformType == platform::kPocketPc;
  if (pocketPc) rows.push_back({0xA000, kModWin, VK_F6});
  if (pocketPc && flags.EnablePhoneKeys == 0) {
    rows.push_back({0xA002, 0, VK_F3});
    rows.push_back({0xA003, 0, VK_F4});
  }
  if (pocketPc && flags.EnableVolumeKeys == 0) {
    rows.push_back({0xA004, 0, VK_F6});
    rows.push_back({0xA005, 0, VK_F7});
  }
  if (pocketPc && flags.EnableDeviceLockKeys == 0) rows.push_back({0xA006, 0, VK_F22});
  if (pocketPc) rows.push_back({0xA007, 0, VK_ESCAPE});
  if (flags.EnableTaskManagerKeys == 0) {
    rows.push_back({0xA050, kModAlt, VK_TAB});
    rows.push_back({0xA051, kModAltControl, VK_DELETE});
  }
  return rows;
}

AppKeyAction ApplicationKeyAction(bool configured, std::wstring_view programPath) {
  if (!configured) return AppKeyAction::BindLauncher;
  if (EqualsNoCase(programPath, kUnlockedValue)) return AppKeyAction::LeaveAlone;
  return AppKeyAction::BindConfigured;
}

std::wstring ApplicationKeyName(int slot) { return L"40C" + std::to_wstring(slot); }

std::wstring QuotedPath(const std::wstring& text) {
  if (!text.empty() && text.front() == L'"') return text;
  return L"\"" + text + L"\"";
}

std::vector<BYTE> FixedShellKeyText(std::wstring_view text) {
  // Only the text itself is copied: a short text is followed by zeros, never by whatever
  // happened to lie behind it in memory.
  std::vector<BYTE> data(kShellKeyValueBytes, 0);
  const size_t chars = std::min(text.size(), kShellKeyValueBytes / sizeof(wchar_t) - 1);
  for (size_t i = 0; i < chars; ++i) {
    data[i * 2] = static_cast<BYTE>(text[i] & 0xFF);
    data[i * 2 + 1] = static_cast<BYTE>((text[i] >> 8) & 0xFF);
  }
  return data;
}

bool RemapMemberRuns(RemapMember member, int platformType, int modelId) {
  const bool pocketPc = platformType == platform::kPocketPc;
  switch (member) {
    case RemapMember::PatchVkeyGold:
      return pocketPc && modelId == model::kVP48;
    case RemapMember::ClearVolumeVkeys:
      return (pocketPc && (modelId == model::kVM5 || modelId == model::kVP57 || modelId == model::kVR42 ||
                           modelId == model::kVM6)) ||
             (platformType == platform::kEmbedded && modelId == model::kVP57);
    case RemapMember::Models236:
      return pocketPc && (modelId == model::kVM5 || modelId == model::kVP57 || modelId == model::kVM6);
    case RemapMember::Model4:
      return pocketPc && modelId == model::kVR42;
    case RemapMember::Model5:
      return pocketPc && modelId == model::kVM4;
    case RemapMember::ModelRules:
      return pocketPc && modelId != model::kNone && modelId != model::kUnlisted;
  }
  return false;
}

bool PatchVkeyGoldEntries(std::span<uint8_t> vkeyGold) {
  constexpr size_t kNeededEntries = 114;
  if (vkeyGold.size() / 2 < kNeededEntries) return false;
  const struct {
    size_t index;
    uint16_t value;
  } patches[] = {{82, 0x07C4}, {97, 0x07C2}, {98, 0x07C1}, {113, 0x07C3}};
  bool changed = false;
  for (const auto& p : patches) {
    if (Entry(vkeyGold, p.index) == p.value) continue;
    SetEntry(vkeyGold, p.index, p.value);
    changed = true;
  }
  return changed;
}

bool ClearVolumeEntries(std::span<uint8_t> vkey, std::span<uint8_t> vflags) {
  bool changed = false;
  for (size_t i = 2; i <= 5; ++i) {
    // A value shorter than the table usually is holds fewer entries; those are not there to clear.
    if (vkey.size() / 2 <= i) break;
    const uint16_t entry = Entry(vkey, i);
    if ((entry >> 8) != 0x07 && entry != 0x0075 && entry != 0x0076) continue;
    SetEntry(vkey, i, 0);
    if (i < vflags.size()) vflags[i] = 0;
    changed = true;
  }
  return changed;
}

int RemapRecordsForKey(std::span<uint8_t> plane, uint8_t key, const std::array<uint8_t, 4>& tail) {
  int changed = 0;
  for (size_t at = 0; at + kRecordBytes <= plane.size(); at += kRecordBytes) {
    if (plane[at] != 0x07 || plane[at + 1] != key) continue;
    std::copy(tail.begin(), tail.end(), plane.begin() + static_cast<std::ptrdiff_t>(at + 2));
    ++changed;
  }
  return changed;
}

int ReplaceRecords(std::span<uint8_t> plane, const Record& pattern, const Record& replacement) {
  int replaced = 0;
  for (size_t at = 0; at + kRecordBytes <= plane.size(); at += kRecordBytes) {
    auto record = plane.subspan(at, kRecordBytes);
    if (!std::equal(record.begin(), record.end(), pattern.begin())) continue;
    std::copy(replacement.begin(), replacement.end(), record.begin());
    ++replaced;
  }
  return replaced;
}

KeyedPlaneRule Models236Rule(std::wstring_view layoutId) {
  if (layoutId == L"2749_5318_6") return {{L"ShiftPlane2"}, 0x3E};
  return {{L"ShiftPlane0", L"ShiftPlane1", L"ShiftPlane2"}, 0xE3};
}

KeyedPlaneRule Model4Rule(std::wstring_view layoutId) {
  if (layoutId == L"VR42\\0001" || layoutId == L"VR42\\0002" || layoutId == L"VR42\\0003") return {{L"ShiftPlane2"}, 0x2B};
  return {{L"ShiftPlane1"}, 0x50};
}

std::vector<PlaneRule> Model5Rules() {
  return {
      {L"", {0x07, 0x1E, 0x00, 0x01, 0x00, 0x1F}, {0x07, 0x1E, 0x00, 0x02, 0x10, 0xC1}},
      {L"", {0x07, 0xE3, 0x00, 0x01, 0x00, 0x1F}, {0x07, 0xE3, 0x00, 0x02, 0x10, 0xC1}},
      {L"", {0x07, 0x22, 0x00, 0x08, 0x00, 0x75}, {0x07, 0x22, 0x00, 0x00, 0x00, 0x00}},
      {L"", {0x07, 0x27, 0x00, 0x08, 0x00, 0x76}, {0x07, 0x27, 0x00, 0x00, 0x00, 0x00}},
  };
}

std::vector<PlaneRule> ModelRemapRules(int modelId, const KeyLockFlags& flags) {
  std::vector<PlaneRule> rules;
  if ((modelId == model::kVP21 || modelId == model::kVP33) && flags.EnableWindowsKey == 0) {
    rules.push_back({L"", {0x07, 0x41, 0x00, 0x08, 0x00, 0x5B}, {0x07, 0x41, 0x00, 0x08, 0x00, 0xC1}});
    rules.push_back({L"", {0x07, 0x1A, 0x00, 0x08, 0x00, 0x5B}, {0x07, 0x1A, 0x00, 0x08, 0x00, 0xC1}});
  }
  if (modelId >= model::kPerihelionV3 && modelId <= model::kVX15 && flags.EnableOrangePlaneVolumeUp == 0)
    rules.push_back({L"ShiftPlane1", {0x07, 0x3F, 0x00, 0x02, 0x00, 0x0B}, {0x07, 0x3F, 0x00, 0x0A, 0x10, 0xC2}});
  if (modelId == model::kVP22 && flags.EnableWindowsKey == 0)
    rules.push_back({L"ShiftPlane0", {0x07, 0xE3, 0x00, 0x00, 0x10, 0xCF}, {0x07, 0xE3, 0x00, 0x0A, 0x10, 0xC2}});
  return rules;
}

TapLimits ComputeTapLimits(int platformType, int modelId, int releaseCode, const RECT* taskBar) {
  TapLimits limits;
  if (platformType != platform::kPocketPc || !taskBar) return limits;
  // In 64 bits and held to int: a rectangle far off the screen must not wrap the threshold around.
  const auto clamp = [](int64_t v) {
    return static_cast<int>(std::clamp<int64_t>(v, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
  };
  const int64_t height = int64_t{taskBar->bottom} - taskBar->top;
  limits.tapThreshold = clamp(releaseCode < 6 ? taskBar->right - height : taskBar->right);
  limits.volumeAllowance = modelId == model::kVP21 ? clamp(height - 4) : 0;
  return limits;
}

int EffectiveVolumeAllowance(int volumeAllowance, int enableVolumeKeys) { return enableVolumeKeys ? volumeAllowance : 0; }

FilterDecision DecideTaskbarMessage(const FilterSettings& settings, FilterState& state, UINT message, WPARAM wParam,
                                    LPARAM lParam) {
  FilterDecision decision;
  const auto swallow = [&decision] {
    decision.verdict = FilterVerdict::Swallow;
    return decision;
  };
  const int x = static_cast<short>(LOWORD(lParam));
  const int y = static_cast<short>(HIWORD(lParam));

  if (settings.platformType == platform::kEmbedded) {
    if (IsTap(message)) {
      bool inside = false;
      if (settings.modelId == model::kVP48) inside = x <= 191;
      else if (settings.modelId == model::kVP57) inside = x <= 60 || (x >= 475 && x <= 617);
      else inside = x < 26 && y < 26;
      return inside ? swallow() : decision;
    }
    if (message == WM_USER) {
      // The shell's "activate" request for the desktop brings the launcher forward instead.
      if (wParam == 8 && settings.desktopWindow != 0 && static_cast<uint64_t>(lParam) == settings.desktopWindow) {
        decision.verdict = FilterVerdict::PassWithLParam;
        decision.lParam = static_cast<LPARAM>(settings.mainWindow);
      }
      return decision;
    }
    if (message == WM_KEYDOWN || message == WM_SYSKEYDOWN) return swallow();
    return decision;
  }
  if (settings.platformType != platform::kPocketPc) return decision;

  const bool followsSequence = settings.modelId >= 9 && settings.modelId <= 12;
  if (followsSequence && message == WM_KEYDOWN && wParam == 0xC1) {
    decision.line = MaintenanceLine::GatekeeperTrue;
    state.gatekeeper = 1;
  } else if (followsSequence && message == WM_KEYDOWN && wParam == VK_RETURN && state.gatekeeper == 1) {
    decision.line = MaintenanceLine::WorkTheMagic;
    return swallow();
  } else if (followsSequence && message == WM_KEYUP && wParam == 0xC1) {
    decision.line = MaintenanceLine::GatekeeperFalse;
    state.gatekeeper = 0;
  }

  // The settings come from a shared section any process may write: no overflow whatever they hold.
  if (IsTap(message)) return int64_t{settings.tapThreshold} - settings.volumeAllowance > x ? swallow() : decision;
  if (message == WM_KEYDOWN) {
    const bool shellKey = wParam == VK_LWIN || wParam == VK_RWIN;
    if (wParam == VK_ESCAPE || (shellKey && settings.enableWindowsKey == 0)) return swallow();
    return decision;
  }
  if (message == WM_HOTKEY) return wParam == 4 || wParam == 8 ? swallow() : decision;
  if (message == WM_INITMENUPOPUP || message == WM_ENTERMENULOOP) return swallow();
  return decision;
}

const eventlog::Line* MaintenanceLineFor(MaintenanceLine line) {
  switch (line) {
    case MaintenanceLine::GatekeeperTrue:
      return &eventlog::lines::kGatekeeperTrue;
    case MaintenanceLine::WorkTheMagic:
      return &eventlog::lines::kWorkTheMagic;
    case MaintenanceLine::GatekeeperFalse:
      return &eventlog::lines::kGatekeeperFalse;
    case MaintenanceLine::None:
      break;
  }
  return nullptr;
}

std::optional<std::wstring> SavedValueAsText(const SavedValue& value) {
  if (!value.present || value.type != REG_SZ) return std::nullopt;
  std::wstring text;
  for (size_t at = 0; at + 1 < value.data.size(); at += 2) {
    const wchar_t c = static_cast<wchar_t>(value.data[at] | (value.data[at + 1] << 8));
    if (c == L'\0') break;
    text.push_back(c);
  }
  return text;
}

TodayKeyRestore TodayKeyRestoreAction(bool todayKeysExisted, const TodayKeyFlags& key) {
  if (!todayKeysExisted) return TodayKeyRestore::Nothing;  // the whole Keys key goes instead
  if (key.created) return TodayKeyRestore::DeleteKey;
  if (key.written) return TodayKeyRestore::WriteBackSaved;
  return TodayKeyRestore::Nothing;
}

std::vector<BYTE> RegStringData(std::wstring_view text) {
  // The second null is ours, not whatever followed the caller's text.
  std::vector<BYTE> data((text.size() + 2) * sizeof(wchar_t), 0);
  for (size_t i = 0; i < text.size(); ++i) {
    data[i * 2] = static_cast<BYTE>(text[i] & 0xFF);
    data[i * 2 + 1] = static_cast<BYTE>((text[i] >> 8) & 0xFF);
  }
  return data;
}

}  // namespace qzr::lockdown
