// Keypad tables: the entries of the active configuration and the active layout's shift planes
// that the lock flags take away, rewritten in place; the keypad driver reloads them when told.
#include "core/LauncherConfig.h"
#include "device/DeviceIdentity.h"
#include "lockdown/Lockdown.h"
#include "lockdown/LockdownRules.h"
#include "Win32Owners.h"
#include "wince.h"

namespace qzr {
namespace {

namespace ld = lockdown;

constexpr wchar_t kKeybdKey[] = L"\\HARDWARE\\DEVICEMAP\\KEYBD";
constexpr size_t kActiveConfigBytes = 64;
constexpr size_t kLayoutIdBytes = 512;
constexpr size_t kLayoutKeyBytes = 2048;

ld::KeyLockFlags FlagsOf(const LauncherConfig& c) {
  ld::KeyLockFlags f;
  f.EnableWindowsKey = c.EnableWindowsKey;
  f.EnableOrangePlaneVolumeUp = c.EnableOrangePlaneVolumeUp;
  return f;
}

bool Runs(ld::RemapMember member) { return ld::RemapMemberRuns(member, GetPlatformType(), GetModelId()); }

// The driver holds the event; the launcher only sets it.
void SignalKeypadDriver(const wchar_t* name) {
  KernelHandle event(CreateEventW(nullptr, TRUE, TRUE, name));
  if (event) EventModify(event.get(), EVENT_SET);
}

// A string value that fits the buffer the device reads it into; longer ones do not read.
std::optional<std::wstring> ReadBoundedString(const RegKey& key, const wchar_t* name, size_t maxBytes) {
  DWORD type = 0, size = 0;
  if (!key || RegQueryValueExW(key.get(), name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS || size > maxBytes)
    return std::nullopt;
  return key.ReadString(name);
}

struct Value {
  DWORD type = REG_BINARY;
  std::vector<BYTE> data;
};
std::optional<Value> ReadWhole(const RegKey& key, const wchar_t* name) {
  Value v;
  auto data = key.ReadBinary(name, &v.type);
  if (!data) return std::nullopt;
  v.data = std::move(*data);
  return v;
}
bool WriteBack(RegKey& key, const wchar_t* name, const Value& v) {
  return key.WriteBinary(name, v.data.data(), static_cast<DWORD>(v.data.size()), v.type);
}

// The active keypad configuration's key, open for reading and writing.
bool OpenActiveConfig(RegKey& config) {
  RegKey keybd;
  if (!keybd.Open(HKEY_LOCAL_MACHINE, kKeybdKey)) return false;
  auto name = ReadBoundedString(keybd, L"ActiveConfig", kActiveConfigBytes);
  return name && config.Open(HKEY_LOCAL_MACHINE, std::wstring(kKeybdKey) + L"\\" + *name, KEY_READ | KEY_WRITE);
}

struct ActiveLayout {
  std::wstring id;
  std::wstring keyPath;
};
std::optional<ActiveLayout> ReadActiveLayout() {
  RegKey keybd;
  if (!keybd.Open(HKEY_LOCAL_MACHINE, kKeybdKey)) return std::nullopt;
  auto id = ReadBoundedString(keybd, L"CurrentActiveLayoutId", kLayoutIdBytes);
  if (!id) return std::nullopt;
  auto path = ReadBoundedString(keybd, L"CurrentActiveLayoutKey", kLayoutKeyBytes);
  if (!path) return std::nullopt;
  return ActiveLayout{*id, *path};
}

// Reads a plane whole, edits it and writes it back as REG_BINARY, changed or not. True when the
// write succeeded.
template <typename Edit>
bool RewritePlane(const std::wstring& layoutKey, const wchar_t* plane, Edit edit) {
  RegKey key;
  if (!key.Open(HKEY_LOCAL_MACHINE, layoutKey, KEY_READ | KEY_WRITE)) return false;
  auto data = key.ReadBinary(plane);
  if (!data) return false;
  edit(std::span<uint8_t>(data->data(), data->size()));
  return key.WriteBinary(plane, data->data(), static_cast<DWORD>(data->size()));
}

void RemapKeyedPlanes(const ld::KeyedPlaneRule& rule, const std::wstring& layoutKey) {
  bool written = false;
  for (const std::wstring& plane : rule.planes)
    written |= RewritePlane(layoutKey, plane.c_str(), [&](std::span<uint8_t> p) { ld::RemapRecordsForKey(p, rule.key, ld::kShellKeyTail); });
  if (written) SignalKeypadDriver(kKeyboardChangeUsbEvent);
}

void ReplaceShiftPlaneRecords(RegKey& layout, const wchar_t* plane, const ld::Record& pattern, const ld::Record& replacement) {
  auto data = layout.ReadBinary(plane);
  if (!data) return;
  const int replaced = ld::ReplaceRecords(std::span<uint8_t>(data->data(), data->size()), pattern, replacement);
  if (replaced == 0) return;
  if (layout.WriteBinary(plane, data->data(), static_cast<DWORD>(data->size()))) SignalKeypadDriver(kKeyboardChangeUsbEvent);
}

bool OpenActiveLayoutKey(RegKey& layout) {
  RegKey keybd;
  if (!keybd.Open(HKEY_LOCAL_MACHINE, kKeybdKey)) return false;
  auto path = ReadBoundedString(keybd, L"CurrentActiveLayoutKey", kLayoutKeyBytes);
  return path && layout.Open(HKEY_LOCAL_MACHINE, *path, KEY_READ | KEY_WRITE);
}

}  // namespace

void ApplyKeyboardRemaps(const LauncherConfig& config) {
  PatchVkeyGold();
  ClearVolumeVkeys();
  RemapLayoutForModels236();
  RemapLayoutForModel4();
  RemapLayoutForModel5();
  RemapLayoutByModelRules(config);
}

void PatchVkeyGold() {
  if (!Runs(ld::RemapMember::PatchVkeyGold)) return;
  RegKey config;
  if (!OpenActiveConfig(config)) return;
  auto gold = ReadWhole(config, L"VkeyGold");
  if (!gold) return;
  ld::PatchVkeyGoldEntries(std::span<uint8_t>(gold->data.data(), gold->data.size()));
  if (WriteBack(config, L"VkeyGold", *gold)) SignalKeypadDriver(kKeyboardChangeEvent);
}

void ClearVolumeVkeys() {
  if (!Runs(ld::RemapMember::ClearVolumeVkeys)) return;
  RegKey config;
  if (!OpenActiveConfig(config)) return;
  auto vkey = ReadWhole(config, L"Vkey");
  auto vflags = ReadWhole(config, L"Vflags");
  if (!vkey || !vflags) return;
  ld::ClearVolumeEntries(std::span<uint8_t>(vkey->data.data(), vkey->data.size()),
                         std::span<uint8_t>(vflags->data.data(), vflags->data.size()));
  const bool vkeyWritten = WriteBack(config, L"Vkey", *vkey);
  const bool vflagsWritten = WriteBack(config, L"Vflags", *vflags);
  if (vkeyWritten && vflagsWritten) SignalKeypadDriver(kKeyboardChangeEvent);
}

void RemapLayoutForModels236() {
  if (!Runs(ld::RemapMember::Models236)) return;
  if (auto layout = ReadActiveLayout()) RemapKeyedPlanes(ld::Models236Rule(layout->id), layout->keyPath);
}

void RemapLayoutForModel4() {
  if (!Runs(ld::RemapMember::Model4)) return;
  if (auto layout = ReadActiveLayout()) RemapKeyedPlanes(ld::Model4Rule(layout->id), layout->keyPath);
}

void RemapLayoutForModel5() {
  if (!Runs(ld::RemapMember::Model5)) return;
  auto layout = ReadActiveLayout();
  if (!layout) return;
  const std::vector<ld::PlaneRule> rules = ld::Model5Rules();
  bool written = false;
  for (const wchar_t* plane : ld::kShiftPlanes) {
    written |= RewritePlane(layout->keyPath, plane, [&](std::span<uint8_t> p) {
      for (const ld::PlaneRule& rule : rules) ld::ReplaceRecords(p, rule.pattern, rule.replacement);
    });
  }
  if (written) SignalKeypadDriver(kKeyboardChangeUsbEvent);
}

void RemapLayoutByModelRules(const LauncherConfig& config) {
  if (!Runs(ld::RemapMember::ModelRules)) return;
  RegKey layout;
  if (!OpenActiveLayoutKey(layout)) return;
  for (const ld::PlaneRule& rule : ld::ModelRemapRules(GetModelId(), FlagsOf(config))) {
    if (!rule.plane.empty()) {
      ReplaceShiftPlaneRecords(layout, rule.plane.c_str(), rule.pattern, rule.replacement);
      continue;
    }
    for (const wchar_t* plane : ld::kShiftPlanes) ReplaceShiftPlaneRecords(layout, plane, rule.pattern, rule.replacement);
  }
}

}  // namespace qzr
