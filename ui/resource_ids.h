#pragma once

// Resource and control ids shared by the resource script and the code. Plain #defines so that
// the resource compiler reads this file too.

// Dialog templates
#define IDD_ABOUT_DIALOG 100
#define IDD_MONITOR_DIALOG 102
#define IDD_FRAME_INFO_DIALOG 141

// Other resources
#define IDS_ABOUT_MENU_ENTRY 101
#define IDR_APP_ICON 128
#define IDB_LOGO 129
#define RT_DIALOG_INIT 240

// System menu entry of the About box
#define IDM_ABOUT_BOX 0x0010

// Main window controls
#define IDC_OPEN_DEVICE 1000
#define IDC_COM_PORT 1009
#define IDC_CLOSE_DEVICE 1029
#define IDC_START_MONITOR 1032
#define IDC_STOP_MONITOR 1034
#define IDC_CLEAR 1035
#define IDC_REALTIME_SHOW 1040
#define IDC_REALTIME_SAVE 1041
#define IDC_FRAME_LIST 1043
#define IDC_SAVE 1048
#define IDC_STATUS_LINE 1050
#define IDC_FRAME_NUM 1052

// Frame detail dialog controls
#define IDC_INFO_LEN 1044
#define IDC_INFO_DATA 1045
#define IDC_INFO_SEQ 1046
#define IDC_INFO_TIME 1047

// The framework's Help command, issued to the main window by F1
#define ID_HELP_COMMAND 57670
