// Start key and reboot flags: the registry cycle is not built yet, so every start is an
// ordinary one and the start key is left as it is.
#include "StartKey.h"

namespace qzr {

bool TakeCleanUpStart() { return false; }

void SyncStartKeySetting(LauncherConfig&) {}

}  // namespace qzr
