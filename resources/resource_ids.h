/* Identifiers of the launcher's resources, one name for each number. Read by the resource script
   (resources/launcher.rc), by the launcher's code and tests, by the asset check and by the Python
   tests, so it holds nothing but plain "#define NAME number" lines: no <windows.h>, no expressions.

   Pictures: IDB_<slot>_<state>_<n>BPP, where n is the pictures' bits per pixel: 4 for screens of
   fewer than 8 bits per pixel, 8 for 256-colour screens, 24 for deeper screens. Button 0 shows the
   install pictures until the product is installed, then the remove pictures. */
#ifndef LAUNCHER_RESOURCE_IDS_H
#define LAUNCHER_RESOURCE_IDS_H

/* The version block, under the name <winver.h> gives it (the same definition, so both may be seen). */
#define VS_VERSION_INFO 1

/* The product icon: the window class icon and the executable's own. */
#define IDI_PRODUCT_ICON 141

/* Sounds (type "WAVE"). */
#define IDW_WELCOME_SOUND 145
#define IDW_HOVER_SOUND 146

/* 16-colour pictures. */
#define IDB_BACKGROUND_4BPP 104
#define IDB_INSTALL_REST_4BPP 108
#define IDB_INSTALL_HOVER_4BPP 107
#define IDB_REMOVE_REST_4BPP 165
#define IDB_REMOVE_HOVER_4BPP 166
#define IDB_BROWSE_REST_4BPP 112
#define IDB_BROWSE_HOVER_4BPP 111
#define IDB_CANCEL_REST_4BPP 184
#define IDB_CANCEL_HOVER_4BPP 185

/* 256-colour pictures; the background's colour table is the launcher's palette. */
#define IDB_BACKGROUND_8BPP 123
#define IDB_INSTALL_REST_8BPP 120
#define IDB_INSTALL_HOVER_8BPP 119
#define IDB_REMOVE_REST_8BPP 167
#define IDB_REMOVE_HOVER_8BPP 168
#define IDB_BROWSE_REST_8BPP 116
#define IDB_BROWSE_HOVER_8BPP 115
#define IDB_CANCEL_REST_8BPP 186
#define IDB_CANCEL_HOVER_8BPP 187

/* True-colour pictures. */
#define IDB_BACKGROUND_24BPP 132
#define IDB_INSTALL_REST_24BPP 129
#define IDB_INSTALL_HOVER_24BPP 128
#define IDB_REMOVE_REST_24BPP 169
#define IDB_REMOVE_HOVER_24BPP 170
#define IDB_BROWSE_REST_24BPP 125
#define IDB_BROWSE_HOVER_24BPP 124
#define IDB_CANCEL_REST_24BPP 188
#define IDB_CANCEL_HOVER_24BPP 189

#endif
