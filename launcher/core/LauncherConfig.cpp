// The configuration model: loading menu.ini into LauncherConfig and locating the file.
#include "core/LauncherConfig.h"

#include <algorithm>

#include "core/IniFile.h"
#include "core/MenuRules.h"
#include "device/DeviceIdentity.h"
#include "EventLogLines.h"
#include "Text.h"
#include "Win32Owners.h"
#include "wince.h"

namespace qzr {
namespace {

constexpr wchar_t kCaption[] = L"Caption";
constexpr wchar_t kExe[] = L"exe";
constexpr wchar_t kParameters[] = L"parameters";
constexpr wchar_t kAlternateIcon[] = L"Alternate Icon Path";
constexpr wchar_t kDisabledIfNoSignal[] = L"Disabled if no signal";
constexpr wchar_t kSingleAppInstance[] = L"EnforceSingleAppInstance";
constexpr wchar_t kApplicationKeys[] = L"ApplicationKeys";
constexpr wchar_t kAutoStart[] = L"Auto start";
constexpr wchar_t kLockableKeys[] = L"Lockable Keys";
constexpr wchar_t kPasswordSection[] = L"PassWord";
constexpr wchar_t kPlainPassword[] = L"pwd";
constexpr wchar_t kScrambledPassword[] = L"cpwd";
constexpr wchar_t kBitmaps[] = L"Bitmaps";
constexpr wchar_t kTopLogo[] = L"TopLogo";
constexpr wchar_t kFullScreen[] = L"Full Screen Mode";
constexpr wchar_t kRestoreOnTermination[] = L"RestoreOnTermination";
constexpr wchar_t kStartIcon[] = L"Start Icon";
constexpr wchar_t kEnabled[] = L"Enabled";

std::wstring NumberedKey(const wchar_t* format, int n) {
  wchar_t key[32];
  swprintf(key, 32, format, n);
  return key;
}

// Keeps menu.ini's attributes and times across a load: reading alone moves its access time, and
// the password conversion replaces the file, so both get the file's attributes and all three
// times back. The converted copy carries them before it takes the file's place, so that a
// launcher stopped at any point leaves the file with its own status.
class FileStatusKept {
 public:
  explicit FileStatusKept(const std::wstring& path) : path_(path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (path.empty() || !GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return;
    attributes_ = data.dwFileAttributes;
    creation_ = data.ftCreationTime;
    lastAccess_ = data.ftLastAccessTime;
    lastWrite_ = data.ftLastWriteTime;
    saved_ = true;
  }
  ~FileStatusKept() {
    if (saved_) PutOn(path_.c_str());
  }
  FileStatusKept(const FileStatusKept&) = delete;
  FileStatusKept& operator=(const FileStatusKept&) = delete;

  // A read-only file cannot be replaced; only that attribute goes, for the moment it is.
  bool AllowReplacing() const {
    return !saved_ || !(attributes_ & FILE_ATTRIBUTE_READONLY) ||
           SetFileAttributesW(path_.c_str(), attributes_ & ~FILE_ATTRIBUTE_READONLY);
  }

  // The saved times, then the saved attributes, on `file`.
  bool PutOn(const wchar_t* file) const {
    if (!saved_) return true;
    // A read-only file may refuse new times: it is writable for the moment it takes them.
    if (GetFileAttributesW(file) & FILE_ATTRIBUTE_READONLY) SetFileAttributesW(file, FILE_ATTRIBUTE_NORMAL);
    FileHandle handle(
        CreateFileW(file, FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr));
    const bool timesSet = handle && SetFileTime(handle.get(), &creation_, &lastAccess_, &lastWrite_);
    handle.reset();
    return SetFileAttributesW(file, attributes_) && timesSet;
  }

 private:
  std::wstring path_;
  bool saved_ = false;
  DWORD attributes_ = 0;
  FILETIME creation_{}, lastAccess_{}, lastWrite_{};
};

// The password conversion works in a folder of its own beside menu.ini: whatever a launcher
// stopped halfway leaves there is known to be ours and goes at the next start.
std::wstring ConversionFolder(const std::wstring& iniPath) { return iniPath + L".converting"; }

void SweepConversionFolder(const std::wstring& iniPath) {
  if (iniPath.empty()) return;
  const std::wstring folder = ConversionFolder(iniPath);
  if (GetFileAttributesW(folder.c_str()) == INVALID_FILE_ATTRIBUTES) return;
  WIN32_FIND_DATAW found{};
  if (FindHandle search(FindFirstFileW((folder + L"\\*").c_str(), &found)); search) {
    do {
      if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
      const std::wstring file = folder + L"\\" + found.cFileName;
      SetFileAttributesW(file.c_str(), FILE_ATTRIBUTE_NORMAL);
      DeleteFileW(file.c_str());
    } while (FindNextFileW(search.get(), &found));
  }
  RemoveDirectoryW(folder.c_str());
}

void LogIfNoKnownSection(const IniSnapshot& ini) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (ini.path().empty() || !GetFileAttributesExW(ini.path().c_str(), GetFileExInfoStandard, &data)) return;
  if (data.nFileSizeHigh == 0 && data.nFileSizeLow == 0) return;
  if (ini.HasAnySection({kCaption, kExe, kParameters, kAlternateIcon, kDisabledIfNoSignal, kSingleAppInstance,
                         kApplicationKeys, kWhitelistSection, kAutoStart, kLockableKeys, kPasswordSection, kBitmaps,
                         kFullScreen, kRestoreOnTermination, kStartIcon}))
    return;
  unsigned long size = data.nFileSizeHigh ? 0xFFFFFFFFul : data.nFileSizeLow;
  eventlog::Write(eventlog::lines::kNoKnownSection, AnsiFromWide(ini.path()).c_str(), size);
}

// The PassWord section: the scrambled form when present, else the plain one, which is then
// converted in the file.
std::wstring ReadPassword(IniSnapshot& ini, const FileStatusKept& status) {
  // The stored form is taken as it stands, blanks included.
  std::wstring stored = ini.ReadValue(kPasswordSection, kScrambledPassword, L"");
  if (!stored.empty()) {
    // The exit dialog takes at most 6 characters; a longer hand-made value is cut to fit.
    return UnscramblePassword(stored, kPasswordKey).substr(0, kPasswordMaxChars);
  }
  std::wstring plain = TrimWhite(ini.ReadValue(kPasswordSection, kPlainPassword, L""));
  if (plain.empty()) return {};
  std::wstring password = plain.substr(0, kPasswordMaxChars);
  // Characters at the top of the 16-bit range scramble past 65535 into codes that unscramble
  // to something else: such a password stays in its plain form rather than change at the
  // next start.
  std::wstring scrambled = ScramblePassword(password, kPasswordKey);
  if (UnscramblePassword(scrambled, kPasswordKey) != password) return password;
  const std::wstring path = ini.path();
  // Both changes are made in a copy, which then takes the file's place in one step: whenever
  // the launcher or the device stops, menu.ini is the administrator's file or the converted
  // one, never a mix or a part. A copy that cannot be made or written leaves the file alone.
  // The copy gets the file's status first, and a read-only file is made writable only for the
  // replacement itself.
  const std::wstring folder = ConversionFolder(path);
  wchar_t work[MAX_PATH] = {};
  const bool folderReady = CreateDirectoryW(folder.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS;
  if (folderReady && MakeIniTempFileName((folder + L"\\menu.ini").c_str(), work)) {
    bool converted = CopyFileW(path.c_str(), work, FALSE) &&
                     WriteIniString(kPasswordSection, kScrambledPassword, scrambled.c_str(), work) &&
                     WriteIniString(kPasswordSection, kPlainPassword, L"", work) && status.PutOn(work) &&
                     status.AllowReplacing() && ReplaceWithTemp(path.c_str(), work, true);
    if (!converted) {
      SetFileAttributesW(work, FILE_ATTRIBUTE_NORMAL);
      DeleteFileW(work);
    }
  }
  RemoveDirectoryW(folder.c_str());
  ini.Load(path);
  return password;
}

}  // namespace

MenuConfig ReadMenuConfig(const MenuLocation& where) {
  IniSnapshot ini;
  return ReadMenuConfig(where, ini);
}

MenuConfig ReadMenuConfig(const MenuLocation& where, IniSnapshot& ini) {
  SweepConversionFolder(where.iniPath);
  FileStatusKept keep(where.iniPath);
  ini.Load(where.iniPath);
  MenuConfig config;
  LogIfNoKnownSection(ini);

  std::wstring moduleName = where.launcherModuleName.substr(0, std::min(where.launcherModuleName.size(), kLauncherModuleChars));
  std::wstring cardFolder = FindStorageCardFolder(where.cardRoot);

  for (int slot = 0; slot < kButtonSlots; ++slot) {
    ButtonSlot& button = config.buttons[slot];
    std::wstring key = NumberedKey(kButtonKeyFormat, slot + 1);
    std::wstring value = ini.ReadValue(kCaption, key.c_str(), L"");
    if (!TrimWhite(value).empty()) {
      button.caption = value;
      ++config.buttonCount;
    }
    button.needsSignal = ini.ReadBool(key.c_str(), kDisabledIfNoSignal, false);
    button.singleInstance = ini.ReadBool(key.c_str(), kSingleAppInstance, false);
    button.exePath = DecodeButtonPath(ini.ReadValue(kExe, key.c_str(), L""), cardFolder);
    button.iconPath = DecodeButtonPath(ini.ReadValue(kAlternateIcon, key.c_str(), L""), cardFolder);
    value = ini.ReadValue(kParameters, key.c_str(), L"");
    if (!TrimWhite(value).empty()) button.parameters = value;
  }

  for (int slot = 0; slot < kAppKeySlots; ++slot) {
    std::wstring key = NumberedKey(kAppKeyFormat, slot + 1);
    AppKeyBinding binding = DecodeAppKeyValue(ini.ReadValue(kApplicationKeys, key.c_str(), L""), moduleName,
                                              config.buttons.data(), cardFolder);
    AppKeySlot& appKey = config.appKeys[slot];
    appKey.appKeyConfigured = binding.configured;
    appKey.appKeyWhitelisted = binding.whitelisted;
    appKey.appKeyExe = binding.exe;
    appKey.appKeyTitle = binding.title;
  }

  config.autoStart = IsFalseValue(ini.ReadValue(kAutoStart, kEnabled, L"")) ? 0 : 1;

  config.EnableDeviceLockKeys = ini.ReadBool(L"EnableDeviceLockKeys", kLockableKeys, false);
  config.EnablePhoneKeys = ini.ReadBool(L"EnablePhoneKeys", kLockableKeys, false);
  config.EnableTaskManagerKeys = ini.ReadBool(L"EnableTaskManagerKeys", kLockableKeys, false);
  config.EnableVolumeKeys = ini.ReadBool(L"EnableVolumeKeys", kLockableKeys, false);
  config.EnableWindowsKey = ini.ReadBool(L"EnableWindowsKey", kLockableKeys, false);
  config.EnableOrangePlaneVolumeUp = ini.ReadBool(L"EnableOrangePlaneVolumeUp", kLockableKeys, false);
  config.EnableSk1AndSk2 = ini.ReadBool(L"EnableSk1AndSk2", kLockableKeys, false);

  config.password = ReadPassword(ini, keep);

  config.topLogoPath = DecodeTopLogoPath(ini.ReadValue(kBitmaps, kTopLogo, L""), cardFolder);
  config.fullScreen = IsFalseValue(ini.ReadValue(kFullScreen, kEnabled, L"")) ? 0 : 1;
  config.restoreOnTermination = IsTrueValue(ini.ReadValue(kRestoreOnTermination, kEnabled, L"")) ? 1 : 0;
  config.startIconHidden = IsFalseValue(ini.ReadValue(kStartIcon, kEnabled, L"")) ? 1 : 0;
  return config;
}

WhitelistSources WhitelistSourcesOf(const MenuConfig& config, const MenuLocation& where, const IniSnapshot& ini,
                                    int modelId) {
  WhitelistSources sources;
  sources.buttonCount = config.buttonCount;
  sources.buttons = config.buttons.data();
  sources.appKeys = config.appKeys.data();
  sources.launcherPath = where.launcherFolder + kLauncherProgramName;
  sources.deviceModelIs8 = modelId == kModelWithVolumeDialog;
  sources.menuIniPath = where.iniPath;
  sources.menuIni = &ini;
  return sources;
}

MenuLocation ProductMenuLocation() {
  MenuLocation where;
  GetLauncherFolder(where.launcherFolder);
  GetMenuIniPath(where.iniPath);
  where.launcherModuleName = ModuleFileName(kLauncherModuleChars);
  where.cardRoot = L"\\";
  return where;
}

bool GetLauncherFolder(std::wstring& folder) {
  return LauncherFolderFromModuleName(ModuleFileName(kModuleNameChars), kModuleNameChars, folder);
}

bool GetMenuIniPath(std::wstring& path) {
  std::wstring folder;
  if (!GetLauncherFolder(folder)) {
    path.clear();
    return false;
  }
  path = folder + kMenuIniName;
  return true;
}

DWORD GetMenuIniSizeForCache() {
  std::wstring path;
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!GetMenuIniPath(path) || !GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return 0;
  // A file too big to double in 32 bits gets a size the caller cannot map, not a wrapped small one.
  constexpr DWORD kLargest = 0xFFFFF000;
  if (data.nFileSizeHigh != 0 || data.nFileSizeLow > kLargest / 2) return kLargest;
  return data.nFileSizeLow * 2;
}

std::wstring FindStorageCardFolder() { return FindStorageCardFolder(L"\\"); }

std::wstring FindStorageCardFolder(const std::wstring& root) {
  std::vector<std::wstring> directories;
  WIN32_FIND_DATAW entry{};
  FindHandle find(FindFirstFileW((root + L"*.*").c_str(), &entry));
  if (find) {
    do {
      std::wstring name = entry.cFileName;
      if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && name != L"." && name != L"..")
        directories.push_back(name);
    } while (FindNextFileW(find.get(), &entry));
  }
  return PickStorageCardFolder(kStorageCardCandidates, directories);
}

}  // namespace qzr
