// MenuConfig: the in-memory model of menu.ini, read once per start by ReadMenuConfig;
// LauncherConfig adds the launcher's side of the whitelist to it.
#pragma once

#include <windows.h>

#include <array>
#include <string>

#include "core/IniFile.h"
#include "core/LauncherWhitelist.h"
#include "device/DeviceIdentity.h"

namespace qzr {

inline constexpr int kButtonSlots = 10;
inline constexpr int kAppKeySlots = 6;
inline constexpr size_t kPasswordMaxChars = 6;
inline constexpr wchar_t kPasswordKey[] = L"MV83917";
inline constexpr wchar_t kLauncherTitle[] = L"Korvanex Launcher";
inline constexpr wchar_t kMenuIniName[] = L"menu.ini";
inline constexpr wchar_t kLauncherProgramName[] = L"QZRShell.exe";
// The device whose volume dialog (QZRVolDlg.exe) the whitelist lets through.
inline constexpr int kModelWithVolumeDialog = model::kVP33;

// Where ReadMenuConfig finds its inputs. The product takes them from its own module file and
// the device's root folder; tests point them at a scratch folder.
struct MenuLocation {
  std::wstring iniPath;             // menu.ini; empty when it cannot be built (every read yields its default)
  std::wstring launcherFolder;      // lower-cased, ending in a backslash
  std::wstring launcherModuleName;  // case as returned, for "LAUNCHER" values
  std::wstring cardRoot = L"\\";    // folder whose directories FindStorageCardFolder looks at
};
// The product's location: menu.ini next to the launcher's program file, the root "\".
MenuLocation ProductMenuLocation();

// One program button, ButtonN of menu.ini.
struct ButtonSlot {
  std::wstring caption;
  std::wstring exePath;
  std::wstring parameters;
  std::wstring iconPath;
  bool needsSignal = false;
  bool singleInstance = false;
  bool operator==(const ButtonSlot&) const = default;
};

// One hardware application button, AppKeyNExe of menu.ini.
struct AppKeySlot {
  std::wstring appKeyExe;
  std::wstring appKeyShortcut;  // never filled from menu.ini
  std::wstring appKeyTitle;
  bool appKeyConfigured = false;
  // A program of its own: it enters the whitelist.
  bool appKeyWhitelisted = false;
  bool operator==(const AppKeySlot&) const = default;
};

// What menu.ini says; fields not in the file keep these defaults.
struct MenuConfig {
  int buttonCount = 0;
  std::wstring topLogoPath;
  // Indexed by button number minus 1, gaps kept; the list shows slots 0 to buttonCount - 1.
  std::array<ButtonSlot, kButtonSlots> buttons;
  int autoStart = 1;
  std::wstring password;  // at most kPasswordMaxChars
  std::array<AppKeySlot, kAppKeySlots> appKeys;
  int fullScreen = 1;
  int startIconHidden = 0;
  int restoreOnTermination = 0;
  int EnableTaskManagerKeys = 0;
  int EnablePhoneKeys = 0;
  int EnableDeviceLockKeys = 0;
  int EnableVolumeKeys = 0;
  int EnableWindowsKey = 0;
  int EnableOrangePlaneVolumeUp = 0;
  int EnableSk1AndSk2 = 0;
};

// The model from menu.ini at where.iniPath, read once into `ini`, which then answers for the
// file as it stands (the whitelist's Permit keys come from it). The one write: a plain password
// is replaced by its scrambled form. The file keeps its attributes and times throughout.
MenuConfig ReadMenuConfig(const MenuLocation& where, IniSnapshot& ini);
// The same with a snapshot of its own.
MenuConfig ReadMenuConfig(const MenuLocation& where);

// What the whitelist is composed from: the model's programs, the launcher itself, and the
// device model (the volume dialog is allowed on model 8 only).
WhitelistSources WhitelistSourcesOf(const MenuConfig& config, const MenuLocation& where, const IniSnapshot& ini,
                                    int modelId);

// The model as the running launcher holds it, with its side of the shared whitelist cache.
// Constructing it does nothing: start-up calls the whitelist's steps in their order.
class LauncherConfig : public MenuConfig {
 public:
  LauncherConfig() = default;
  LauncherConfig(const LauncherConfig&) = delete;
  LauncherConfig& operator=(const LauncherConfig&) = delete;

  void Assign(MenuConfig read) { static_cast<MenuConfig&>(*this) = std::move(read); }

  LauncherWhitelist whitelist;
};

// The launcher's folder: module file name lower-cased, cut after its last backslash.
// False when the name was 512 characters or longer.
bool GetLauncherFolder(std::wstring& folder);
// GetLauncherFolder + "menu.ini"; emptied on failure.
bool GetMenuIniPath(std::wstring& path);
// 2 x the size of menu.ini in bytes, 0 when it cannot be located.
DWORD GetMenuIniSizeForCache();
// "\sd card" or "\Flash File Store" when such a root folder exists, else empty.
std::wstring FindStorageCardFolder();
// The same over the directories of `root` (a folder path ending in a backslash).
std::wstring FindStorageCardFolder(const std::wstring& root);

// Password scrambling with a repeating key (rotation in the codes 32..127). Results are
// always whole strings; LoadMenuConfig cuts an unscrambled password to kPasswordMaxChars.
std::wstring ScramblePassword(const std::wstring& source, const std::wstring& key);
std::wstring UnscramblePassword(const std::wstring& source, const std::wstring& key);

}  // namespace qzr
