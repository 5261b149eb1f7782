// Placeholder until the whitelist cache is built: the whitelist counts as off.
#include "LauncherWhitelist.h"

namespace qzr {

LauncherWhitelist::~LauncherWhitelist() { CloseSharedCache(); }
void LauncherWhitelist::Construct() {}
void LauncherWhitelist::PrepareSharedCache(bool) {}
void LauncherWhitelist::PublishWhitelist(const WhitelistSources&) {}
void LauncherWhitelist::WithdrawWhitelist() {}
void LauncherWhitelist::CloseSharedCache() {}

}  // namespace qzr
