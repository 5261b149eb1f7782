// What a cabinet's control file asks of the device, resolved to device paths and registry
// writes the way the device's installer resolves them, and the host's undo record.
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "CeSetupFile.h"

namespace cabhost {

struct PlannedFile {
  uint16_t number = 0;   // the member's extension
  std::wstring path;     // device path
  uint32_t flags = 0;
};

struct PlannedValue {
  uint16_t root = 0;  // qzrcab::kRootClassesRoot..
  std::wstring key, name;
  DWORD type = REG_SZ;
  std::vector<BYTE> data;  // as RegSetValueEx takes it
  bool noClobber = false;
};

struct PlannedLink {
  std::wstring path;    // the .lnk file
  std::wstring target;  // what it starts or opens
};

struct InstallPlan {
  std::wstring appName, provider;
  std::wstring installDir;
  std::vector<std::wstring> folders;  // every folder the files and shortcuts need, parents first
  std::vector<PlannedFile> files;
  std::vector<PlannedValue> values;
  std::vector<PlannedLink> links;
  std::vector<std::wstring> unsupported;
  uint32_t processorType = 0, minMajor = 0, minMinor = 0;
};

// "Provider AppName", the name the device registers an application under.
std::wstring ApplicationName(const InstallPlan& plan);

// %CE1%..%CE17% as a Pocket PC names them (the H/PC folder where a Pocket PC has none).
std::wstring DirMacroFolder(int number);

// The control file resolved: the install folder is its first directory. nullopt with the reason
// when it is unsound or names what the device cannot resolve.
std::optional<InstallPlan> PlanInstall(const qzrcab::CeSetup& setup, std::wstring* error);

// %InstallDir% and %CE1%..%CE17% in a registry text replaced (letter case of InstallDir ignored).
std::wstring ExpandDeviceMacros(const std::wstring& text, const std::wstring& installDir);

// A cabinet member's name and what it carries: 0 the control file, 999 the setup DLL, else the
// file number. nullopt for a name that is no member name (a path, no three-digit extension).
std::optional<int> MemberNumber(std::string_view name);

// The device's shortcut file: "<count>#<command line>", the target quoted when it has blanks.
std::string ShortcutText(const std::wstring& target);

// The host's record of one installation, read back to undo it: one change a line, fields
// separated by tabs, "%", tab and line ends escaped.
struct UndoStep {
  enum Kind : char {
    Folder = 'D',      // a folder made
    File = 'F',        // a file made where none was
    Replaced = 'B',    // a file replaced; `backup` holds the old one
    Shared = 'S',      // a shared file counted once more
    Key = 'K',         // a registry key made, with what is below it
    Value = 'V',       // a value made where none was
    OldValue = 'P',    // a value replaced; `type` and `data` are the old one
  };
  Kind kind = Folder;
  std::wstring path;    // file or folder; for registry steps the key
  std::wstring backup;  // Replaced: the kept copy
  uint16_t root = 0;
  std::wstring name;
  DWORD type = 0;
  std::vector<BYTE> data;
};
std::string EncodeUndo(const std::vector<UndoStep>& steps);
// Lines that cannot be read are skipped: an undo does what it still can.
std::vector<UndoStep> DecodeUndo(std::string_view text);

}  // namespace cabhost
