// Resource ids of qzrCEInstall.dll.
#pragma once

#define IDD_PROGRESS 101
#define IDC_PROGRESS_BAR 1000
#define IDC_STATUS_TEXT 1001
