// Resource identifiers of the Windows program. The values are fixed: tests drive the controls by
// them, and filter files and plug-ins know the command ids.
#pragma once

// Icons, cursor, bitmaps, menu.
#define IDI_APP 101
#define IDI_FILTER_FILE 102
#define IDC_HAND_CURSOR 106
#define IDR_MENU 110
#define IDB_ARROW_RIGHT 135
#define IDB_ARROW_LEFT 136
#define IDB_ARROW_DOWN 15770
#define IDB_ARROW_UP 15771

// Dialogs.
#define IDD_PROGRESS 103
#define IDD_CONFIRM 104
#define IDD_MAIN 105
#define IDD_REPORT 130

// Main dialog.
#define IDC_FOLDER 1044
#define IDC_BROWSE 1046
#define IDC_PATTERN 1045
#define IDC_RECURSE 1047
#define IDC_UNDO_ON 1073
#define IDC_CONFIRM_ON 1037
#define IDC_FILTERS 1033
#define IDC_ADD 1034
#define IDC_EDIT 1039
#define IDC_DELETE 1036
#define IDC_LOAD 1069
#define IDC_SAVE 1070
#define IDC_UNDO 1074
#define IDC_RENAME 1048

// System menu commands of the main dialog.
#define IDM_OPTIONS 9
#define IDM_ABOUT 10

// Add menu ("AddRule"), undo popup, list popup.
#define ID_ADD_APPEND 15772
#define ID_ADD_CHANGECASE 15773
#define ID_ADD_REPLACE 15774
#define ID_ADD_PADDING 15775
#define ID_ADD_ID3 15776
#define ID_ADD_STRIPPER 15777
#define ID_ADD_FLIP 15778
#define ID_ADD_NUMBER 15779
#define ID_UNDO_DELETE 15780
#define ID_UNDO_PROPERTIES 15781
#define IDC_UNDO_RUN 1079
#define ID_NO_PLUGINS 100
#define ID_PLUGIN_FIRST 2000
#define ID_PLUGIN_LAST 2200

// Confirmation dialog.
#define IDC_CONFIRM_PROGRESS 1001
#define IDC_OLD_NAME 1002
#define IDC_NEW_NAME 1003
#define IDC_ALL 1004
#define IDC_RENAME_ONE 1005
#define IDC_PATH 1006
#define IDC_SKIP 1007
#define IDC_PROGRESS_TEXT 1169

// Progress dialog.
#define IDC_STATUS 1020
#define IDC_RUN_PROGRESS 1021

// Report dialog.
#define IDC_REPORT_LIST 1116
#define IDC_SCANNED 1126
#define IDC_RENAMED 1127
#define IDC_FAILS 1128
#define IDC_ELAPSED 1129
#define IDC_SKIPPED 1130

#define IDC_STATIC_TEXT -1
