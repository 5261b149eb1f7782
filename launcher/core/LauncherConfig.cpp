// Placeholder configuration model: defaults only.
#include "LauncherConfig.h"

namespace qzr {

LauncherConfig::LauncherConfig() { whitelist.Construct(); }
LauncherConfig::~LauncherConfig() = default;
int LauncherConfig::LoadMenuConfig() { return 1; }

int GetLauncherFolder(std::wstring& folder) { folder.clear(); return 0; }
int GetMenuIniPath(std::wstring& path) { path.clear(); return 0; }
DWORD GetMenuIniSizeForCache() { return 0; }
std::wstring FindStorageCardFolder() { return {}; }
std::wstring ScramblePassword(const std::wstring& source, const std::wstring&) { return source; }
std::wstring UnscramblePassword(const std::wstring& source, const std::wstring&) { return source; }

}  // namespace qzr
