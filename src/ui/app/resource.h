// Resource identifiers of the Windows program. The values are fixed: tests drive the controls by
// them, and filter files and plug-ins know the command ids.
#pragma once

// Icons, cursor, bitmaps, menu.
#define IDI_APP 101
#define IDI_FILTER_FILE 102
#define IDC_HAND_CURSOR 106
#define IDR_MENU 110
#define IDB_ARROW_DOWN 15770
#define IDB_ARROW_UP 15771

// Dialogs.
#define IDD_PROGRESS 103
#define IDD_CONFIRM 104
#define IDD_MAIN 105
#define IDD_REPORT 130
#define IDD_PREVIEW 150

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
#define IDC_PREVIEW 1180
// The frames and texts that follow the main window's size.
#define IDC_FILTERS_GROUP 1190
#define IDC_FILTERS_HINT 1191
#define IDC_UNDO_GROUP 1192
#define IDC_UNDO_HINT 1193

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
#define ID_MOVE_UP 15782
#define ID_MOVE_DOWN 15783
#define ID_ADD_COUNTER 15784
#define ID_ADD_CLEANUP 15785
// The main window's Help menu, dropped from the arrow of its Help button.
#define ID_MENU_HELP 15790
#define ID_MENU_OPTIONS 15791
#define ID_MENU_ABOUT 15792
#define IDC_UNDO_RUN 1079
#define IDC_UNDO_HELP 1194
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
#define IDC_UNCHANGED 1195

// The check before an unattended run.
#define IDD_RUN_CHECK 155
#define IDC_CHECK_TEXT 1196
#define IDC_CHECK_PREVIEW 1197
#define IDC_CHECK_RENAME 1198

// Preview dialog.
#define IDC_PREVIEW_PROGRESS 1181
#define IDC_PREVIEW_LIST 1182
#define IDC_PREVIEW_COUNTS 1183
#define IDC_PREVIEW_RENAME 1184
#define IDC_PREVIEW_EMPTY 1199
#define IDC_FILES_LIST 1230
#define IDC_FILES_COUNTS 1231
#define IDC_FILES_LABEL 1232
#define IDC_SPLITTER 1236
#define ID_FILES_CHECK_ALL 1233
#define ID_FILES_CHECK_NONE 1234
#define ID_FILES_CHECK_INVERT 1235

#define IDC_STATIC_TEXT -1

// Filter edit dialogs.
#define IDD_CHANGE_CASE 113
#define IDD_APPEND 114
#define IDD_FIND_REPLACE 115
#define IDD_PADDING 116
#define IDD_ID3 125
#define IDD_STRIPPER 139
#define IDD_NUMBER_REPLACE 141
#define IDD_FLIP 143
#define IDD_COUNTER 145

#define IDC_CASE_SENTENCE 1154
#define IDC_CASE_LOWER 1155
#define IDC_CASE_UPPER 1156
#define IDC_CASE_MIXED 1157
#define IDC_CASE_TOGGLE 1158
#define IDC_CASE_TITLE 1159  // IDC_CASE_SENTENCE + TitleCase: the buttons follow the modes
#define IDC_CASE_SMALL_WORDS 1243
#define IDC_CASE_SMALL_LIST 1244

#define IDC_USE_FRONT 1039
#define IDC_FRONT_TEXT 1031
#define IDC_USE_END 1042
#define IDC_END_TEXT 1040

#define IDC_UNDERSCORES 1041
#define IDC_PERIODS 1097
#define IDC_CUSTOM 1060
#define IDC_FIND 1056
#define IDC_REPLACE_WITH 1057
#define IDC_WHOLE_WORD 1095
#define IDC_MATCH_CASE 1096
#define IDC_REGEX 1185

#define IDC_PAD_LEFT 1061
#define IDC_PAD_BOTH 1062
#define IDC_PAD_RIGHT 1063
#define IDC_PAD_EXAMPLE 1067
#define IDC_PAD_RESULT 1068

#define IDC_ID3_FORMAT 1086
#define IDC_ID3_MUST_EXIST 1087
#define IDC_ID3_BEST_TAG 1180
#define IDC_ID3_SAFE_NAMES 1181

#define IDC_STRIP_TEXT 1151
#define IDC_STRIP_MATCH_CASE 1153

#define IDC_LOWER_LIMIT 1151
#define IDC_UPPER_LIMIT 1152
#define IDC_FIND_FORM 1168
#define IDC_REPLACE_FORM 1165

#define IDC_FLIP_TEXT 1167

#define IDC_COUNTER_FORMAT 1185
#define IDC_COUNTER_START 1186
#define IDC_COUNTER_STEP 1187
#define IDC_COUNTER_PER_FOLDER 1188
#define IDD_CLEANUP 146
#define IDC_CLEAN_NFC 1243
#define IDC_CLEAN_ASCII 1244
#define IDC_CLEAN_SPACES 1245
#define IDC_CLEAN_FORBIDDEN 1246
#define IDC_CLEAN_CHAR 1247
#define IDC_ID3_CLEAN 1248
#define IDC_ID3_ASCII 1249
#define IDC_ID3_FOLDERS 1250
#define IDC_ID3_SAMPLE 1251
// The folder the Tags filter's folders are made under, its browse button, label and hint.
#define IDC_ID3_INTO 1254
#define IDC_ID3_BROWSE_INTO 1255
#define IDC_ID3_INTO_LABEL 1256
#define IDC_ID3_INTO_HINT 1257
#define IDC_COUNTER_PER_DISC 1252
#define IDC_HELP_BUTTON 1240
// The help page as text, where no browser is there to show it.
#define IDD_HELP_TEXT 127
#define IDC_HELP_PATH 1241
#define IDC_HELP_TEXT 1242

// Options and About.
#define IDD_ABOUT 124
#define IDD_OPTIONS 134
#define IDC_PLUGINS_DIR 1136
#define IDC_BROWSE_PLUGINS 1137
#define IDC_ASSOCIATE 1138
#define IDC_LIMIT_UNDO 1144
#define IDC_SHORTEN_NAMES 1245
#define IDC_TAG_ORDER 1253
#define IDC_UNDO_LIMIT 1148
#define IDC_FOLDER_POPUP 1159
#define IDC_PROMPT_DESCRIPTION 1160
#define IDC_BANNER 1112
#define IDC_HOMEPAGE 1093
#define IDC_ABOUT_ICON 1135

// Undo dialogs.
#define IDD_UNDO 118
#define IDB_UNDO_IMAGES 119
// The same images drawn for 150% and 200% display scales: the 100% id plus these offsets.
#define IDB_SCALED_150 0x100
#define IDB_SCALED_200 0x200
#define IDB_ARROW_UP_150 (IDB_ARROW_UP + IDB_SCALED_150)
#define IDB_ARROW_DOWN_150 (IDB_ARROW_DOWN + IDB_SCALED_150)
#define IDB_UNDO_IMAGES_150 (IDB_UNDO_IMAGES + IDB_SCALED_150)
#define IDB_ARROW_UP_200 (IDB_ARROW_UP + IDB_SCALED_200)
#define IDB_ARROW_DOWN_200 (IDB_ARROW_DOWN + IDB_SCALED_200)
#define IDB_UNDO_IMAGES_200 (IDB_UNDO_IMAGES + IDB_SCALED_200)
#define IDD_UNDO_PROPERTIES 121
#define IDD_UNDO_PROGRESS 126
#define IDC_UNDO_LIST 1078
#define IDC_PROP_NAME 1088
#define IDC_PROP_DESCRIPTION 1089
#define IDC_PROP_COUNT 1090
#define IDC_PROP_DATE 1091
#define IDC_PROP_SIZE 1092
#define IDC_PROP_FILTERS 1082
#define IDC_PROP_FOLDER 1200
#define IDC_UNDO_STATUS 1099
#define IDC_UNDO_PROGRESS 1100
