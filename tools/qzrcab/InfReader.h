// The CabWiz .inf reader: the file's text to what the cabinet holds, with line-precise findings.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qzrcab {

// The device's ANSI code page: every name the control file carries must be written in it.
constexpr unsigned kDeviceCodePage = 1252;

struct InfPlace {
  int line = 0;    // from 1
  int column = 0;  // from 1, in characters as decoded
};

struct InfFinding {
  InfPlace at;
  bool error = true;  // false: a warning, the cabinet is still written
  std::wstring text;
};

struct InfFile {
  std::wstring targetDir;   // device path, may start with %CEn%
  std::wstring targetName;  // file name only
  std::wstring source;      // host path relative to the .inf's folder (or absolute)
  uint32_t flags = 0;
  InfPlace at;              // the CopyFiles line (or the CESetupDLL key)
  InfPlace sourceAt;        // where the source name is written
};

struct InfRegValue {
  uint16_t root = 0;  // kRootClassesRoot..kRootLocalMachine
  std::wstring key, name;
  uint32_t flags = 0;
  std::vector<std::wstring> strings;  // SZ: one; MULTI_SZ: each
  uint32_t dword = 0;
  std::string binary;
  InfPlace at;
};

struct InfShortcut {
  std::wstring name;    // without ".lnk"
  bool folder = false;  // target is a folder (the .inf's nonzero type)
  std::wstring target;  // a file's target name, or a folder's device path
  std::wstring folderPath;  // where the shortcut goes: %CEn%[\...] or %InstallDir%[\...]
  InfPlace at;
};

struct InfProject {
  std::wstring provider, appName;
  std::wstring installDir;  // %CEn%\... or \..., the strings substituted
  uint32_t processorType = 0;
  uint32_t minMajor = 0, minMinor = 0, maxMajor = 0, maxMinor = 0, minBuild = 0, maxBuild = 0;
  std::vector<std::wstring> unsupported;
  std::vector<InfFile> files;
  std::optional<InfFile> setupDll;  // targetName is the source's name
  std::vector<InfRegValue> registry;
  std::vector<InfShortcut> shortcuts;
};

struct InfRead {
  InfProject project;
  std::vector<InfFinding> findings;
  bool HasErrors() const;
};

// `bytes`: the .inf as read (UTF-16 with its mark, UTF-8 with or without one, else the device's
// code page). `cpu`: the /cpu choice, empty for none; its sections ([CEDevice.ARM], ...) then
// stand beside the plain ones, their keys replacing the plain sections' keys.
InfRead ReadInf(std::string_view bytes, std::wstring_view cpu);

// The text in the device's code page, or nullopt when a character cannot be written there.
std::optional<std::string> ToDeviceText(std::wstring_view text);
std::wstring FromDeviceText(std::string_view text);
// Bytes of an .inf or control-file text decoded: the marks and the code page as ReadInf takes them.
std::wstring DecodeInfText(std::string_view bytes);

}  // namespace qzrcab
