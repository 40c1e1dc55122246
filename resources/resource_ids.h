/* Numbers of the module's bitmaps, icons and dialogs. Plain macros so that both the
   resource script and C++ can include this file; string ids live in strings.def. */
#ifndef OSTREL_RESOURCES_RESOURCE_IDS_H
#define OSTREL_RESOURCES_RESOURCE_IDS_H

/* Bitmaps; their background is the mask colour RGB(0, 128, 128). */
#define IDB_SMALL_OPEN_FOLDER 111 /* About: small open image, 16 x 16 */
#define IDB_SMALL_IMAGE 112       /* About: small image, 16 x 16 */
#define IDB_LARGE_IMAGE 113       /* About: large image, 32 x 32 */
#define IDB_STRIP_16 120          /* console image strip: six 16 x 16 images */
#define IDB_STRIP_32 121          /* console image strip: six 32 x 32 images */
#define IDB_WIZARD_HEADER 124     /* header of the Rule wizard, 49 x 49 */

/* Image indexes in the strips 120 and 121. */
#define IMAGE_FOLDER 0
#define IMAGE_FOLDER_OPEN 1
#define IMAGE_POLICIES 2 /* the scope node and every rule row */
#define IMAGE_HASH_RULE 3
#define IMAGE_PATH_RULE 4
#define IMAGE_ERROR 5

/* Icons, each with a 16 x 16 and a 32 x 32 image. */
#define IDI_PRODUCT 116 /* application icon; also the catalog rows without their own */
#define IDI_USER_ACCOUNTS 133
#define IDI_ACCESSIBILITY 135
#define IDI_ADD_REMOVE_PROGRAMS 137
#define IDI_DATE_TIME 139
#define IDI_DISPLAY 141
#define IDI_ADD_HARDWARE 144
#define IDI_INTERNET_OPTIONS 145
#define IDI_REGIONAL_LANGUAGE 146
#define IDI_GAME_CONTROLLERS 147
#define IDI_KEYBOARD 148
#define IDI_MOUSE 149
#define IDI_DATA_SOURCES 151
#define IDI_POWER_OPTIONS 152
#define IDI_SOUNDS_AUDIO 154
#define IDI_SYSTEM 155
#define IDI_PHONE_MODEM 156
#define IDI_SPEECH 157
#define IDI_WINDOWS_UPDATE 158
#define IDI_COMPUTER_MANAGEMENT 159
#define IDI_EVENT_VIEWER 160
#define IDI_LOCAL_SECURITY_POLICY 161
#define IDI_SERVICES 162
#define IDI_TELNET_SERVER 163
#define IDI_AUTHORIZATION_MANAGER 164
#define IDI_NETWORK_SETUP 165

/* Dialogs; a wizard page's dialog number is also its page id in page notices. */
#define IDD_RULE_TYPE 117
#define IDD_APPLICATION 119
#define IDD_FINISH 125
#define IDD_COMMAND_LINES 127
#define IDD_COMMAND_LINE 129
#define IDD_RUNNING_PROCESSES 130
#define IDD_CONTROL_PANEL 131
#define IDD_PRIVILEGED_GROUPS 134
#define IDD_AUTHORIZED_USERS 136
#define IDD_MMC 138
#define IDD_SIDS_TO_DELETE 140
#define IDD_PROCESS_PRIVILEGES 142
#define IDD_NOTICE 166

/* Controls without an id of their own (labels, frames, notes). */
#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif

/* Controls, by dialog. A control's tooltip is the string numbered like the control. */
/* 117 rule type */
#define IDC_RULE_TYPE_GROUP 1002
#define IDC_HASH_RULE_TEXT 1003
#define IDC_PATH_RULE_TEXT 1004
#define IDC_HASH_RULE 2005
#define IDC_PATH_RULE 2006
/* 119 application */
#define IDC_APPLICATION 2007
#define IDC_BROWSE 2008
#define IDC_OWNERSHIP_CHECK 2009
#define IDC_RECURSIVE 2010
#define IDC_APPLICATION_LABEL 2013
/* 127 command lines */
#define IDC_ADD_COMMAND_LINE 2002
#define IDC_DELETE_COMMAND_LINE 2003
#define IDC_EDIT_COMMAND_LINE 2004
#define IDC_COMMAND_LINES_GROUP 2014
#define IDC_COMMAND_LINES 2015
/* 129 command-line dialog */
#define IDC_PICKER_AREA 1005
#define IDC_COMMAND_LINE 2017
/* 130, 131, 138 picker tabs */
#define IDC_RUNNING_PROCESSES_LIST 2000
#define IDC_CONTROL_PANEL_LIST 1006
#define IDC_MMC_LIST 1009
/* 134 privileged groups */
#define IDC_DELETE_PRIVILEGED_GROUP 1016
#define IDC_ADD_PRIVILEGED_GROUP 1017
#define IDC_PRIVILEGED_GROUPS 1029
/* 136 authorized users */
#define IDC_ADD_AUTHORIZED_USER 1012
#define IDC_DELETE_AUTHORIZED_USER 1013
#define IDC_AUTHORIZED_USERS 1018
/* 140 SIDs to delete */
#define IDC_SIDS_TO_DELETE 1019
#define IDC_ADD_SID_TO_DELETE 1020
#define IDC_DELETE_SID_TO_DELETE 1021
/* 142 process privileges */
#define IDC_REMOVE_PRIVILEGE 1022
#define IDC_GRANTED_PRIVILEGES 1023
#define IDC_AVAILABLE_PRIVILEGES 1024
#define IDC_OVERRIDE_PRIVILEGES 1025
#define IDC_SHORT_DESCRIPTION 1026
#define IDC_LONG_DESCRIPTION 1027
#define IDC_ADD_PRIVILEGE 1028
/* 166 notice */
#define IDC_NOTICE_TEXT 1030
#define IDC_NOTICE_SUPPRESS 1031

#endif
