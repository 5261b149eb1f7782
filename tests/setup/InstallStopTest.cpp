// An installation cut short at every change it makes (the device switched off there): the
// uninstall files are whole, and the uninstallation that follows leaves the device as it was.
#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "RegistrySupport.h"
#include "SetupHarness.h"

using namespace setup_test;
using namespace testing_support;

namespace {

constexpr DWORD kStoppedExitCode = 0x5709;  // StopAtWrite.cpp

std::wstring Quoted(const std::wstring& s) { return L"\"" + s + L"\""; }

// What the device holds where the package works: files and folders below the scratch folder
// (the package's source and installation folders aside), and the registry below the test key.
using DeviceState = std::map<std::wstring, std::string>;

void AddFiles(DeviceState& state, const std::wstring& folder, const std::wstring& relative) {
  WIN32_FIND_DATAW data;
  HANDLE find = FindFirstFileW((folder + relative + L"*").c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return;
  do {
    const std::wstring name = data.cFileName;
    if (name == L"." || name == L"..") continue;
    const std::wstring rel = relative + name;
    if (relative.empty() && (name == L"src" || name == L"inst")) continue;
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      state[L"dir " + rel] = "";
      AddFiles(state, folder, rel + L"\\");
    } else {
      state[L"file " + rel] = ReadBytes(folder + rel).value_or("?");
    }
  } while (FindNextFileW(find, &data));
  FindClose(find);
}

void AddKey(DeviceState& state, HKEY root, const std::wstring& path) {
  qzr::RegKey key;
  if (!key.Open(root, path, KEY_READ)) return;
  state[L"key " + path] = "";
  for (DWORD i = 0;; ++i) {
    wchar_t name[256];
    DWORD nameChars = 256, type = 0;
    BYTE data[1024];
    DWORD size = sizeof data;
    if (RegEnumValueW(key.get(), i, name, &nameChars, nullptr, &type, data, &size) != ERROR_SUCCESS) break;
    state[L"value " + path + L":" + name] = std::to_string(type) + ":" + std::string(reinterpret_cast<char*>(data), size);
  }
  std::vector<std::wstring> subkeys;
  for (DWORD i = 0;; ++i) {
    wchar_t name[256];
    DWORD nameChars = 256;
    if (RegEnumKeyExW(key.get(), i, name, &nameChars, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    subkeys.push_back(name);
  }
  for (const std::wstring& sub : subkeys) AddKey(state, root, path + L"\\" + sub);
}

std::string Describe(const DeviceState& before, const DeviceState& after) {
  std::string text;
  for (const auto& [what, content] : after)
    if (!before.count(what)) text += " left: " + Narrow(what) + ";";
    else if (before.at(what) != content) text += " changed: " + Narrow(what) + ";";
  for (const auto& [what, content] : before)
    if (!after.count(what)) text += " removed: " + Narrow(what) + ";";
  return text;
}

// A data file of whole records: UTF-16 throughout, each line a known record ended by CR LF.
std::string DataFileFault(const std::optional<std::string>& bytes) {
  if (!bytes || bytes->empty()) return "";
  if (bytes->size() % 2) return "odd byte count";
  std::wstring text(bytes->size() / 2, L'\0');
  memcpy(text.data(), bytes->data(), bytes->size());
  if (text.size() < 2 || text.compare(text.size() - 2, 2, L"\r\n") != 0) return "does not end with CR LF";
  for (size_t at = 0; at < text.size();) {
    size_t end = text.find(L"\r\n", at);
    std::wstring line = text.substr(at, end - at);
    at = end + 2;
    bool known = false;
    for (const wchar_t* kind : {L"R:K:", L"R:V:", L"S:\\", L"F:", L"D:", L"A:"}) known = known || line.rfind(kind, 0) == 0;
    if (!known) return "unknown line: " + Narrow(line);
  }
  return "";
}

std::string CommandFileFault(const std::optional<std::string>& bytes) {
  if (!bytes || bytes->empty()) return "";
  if (bytes->rfind("[Uninstall_Commands]\r\n", 0) != 0) return "no section line";
  if (bytes->size() < 2 || bytes->compare(bytes->size() - 2, 2, "\r\n") != 0) return "does not end with CR LF";
  return "";
}

// A package that makes every kind of change: registry removals and additions (a new key
// branch, a value in a key that was there, a key only), the install path value, three files
// extracted into new folders of the install path and one outside it, a shortcut, and Init and
// Exit commands whose results the uninstall commands and removals name.
class StoppedInstall : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::string key = Narrow(pkg_.regKey());
    const std::string dev = Narrow(pkg_.devicePath(L""));
    const std::string ini =
        "[General]\r\nVerboseLogging=Y\r\n"
        "[Paths]\r\nPath1=" + dev + "app\r\n"
        "[AddInstallPathToRegistry]\r\nAddPathToRegistry_Init=Y\r\nPredefinedKey=HKEY_CURRENT_USER\r\n"
        "Subkey=" + key + "\\Path\r\nValue=Dir\r\n"
        "[RegistryKeyRemovals]\r\nPredefinedKey1=HKEY_CURRENT_USER\r\nSubKey1=" + key + "\\Existing\r\nValue1=Stale\r\n"
        "[RegistryAdditions]\r\n"
        "PredefinedKey1=HKEY_CURRENT_USER\r\nSubKey1=" + key + "\\Settings\\Deep\r\nValue1=Name\r\nDataType1=REG_SZ\r\n"
        "Data1=%INSTALLDIR%\\a.txt\r\n"
        "PredefinedKey2=HKEY_CURRENT_USER\r\nSubKey2=" + key + "\\Existing\r\nValue2=Count\r\nDataType2=REG_DWORD\r\n"
        "Data2=12\r\n"
        "PredefinedKey3=HKEY_CURRENT_USER\r\nSubKey3=" + key + "\\Marker\r\nDataType3=QZR_REG_KEY_ONLY\r\n"
        "[Shortcuts]\r\nProgramPathName1=%INSTALLDIR%\\a.txt\r\nShortcutPathName1=" + dev + "links\\a.lnk\r\n"
        "[Init_Commands]\r\nCommand1=CreateDir," + dev + "made\r\n"
        "Command2=AddRegEntry,HKEY_CURRENT_USER," + key + "\\ByCommand,Flag,REG_DWORD,1\r\n"
        "[Exit_Commands]\r\nCommand1=CopyFile,\\%INSTALLDIR%\\a.txt," + dev + "made\\copy.txt,N\r\n"
        "Command2=CreateDir," + dev + "later\r\n"
        "[Uninstall_Removals]\r\nDir1=" + dev + "later\r\n"
        "[Uninstall_Commands]\r\nCommand1=DeleteDir," + dev + "made\r\n";
    src_ = pkg_.Source(ini);
    const std::string outside = Narrow(pkg_.rootRelative(L"other/new/x.txt"));
    ASSERT_TRUE(WriteZip(src_ + L"\\p.zip", {{"%INSTALLDIR%/a.txt", "a"},
                                              {"%INSTALLDIR%/sub/deep/b.txt", "bb"},
                                              {"%INSTALLDIR%/sub/c.txt", std::string(70000, 'c')},
                                              {outside, "x"}}));
  }

  // What was there before: the install path with a file of its own, the shortcut folder, and
  // a key with a value the package adds beside and one that its removals delete.
  void PutDeviceAsBefore() {
    for (const wchar_t* name : {L"app", L"links", L"made", L"later", L"other"}) RemoveTree(pkg_.folder() + name);
    RegDeleteTreeW(HKEY_CURRENT_USER, pkg_.regKey().c_str());
    CreateDirectoryW((pkg_.folder() + L"app").c_str(), nullptr);
    CreateDirectoryW((pkg_.folder() + L"links").c_str(), nullptr);
    WriteBytes(pkg_.folder() + L"app\\keep.txt", "mine");
    WriteRaw(HKEY_CURRENT_USER, pkg_.regKey() + L"\\Existing", L"Keep", REG_DWORD, {1, 0, 0, 0});
    WriteRaw(HKEY_CURRENT_USER, pkg_.regKey() + L"\\Existing", L"Stale", REG_DWORD, {2, 0, 0, 0});
  }

  // The removals' target is the one thing an installation takes away for good.
  DeviceState State() const {
    DeviceState state;
    AddFiles(state, pkg_.folder(), L"");
    AddKey(state, HKEY_CURRENT_USER, pkg_.regKey());
    state.erase(L"value " + pkg_.regKey() + L"\\Existing:Stale");
    return state;
  }

  int Install() const {
    return RunHost(L"install " + Quoted(src_) + L" " + Quoted(pkg_.installDir()) + L" --dll " +
                   Quoted(BinFolder() + L"qzrCEInstall_stoppable.dll"));
  }
  int Uninstall(std::string* output) const {
    return RunHost(L"uninstall " + Quoted(pkg_.installDir()) + L" --dll " + Quoted(BinFolder() + L"qzrCEInstall.dll"),
                   false, output);
  }

  Package pkg_;
  std::wstring src_;
};

}  // namespace

TEST_F(StoppedInstall, AtEveryWriteTheUninstallFilesAreWholeAndTheUninstallLeavesTheDeviceAsBefore) {
  // The whole installation first: how many changes it makes, and that its uninstallation
  // restores the device (else no stopped one could).
  PutDeviceAsBefore();
  const DeviceState before = State();
  const std::wstring journal = pkg_.folder() + L"journal.txt";
  std::vector<std::string> points;
  {
    EnvScope journalEnv(L"QZR_SETUP_WRITE_JOURNAL", journal);
    ASSERT_EQ(Install(), 0);
    points = ReadLines(journal);
    DeleteFileW(journal.c_str());
  }
  ASSERT_GE(points.size(), 20u);
  ASSERT_EQ(ReadBytes(pkg_.folder() + L"app\\sub\\deep\\b.txt"), "bb");
  ASSERT_EQ(ReadBytes(pkg_.folder() + L"made\\copy.txt"), "a");
  ASSERT_TRUE(FileExists(pkg_.folder() + L"links\\a.lnk"));
  ASSERT_TRUE(KeyExists(HKEY_CURRENT_USER, pkg_.regKey() + L"\\ByCommand"));
  std::string output;
  ASSERT_EQ(Uninstall(&output), 0) << output;
  ASSERT_EQ(Describe(before, State()), "");

  size_t removalPoint = 0;
  while (removalPoint < points.size() && points[removalPoint].find("registry removal") == std::string::npos) ++removalPoint;
  ASSERT_LT(removalPoint++, points.size());
  int leftSomething = 0;
  std::map<std::string, int> byKind;
  for (size_t k = 1; k <= points.size(); ++k) {
    const std::string point = points[k - 1].substr(points[k - 1].find(' ') + 1);
    SCOPED_TRACE("stopped after write " + std::to_string(k) + " (" + point + ")");
    ++byKind[point];
    PutDeviceAsBefore();
    {
      EnvScope stop(L"QZR_SETUP_STOP_AT", std::to_wstring(k));
      ASSERT_EQ(static_cast<DWORD>(Install()), kStoppedExitCode);
    }
    EXPECT_EQ(DataFileFault(ReadBytes(pkg_.installFile(L"qzrCEUnInstall.dat"))), "");
    EXPECT_EQ(CommandFileFault(ReadBytes(pkg_.installFile(L"qzrCEUnInstall.cmd"))), "");
    EXPECT_EQ(Uninstall(&output), 0) << output;
    const std::string difference = Describe(before, State());
    EXPECT_EQ(difference, "");
    EXPECT_FALSE(FileExists(pkg_.installFile(L""))) << "the installation folder stayed";
    if (!difference.empty()) ++leftSomething;
    // The removals' target: there until the removals ran, gone after.
    EXPECT_EQ(ReadRaw(HKEY_CURRENT_USER, pkg_.regKey() + L"\\Existing", L"Stale").has_value(), k < removalPoint);
  }
  std::string kinds;
  for (const auto& [kind, count] : byKind) kinds += " " + std::to_string(count) + " " + kind + ",";
  printf("stopped installs: %zu write points tried (%s), %d left something behind\n", points.size(),
         kinds.substr(0, kinds.size() - 1).c_str(), leftSomething);
  EXPECT_EQ(leftSomething, 0);
}
