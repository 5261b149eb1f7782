// Installs a real cabinet as the device's installer does: the container and its control file
// checked first (nothing is touched for a cabinet that fails), then Install_Init, folders,
// files, registry values, shortcuts, Install_Exit, the registration for removal under
// HKLM\Software\Apps, and the cabinet deleted. Everything the installation changes is recorded
// under \Windows\AppMgr so that an uninstall (or Install_Exit's "uninstall") puts back what was there.
#include "CabInstaller.h"

#include <windows.h>

#include <algorithm>
#include <map>
#include <optional>
#include <vector>

#include "CabContainer.h"
#include "CabPlan.h"
#include "CabinetCheck.h"
#include "CeSetupFile.h"
#include "DeviceProfile.h"
#include "Win32Owners.h"

namespace cabhost {
namespace {

using InstallInitFn = int(WINAPI*)(HWND, BOOL, BOOL, const wchar_t*);
using InstallExitFn = int(WINAPI*)(HWND, const wchar_t*, WORD, WORD, WORD, WORD, WORD);
using UninstallInitFn = int(WINAPI*)(HWND, const wchar_t*);
using UninstallExitFn = int(WINAPI*)(HWND);
using RegisterFn = HRESULT(WINAPI*)();

constexpr wchar_t kAppsKey[] = L"Software\\Apps\\";
constexpr wchar_t kAppMgr[] = L"\\Windows\\AppMgr\\";
// How many installed applications share a file installed with the shared flag.
constexpr wchar_t kSharedKey[] = L"Software\\HandheldEmulator\\SharedFiles";
constexpr wchar_t kProcessorType[] = L"ProcessorType";
// A cabinet for a handheld is megabytes; this much is no cabinet to read into memory.
constexpr LONGLONG kMaxCabinetBytes = 1LL << 30;
constexpr DWORD kMaxControlFileBytes = 16u << 20;

HKEY RootKey(uint16_t root) {
  switch (root) {
    case qzrcab::kRootClassesRoot: return HKEY_CLASSES_ROOT;
    case qzrcab::kRootCurrentUser: return HKEY_CURRENT_USER;
    case qzrcab::kRootLocalMachine: return HKEY_LOCAL_MACHINE;
    default: return HKEY_USERS;
  }
}

std::optional<std::string> ReadWhole(const std::wstring& path, LONGLONG limit) {
  qzr::FileHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
  LARGE_INTEGER size{};
  if (!file || !GetFileSizeEx(file.get(), &size) || size.QuadPart > limit) return std::nullopt;
  std::string bytes(static_cast<size_t>(size.QuadPart), '\0');
  size_t done = 0;
  while (done < bytes.size()) {
    DWORD got = 0;
    DWORD want = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, 1u << 24));
    if (!ReadFile(file.get(), bytes.data() + done, want, &got, nullptr) || got == 0) return std::nullopt;
    done += got;
  }
  return bytes;
}

bool WriteWhole(const std::wstring& path, const std::string& bytes) {
  qzr::FileHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  DWORD put = 0;
  return file && (bytes.empty() || (WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &put, nullptr) && put == bytes.size()));
}

bool Exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

void MakeFolders(const std::wstring& path) {
  for (size_t at = path.find(L'\\', 1); at != std::wstring::npos; at = path.find(L'\\', at + 1))
    CreateDirectoryW(path.substr(0, at).c_str(), nullptr);
  CreateDirectoryW(path.c_str(), nullptr);
}

void RemoveTree(const std::wstring& folder) {
  WIN32_FIND_DATAW data;
  qzr::FindHandle find(FindFirstFileW((folder + L"\\*").c_str(), &data));
  if (find) {
    do {
      std::wstring name = data.cFileName;
      if (name == L"." || name == L"..") continue;
      std::wstring path = folder + L"\\" + name;
      if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        RemoveTree(path);
      } else {
        SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileW(path.c_str());
      }
    } while (FindNextFileW(find.get(), &data));
  }
  RemoveDirectoryW(folder.c_str());
}

std::wstring FolderOf(const std::wstring& path) { return path.substr(0, path.find_last_of(L'\\')); }

// Asks the device's question; with /noui it is answered "Yes" without being shown.
bool Confirm(const CabOptions& options, const std::wstring& question) {
  Print(question + (options.noUi ? L" (answered Yes)\n" : L"\n"));
  if (options.noUi) return true;
  return MessageBoxW(nullptr, question.c_str(), L"Installation", MB_YESNO | MB_ICONQUESTION | MB_SETFOREGROUND) == IDYES;
}

std::optional<std::vector<BYTE>> ReadValue(HKEY key, const std::wstring& name, DWORD* type) {
  DWORD size = 0;
  if (RegQueryValueExW(key, name.c_str(), nullptr, type, nullptr, &size) != ERROR_SUCCESS) return std::nullopt;
  std::vector<BYTE> data(size);
  if (RegQueryValueExW(key, name.c_str(), nullptr, type, data.data(), &size) != ERROR_SUCCESS) return std::nullopt;
  data.resize(size);
  return data;
}

DWORD SharedCount(const std::wstring& path) {
  qzr::RegKey key;
  return key.Open(HKEY_LOCAL_MACHINE, kSharedKey) ? key.ReadDword(path.c_str()).value_or(0) : 0;
}

void SetSharedCount(const std::wstring& path, DWORD count) {
  qzr::RegKey key;
  if (!key.Create(HKEY_LOCAL_MACHINE, kSharedKey)) return;
  if (count) key.WriteDword(path.c_str(), count);
  else key.DeleteValue(path.c_str());
}

// Puts back what the steps changed, last change first.
void Undo(const std::vector<UndoStep>& steps) {
  for (auto it = steps.rbegin(); it != steps.rend(); ++it) {
    const UndoStep& s = *it;
    switch (s.kind) {
      case UndoStep::Folder:
        RemoveDirectoryW(s.path.c_str());  // only when empty: what others put there stays
        break;
      case UndoStep::File:
        SetFileAttributesW(s.path.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileW(s.path.c_str());
        break;
      case UndoStep::Replaced:
        MakeFolders(FolderOf(s.path));
        SetFileAttributesW(s.path.c_str(), FILE_ATTRIBUTE_NORMAL);
        MoveFileExW(s.backup.c_str(), s.path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_COPY_ALLOWED);
        break;
      case UndoStep::Shared: {
        DWORD count = SharedCount(s.path);
        SetSharedCount(s.path, count > 1 ? count - 1 : 0);
        if (count <= 1) {
          SetFileAttributesW(s.path.c_str(), FILE_ATTRIBUTE_NORMAL);
          DeleteFileW(s.path.c_str());
        }
        break;
      }
      case UndoStep::Key:
        RegDeleteTreeW(RootKey(s.root), s.path.c_str());
        RegDeleteKeyW(RootKey(s.root), s.path.c_str());
        break;
      case UndoStep::Value: {
        qzr::RegKey key;
        if (key.Open(RootKey(s.root), s.path, KEY_SET_VALUE)) key.DeleteValue(s.name.c_str());
        break;
      }
      case UndoStep::OldValue: {
        qzr::RegKey key;
        if (key.Create(RootKey(s.root), s.path))
          RegSetValueExW(key.get(), s.name.c_str(), 0, s.type, s.data.data(), static_cast<DWORD>(s.data.size()));
        break;
      }
    }
  }
}

// The changes of one installation, in order, with the failures of each kind counted.
class Installation {
 public:
  Installation(const InstallPlan& plan, const std::wstring& backupFolder) : plan_(plan), backups_(backupFolder) {}

  void Folders() {
    for (const std::wstring& folder : plan_.folders) {
      if (Exists(folder)) continue;
      if (CreateDirectoryW(folder.c_str(), nullptr)) steps_.push_back({UndoStep::Folder, folder});
      else ++failedDirs;
    }
  }

  // `staged`: the extracted member of each file number; `dates`: its date in the cabinet.
  void Files(const std::map<int, std::wstring>& staged, const std::map<int, FILETIME>& dates) {
    for (const PlannedFile& f : plan_.files) {
      const bool exists = Exists(f.path);
      if ((f.flags & qzrcab::kFileReplaceOnly) && !exists) continue;
      if ((f.flags & qzrcab::kFileNoOverwrite) && exists) continue;
      const FILETIME when = dates.at(f.number);
      if (exists && (f.flags & qzrcab::kFileNoDateDialog) && IsNewer(f.path, when)) continue;
      if (f.flags & qzrcab::kFileShared) {
        DWORD count = SharedCount(f.path);
        if (!Copy(staged.at(f.number), f.path, when)) {
          ++failedFiles;
          continue;
        }
        // A file that was there before the first shared installation counts its owner too.
        SetSharedCount(f.path, count ? count + 1 : exists ? 2 : 1);
        steps_.push_back({UndoStep::Shared, f.path});
      } else if (exists) {
        std::wstring backup = backups_ + L"\\b" + std::to_wstring(steps_.size());
        MakeFolders(backups_);
        SetFileAttributesW(f.path.c_str(), FILE_ATTRIBUTE_NORMAL);
        if (!CopyFileW(f.path.c_str(), backup.c_str(), FALSE) || !Copy(staged.at(f.number), f.path, when)) {
          DeleteFileW(backup.c_str());
          ++failedFiles;
          continue;
        }
        steps_.push_back({UndoStep::Replaced, f.path, backup});
      } else {
        if (!Copy(staged.at(f.number), f.path, when)) {
          ++failedFiles;
          continue;
        }
        steps_.push_back({UndoStep::File, f.path});
      }
      if ((f.flags & qzrcab::kFileSelfRegister) && !SelfRegister(f.path)) {
        Print(L"self-registration of " + f.path + L" failed\n");
        ++failedFiles;
      }
    }
  }

  void Registry() {
    for (const PlannedValue& v : plan_.values) {
      HKEY root = RootKey(v.root);
      qzr::RegKey key;
      if (!key.Open(root, v.key, KEY_ALL_ACCESS)) {
        // The topmost key that is missing goes at uninstall, with everything below it.
        std::wstring missing = v.key;
        for (size_t cut = v.key.find(L'\\'); cut != std::wstring::npos; cut = v.key.find(L'\\', cut + 1)) {
          qzr::RegKey probe;
          if (!probe.Open(root, v.key.substr(0, cut))) {
            missing = v.key.substr(0, cut);
            break;
          }
        }
        if (!key.Create(root, v.key)) {
          ++failedRegKeys;
          continue;
        }
        steps_.push_back({UndoStep::Key, missing, L"", v.root});
      }
      DWORD oldType = 0;
      auto old = ReadValue(key.get(), v.name, &oldType);
      if (old && v.noClobber) continue;
      if (RegSetValueExW(key.get(), v.name.c_str(), 0, v.type, v.data.data(), static_cast<DWORD>(v.data.size())) != ERROR_SUCCESS) {
        ++failedRegVals;
        continue;
      }
      UndoStep step{old ? UndoStep::OldValue : UndoStep::Value, v.key, L"", v.root, v.name};
      if (old) {
        step.type = oldType;
        step.data = *old;
      }
      steps_.push_back(std::move(step));
    }
  }

  void Shortcuts() {
    for (const PlannedLink& l : plan_.links) {
      const bool exists = Exists(l.path);
      std::wstring backup = backups_ + L"\\b" + std::to_wstring(steps_.size());
      if (exists) {
        MakeFolders(backups_);
        if (!CopyFileW(l.path.c_str(), backup.c_str(), FALSE)) {
          ++failedShortcuts;
          continue;
        }
      }
      if (!WriteWhole(l.path, ShortcutText(l.target))) {
        ++failedShortcuts;
        if (exists) DeleteFileW(backup.c_str());
        continue;
      }
      steps_.push_back(exists ? UndoStep{UndoStep::Replaced, l.path, backup} : UndoStep{UndoStep::File, l.path});
    }
  }

  const std::vector<UndoStep>& steps() const { return steps_; }
  WORD failedDirs = 0, failedFiles = 0, failedRegKeys = 0, failedRegVals = 0, failedShortcuts = 0;

 private:
  static bool IsNewer(const std::wstring& path, const FILETIME& than) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    return GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data) && CompareFileTime(&data.ftLastWriteTime, &than) > 0;
  }
  static bool Copy(const std::wstring& from, const std::wstring& to, const FILETIME& when) {
    SetFileAttributesW(to.c_str(), FILE_ATTRIBUTE_NORMAL);
    if (!CopyFileW(from.c_str(), to.c_str(), FALSE)) return false;
    qzr::FileHandle file(CreateFileW(to.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    if (file) SetFileTime(file.get(), nullptr, nullptr, &when);
    return true;
  }
  static bool SelfRegister(const std::wstring& path) {
    qzr::Library library(path.c_str());
    auto registerServer = library.Proc<RegisterFn>("DllRegisterServer");
    return registerServer && SUCCEEDED(registerServer());
  }

  const InstallPlan& plan_;
  std::wstring backups_;
  std::vector<UndoStep> steps_;
};

std::wstring KeptName(const std::wstring& application) { return std::wstring(kAppMgr) + application; }

int Refuse(const std::wstring& why) {
  Print(L"refused: " + why + L"; nothing was installed\n");
  return kRefused;
}

std::optional<std::pair<int, int>> DeviceVersion() {
  auto text = wince::ReadProfileString(wince::profile::kOsVersion);
  if (!text) return std::nullopt;
  int major = 0, minor = 0;
  if (swscanf(text->c_str(), L"%d.%d", &major, &minor) < 1) return std::nullopt;
  return std::make_pair(major, minor);
}

std::wstring Squeezed(const std::wstring& text) {
  std::wstring out;
  for (wchar_t c : text)
    if (c != L' ') out += static_cast<wchar_t>(towupper(c));
  return out;
}

}  // namespace

bool IsRegisteredApplication(const std::wstring& name) {
  qzr::RegKey key;
  return !name.empty() && name.find(L'\\') == std::wstring::npos && key.Open(HKEY_LOCAL_MACHINE, kAppsKey + name);
}

int InstallCabinet(const std::wstring& cabinet, const CabOptions& options) {
  auto bytes = ReadWhole(cabinet, kMaxCabinetBytes);
  if (!bytes) return Refuse(L"cannot read the cabinet " + cabinet);
  std::string why;
  qzrcab::CabListing listing = qzrcab::CheckCabinet(*bytes, &why);
  if (!why.empty()) return Refuse(qzrcab::FromDeviceText(why));
  bytes.reset();

  // Member names: each a file number, none twice, the control file among them.
  std::map<int, size_t> byNumber;
  for (size_t i = 0; i < listing.entries.size(); ++i) {
    const std::string& name = listing.entries[i].name;
    auto number = MemberNumber(name);
    if (!number) return Refuse(L"the member \"" + qzrcab::FromDeviceText(name) + L"\" is no installer member name");
    if (!byNumber.emplace(*number, i).second)
      return Refuse(L"two members carry the number " + std::to_wstring(*number));
  }
  if (!byNumber.count(0)) return Refuse(L"the cabinet has no control file (member .000)");

  const std::wstring staging = std::wstring(kAppMgr) + L"Install\\qzr" + std::to_wstring(GetCurrentProcessId());
  RemoveTree(staging);
  MakeFolders(staging);
  struct StagingGone {
    std::wstring path;
    ~StagingGone() { RemoveTree(path); }
  } stagingGone{staging};
  std::vector<qzrcab::ExtractedMember> extracted;
  std::wstring error;
  if (!qzrcab::ExtractCabinet(cabinet, staging, &extracted, &error)) return Refuse(error);
  if (extracted.size() != listing.entries.size()) return Refuse(L"the cabinet library extracted fewer members than the cabinet lists");
  for (size_t i = 0; i < extracted.size(); ++i)
    if (extracted[i].name != listing.entries[i].name) return Refuse(L"the cabinet library extracted other members than the cabinet lists");

  auto control = ReadWhole(extracted[byNumber[0]].file, kMaxControlFileBytes);
  if (!control) return Refuse(L"cannot read the control file");
  auto setup = qzrcab::DecodeCeSetup(*control, &why);
  if (!setup) return Refuse(qzrcab::FromDeviceText(why));
  auto plan = PlanInstall(*setup, &error);
  if (!plan) return Refuse(error);
  std::map<int, std::wstring> staged;
  std::map<int, FILETIME> dates;
  for (const PlannedFile& f : plan->files) {
    auto it = byNumber.find(f.number);
    if (it == byNumber.end()) return Refuse(L"file " + std::to_wstring(f.number) + L" (" + f.path + L") has no member in the cabinet");
    staged[f.number] = extracted[it->second].file;
    const qzrcab::CabEntry& entry = listing.entries[it->second];
    FILETIME local{}, when{};
    DosDateTimeToFileTime(entry.date, entry.time, &local);
    LocalFileTimeToFileTime(&local, &when);
    dates[f.number] = when;
  }

  // What the device checks before it installs anything.
  if (plan->processorType != 0) {
    auto device = wince::ReadProfileString(kProcessorType);
    if (device && _wtoi(device->c_str()) != static_cast<int>(plan->processorType))
      return Refuse(L"the cabinet is for processor type " + std::to_wstring(plan->processorType) + L", this device's is " + *device);
  }
  if (plan->minMajor != 0) {
    auto version = DeviceVersion();
    if (version && std::make_pair<long long, long long>(version->first, version->second) <
                       std::make_pair<long long, long long>(plan->minMajor, plan->minMinor))
      return Refuse(L"the application needs Windows CE " + std::to_wstring(plan->minMajor) + L"." + std::to_wstring(plan->minMinor) +
                    L" or later; this device runs " + std::to_wstring(version->first) + L"." + std::to_wstring(version->second));
  }
  const std::wstring platform = Squeezed(wince::ReadProfileString(wince::profile::kPlatformType).value_or(L""));
  for (const std::wstring& u : plan->unsupported)
    if (!platform.empty() && Squeezed(u) == platform &&
        !Confirm(options, L"The program you have installed may not display properly because it was designed for a previous version of Windows Mobile software; " +
                              ApplicationName(*plan) + L" lists this platform (" + u + L") as unsupported. Install anyway?"))
      return Refuse(L"the installation was declined on an unsupported platform");

  const std::wstring application = ApplicationName(*plan);
  const bool previously = IsRegisteredApplication(application);
  if (previously) {
    if (!Confirm(options, L"The previous version of " + application + L" will be removed before the new version is installed."))
      return Refuse(L"the previous version stays installed");
    if (UninstallApplication(application, options) != kInstalled) return Refuse(L"the previous version could not be removed");
  }

  Print(L"installing " + application + L" into " + plan->installDir + L"\n");
  MakeFolders(std::wstring(kAppMgr).substr(0, wcslen(kAppMgr) - 1));
  const std::wstring keptDll = KeptName(application) + L".dll";
  qzr::Library library;
  InstallInitFn init = nullptr;
  InstallExitFn exit = nullptr;
  if (auto dll = byNumber.find(999); dll != byNumber.end()) {
    if (!CopyFileW(extracted[dll->second].file.c_str(), keptDll.c_str(), FALSE))
      return Refuse(L"cannot keep the setup DLL as " + keptDll);
    library = qzr::Library(keptDll.c_str());
    init = library.Proc<InstallInitFn>("Install_Init");
    exit = library.Proc<InstallExitFn>("Install_Exit");
    if (!init || !exit) {
      library.reset();
      DeleteFileW(keptDll.c_str());
      Print(L"the setup DLL does not load or lacks Install_Init and Install_Exit; nothing was installed\n");
      return kNoLibrary;
    }
  }
  auto dropDll = [&] {
    library.reset();
    DeleteFileW(keptDll.c_str());
  };
  if (init) {
    int result = init(nullptr, TRUE, previously ? TRUE : FALSE, plan->installDir.c_str());
    Print(L"Install_Init returned " + std::to_wstring(result) + L"\n");
    if (result != 0) {
      dropDll();
      Print(L"the setup DLL cancelled the installation; nothing was installed\n");
      return kRolledBack;
    }
  }

  const std::wstring backups = KeptName(application) + L".backup";
  Installation install(*plan, backups);
  install.Folders();
  install.Files(staged, dates);
  install.Registry();
  install.Shortcuts();
  Print(L"failures: folders " + std::to_wstring(install.failedDirs) + L", files " + std::to_wstring(install.failedFiles) +
        L", registry keys " + std::to_wstring(install.failedRegKeys) + L", registry values " +
        std::to_wstring(install.failedRegVals) + L", shortcuts " + std::to_wstring(install.failedShortcuts) + L"\n");
  int result = 0;
  if (exit) {
    result = exit(nullptr, plan->installDir.c_str(), install.failedDirs, install.failedFiles, install.failedRegKeys,
                  install.failedRegVals, install.failedShortcuts);
    Print(L"Install_Exit returned " + std::to_wstring(result) + L"\n");
    if (Exists(plan->installDir + L"\\qzrCEInstall.log")) PrintLog(plan->installDir);
  }
  if (result != 0) {
    // As for an uninstall: the setup DLL undoes its part, then the installer its own.
    auto uninit = library.Proc<UninstallInitFn>("Uninstall_Init");
    auto unexit = library.Proc<UninstallExitFn>("Uninstall_Exit");
    if (uninit) Print(L"Uninstall_Init returned " + std::to_wstring(uninit(nullptr, plan->installDir.c_str())) + L"\n");
    Undo(install.steps());
    if (unexit) Print(L"Uninstall_Exit returned " + std::to_wstring(unexit(nullptr)) + L"\n");
    dropDll();
    RemoveTree(backups);
    Print(L"package removed again\n");
    return kRolledBack;
  }

  qzr::RegKey app;
  std::wstring cabFile = cabinet;
  if (!app.Create(HKEY_LOCAL_MACHINE, kAppsKey + application) || !app.WriteDword(L"Instl", 1) ||
      !app.WriteString(L"CabFile", cabFile) || !app.WriteString(L"InstallDir", plan->installDir) ||
      !WriteWhole(KeptName(application) + L".dat", EncodeUndo(install.steps())))
    Print(L"cannot register " + application + L" for removal\n");
  library.reset();
  if (!options.keepCab) {
    SetFileAttributesW(cabinet.c_str(), FILE_ATTRIBUTE_NORMAL);
    if (DeleteFileW(cabinet.c_str())) Print(L"deleted " + cabinet + L"\n");
  }
  Print(L"installed " + application + L"\n");
  return kInstalled;
}

int UninstallApplication(const std::wstring& application, const CabOptions&) {
  qzr::RegKey app;
  if (!IsRegisteredApplication(application) || !app.Open(HKEY_LOCAL_MACHINE, kAppsKey + application)) {
    Print(L"no application \"" + application + L"\" is installed: nothing uninstalled\n");
    return kNoRecord;
  }
  const std::wstring installDir = app.ReadString(L"InstallDir").value_or(L"");
  const std::wstring keptDll = KeptName(application) + L".dll";
  qzr::Library library;
  if (Exists(keptDll)) library = qzr::Library(keptDll.c_str());
  auto init = library.Proc<UninstallInitFn>("Uninstall_Init");
  auto exit = library.Proc<UninstallExitFn>("Uninstall_Exit");
  if (init) {
    int result = init(nullptr, installDir.c_str());
    Print(L"Uninstall_Init returned " + std::to_wstring(result) + L"\n");
    if (result != 0) {
      Print(L"the setup DLL cancelled the uninstall; " + application + L" stays installed\n");
      return kRolledBack;
    }
  }
  auto record = ReadWhole(KeptName(application) + L".dat", kMaxControlFileBytes);
  Undo(DecodeUndo(record.value_or("")));
  if (exit) Print(L"Uninstall_Exit returned " + std::to_wstring(exit(nullptr)) + L"\n");
  library.reset();
  DeleteFileW(keptDll.c_str());
  DeleteFileW((KeptName(application) + L".dat").c_str());
  RemoveTree(KeptName(application) + L".backup");
  app = qzr::RegKey();
  RegDeleteTreeW(HKEY_LOCAL_MACHINE, (kAppsKey + application).c_str());
  RegDeleteKeyW(HKEY_LOCAL_MACHINE, (kAppsKey + application).c_str());
  Print(L"uninstalled " + application + L"\n");
  return kInstalled;
}

}  // namespace cabhost
