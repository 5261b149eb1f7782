// Registry additions, removals and the install path value: what they write, log and record, and what uninstalling removes.
#include <gtest/gtest.h>

#include "Registry.h"
#include "SetupHarness.h"

using namespace setup_test;
using namespace testing_support;

namespace {

constexpr wchar_t kHkcu[] = L"-2147483647";

}  // namespace

TEST(SetupRegistry, AdditionsOfEveryTypeAndTheirRecords) {
  Package pkg;
  const std::wstring k = pkg.regKey();
  const std::string K = Narrow(k);
  WriteRegString(HKEY_CURRENT_USER, k + L"\\Existing", L"Keep", L"mine");
  pkg.WriteIni(
      "[General]\r\nVerboseLogging=Y\r\n[Paths]\r\nPath1=" + Narrow(pkg.installDir()) + "\r\n"
      "[AddInstallPathToRegistry]\r\nAddPathToRegistry_Init=Y\r\nPredefinedKey=HKEY_CURRENT_USER\r\n"
      "Subkey=" + K + "\\Path\r\nValue=Dir\r\n"
      "[RegistryAdditions]\r\n"
      "PredefinedKey1=HKEY_CURRENT_USER\r\nSubKey1=\\" + K + "\\New\\\r\nValue1=Str\r\nDataType1=REG_SZ\r\nData1=%INSTALLDIR%\\x\r\n"
      "DataType2=REG_DWORD\r\nPredefinedKey2=HKEY_CURRENT_USER\r\nSubKey2=" + K + "\\Existing\r\nValue2=Num\r\nData2=12\r\n"
      "PredefinedKey3=HKEY_CURRENT_USER\r\nSubKey3=" + K + "\\New\r\nValue3=Bin\r\nDataType3=REG_BINARY\r\nData3=AB\r\n"
      "PredefinedKey4=HKEY_CURRENT_USER\r\nSubKey4=" + K + "\\Empty\r\nValue4=Nul\r\nDataType4=REG_SZ\r\nData4=~NULL~\r\n"
      "PredefinedKey5=HKEY_CURRENT_USER\r\nSubKey5=" + K + "\\KeyOnly\r\nDataType5=QZR_REG_KEY_ONLY\r\nValue5=Ignored\r\n"
      "PredefinedKey6=HKEY_CURRENT_USER\r\nSubKey6=" + K + "\\Existing\r\nDataType6=QZR_REG_KEY_ONLY\r\n"
      "PredefinedKey7=HKEY_NOWHERE\r\nSubKey7=Lost\r\nValue7=v\r\nDataType7=REG_SZ\r\nData7=d\r\n"
      "PredefinedKey8=HKEY_CURRENT_USER\r\nSubKey8=" + K + "\\New\r\nValue8=Big\r\nDataType8=REG_DWORD\r\nData8=4294967295\r\n");
  ASSERT_EQ(pkg.Install(), 0);

  const std::wstring installPath = pkg.rootRelative(L"inst");
  EXPECT_EQ(ReadRegString(HKEY_CURRENT_USER, k + L"\\Path", L"Dir"), installPath);
  EXPECT_EQ(ReadRegString(HKEY_CURRENT_USER, k + L"\\New", L"Str"), installPath + L"\\x");
  EXPECT_EQ(ReadRegDword(HKEY_CURRENT_USER, k + L"\\Existing", L"Num"), 12u);
  EXPECT_EQ(ReadRegDword(HKEY_CURRENT_USER, k + L"\\New", L"Big"), 0xFFFFFFFFu);
  EXPECT_EQ(ReadRaw(HKEY_CURRENT_USER, k + L"\\New", L"Bin"), (RawValue{REG_BINARY, {'A', 0, 'B', 0}}));
  EXPECT_EQ(ReadRaw(HKEY_CURRENT_USER, k + L"\\Empty", L"Nul"), (RawValue{REG_SZ, {0, 0, 0, 0}}));
  EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, k + L"\\KeyOnly"));
  EXPECT_FALSE(ReadRaw(HKEY_CURRENT_USER, k + L"\\KeyOnly", L"Ignored"));
  EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, L"Lost"));

  const std::wstring key = std::wstring(L"R:K:") + kHkcu + L":" + k, value = std::wstring(L"R:V:") + kHkcu + L":" + k;
  // The key-only entry for the existing key leaves no record.
  EXPECT_EQ(pkg.Records(), (std::vector<std::wstring>{key + L"\\Path", key + L"\\New", value + L"\\New:Str",
                                                      value + L"\\Existing:Num", value + L"\\New:Bin", key + L"\\Empty",
                                                      value + L"\\Empty:Nul", key + L"\\KeyOnly", value + L"\\New:Big"}));

  auto log = pkg.Log();
  for (const std::wstring& line : {std::wstring(L"Adding Install Path (prior to Init app)"), L"Created Key: " + k + L"\\New",
                                   L"Reg Write -- Str to " + installPath + L"\\x", L"Set Value: Str [" + installPath + L"\\x]",
                                   std::wstring(L"Reg Write -- Num to 12"), std::wstring(L"Set Value: Num [12]"),
                                   std::wstring(L"Reg Write -- Bin"), std::wstring(L"Set Value: [binary data]"),
                                   std::wstring(L"Set Value: Nul []"), L"Created Key: " + k + L"\\KeyOnly",
                                   std::wstring(L"Error 6 when attempting to create key: Lost"),
                                   std::wstring(L"Set Value: Big [-1]")})
    EXPECT_TRUE(Contains(log, line)) << Narrow(line);
  EXPECT_FALSE(ContainsPrefix(log, L"Reg Write -- Nul"));
  EXPECT_TRUE(ContainsPrefix(log, L"Error 6 when attempting set value: v, error = "));

  // Uninstallation takes away what the records name and nothing else.
  ASSERT_EQ(pkg.Uninstall(), 0);
  for (const wchar_t* created : {L"\\New", L"\\Path", L"\\Empty", L"\\KeyOnly"})
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, k + created)) << Narrow(created);
  EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, k + L"\\Existing"));
  EXPECT_FALSE(ReadRaw(HKEY_CURRENT_USER, k + L"\\Existing", L"Num"));
  EXPECT_EQ(ReadRegString(HKEY_CURRENT_USER, k + L"\\Existing", L"Keep"), L"mine");
}

TEST(SetupRegistry, RemovalsAtInstallation) {
  Package pkg;
  const std::wstring k = pkg.regKey();
  const std::string K = Narrow(k);
  const struct {
    const wchar_t* key;
    const wchar_t* value;  // L"": the unnamed value
    bool stays;
  } values[] = {{L"Whole\\Sub", L"x", false}, {L"Named", L"A", false}, {L"Named", L"B", true}, {L"Unnamed", L"", false},
                {L"Unnamed", L"C", true}, {L"ByCommand", L"D", false}, {L"ByCommandValue", L"E", false},
                {L"ByCommandValue", L"F", true}};
  for (const auto& v : values) WriteRegString(HKEY_CURRENT_USER, k + L"\\" + v.key, v.value, L"1");
  pkg.WriteIni("[RegistryKeyRemovals]\r\n"
               "PredefinedKey1=HKEY_CURRENT_USER\r\nSubKey1=\\" + K + "\\Whole\\\r\nValue1=\r\n"
               "PredefinedKey2=HKEY_CURRENT_USER\r\nSubKey2=" + K + "\\Named\r\nValue2=A\r\n"
               "PredefinedKey3=HKEY_CURRENT_USER\r\nSubKey3=" + K + "\\Unnamed\r\n"
               "[Init_Commands]\r\n"
               "Command1=RemoveRegEntry,HKEY_CURRENT_USER," + K + "\\ByCommand\r\n"
               "Command2=RemoveRegEntry,HKEY_CURRENT_USER," + K + "\\ByCommandValue,E\r\n");
  ASSERT_EQ(pkg.Install(), 0);
  for (const auto& v : values)
    EXPECT_EQ(ReadRaw(HKEY_CURRENT_USER, k + L"\\" + v.key, v.value).has_value(), v.stays) << Narrow(v.key) << ":" << Narrow(v.value);
  EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, k + L"\\Whole"));  // with its subkeys, as on the device
  EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, k + L"\\ByCommand"));
  EXPECT_TRUE(pkg.Records().empty());
}

TEST(SetupRegistry, AWholeRootIsNeverDeleted) {
  // An empty key path (a removal without SubKey, a record "R:K:<root>:") names the root itself.
  EXPECT_FALSE(qzrsetup::DeleteRegistryKey(HKEY_CURRENT_USER, L""));
  EXPECT_FALSE(qzrsetup::DeleteRegistryKey(HKEY_CURRENT_USER, L"\\"));
  EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, L"Software"));
}

TEST(SetupRegistry, NamesWithAColonAreNeverRecordedAsSomethingElse) {
  // "A:B" would be recorded as key "A" (its whole tree deleted at uninstallation), and a value
  // "Path:1" as value "Path". Neither may be recorded; the log says what stays behind.
  Package pkg;
  const std::wstring k = pkg.regKey();
  const std::string K = Narrow(k);
  WriteRegString(HKEY_CURRENT_USER, k + L"\\A", L"Keep", L"theirs");
  WriteRegString(HKEY_CURRENT_USER, k + L"\\Old", L"Path", L"theirs");
  pkg.WriteIni(
      "[RegistryAdditions]\r\n"
      "PredefinedKey1=HKEY_CURRENT_USER\r\nSubKey1=" + K + "\\A:B\r\nValue1=V\r\nDataType1=REG_SZ\r\nData1=x\r\n"
      "PredefinedKey2=HKEY_CURRENT_USER\r\nSubKey2=" + K + "\\Old\r\nValue2=Path:1\r\nDataType2=REG_SZ\r\nData2=x\r\n"
      "PredefinedKey3=HKEY_CURRENT_USER\r\nSubKey3=" + K + "\\C:D\r\nDataType3=QZR_REG_KEY_ONLY\r\n"
      "PredefinedKey4=HKEY_CURRENT_USER\r\nSubKey4=" + K + "\\Plain\r\nValue4=Ok\r\nDataType4=REG_SZ\r\nData4=x\r\n"
      "[AddInstallPathToRegistry]\r\nAddPathToRegistry_Exit=Y\r\nPredefinedKey=HKEY_CURRENT_USER\r\n"
      "Subkey=" + K + "\\Old\r\nValue=Dir:1\r\n");
  ASSERT_EQ(pkg.Install(), 0);
  EXPECT_EQ(ReadRegString(HKEY_CURRENT_USER, k + L"\\A:B", L"V"), L"x");
  EXPECT_EQ(ReadRegString(HKEY_CURRENT_USER, k + L"\\Old", L"Path:1"), L"x");
  EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, k + L"\\C:D"));

  // Only the plain key and value are recorded, and every record reads back as what it names.
  EXPECT_EQ(pkg.Records(), (std::vector<std::wstring>{std::wstring(L"R:K:") + kHkcu + L":" + k + L"\\Plain",
                                                      std::wstring(L"R:V:") + kHkcu + L":" + k + L"\\Plain:Ok"}));
  auto log = pkg.Log();  // verbose logging is off: these lines are always written, the verbose ones never
  EXPECT_FALSE(ContainsPrefix(log, L"Created Key"));
  EXPECT_FALSE(ContainsPrefix(log, L"Set Value"));
  EXPECT_TRUE(Contains(log, L"Key name cannot be recorded, uninstall will leave key: " + k + L"\\A:B"));
  EXPECT_TRUE(Contains(log, L"Value name cannot be recorded, uninstall will leave value: " + k + L"\\A:B [V]"));
  EXPECT_TRUE(Contains(log, L"Value name cannot be recorded, uninstall will leave value: " + k + L"\\Old [Path:1]"));
  EXPECT_TRUE(Contains(log, L"Key name cannot be recorded, uninstall will leave key: " + k + L"\\C:D"));
  EXPECT_TRUE(Contains(log, L"Value name cannot be recorded, uninstall will leave value: " + k + L"\\Old [Dir:1]"));

  ASSERT_EQ(pkg.Uninstall(), 0);
  EXPECT_EQ(ReadRegString(HKEY_CURRENT_USER, k + L"\\A", L"Keep"), L"theirs");
  EXPECT_EQ(ReadRegString(HKEY_CURRENT_USER, k + L"\\Old", L"Path"), L"theirs");
  EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, k + L"\\Plain"));
}

TEST(SetupRegistry, ARecordTooLongIsLoggedNotDropped) {
  Package pkg;
  const std::string tail(240, 'x');
  pkg.WriteIni("[Paths]\r\nPath1=" + Narrow(pkg.installDir()) + "\r\n[Uninstall_Removals]\r\nFile1=%INSTALLDIR%\\" +
               tail + "\r\nFile2=%INSTALLDIR%\\short.txt\r\n");
  ASSERT_EQ(pkg.Install(), 0);
  const std::wstring shortRecord = L"F:" + pkg.rootRelative(L"inst\\short.txt");
  EXPECT_EQ(pkg.Records(), std::vector<std::wstring>{shortRecord});
  const std::wstring prefix = L"Record too long, uninstall will leave: F:" + pkg.rootRelative(L"inst");
  bool found = false;
  for (const std::wstring& line : pkg.Log()) {
    if (line.rfind(prefix, 0) != 0) continue;
    found = true;
    // Cut in the middle to fit the log line: the file name's end is still there.
    EXPECT_NE(line.find(L"..."), std::wstring::npos) << Narrow(line);
    EXPECT_EQ(line.substr(line.size() - 20), std::wstring(20, L'x'));
  }
  EXPECT_TRUE(found);
}
