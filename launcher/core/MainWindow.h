// The launcher's process-wide UI facts: the main window handle, NetworkUp, the list's item count.
#pragma once

#include <windows.h>

namespace qzr {

HWND GetMainWindowHandle();
void PublishMainWindowHandle(HWND window);

bool NetworkUp();
void SetNetworkUp(bool up);

int ListItemCount();
void SetListItemCount(int count);

}  // namespace qzr
