// The launcher's device, start-key, message-box and event-log calls, answered as on a device
// of another maker with no event log: the native build compiles the configuration model and
// the whitelist writer, not the adapters these calls live in.
#include <string>

#include "DeviceIdentity.h"
#include "EventLog.h"
#include "LauncherConfig.h"
#include "MessageBoxes.h"

namespace qzr {

int GetModelId() { return 0; }
bool GetFileVersionText(const std::wstring&, std::wstring& productName, std::wstring& versionText) {
  productName.clear();
  versionText.clear();
  return false;
}
int ShowMessageBox(HWND, const std::wstring&, const std::wstring&, UINT) { return 1; }
int ShowFrameworkMessageBox(const std::wstring&) { return 1; }

namespace eventlog {
DWORD Log(DWORD, const char*, ...) { return kNotAvailable; }
}  // namespace eventlog

}  // namespace qzr
