// The configuration model: loading menu.ini into LauncherConfig and locating the file.
#include "LauncherConfig.h"

#include <algorithm>

#include "DeviceIdentity.h"
#include "EventLog.h"
#include "IniFile.h"
#include "MenuRules.h"
#include "StartKey.h"
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

// A menu.ini that the reader cannot make sense of (another encoding, a different file) would
// otherwise open the kiosk without a word: no buttons, no whitelist, no exit password.
constexpr char kNoKnownSectionLine[] =
    "..\\..\\common source\\LauncherConfig (%d), %s (%lu bytes) holds none of the known sections";
constexpr int kNoKnownSectionSourceLine = 120;

std::wstring ModuleFileName(size_t maxChars) {
  std::wstring name(maxChars + 1, L'\0');
  DWORD n = GetModuleFileNameW(nullptr, name.data(), static_cast<DWORD>(maxChars));
  name.resize(std::min<size_t>(n, maxChars));
  return name;
}

std::wstring NumberedKey(const wchar_t* format, int n) {
  wchar_t key[32];
  swprintf(key, 32, format, n);
  return key;
}

bool SetFileTimes(const std::wstring& path, const FileStatus& status) {
  FileHandle file(CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, 0, nullptr));
  return file && SetFileTime(file.get(), &status.creation, &status.lastAccess, &status.lastWrite);
}

bool IsZero(const FILETIME& t) { return t.dwLowDateTime == 0 && t.dwHighDateTime == 0; }

std::string NarrowText(const std::wstring& text) {
  int n = WideCharToMultiByte(CP_ACP, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
  if (n <= 0) return {};
  std::string narrow(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_ACP, 0, text.c_str(), -1, narrow.data(), n, nullptr, nullptr);
  narrow.resize(static_cast<size_t>(n) - 1);
  return narrow;
}

void LogIfNoKnownSection(const std::wstring& path, const WIN32_FILE_ATTRIBUTE_DATA& data) {
  if (data.nFileSizeHigh == 0 && data.nFileSizeLow == 0) return;
  if (HasAnyIniSection(path.c_str(), {kCaption, kExe, kParameters, kAlternateIcon, kDisabledIfNoSignal,
                                      kSingleAppInstance, kApplicationKeys, kWhitelistSection, kAutoStart,
                                      kLockableKeys, kPasswordSection, kBitmaps, kFullScreen,
                                      kRestoreOnTermination, kStartIcon}))
    return;
  unsigned long size = data.nFileSizeHigh ? 0xFFFFFFFFul : data.nFileSizeLow;
  eventlog::Log(eventlog::kCategoryError, kNoKnownSectionLine, kNoKnownSectionSourceLine, NarrowText(path).c_str(), size);
}

}  // namespace

LauncherConfig::LauncherConfig() { whitelist.Construct(); }

LauncherConfig::LauncherConfig(WhitelistSettings whitelistSettings) : whitelist(std::move(whitelistSettings)) {
  whitelist.Construct();
}

LauncherConfig::~LauncherConfig() = default;

int LauncherConfig::LoadMenuConfig() { return LoadMenuConfig(ProductMenuLocation()); }

int LauncherConfig::LoadMenuConfig(const MenuLocation& where) {
  const std::wstring& path = where.iniPath;
  const wchar_t* ini = path.c_str();

  // The password conversion rewrites the file, so a read-only menu.ini is made writable for
  // the load and gets its attributes and times back at the end.
  savedFileStatus = FileStatus{};
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!path.empty() && GetFileAttributesExW(ini, GetFileExInfoStandard, &data)) {
    savedFileStatus.attributes = data.dwFileAttributes;
    savedFileStatus.creation = data.ftCreationTime;
    savedFileStatus.lastAccess = data.ftLastAccessTime;
    savedFileStatus.lastWrite = data.ftLastWriteTime;
    SetFileAttributesW(ini, FILE_ATTRIBUTE_NORMAL);
    SetFileTimes(path, savedFileStatus);
    LogIfNoKnownSection(path, data);
  }

  std::wstring moduleName = where.launcherModuleName.substr(0, std::min(where.launcherModuleName.size(), kLauncherModuleChars));
  std::wstring cardFolder = FindStorageCardFolder(where.cardRoot);

  buttonCount = 0;
  for (int slot = 0; slot < kButtonSlots; ++slot) {
    caption[slot].clear();
    exePath[slot].clear();
    parameters[slot].clear();
    iconPath[slot].clear();
  }
  for (int slot = 0; slot < kButtonSlots; ++slot) {
    std::wstring key = NumberedKey(kButtonKeyFormat, slot + 1);
    std::wstring value = ReadIniValue(kCaption, key.c_str(), L"", ini);
    if (!TrimWhite(value).empty()) {
      caption[slot] = value;
      ++buttonCount;
    }
    needsSignal[slot] = ReadIniBool(key.c_str(), kDisabledIfNoSignal, ini, 0);
    singleInstance[slot] = ReadIniBool(key.c_str(), kSingleAppInstance, ini, 0);
    exePath[slot] = DecodeButtonPath(ReadIniValue(kExe, key.c_str(), L"", ini), cardFolder);
    iconPath[slot] = DecodeButtonPath(ReadIniValue(kAlternateIcon, key.c_str(), L"", ini), cardFolder);
    value = ReadIniValue(kParameters, key.c_str(), L"", ini);
    if (!TrimWhite(value).empty()) parameters[slot] = value;
  }

  for (int slot = 0; slot < kAppKeySlots; ++slot) {
    appKeyExe[slot].clear();
    appKeyTitle[slot].clear();
    appKeyShortcut[slot].clear();
    appKeyConfigured[slot] = 0;
    appKeyWhitelisted[slot] = 0;
  }
  for (int slot = 0; slot < kAppKeySlots; ++slot) {
    std::wstring key = NumberedKey(kAppKeyFormat, slot + 1);
    AppKeyBinding binding = DecodeAppKeyValue(ReadIniValue(kApplicationKeys, key.c_str(), L"", ini), moduleName,
                                              exePath.data(), caption.data(), cardFolder);
    appKeyConfigured[slot] = binding.configured ? 1 : 0;
    appKeyWhitelisted[slot] = binding.whitelisted ? 1 : 0;
    appKeyExe[slot] = binding.exe;
    appKeyTitle[slot] = binding.title;
  }

  WhitelistSources sources;
  sources.buttonCount = buttonCount;
  sources.exePath = exePath.data();
  sources.singleInstance = singleInstance.data();
  sources.appKeyExe = appKeyExe.data();
  sources.appKeyWhitelisted = appKeyWhitelisted.data();
  sources.launcherPath = where.launcherFolder + kLauncherProgramName;
  sources.deviceModelIs8 = GetModelId() == 8;
  sources.menuIniPath = path;
  whitelist.PublishWhitelist(sources);

  autoStart = IsFalseValue(ReadIniValue(kAutoStart, kEnabled, L"", ini)) ? 0 : 1;

  EnableDeviceLockKeys = ReadIniBool(L"EnableDeviceLockKeys", kLockableKeys, ini, 0);
  EnablePhoneKeys = ReadIniBool(L"EnablePhoneKeys", kLockableKeys, ini, 0);
  EnableTaskManagerKeys = ReadIniBool(L"EnableTaskManagerKeys", kLockableKeys, ini, 0);
  EnableVolumeKeys = ReadIniBool(L"EnableVolumeKeys", kLockableKeys, ini, 0);
  EnableWindowsKey = ReadIniBool(L"EnableWindowsKey", kLockableKeys, ini, 0);
  EnableOrangePlaneVolumeUp = ReadIniBool(L"EnableOrangePlaneVolumeUp", kLockableKeys, ini, 0);
  EnableSk1AndSk2 = ReadIniBool(L"EnableSk1AndSk2", kLockableKeys, ini, 0);

  LoadPassword(path);

  topLogoPath = DecodeTopLogoPath(ReadIniValue(kBitmaps, kTopLogo, L"", ini), cardFolder);
  fullScreen = IsFalseValue(ReadIniValue(kFullScreen, kEnabled, L"", ini)) ? 0 : 1;
  restoreOnTermination = IsTrueValue(ReadIniValue(kRestoreOnTermination, kEnabled, L"", ini)) ? 1 : 0;
  startIconHidden = IsFalseValue(ReadIniValue(kStartIcon, kEnabled, L"", ini)) ? 1 : 0;

  if (where.syncStartKey) SyncStartKeySetting(*this);

  if (!IsZero(savedFileStatus.creation)) {
    // Times first: a read-only file may refuse them once its attribute is back.
    SetFileTimes(path, savedFileStatus);
    SetFileAttributesW(ini, savedFileStatus.attributes);
  }
  return 1;
}

void LauncherConfig::LoadPassword(const std::wstring& path) {
  const wchar_t* ini = path.c_str();
  password.clear();
  // The stored form is taken as it stands, blanks included.
  std::wstring stored = ReadIniValue(kPasswordSection, kScrambledPassword, L"", ini);
  if (!stored.empty()) {
    // The exit dialog takes at most 6 characters; a longer hand-made value is cut to fit.
    password = UnscramblePassword(stored, kPasswordKey).substr(0, kPasswordMaxChars);
    return;
  }
  std::wstring plain = TrimWhite(ReadIniValue(kPasswordSection, kPlainPassword, L"", ini));
  if (plain.empty()) return;
  password = plain.substr(0, kPasswordMaxChars);
  // Characters at the top of the 16-bit range scramble past 65535 into codes that unscramble
  // to something else: such a password stays in its plain form rather than change at the
  // next start.
  std::wstring scrambled = ScramblePassword(password, kPasswordKey);
  if (UnscramblePassword(scrambled, kPasswordKey) != password) return;
  // The scrambled form goes in before the plain one is erased, so that a failed second write
  // leaves both forms rather than none.
  if (WriteIniString(kPasswordSection, kScrambledPassword, scrambled.c_str(), ini))
    WriteIniString(kPasswordSection, kPlainPassword, L"", ini);
}

MenuLocation ProductMenuLocation() {
  MenuLocation where;
  GetLauncherFolder(where.launcherFolder);
  GetMenuIniPath(where.iniPath);
  where.launcherModuleName = ModuleFileName(kLauncherModuleChars);
  where.cardRoot = L"\\";
  return where;
}

int GetLauncherFolder(std::wstring& folder) {
  std::wstring name(kModuleNameChars, L'\0');
  DWORD n = GetModuleFileNameW(nullptr, name.data(), static_cast<DWORD>(kModuleNameChars));
  name.resize(std::min<size_t>(n, kModuleNameChars));
  return LauncherFolderFromModuleName(name, kModuleNameChars, folder) ? 1 : 0;
}

int GetMenuIniPath(std::wstring& path) {
  std::wstring folder;
  if (!GetLauncherFolder(folder)) {
    path.clear();
    return 0;
  }
  path = folder + kMenuIniName;
  return 1;
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
