// Resource and control ids of the operator's screens, shared by Launcher.rc and the dialogs.
#pragma once

// Dialog templates.
#define IDD_LAUNCHER 131
#define IDD_STATUS 102
#define IDD_EXIT_PASSWORD 129

// Soft-key bars.
#define IDR_STATUS_SOFTKEYS 155
#define IDR_BACK_SOFTKEYS 156
#define IDR_CANCEL_SOFTKEYS 157

// Soft-key texts and commands.
#define IDS_STATUS_KEY 32780
#define IDS_BACK_KEY 32781
#define IDS_CANCEL_KEY 32783
#define IDM_STATUS_KEY 32771
#define IDM_BACK_KEY 32774
#define IDM_CANCEL_KEY 32775

// Bitmaps (res/bitmaps.rc).
#define IDB_LINK_UP 150
#define IDB_NO_LINK 151
#define IDB_SPEAKER 159

// Controls. Ids are reused across templates, as each template numbers its own.
#define IDC_PROGRESS 1000
#define IDC_BATTERY_TEXT 1002
#define IDC_PASSWORD_EDIT 1002
#define IDC_STATUS_BUTTON 1006
#define IDC_EXIT_BUTTON 1006
#define IDC_KEYBOARD_BUTTON 1006
#define IDC_LOGO 1019
#define IDC_TEXT_BLOCK 1020
#define IDC_GAUGE_PLACE 1022
#define IDC_SIGNAL_METER 1024
#define IDC_SERIAL 1026
#define IDC_IP_ADDRESS 1028
#define IDC_MAC_ADDRESS 1029
#define IDC_AUTHENTICATION 1030
#define IDC_PASSWORD_LABEL 1031
#define IDC_BATTERY_FRAME 1032
#define IDC_MAC_LABEL 1033
#define IDC_SERIAL_LABEL 1034
#define IDC_AUTH_LABEL 1035
#define IDC_STATUS_CAPTION 1047
#define IDC_TAB 1048
#define IDC_PASSWORD_PROMPT 1051
#define IDC_PROGRAM_LIST 1050
#define IDC_SPEAKER 1052
#define IDC_BATTERY_GAUGE 432
