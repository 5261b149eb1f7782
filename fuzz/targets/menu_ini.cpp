// menu.ini text → the configuration model, the whitelist it publishes, the password rules and
// a write of a key read back.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "IniFile.h"
#include "LauncherConfig.h"
#include "MenuRules.h"
#include "NativeWorld.h"
#include "WhitelistCache.h"

namespace {

void Check(bool condition) {
  if (!condition) abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace qzr;
  native::ResetWorld();
  native::AddFolder(L"\\Windows");
  const std::wstring ini = L"\\windows\\menu.ini";
  native::PutFile(ini, data, size);
  std::wstring password;
  {
    LauncherConfig config;
    config.whitelist.Construct();
    MenuLocation where;
    where.iniPath = ini;
    where.launcherFolder = L"\\windows\\";
    where.launcherModuleName = L"\\Windows\\QZRShell.exe";
    IniSnapshot snapshot;
    config.Assign(ReadMenuConfig(where, snapshot));
    config.whitelist.PublishWhitelist(WhitelistSourcesOf(config, where, snapshot, 0));

    Check(config.buttonCount >= 0 && config.buttonCount <= kButtonSlots);
    Check(config.password.size() <= kPasswordMaxChars);
    password = config.password;
    auto block = config.whitelist.block();
    if (!block.empty()) {
      Check(whitelist::ParseBlock(block).has_value());
      // No list text at or beyond the capacity limit, however long the Permit entries are.
      for (size_t pos = whitelist::CapacityLimit(block.size()); pos < block.size() / 2; ++pos)
        Check(whitelist::ReadUnit(block, pos) == 0);
    }
  }
  // The next start finds the same password, whatever the first converted.
  {
    MenuLocation where;
    where.iniPath = ini;
    MenuConfig config = ReadMenuConfig(where);
    Check(config.password == password);
  }
  // A key written into whatever the file has become reads back as written.
  if (WriteIniString(L"Fuzz", L"Key", L"value 1", ini.c_str()))
    Check(ReadIniValue(L"Fuzz", L"Key", L"", ini.c_str()) == L"value 1");
  return 0;
}
