// Resource and command identifiers. The numbers are shared with stored
// resources in both languages: do not renumber.
#pragma once

// Icon shown in the notification area, the dialogs and the window class.
#define IDR_MAINFRAME 128

// Dialog templates
#define IDD_OPTIONS 102
#define IDD_ABOUT 129

// Strings
#define IDS_ERROR 103
#define IDS_CANNOT_ADD_ICON 104
#define IDS_CANNOT_REMOVE_ICON 105
#define IDS_MENU_ABOUT 106
#define IDS_MENU_OPTIONS 107
#define IDS_MENU_QUIT 108
#define IDS_OUT_OF_MEMORY 110
#define IDS_COMMAND_NOT_FOUND 111
#define IDS_PATH_NOT_FOUND 112
#define IDS_BAD_FORMAT 113
#define IDS_ACCESS_DENIED 114
#define IDS_NEW_BOOKMARK 115
#define IDS_BROWSE_TITLE 116
#define IDS_NAME_NOT_FOUND 117

// Tray menu commands
#define ID_TRAY_QUIT 104
#define ID_TRAY_ABOUT 105
#define ID_TRAY_OPTIONS 106
#define ID_TRAY_BOOKMARK_BASE 200

// Options dialog controls
#define IDC_BOOKMARK_TREE 1000
#define IDC_ABOUT_BUTTON 1004
#define IDC_DELETE 1005
#define IDC_ADD 1006
#define IDC_PATH 1008
#define IDC_BROWSE 1009
#define IDC_SHOW_TREE 1017

// About dialog controls
#define IDC_LINK_MAIL 1019
#define IDC_LINK_WEB 1020

// Hyperlink control: the error box shown when a link cannot be opened
#define IDS_LINK_OPEN_FAILED 130
#define IDS_LINK_ERR_NO_RESOURCES 131
#define IDS_LINK_ERR_FILE_NOT_FOUND 132
#define IDS_LINK_ERR_PATH_NOT_FOUND 133
#define IDS_LINK_ERR_ACCESS_DENIED 134
#define IDS_LINK_ERR_OUT_OF_MEMORY 135
#define IDS_LINK_ERR_BAD_FORMAT 136
#define IDS_LINK_ERR_SHARE 137
#define IDS_LINK_ERR_ASSOC_INCOMPLETE 138
#define IDS_LINK_ERR_DDE_TIMEOUT 139
#define IDS_LINK_ERR_DDE_FAIL 140
#define IDS_LINK_ERR_DDE_BUSY 141
#define IDS_LINK_ERR_NO_ASSOC 142
#define IDS_LINK_ERR_DLL_NOT_FOUND 143
#define IDS_LINK_ERR_UNKNOWN 144

// Options dialog: the error box when OK could not save the list
#define IDS_SAVE_FAILED 150

// Folder opener: the other launch failures ("%d" in the last one is the code)
#define IDS_LAUNCH_OUT_OF_MEMORY 160
#define IDS_LAUNCH_SHARE 161
#define IDS_LAUNCH_ASSOC_INCOMPLETE 162
#define IDS_LAUNCH_DDE_TIMEOUT 163
#define IDS_LAUNCH_DDE_FAIL 164
#define IDS_LAUNCH_DDE_BUSY 165
#define IDS_LAUNCH_NO_ASSOC 166
#define IDS_LAUNCH_DLL_NOT_FOUND 167
#define IDS_LAUNCH_FAILED 168

// Options dialog: a name or folder that this system's code page cannot hold
#define IDS_TEXT_NOT_STORABLE 170
