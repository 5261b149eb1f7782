// The handheld's keypads: each model's factory tables and the translation of key presses.
#include "KeypadTables.h"

#include <cwctype>

namespace keypad {

namespace {

constexpr BYTE kDefaultWindowsScan = 0x5B;
constexpr BYTE kDefaultWindowsRightScan = 0x5C;
// Volume keys as plane records (most keypads) or as "Vkey" entries 2 and 3 (the VM and VR ranges).
constexpr BYTE kVolumeUpRecordScan = 0x22;
constexpr BYTE kVolumeDownRecordScan = 0x27;
constexpr BYTE kVolumeUpEntryScan = 2;
constexpr BYTE kVolumeDownEntryScan = 3;
constexpr BYTE kFirstButtonScan = 0xB1;
constexpr size_t kVkeyEntries = 16;
constexpr size_t kVkeyGoldEntries = 128;

using Record = std::array<BYTE, kRecordSize>;

void Add(std::vector<BYTE>* plane, const Record& r) { plane->insert(plane->end(), r.begin(), r.end()); }
void AddToAll(Tables* t, const Record& r) {
  for (auto& plane : t->planes) Add(&plane, r);
}

void SetEntry(std::vector<BYTE>* table, size_t index, uint16_t value) {
  if (table->size() < (index + 1) * 2) table->resize((index + 1) * 2, 0);
  (*table)[index * 2] = static_cast<BYTE>(value & 0xFF);
  (*table)[index * 2 + 1] = static_cast<BYTE>(value >> 8);
}

bool StartsWithNoCase(const std::wstring& text, const std::wstring& prefix) {
  if (text.size() < prefix.size()) return false;
  for (size_t i = 0; i < prefix.size(); ++i)
    if (towlower(text[i]) != towlower(prefix[i])) return false;
  return true;
}

bool EqualsNoCase(const std::wstring& a, const std::wstring& b) { return a.size() == b.size() && StartsWithNoCase(a, b); }

// The model name a device reports: the PAL model text's first word for the VX/VP/VR ranges,
// otherwise the OEM text's model.
std::wstring ModelName(const std::wstring& palModel, const std::wstring& oemInfo) {
  for (const wchar_t* name : {L"VX12", L"VX13", L"VX14", L"VX15", L"VX16", L"VP21", L"VP22", L"VP33", L"VR4A", L"VR4B"})
    if (StartsWithNoCase(palModel, name)) return name;
  if (StartsWithNoCase(palModel, L"PerihelionV3") || oemInfo.find(L"PerihelionV3") != std::wstring::npos) return L"VX13";
  for (const wchar_t* name : {L"VP48", L"VM5", L"VM4", L"VM6", L"VP21", L"VP33", L"VP57", L"VR42"})
    if (EqualsNoCase(oemInfo, std::wstring(L"Korvanex ") + name)) return name;
  return L"generic";
}

}  // namespace

std::optional<PhysicalKey> PhysicalKeyFor(UINT vk, bool ctrlDown) {
  if (vk == VK_LWIN) return PhysicalKey::kWindows;
  if (vk == VK_RWIN) return PhysicalKey::kWindowsRight;
  if (ctrlDown && vk >= VK_F1 && vk < VK_F1 + kAppButtons) return Button(static_cast<int>(vk - VK_F1) + 1);
  if (vk == VK_F6) return PhysicalKey::kVolumeUp;
  if (vk == VK_F7) return PhysicalKey::kVolumeDown;
  return std::nullopt;
}

Keypad KeypadForDevice(const std::wstring& palModel, const std::wstring& oemInfo) {
  Keypad k;
  k.name = ModelName(palModel, oemInfo);
  const std::wstring& n = k.name;
  Tables& t = k.tables;
  t.activeConfig = L"Keypad_" + n;
  t.layoutId = L"00000409";
  k.windowsScan = kDefaultWindowsScan;
  k.windowsRightScan = kDefaultWindowsRightScan;
  bool volumeInVkey = n == L"VM5" || n == L"VP57" || n == L"VM6" || n == L"VR42";
  k.volumeUpScan = volumeInVkey ? kVolumeUpEntryScan : kVolumeUpRecordScan;
  k.volumeDownScan = volumeInVkey ? kVolumeDownEntryScan : kVolumeDownRecordScan;
  for (int i = 0; i < kAppButtons; ++i) k.buttonScans[i] = static_cast<BYTE>(kFirstButtonScan + i);

  // Where each range has its Windows key, and the layouts its keypads report.
  if (n == L"VM5") {
    t.layoutId = L"2749_5318_6";
    k.windowsScan = 0x3E;
  } else if (n == L"VP57" || n == L"VM6") {
    t.layoutId = L"0409_" + n;
    k.windowsScan = 0xE3;
  } else if (n == L"VR42") {
    t.layoutId = L"VR42\\0001";
    k.windowsScan = 0x2B;
  } else if (n == L"VM4") {
    t.layoutId = L"0409_VM4";
  } else if (n == L"VP21" || n == L"VP33") {
    k.windowsScan = 0x41;
    k.windowsRightScan = 0x1A;
  }
  t.layoutKey = std::wstring(kKeybdKey) + L"\\Layouts\\" + t.layoutId;

  AddToAll(&t, {kKeyRecord, k.windowsScan, 0x00, 0x08, 0x00, VK_LWIN});
  AddToAll(&t, {kKeyRecord, k.windowsRightScan, 0x00, 0x08, 0x00, k.windowsRightScan == 0x1A ? BYTE(VK_LWIN) : BYTE(VK_RWIN)});
  if (!volumeInVkey) {
    AddToAll(&t, {kKeyRecord, kVolumeUpRecordScan, 0x00, 0x08, 0x00, VK_F6});
    AddToAll(&t, {kKeyRecord, kVolumeDownRecordScan, 0x00, 0x08, 0x00, VK_F7});
  }
  for (int i = 0; i < kAppButtons; ++i)
    AddToAll(&t, {kKeyRecord, k.buttonScans[i], 0x00, 0x08, 0x10, static_cast<BYTE>(kFirstAppButtonVk + i)});
  if (n == L"VM4") {
    // The mode keys of the VM4's keypad.
    AddToAll(&t, {kKeyRecord, 0x1E, 0x00, 0x01, 0x00, 0x1F});
    AddToAll(&t, {kKeyRecord, 0xE3, 0x00, 0x01, 0x00, 0x1F});
  } else if (n == L"VR42") {
    Add(&t.planes[1], {kKeyRecord, 0x50, 0x00, 0x08, 0x00, VK_RWIN});
  } else if (n == L"VX12" || n == L"VX13" || n == L"VX14" || n == L"VX15") {
    // The orange plane's volume-up key.
    Add(&t.planes[1], {kKeyRecord, 0x3F, 0x00, 0x02, 0x00, 0x0B});
  } else if (n == L"VP22") {
    Add(&t.planes[0], {kKeyRecord, 0xE3, 0x00, 0x00, 0x10, 0xCF});
  }

  // "Vkey": entries 2 and 3 the volume keys, 4 a shell key, 5 a plain key.
  t.vkey.assign(kVkeyEntries * 2, 0);
  t.vflags.assign(kVkeyEntries, 0);
  SetEntry(&t.vkey, kVolumeUpEntryScan, VK_F6);
  SetEntry(&t.vkey, kVolumeDownEntryScan, VK_F7);
  SetEntry(&t.vkey, 4, 0x07C5);
  SetEntry(&t.vkey, 5, 0x0030);
  for (size_t i = 2; i <= 5; ++i) t.vflags[i] = 0x02;
  // "VkeyGold": the gold plane, with its Start, volume and phone keys.
  t.vkeyGold.assign(kVkeyGoldEntries * 2, 0);
  SetEntry(&t.vkeyGold, 82, VK_F7);
  SetEntry(&t.vkeyGold, 97, VK_F6);
  SetEntry(&t.vkeyGold, 98, VK_LWIN);
  SetEntry(&t.vkeyGold, 113, VK_F3);
  return k;
}

BYTE ScanCodeOf(const Keypad& keypad, PhysicalKey key) {
  switch (key) {
    case PhysicalKey::kWindows: return keypad.windowsScan;
    case PhysicalKey::kWindowsRight: return keypad.windowsRightScan;
    case PhysicalKey::kVolumeUp: return keypad.volumeUpScan;
    case PhysicalKey::kVolumeDown: return keypad.volumeDownScan;
    default: {
      int n = static_cast<int>(key) - static_cast<int>(PhysicalKey::kButton1);
      return n >= 0 && n < kAppButtons ? keypad.buttonScans[n] : 0;
    }
  }
}

std::optional<UINT> TranslateScan(const Tables& tables, BYTE scan) {
  const std::vector<BYTE>& plane = tables.planes[0];
  for (size_t at = 0; at + kRecordSize <= plane.size(); at += kRecordSize)
    if (plane[at] == kKeyRecord && plane[at + 1] == scan) return plane[at + 5];
  size_t entry = static_cast<size_t>(scan) * 2;
  if (entry + 1 < tables.vkey.size()) return tables.vkey[entry];
  return std::nullopt;
}

}  // namespace keypad
