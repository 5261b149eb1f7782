// One run of the setup library: what an installation or an uninstallation knows and has made
// so far. The entry point creates it and hands it down by reference; nothing outlives the call.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "PackageLists.h"
#include "ProgressWindow.h"
#include "Win32Owners.h"

namespace qzrsetup {

struct Settings {
  bool reboot = false;
  bool overwriteFiles = true;
  bool verbose = false;
  unsigned long kbNeeded = 0;
  bool abortOnError = true;
};

struct Shortcut {
  std::wstring path;    // with a leading backslash
  std::wstring target;  // with a leading backslash, enclosed in double quotes
};

struct AppHook {
  std::wstring program;  // program and arguments; empty when none is set
  bool wait = false;
  bool remove = false;
};

// A registry value that a section names with PredefinedKey, Subkey and a value-name key.
struct RegistryValueName {
  bool present = false;  // PredefinedKey given
  HKEY root = nullptr;
  std::wstring key;
  std::wstring valueName;
};

struct InstallPathValue {
  bool atInit = false;
  bool atExit = false;
  RegistryValueName target;
};

struct VersionRequirement {
  long major = -1;
  long minor = -1;
  bool exact = false;
  RegistryValueName installed;
};

struct SetupRun {
  SetupRun() = default;
  SetupRun(const SetupRun&) = delete;
  SetupRun& operator=(const SetupRun&) = delete;

  std::wstring installDir;
  // Empty during uninstallation, which therefore writes neither log lines nor records.
  std::wstring iniPath, logPath, dataPath, commandPath;
  Settings settings;
  std::wstring installPath;  // root-relative, no leading or trailing backslash

  std::vector<Shortcut> shortcuts;
  std::vector<std::wstring> protectedFiles;  // root-relative
  std::vector<RegistryEntry> registryAdditions;
  std::vector<RegistryRemoval> registryRemovals;
  std::vector<Command> initCommands, exitCommands;
  AppHook initHook, exitHook;
  InstallPathValue installPathValue;
  VersionRequirement version;

  bool autoCabRunning = false;
  bool rebootRequested = false;
  bool uninstallDataProcessed = false;
  // The uninstall data file, open for appending from the first record to the next commit.
  qzr::FileHandle dataFile;

  ProgressWindow progress;
};

}  // namespace qzrsetup
