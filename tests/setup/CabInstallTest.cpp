// The cabinet host installs real cabinets as the device does: files, folders, registry values and
// shortcuts as the .inf says at every flag, the setup DLL's calls with the device's arguments,
// rollback and uninstall that leave the device as it was, and hostile cabinets refused untouched.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "CabContainer.h"
#include "CabinetCheck.h"
#include "CabTestSupport.h"
#include "CeSetupFile.h"
#include "RegistrySupport.h"
#include "SetupHarness.h"
#include "TestSupport.h"

namespace {

using namespace testing_support;
using cab_test::CabProject;
using setup_test::FileExists;
using setup_test::ReadRegDword;
using setup_test::RunHost;

constexpr wchar_t kProbeKey[] = L"Software\\QzrCabProbe";

std::wstring Quoted(const std::wstring& s) { return L"\"" + s + L"\""; }
std::string Has(const std::string& output, const std::string& part) { return output.find(part) != std::string::npos ? part : output; }

// One test's device: a scratch tree (install folder, a folder outside it), a registry key of its
// own, the probe DLL's answers and log, and the application's registration cleaned up afterwards.
class CabDevice {
 public:
  explicit CabDevice(const std::wstring& app) : app_(app) {
    static int counter = 0;
    regKey_ = L"Software\\QzrCabTest\\" + std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(++counter);
    RegDeleteTreeW(HKEY_CURRENT_USER, kProbeKey);
    WriteRegString(HKEY_CURRENT_USER, kProbeKey, L"Log", project_ / L"probe.log");
  }
  ~CabDevice() {
    // Whatever a failed test left: the registration, the kept files, the keys.
    std::string ignored;
    RunHost(L"uninstall " + Quoted(application()), false, &ignored);
    RegDeleteTreeW(HKEY_CURRENT_USER, regKey_.c_str());
    RegDeleteTreeW(HKEY_CURRENT_USER, kProbeKey);
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, (L"Software\\Apps\\" + application()).c_str());
  }
  std::wstring application() const { return L"QzrTest " + app_; }
  const CabProject& project() const { return project_; }
  std::wstring device(const std::wstring& name) const { return (project_ / name).substr(2); }  // without "C:"
  const std::wstring& regKey() const { return regKey_; }
  void Answer(const wchar_t* call, DWORD value) const {
    qzr::RegKey key;
    key.Create(HKEY_CURRENT_USER, kProbeKey);
    key.WriteDword(call, value);
  }
  std::vector<std::string> Calls() const { return ReadLines(project_ / L"probe.log"); }

 private:
  std::wstring app_;
  CabProject project_;
  std::wstring regKey_;
};

std::string Narrowed(const std::wstring& s) { return Narrow(s); }

// The .inf of the round trips: files at every flag into the install folder and beside it,
// values of every type, shortcuts to a file and to a folder, the probe as setup DLL.
std::string RoundTripInf(const CabDevice& d, const std::string& app) {
  const std::string key = Narrowed(d.regKey());
  return "[Version]\nSignature=\"$Windows NT$\"\nCESignature=\"$Windows CE$\"\nProvider=QzrTest\n"
         "[CEStrings]\nAppName=" + app + "\nInstallDir=" + Narrowed(d.device(L"inst")) + "\n"
         "[CEDevice]\nProcessorType=2577\nVersionMin=5.0\n"
         "[SourceDisksNames]\n1=,,,src\n[SourceDisksFiles]\napp.exe=1\nnew.txt=1\nkeep.txt=1\nonly.txt=1\nabsent.txt=1\n"
         "newer.txt=1\nforced.txt=1\nold.txt=1\nshared.txt=1\ncabprobe.dll=1\n"
         "[DefaultInstall]\nCopyFiles=App,Beside\nAddReg=Reg\nCEShortcuts=Links\nCESetupDLL=cabprobe.dll\n"
         "CESelfRegister=registered.dll\n"
         "[DestinationDirs]\nApp=0,%InstallDir%\nBeside=0," + Narrowed(d.device(L"beside")) + "\nLinks=0,%InstallDir%\\links\n"
         "[App]\napp.exe\nsub.txt,new.txt\nregistered.dll,cabprobe.dll\n"
         "[Beside]\n"
         "keep.txt,,,0x00000010\n"     // exists: never overwritten
         "only.txt,,,0x00000400\n"     // exists: replaced
         "absent.txt,,,0x00000400\n"   // missing: not made
         "newer.txt,,,0x20000000\n"    // a newer file stays
         "forced.txt,,,0x40000000\n"   // a newer file is overwritten
         "old.txt\n"                   // an older file is overwritten
         "shared.txt,,,0x80000000\n"
         "[Reg]\n"
         "HKCU," + key + "\\New,Text,0x00000000,%InstallDir%\\app.exe\n"
         "HKCU," + key + "\\New,Lines,0x00010000,one,two\n"
         "HKCU," + key + "\\New,Count,0x00010001,42\n"
         "HKCU," + key + "\\New,Blob,0x00000001,0a,ff\n"
         "HKCU," + key + "\\Old,Kept,0x00000002,new\n"
         "HKCU," + key + "\\Old,Changed,0x00000000,new\n"
         "HKCU," + key + "\\Old,Added,0x00010001,7\n"
         "[Links]\nStart,0,app.exe\nFolder,1,%InstallDir%\n";
}

// The device before the installation: files and values the installation meets.
void PrepareDevice(const CabDevice& d) {
  const CabProject& p = d.project();
  CreateDirectoryW((p / L"beside").c_str(), nullptr);
  for (const wchar_t* name : {L"app.exe", L"new.txt", L"keep.txt", L"only.txt", L"absent.txt", L"newer.txt", L"forced.txt",
                              L"old.txt", L"shared.txt"})
    p.Write(std::wstring(L"src\\") + name, "new " + Narrow(name));
  CopyFileW((BinFolder() + L"cabprobe.dll").c_str(), (p / L"src\\cabprobe.dll").c_str(), FALSE);
  for (const wchar_t* name : {L"keep.txt", L"only.txt", L"newer.txt", L"forced.txt", L"old.txt"})
    p.Write(std::wstring(L"beside\\") + name, "before " + Narrow(name));
  // The files that are newer than the cabinet's.
  for (const wchar_t* name : {L"newer.txt", L"forced.txt"}) {
    HANDLE f = CreateFileW((p / (std::wstring(L"beside\\") + name)).c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    FILETIME future{};
    SYSTEMTIME st{2099, 1, 0, 1, 0, 0, 0, 0};
    SystemTimeToFileTime(&st, &future);
    SetFileTime(f, nullptr, nullptr, &future);
    CloseHandle(f);
  }
  WriteRegString(HKEY_CURRENT_USER, d.regKey() + L"\\Old", L"Kept", L"before");
  WriteRegString(HKEY_CURRENT_USER, d.regKey() + L"\\Old", L"Changed", L"before");
}

void ExpectDeviceAsBefore(const CabDevice& d) {
  const CabProject& p = d.project();
  EXPECT_FALSE(FileExists(p / L"inst")) << "the install folder stays";
  for (const wchar_t* name : {L"keep.txt", L"only.txt", L"newer.txt", L"forced.txt", L"old.txt"})
    EXPECT_EQ(ReadBytes(p / (std::wstring(L"beside\\") + name)).value_or("gone"), "before " + Narrow(name)) << Narrow(name);
  EXPECT_FALSE(FileExists(p / L"beside\\absent.txt"));
  EXPECT_FALSE(FileExists(p / L"beside\\shared.txt"));
  EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, d.regKey() + L"\\New"));
  EXPECT_EQ(ReadRegString(HKEY_CURRENT_USER, d.regKey() + L"\\Old", L"Kept").value_or(L"gone"), L"before");
  EXPECT_EQ(ReadRegString(HKEY_CURRENT_USER, d.regKey() + L"\\Old", L"Changed").value_or(L"gone"), L"before");
  EXPECT_FALSE(ReadRegDword(HKEY_CURRENT_USER, d.regKey() + L"\\Old", L"Added"));
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, L"Software\\Apps\\" + d.application()));
  EXPECT_FALSE(FileExists(L"C:\\Windows\\AppMgr\\" + d.application() + L".dll"));
  EXPECT_FALSE(FileExists(L"C:\\Windows\\AppMgr\\" + d.application() + L".dat"));
}

// Every cabinet these tests build reads back in Debian's cabextract, checksums and all.
void ExpectCabextractReads(const std::wstring& cab) {
  cab_test::CabextractRun x = cab_test::Cabextract(cab);
  EXPECT_EQ(x.testExit, 0) << x.testOutput;
  EXPECT_EQ(x.listExit, 0) << x.listOutput;
  EXPECT_FALSE(x.members.empty()) << x.listOutput;
}

std::wstring BuildCab(const CabDevice& d, const std::string& inf, const std::wstring& options = L"") {
  d.project().Inf(inf);
  std::string output;
  EXPECT_EQ(cab_test::RunQzrcab(options + L" -o app.cab app.inf", &output, d.project().folder()), 0) << output;
  ExpectCabextractReads(d.project() / L"app.cab");
  return d.project() / L"app.cab";
}

TEST(CabInstall, FilesValuesAndShortcutsAsTheInfSaysThenUninstalledToTheDeviceBefore) {
  for (const wchar_t* compress : {L"--compress none", L"--compress mszip"}) {
    SCOPED_TRACE(Narrow(compress));
    CabDevice d(L"Round Trip");
    PrepareDevice(d);
    const std::wstring cab = BuildCab(d, RoundTripInf(d, "Round Trip"), compress);
    const std::wstring inst = d.device(L"inst");
    std::string output;
    ASSERT_EQ(RunHost(L"install " + Quoted(cab) + L" /noui", false, &output), 0) << output;
    EXPECT_EQ(Has(output, "Install_Init returned 0"), "Install_Init returned 0");
    EXPECT_EQ(Has(output, "Install_Exit returned 0"), "Install_Exit returned 0");
    EXPECT_FALSE(FileExists(cab)) << "the cabinet is deleted after the installation";

    const CabProject& p = d.project();
    EXPECT_EQ(ReadBytes(p / L"inst\\app.exe").value_or(""), "new app.exe");
    EXPECT_EQ(ReadBytes(p / L"inst\\sub.txt").value_or(""), "new new.txt");
    EXPECT_EQ(ReadBytes(p / L"beside\\keep.txt").value_or(""), "before keep.txt");
    EXPECT_EQ(ReadBytes(p / L"beside\\only.txt").value_or(""), "new only.txt");
    EXPECT_FALSE(FileExists(p / L"beside\\absent.txt"));
    EXPECT_EQ(ReadBytes(p / L"beside\\newer.txt").value_or(""), "before newer.txt");
    EXPECT_EQ(ReadBytes(p / L"beside\\forced.txt").value_or(""), "new forced.txt");
    EXPECT_EQ(ReadBytes(p / L"beside\\old.txt").value_or(""), "new old.txt");
    EXPECT_EQ(ReadBytes(p / L"beside\\shared.txt").value_or(""), "new shared.txt");

    const std::wstring key = d.regKey();
    EXPECT_EQ(ReadRegString(HKEY_CURRENT_USER, key + L"\\New", L"Text").value_or(L""), inst + L"\\app.exe");
    qzr::RegKey k;
    ASSERT_TRUE(k.Open(HKEY_CURRENT_USER, key + L"\\New"));
    DWORD type = 0;
    auto lines = k.ReadBinary(L"Lines", &type);
    EXPECT_EQ(type, static_cast<DWORD>(REG_MULTI_SZ));
    const std::wstring multi(L"one\0two\0\0", 9);
    EXPECT_EQ(lines.value_or(std::vector<BYTE>()),
              std::vector<BYTE>(reinterpret_cast<const BYTE*>(multi.data()), reinterpret_cast<const BYTE*>(multi.data() + multi.size())));
    EXPECT_EQ(k.ReadDword(L"Count").value_or(0), 42u);
    auto blob = k.ReadBinary(L"Blob", &type);
    EXPECT_EQ(type, static_cast<DWORD>(REG_BINARY));
    EXPECT_EQ(blob.value_or(std::vector<BYTE>()), (std::vector<BYTE>{0x0a, 0xff}));
    EXPECT_EQ(ReadRegString(HKEY_CURRENT_USER, key + L"\\Old", L"Kept").value_or(L""), L"before");
    EXPECT_EQ(ReadRegString(HKEY_CURRENT_USER, key + L"\\Old", L"Changed").value_or(L""), L"new");
    EXPECT_EQ(ReadRegDword(HKEY_CURRENT_USER, key + L"\\Old", L"Added").value_or(0), 7u);

    // Shortcuts in the device's text form: the character count, "#", the command line.
    auto lnk = [](const std::wstring& target) {
      std::wstring line = target.find(L' ') == std::wstring::npos ? target : L"\"" + target + L"\"";
      return std::to_string(line.size()) + "#" + Narrow(line);
    };
    EXPECT_EQ(ReadBytes(p / L"inst\\links\\Start.lnk").value_or(""), lnk(inst + L"\\app.exe"));
    EXPECT_EQ(ReadBytes(p / L"inst\\links\\Folder.lnk").value_or(""), lnk(inst));

    // Registered for removal, with what uninstall needs kept.
    const std::wstring apps = L"Software\\Apps\\" + d.application();
    EXPECT_EQ(ReadRegDword(HKEY_LOCAL_MACHINE, apps, L"Instl").value_or(0), 1u);
    EXPECT_EQ(ReadRegString(HKEY_LOCAL_MACHINE, apps, L"InstallDir").value_or(L""), inst);
    EXPECT_EQ(ReadRegString(HKEY_LOCAL_MACHINE, apps, L"CabFile").value_or(L""), cab);
    EXPECT_TRUE(FileExists(L"C:\\Windows\\AppMgr\\" + d.application() + L".dll"));

    // Install_Init and Install_Exit as the device calls them: no window, first call, not
    // installed before, the install folder; the five failure counts. Between them the
    // self-registering file registered itself where it was installed.
    std::vector<std::string> calls = d.Calls();
    ASSERT_EQ(calls.size(), 3u);
    EXPECT_EQ(calls[0], "Install_Init parent=0 first=1 previous=0 dir=" + Narrow(inst) + " dirExists=0");
    EXPECT_EQ(calls[1], "DllRegisterServer " + Narrow(p / L"inst\\registered.dll"));
    EXPECT_EQ(calls[2], "Install_Exit parent=0 dir=" + Narrow(inst) + " failed=0,0,0,0,0");

    ASSERT_EQ(RunHost(L"uninstall " + Quoted(d.application()), false, &output), 0) << output;
    calls = d.Calls();
    ASSERT_EQ(calls.size(), 5u);
    EXPECT_EQ(calls[3], "Uninstall_Init parent=0 dir=" + Narrow(inst));
    EXPECT_EQ(calls[4], "Uninstall_Exit parent=0");
    ExpectDeviceAsBefore(d);
    EXPECT_EQ(RunHost(L"uninstall " + Quoted(d.application()), false, &output), 4) << output;
  }
}

TEST(CabInstall, AnInstallExitOfOneLeavesTheDeviceAsBefore) {
  CabDevice d(L"Rolled Back");
  PrepareDevice(d);
  d.Answer(L"InstallExit", 1);
  const std::wstring cab = BuildCab(d, RoundTripInf(d, "Rolled Back"));
  std::string output;
  EXPECT_EQ(RunHost(L"install " + Quoted(cab) + L" /noui", false, &output), 1) << output;
  std::vector<std::string> calls = d.Calls();
  ASSERT_EQ(calls.size(), 5u) << output;
  EXPECT_EQ(calls[3], "Uninstall_Init parent=0 dir=" + Narrow(d.device(L"inst")));
  EXPECT_EQ(calls[4], "Uninstall_Exit parent=0");
  ExpectDeviceAsBefore(d);
  EXPECT_TRUE(FileExists(cab)) << "a cabinet that did not install stays";
}

TEST(CabInstall, AnInstallInitOfOneInstallsNothing) {
  CabDevice d(L"Cancelled");
  PrepareDevice(d);
  d.Answer(L"InstallInit", 1);
  std::string output;
  EXPECT_EQ(RunHost(L"install " + Quoted(BuildCab(d, RoundTripInf(d, "Cancelled"))) + L" /noui", false, &output), 1) << output;
  EXPECT_EQ(d.Calls().size(), 1u);
  ExpectDeviceAsBefore(d);
}

TEST(CabInstall, ASecondInstallationReplacesTheFirstAndSaysItWasThere) {
  CabDevice d(L"Twice");
  PrepareDevice(d);
  std::string output;
  ASSERT_EQ(RunHost(L"install " + Quoted(BuildCab(d, RoundTripInf(d, "Twice"))) + L" /noui", false, &output), 0) << output;
  ASSERT_EQ(RunHost(L"install " + Quoted(BuildCab(d, RoundTripInf(d, "Twice"))) + L" /noui", false, &output), 0) << output;
  std::vector<std::string> calls = d.Calls();
  ASSERT_EQ(calls.size(), 8u) << output;
  EXPECT_EQ(calls[3].substr(0, 14), "Uninstall_Init");
  EXPECT_EQ(calls[5].substr(0, 36), "Install_Init parent=0 first=1 previo");
  EXPECT_NE(calls[5].find("previous=1"), std::string::npos) << calls[5];
  EXPECT_NE(output.find("The previous version of QzrTest Twice will be removed"), std::string::npos) << output;
  ASSERT_EQ(RunHost(L"uninstall " + Quoted(d.application()), false, &output), 0) << output;
  ExpectDeviceAsBefore(d);
}

TEST(CabInstall, AFailedSelfRegistrationCountsAsAFailedFile) {
  CabDevice d(L"Unregistered");
  PrepareDevice(d);
  d.Answer(L"Register", static_cast<DWORD>(E_FAIL));
  std::string output;
  ASSERT_EQ(RunHost(L"install " + Quoted(BuildCab(d, RoundTripInf(d, "Unregistered"))) + L" /noui", false, &output), 0) << output;
  std::vector<std::string> calls = d.Calls();
  ASSERT_EQ(calls.size(), 3u) << output;
  EXPECT_EQ(calls[2], "Install_Exit parent=0 dir=" + Narrow(d.device(L"inst")) + " failed=0,1,0,0,0");
  ASSERT_EQ(RunHost(L"uninstall " + Quoted(d.application()), false, &output), 0) << output;
  ExpectDeviceAsBefore(d);
}

TEST(CabInstall, AnUnsupportedPlatformIsWarnedAboutAndInstalledWhenAnswered) {
  CabDevice d(L"Unsupported");
  PrepareDevice(d);
  std::string inf = RoundTripInf(d, "Unsupported");
  inf.replace(inf.find("VersionMin=5.0\n"), 15, "VersionMin=5.0\nUnsupportedPlatforms=\"HPC\",\"Pocket PC\"\n");
  std::string output;
  ASSERT_EQ(RunHost(L"install " + Quoted(BuildCab(d, inf)) + L" /silent", false, &output), 0) << output;
  EXPECT_NE(output.find("lists this platform (Pocket PC) as unsupported. Install anyway? (answered Yes)"), std::string::npos)
      << output;
  ASSERT_EQ(RunHost(L"uninstall " + Quoted(d.application()), false, &output), 0) << output;
  ExpectDeviceAsBefore(d);
}

// Hostile and damaged cabinets: refused with a message, nothing installed, the setup DLL never
// called, no crash.
TEST(CabInstall, DamagedAndHostileCabinetsAreRefusedUntouched) {
  CabDevice d(L"Hostile");
  PrepareDevice(d);
  const std::wstring good = BuildCab(d, RoundTripInf(d, "Hostile"), L"--compress none");
  const std::string bytes = ReadBytes(good).value();
  std::string error;
  qzrcab::CabListing listing = qzrcab::CheckCabinet(bytes, &error);
  ASSERT_EQ(error, "");
  std::wstring fdiError;
  auto members = cab_test::Members(good, &fdiError);
  ASSERT_FALSE(members.empty());
  const std::string control = members[0].second;
  auto setup = qzrcab::DecodeCeSetup(control, &error).value();
  // Where the data blocks are: the control file's block starts the first folder.
  const uint32_t firstBlock = static_cast<uint8_t>(bytes[36]) | static_cast<uint8_t>(bytes[37]) << 8 |
                              static_cast<uint8_t>(bytes[38]) << 16 | static_cast<uint32_t>(static_cast<uint8_t>(bytes[39])) << 24;

  // Cabinets of members made here, through the same FCI writer.
  auto pack = [&](const std::vector<std::pair<std::string, std::string>>& list) {
    std::vector<qzrcab::CabMember> m;
    for (const auto& [name, data] : list) m.push_back({name, L"", data});
    std::wstring path = d.project() / L"made.cab", why;
    EXPECT_TRUE(qzrcab::WriteCabinet(path, m, qzrcab::Compression::None, &why)) << Narrow(why);
    return ReadBytes(path).value_or("");
  };
  auto withMembers = [&](std::string newControl, std::vector<std::pair<std::string, std::string>> extra = {}) {
    std::vector<std::pair<std::string, std::string>> list = members;
    list[0].second = std::move(newControl);
    for (auto& e : extra) list.push_back(std::move(e));
    return pack(list);
  };
  auto encoded = [&](auto change) {
    qzrcab::CeSetup s = setup;
    change(s);
    return qzrcab::EncodeCeSetup(s);
  };
  std::string offsetPastEnd = control;
  offsetPastEnd[68] = '\xF0';  // FILES offset
  offsetPastEnd[69] = '\xFF';
  std::vector<std::pair<std::string, std::string>> thousand = {{"0000many.000", ""}};
  {
    qzrcab::CeSetupBuilder b;
    b.setup().appName = "Many";
    b.setup().provider = "QzrTest";
    uint16_t dir = b.Dir({Narrowed(d.device(L"many")).substr(1)});
    for (int i = 1; i <= 999; ++i) {
      b.setup().files.push_back({static_cast<uint16_t>(i), dir, static_cast<uint16_t>(i), 0, "f" + std::to_string(i)});
      thousand.push_back({qzrcab::MemberName(L"f", i), "x"});
    }
    thousand[0].second = qzrcab::EncodeCeSetup(b.setup());
  }

  struct Case {
    const char* what;
    std::string cabinet;
    const char* says;
  } cases[] = {
      {"truncated in the header", bytes.substr(0, 20), "not a cabinet"},
      {"truncated after the header", bytes.substr(0, 40), "truncated"},
      {"truncated in the middle", bytes.substr(0, bytes.size() / 2), "truncated"},
      {"truncated by one byte", bytes.substr(0, bytes.size() - 1), "truncated"},
      {"a flipped byte in the control file", [&] { std::string b = bytes; b[firstBlock + 8 + 20] ^= 0x01; return b; }(), "bad checksum"},
      {"a flipped byte in a file's data", [&] { std::string b = bytes; b[b.size() - 3] ^= 0x40; return b; }(), "bad checksum"},
      {"a section offset past the end", withMembers(offsetPastEnd), "past the end"},
      {"a folder with ..", withMembers(encoded([](qzrcab::CeSetup& s) { s.strings.push_back({static_cast<uint16_t>(s.strings.size() + 1), ".."}); s.dirs[1].parts.push_back(static_cast<uint16_t>(s.strings.size())); })),
       "unsafe part"},
      {"a file named ..", withMembers(encoded([](qzrcab::CeSetup& s) { s.files[0].name = ".."; })), "unsafe name"},
      {"a drive letter", withMembers(encoded([](qzrcab::CeSetup& s) { s.files[0].name = "C:evil.exe"; })), "unsafe name"},
      {"a member name with ..", withMembers(control, {{"..\\evil.005", "x"}}), "no installer member name"},
      {"two members with one number", withMembers(control, {{"0another.001", "x"}}), "two members carry the number 1"},
      {"999 files", pack(thousand), "more than 998 files"},
      {"another processor", withMembers(encoded([](qzrcab::CeSetup& s) { s.architecture = 103; })), "processor type 103"},
      {"a later Windows CE", withMembers(encoded([](qzrcab::CeSetup& s) { s.minMajor = 7; })), "needs Windows CE 7.0"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    d.project().Write(L"hostile.cab", c.cabinet);
    std::string output;
    EXPECT_EQ(RunHost(L"install " + Quoted(d.project() / L"hostile.cab") + L" /noui", false, &output), 5) << output;
    EXPECT_NE(output.find("refused: "), std::string::npos) << output;
    EXPECT_NE(output.find(c.says), std::string::npos) << output;
    EXPECT_TRUE(d.Calls().empty()) << "the setup DLL was called";
    ExpectDeviceAsBefore(d);
    EXPECT_FALSE(FileExists(d.project() / L"many"));
    EXPECT_TRUE(FileExists(d.project() / L"hostile.cab")) << "a refused cabinet stays for the administrator";
  }
}

// The suite's own setup library through a real cabinet: qzrcab --package, then the host.
TEST(CabInstall, APackageCabinetRunsTheSetupLibraryAsTheDeviceDoes) {
  CabDevice d(L"Package");
  const std::wstring inst = d.device(L"inst");
  d.project().Write(L"pkg\\qzrCeInstall.ini",
                    "[General]\r\nVerboseLogging=Y\r\n[Paths]\r\nPath1=" + Narrow(inst) + "\r\n[RegistryAdditions]\r\nPredefinedKey1=HKEY_CURRENT_USER\r\nSubKey1=" +
                        Narrow(d.regKey()) + "\r\nValue1=Installed\r\nDataType1=REG_SZ\r\nData1=yes\r\n");
  ASSERT_TRUE(setup_test::WriteZip(d.project() / L"pkg\\files.zip", {{"%INSTALLDIR%/hello.txt", "hi"}}));
  std::string output;
  ASSERT_EQ(cab_test::RunQzrcab(L"--package pkg --app Package --provider QzrTest --install-dir " + Quoted(inst) + L" -o pkg.cab",
                                &output, d.project().folder()),
            0)
      << output;
  ExpectCabextractReads(d.project() / L"pkg.cab");
  ASSERT_EQ(RunHost(L"install " + Quoted(d.project() / L"pkg.cab") + L" /noui /nodelete", false, &output), 0) << output;
  EXPECT_NE(output.find("Install_Exit returned 0"), std::string::npos) << output;
  EXPECT_NE(output.find("qzrCEInstall Complete!"), std::string::npos) << output;
  EXPECT_TRUE(FileExists(d.project() / L"pkg.cab")) << "/nodelete keeps the cabinet";
  EXPECT_EQ(ReadBytes(d.project() / L"inst\\hello.txt").value_or(""), "hi") << output;
  EXPECT_EQ(ReadRegString(HKEY_CURRENT_USER, d.regKey(), L"Installed").value_or(L""), L"yes");
  EXPECT_FALSE(FileExists(d.project() / L"inst\\qzrCeInstall.ini")) << "the setup library deletes its INI";

  ASSERT_EQ(RunHost(L"uninstall " + Quoted(d.application()), false, &output), 0) << output;
  EXPECT_NE(output.find("Uninstall_Init returned 0"), std::string::npos) << output;
  EXPECT_FALSE(FileExists(d.project() / L"inst"));
  EXPECT_FALSE(ReadRegString(HKEY_CURRENT_USER, d.regKey(), L"Installed"));
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, L"Software\\Apps\\" + d.application()));
}

}  // namespace
