// The installer's control file (the cabinet's "000" member): its model, writer and reader.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qzrcab {

constexpr size_t kCeHeaderBytes = 100;

// Registry roots as the control file numbers them.
enum : uint16_t { kRootClassesRoot = 1, kRootCurrentUser = 2, kRootLocalMachine = 3, kRootUsers = 4 };

// Value types and flags of a registry entry (the .inf's AddReg flag numbers).
constexpr uint32_t kRegTypeMask = 0x00010001;
constexpr uint32_t kRegSz = 0x00000000;
constexpr uint32_t kRegMultiSz = 0x00010000;
constexpr uint32_t kRegDword = 0x00010001;
constexpr uint32_t kRegBinary = 0x00000001;
constexpr uint32_t kRegNoClobber = 0x00000002;

// File flags (the .inf's CopyFiles flag numbers, plus self-registration).
constexpr uint32_t kFileWarnIfSkip = 0x00000001;
constexpr uint32_t kFileNoSkip = 0x00000002;
constexpr uint32_t kFileNoOverwrite = 0x00000010;
constexpr uint32_t kFileReplaceOnly = 0x00000400;
constexpr uint32_t kFileSelfRegister = 0x10000000;
constexpr uint32_t kFileNoDateDialog = 0x20000000;  // keep a newer target
constexpr uint32_t kFileNoDateCheck = 0x40000000;   // overwrite whatever the dates
constexpr uint32_t kFileShared = 0x80000000;
constexpr uint32_t kKnownFileFlags = kFileWarnIfSkip | kFileNoSkip | kFileNoOverwrite | kFileReplaceOnly |
                                     kFileSelfRegister | kFileNoDateDialog | kFileNoDateCheck | kFileShared;

// The device's directory macros %CE1% .. %CE17%.
constexpr int kMaxDirMacro = 17;
// File numbers 1..998: 000 is the control file, 999 the setup DLL.
constexpr int kMaxFileId = 998;

struct CeString {
  uint16_t id = 0;
  std::string text;  // device code page, without its NUL
};
struct CeDir {
  uint16_t id = 0;
  std::vector<uint16_t> parts;  // string ids of the path's components, without the closing 0
};
struct CeFile {
  uint16_t fileId = 0;  // the member's numeric extension
  uint16_t dirId = 0;
  uint16_t unknown = 0;
  uint32_t flags = 0;
  std::string name;  // target file name, no path
};
struct CeRegHive {
  uint16_t id = 0;
  uint16_t root = 0;
  uint16_t unknown = 0;
  std::vector<uint16_t> parts;  // key path components
};
struct CeRegValue {
  uint16_t id = 0;
  uint16_t hiveId = 0;
  uint16_t subst = 0;  // 1: %InstallDir% and %CEn% in the data are expanded on the device
  uint32_t flags = 0;
  std::string data;  // value name, NUL, then the value's bytes
};
struct CeLink {
  uint16_t id = 0;
  uint16_t unknown = 0;
  uint16_t baseDir = 0;   // 0 %InstallDir%, 1..17 %CEn%
  uint16_t targetId = 0;  // FILES id (file) or DIRS id (folder)
  uint16_t type = 0;      // 1 file, 0 folder
  std::vector<uint16_t> parts;  // link path under baseDir, its last component the name with ".lnk"
};

struct CeSetup {
  uint32_t architecture = 0;  // 0 any, 2577 StrongARM/XScale
  uint32_t minMajor = 0, minMinor = 0, maxMajor = 0, maxMinor = 0;
  uint32_t minBuild = 0, maxBuild = 0;
  std::string appName, provider;
  std::vector<std::string> unsupported;
  std::vector<CeString> strings;
  std::vector<CeDir> dirs;
  std::vector<CeFile> files;
  std::vector<CeRegHive> hives;
  std::vector<CeRegValue> values;
  std::vector<CeLink> links;
};

// The file's bytes; sections in the order above, no padding. Counts and ids must fit 16 bits
// and APPNAME, PROVIDER and UNSUPPORTED the first 64 KiB (CheckCeSetup tells).
std::string EncodeCeSetup(const CeSetup& setup);

// The bytes read back. Every length and offset is checked against the bytes; nullopt with the
// reason in `error` when a section, record or string lies outside them.
std::optional<CeSetup> DecodeCeSetup(std::string_view bytes, std::string* error);

// What a writer must not produce and an installer must refuse: ids that name nothing, ids used
// twice, names that could leave their folder, more than 998 files. Empty when sound.
std::string CheckCeSetup(const CeSetup& setup);

// The text of a string id, or nullopt.
std::optional<std::string> StringText(const CeSetup& setup, uint16_t id);
// Components of a parts, or nullopt when one names no string.
std::optional<std::vector<std::string>> PartTexts(const CeSetup& setup, const std::vector<uint16_t>& ids);
const CeDir* FindDir(const CeSetup& setup, uint16_t id);
const CeFile* FindFile(const CeSetup& setup, uint16_t id);
const CeRegHive* FindHive(const CeSetup& setup, uint16_t id);

// A path component or file name that stays in its folder on the device: not empty, not "." or
// "..", no separators, drive colons, wildcards or control characters.
bool IsSafeComponent(std::string_view name);
// File names as the device compares them: letter case ignored.
bool EqualsDeviceName(std::string_view a, std::string_view b);
// 1..17 for "%CE1%".."%CE17%" (capitals only), else 0.
int DirMacroNumber(std::string_view component);

// Builds a control file with one shared, 1-based string pool, dirs and hives made once each.
class CeSetupBuilder {
 public:
  uint16_t String(const std::string& text);
  uint16_t Dir(const std::vector<std::string>& components);
  uint16_t Hive(uint16_t root, const std::vector<std::string>& components);
  std::vector<uint16_t> Parts(const std::vector<std::string>& components);
  CeSetup& setup() { return setup_; }

 private:
  CeSetup setup_;
};

// "a\b\c" split at backslashes, empty parts dropped.
std::vector<std::string> SplitPath(std::string_view path);

}  // namespace qzrcab
