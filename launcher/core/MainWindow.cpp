// The launcher's process-wide UI facts, written on the UI thread only.
#include "core/MainWindow.h"

namespace qzr {
namespace {
HWND g_mainWindow = nullptr;
bool g_networkUp = true;
int g_listItemCount = 0;
}  // namespace

HWND GetMainWindowHandle() { return g_mainWindow; }
void PublishMainWindowHandle(HWND window) { g_mainWindow = window; }
bool NetworkUp() { return g_networkUp; }
void SetNetworkUp(bool up) { g_networkUp = up; }
int ListItemCount() { return g_listItemCount; }
void SetListItemCount(int count) { g_listItemCount = count; }

}  // namespace qzr
