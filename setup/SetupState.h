// The setup library's process-wide state for the duration of one entry-point call.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "PackageLists.h"
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

struct InstallPathValue {
  bool atInit = false;
  bool atExit = false;
  bool present = false;  // PredefinedKey given
  HKEY root = nullptr;
  std::wstring key;
  std::wstring valueName;
};

struct VersionRequirement {
  long major = -1;
  long minor = -1;
  bool exact = false;
  bool present = false;  // PredefinedKey given
  HKEY root = nullptr;
  std::wstring key;
  std::wstring valueName;
};

struct SetupState {
  HMODULE module = nullptr;  // survives Reset: remembered at load

  std::wstring installDir;
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

  HWND progressWindow = nullptr;
  HWND progressBar = nullptr;
  HWND statusText = nullptr;
};

SetupState& State();
// Back to a fresh state, keeping the module handle: nothing carries over between calls.
void ResetState();

}  // namespace qzrsetup
