// The launcher's one process-wide state record and the names every part of the launcher shares.
#pragma once

#include <windows.h>

#include "imaging/packed_dib.h"
#include "launcher/layout_rules.h"

// One picture slot in both of its forms; the form the screen's picture set does not use stays null.
struct ArtPicture {
    HBITMAP bitmap; // device bitmap: 16-colour and true-colour screens
    PackedDib dib;  // packed DIB drawn through the palette: 256-colour screens
};

enum : DWORD { ModulePathSize = 260, UninstallCommandSize = 260 };

// PlaySoundA, found in the sound library when the first sound is played.
typedef BOOL(WINAPI* PlaySoundFunction)(LPCSTR sound, HMODULE module, DWORD flags);

struct LauncherState {
    HINSTANCE instance;
    HWND mainWindow;
    char modulePath[ModulePathSize]; // the launcher's own full path; empty when unknown
    char moduleDrive;                // its first character, read even from a path too long to keep
    INT32 installed; // InstallState
    char uninstallCommand[UninstallCommandSize];
    INT32 displayBitsPerPixel;
    ArtPicture background;
    ArtPicture normalArt[ButtonCount];
    ArtPicture hoverArt[ButtonCount];
    HPALETTE palette;
    WORD windowWidth;
    WORD windowHeight;
    WORD buttonWidth;
    WORD buttonHeight;
    PixelRect buttonRect[ButtonCount];
    INT32 hovered[ButtonCount];
    INT32 pressed;
    INT32 soundLookedUp;          // 1 once the sound library has been looked for
    PlaySoundFunction playSound;  // null: no sound can be played
};

// Zero at process start; written only on the window's thread.
extern LauncherState launcherState;

// The window class name, which is also the window title.
extern const char launcherClassName[];

// The 256-colour path: pictures drawn as packed DIBs through the launcher's palette.
inline bool UsesPalette()
{
    return launcherState.displayBitsPerPixel == 8;
}
