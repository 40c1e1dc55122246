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

#endif
