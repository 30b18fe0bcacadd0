// Resource numbers of the Windows program, shared by Tidyquill.rc and the user interface code, in blocks by kind.
// Each dialog is followed by its controls.
#pragma once

// --- Version ------------------------------------------------------------------------------------------------------
// The system looks for the version resource under this number.
#ifndef VS_VERSION_INFO
#define VS_VERSION_INFO 1
#endif

// --- Icons ---------------------------------------------------------------------------------------------------------
// The program and profile icons of the supported programs come from catalogue/IconNumbers.h.
#define IDR_MAINFRAME 128
#define IDI_ABOUT 139
#define IDI_QUIT 140
#define IDI_MISSING_PROFILE 151

// --- Bitmaps: the advert strip's three pictures --------------------------------------------------------------------
#define IDB_AD_HOME 152
#define IDB_AD_COMMANDLINE 153
#define IDB_AD_RELEASENOTES 168

// --- Menus ---------------------------------------------------------------------------------------------------------
#define IDR_MAIN_MENU 141

// --- Main window ---------------------------------------------------------------------------------------------------
#define IDD_TIDYQUILL_DIALOG 102
#define IDC_OPTIMIZE 1002
#define IDC_PROGRESS 1003
#define IDC_CAPTION 1004
#define IDC_ADS_LABEL 1009
#define IDC_PROFILES_TREE 1012
#define IDC_COMMAND_LINE 1014
#define IDC_LOG_LIST 1019
#define IDC_UPDATE_LINK 1025
#define IDC_ADS_STRIP 1026
#define IDC_ESTIMATE 1030

// --- About dialog --------------------------------------------------------------------------------------------------
#define IDD_ABOUTBOX 137
#define IDC_PRODUCT_KIND_GROUP 1065
#define IDC_WEBSITE_LINK 1074
#define IDC_FORUM_LINK 1075
#define IDC_WEBSITE_LABEL 1082
#define IDC_FORUM_LABEL 1083
#define IDC_PRODUCT_KIND 1084
#define IDC_COPYRIGHT 1200
#define IDC_ABOUT_BAND 1202
#define IDC_PRODUCT_KIND_NOTE 1201
#define IDC_ABOUT_TITLE 1388
#define IDC_ABOUT_ICON 1591

// --- Add custom profile dialog -------------------------------------------------------------------------------------
#define IDD_CUSTOM_PROFILE 147
#define IDC_PROGRAM_LIST 1000
#define IDC_PROFILE_PATH 1015
#define IDC_BROWSE 1016
#define IDC_DETECTED_LABEL 1017
#define IDC_ADD 1018

// --- Running Programs Warning dialog -------------------------------------------------------------------------------
#define IDD_PROCESSES 150
#define IDC_IGNORE 4
#define IDC_RETRY 1021
#define IDC_PROCESS_LIST 1022

// --- Command line dialog -------------------------------------------------------------------------------------------
#define IDD_COMMAND_LINE 154
#define IDC_CURRENT_COMMAND_LINE 1027
#define IDC_COMMAND_LINE_HELP 1028
#define IDC_COMMAND_LINE_ICON 1029
#define IDC_COPY 232

// --- Commands: the main menu and the tree's context menu -----------------------------------------------------------
#define ID_BROWSE_PROFILE 256
#define ID_DELETE_PROFILE 257
#define ID_REFRESH 258
#define ID_QUIT 32771
#define ID_COMMAND_LINE_SYNTAX 32772
#define ID_ABOUT 32773
#define ID_OPTIMIZE 32774
#define ID_HOME_PAGE 32775
#define ID_ADD_CUSTOM_PROFILE 32777
#define ID_SAVE_LOG 32784

// --- Timers --------------------------------------------------------------------------------------------------------
#define IDT_ADS_ROTATE 173

// --- Private window messages (WM_USER = 0x400) ---------------------------------------------------------------------
// These two lie above the dialog manager's own (DM_GETDEFID, DM_SETDEFID and DM_REPOSITION are WM_USER + 0 to 2);
// every other private message is registered by name (RegisterWindowMessage) or counts from WM_APP.
#define WM_LOG_MESSAGE (0x400 + 0x33)
#define WM_CHECKS_CHANGED (0x400 + 0x34)
