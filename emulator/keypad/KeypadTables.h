// The simulated handheld's keypad: which keypad each device model carries, the tables its driver
// keeps in the registry, and how a key press is translated through them.
#pragma once

#include <windows.h>

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace keypad {

// HKEY_LOCAL_MACHINE\<kKeybdKey>: the driver's tables. Wine keeps HKLM\HARDWARE volatile, so
// every key below it is created volatile; the driver seeds them again when it finds none.
inline constexpr wchar_t kKeybdKey[] = L"HARDWARE\\DEVICEMAP\\KEYBD";
inline constexpr wchar_t kActiveConfig[] = L"ActiveConfig";
inline constexpr wchar_t kLayoutId[] = L"CurrentActiveLayoutId";
inline constexpr wchar_t kLayoutKey[] = L"CurrentActiveLayoutKey";
inline constexpr wchar_t kVkeyGold[] = L"VkeyGold";
inline constexpr wchar_t kVkey[] = L"Vkey";
inline constexpr wchar_t kVflags[] = L"Vflags";
inline constexpr const wchar_t* kPlaneNames[3] = {L"ShiftPlane0", L"ShiftPlane1", L"ShiftPlane2"};
// The driver reloads its tables when either event is set.
inline constexpr wchar_t kChangeEvent[] = L"QZR_KEYBOARD_CHANGE";
inline constexpr wchar_t kChangeUsbEvent[] = L"QZR_KEYBOARD_CHANGE_USB";

// A shift-plane record: b0 kind (7 = a key), b1 the keypad's scan code, b2..b4 flags, b5 the
// virtual key the key produces (0: none).
inline constexpr size_t kRecordSize = 6;
inline constexpr BYTE kKeyRecord = 7;

// The application buttons produce VK 0xC1..0xC6.
inline constexpr UINT kFirstAppButtonVk = 0xC1;
inline constexpr int kAppButtons = 6;

// Keys of the PC keyboard that stand for the handheld's keys. The application buttons are
// Ctrl+F1 .. Ctrl+F6 (F1..F6 pressed while Ctrl is down).
enum class PhysicalKey { kWindows, kWindowsRight, kVolumeUp, kVolumeDown, kButton1 };
inline PhysicalKey Button(int n) { return static_cast<PhysicalKey>(static_cast<int>(PhysicalKey::kButton1) + n - 1); }
// The handheld key a PC key event stands for, or nothing: vk is the PC key, ctrlDown whether Ctrl is held.
std::optional<PhysicalKey> PhysicalKeyFor(UINT vk, bool ctrlDown);

// The tables as the driver keeps them.
struct Tables {
  std::wstring activeConfig;
  std::wstring layoutId;
  std::wstring layoutKey;  // under HKEY_LOCAL_MACHINE, no leading backslash
  std::vector<BYTE> vkeyGold;  // 16-bit little-endian entries
  std::vector<BYTE> vkey;      // 16-bit little-endian entries, indexed by scan code
  std::vector<BYTE> vflags;    // one byte per "Vkey" entry
  std::array<std::vector<BYTE>, 3> planes;
};

// One keypad: its factory tables and the scan codes of its keys.
struct Keypad {
  std::wstring name;  // the device model it belongs to, e.g. "VX12"
  Tables tables;
  BYTE windowsScan = 0;
  BYTE windowsRightScan = 0;
  BYTE volumeUpScan = 0;
  BYTE volumeDownScan = 0;
  std::array<BYTE, kAppButtons> buttonScans{};
};

// The keypad a device carries, named by its PAL model text (PalModel) and OEM text (OemInfo);
// either may be empty. Unknown devices get the maker's generic keypad.
Keypad KeypadForDevice(const std::wstring& palModel, const std::wstring& oemInfo);

BYTE ScanCodeOf(const Keypad& keypad, PhysicalKey key);

// The virtual key a scan code produces in plane 0: the first record of "ShiftPlane0" for it,
// else its "Vkey" entry (its low byte), else nothing (the key is not in the tables). 0 means
// the tables switch the key off. A plane whose length is not a whole number of records has its
// trailing bytes ignored.
std::optional<UINT> TranslateScan(const Tables& tables, BYTE scan);

}  // namespace keypad
