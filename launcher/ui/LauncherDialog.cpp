// The main dialog is not built yet: the launcher ends as soon as start-up is done, after
// withdrawing the whitelist as the dialog's destruction would.
#include "LauncherDialog.h"

#include "LauncherApp.h"

namespace qzr {

INT_PTR RunLauncherDialog(LauncherApp& app) {
  app.config.whitelist.WithdrawWhitelist();
  return kExitResult;
}

}  // namespace qzr
