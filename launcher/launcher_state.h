// The launcher's one process-wide state record and the names every part of the launcher shares.
#pragma once

#include <windows.h>

#include <stdint.h>

#include "imaging/drawing.h"
#include "launcher/layout_rules.h"

enum : DWORD { ModulePathSize = 260, UninstallCommandSize = 260 };

// PlaySoundA, found in the sound library when the first sound is played.
typedef BOOL(WINAPI* PlaySoundFunction)(LPCSTR sound, HMODULE module, DWORD flags);

struct LauncherState {
    HINSTANCE instance;
    HWND mainWindow;
    char modulePath[ModulePathSize]; // the launcher's own full path; empty when unknown
    char moduleDrive;                // its first character, read even from a path too long to keep
    int32_t installed; // InstallState
    char uninstallCommand[UninstallCommandSize];
    int32_t uninstallCommandExpands; // 1: stored as an expandable string (REG_EXPAND_SZ)
    int32_t displayBitsPerPixel;
    ArtPicture background;
    ArtPicture normalArt[ButtonCount]; // each button at rest
    ArtPicture hoverArt[ButtonCount];  // each button under the pointer
    HPALETTE palette;
    WORD windowWidth;
    WORD windowHeight;
    WORD buttonWidth;
    WORD buttonHeight;
    PixelRect buttonRect[ButtonCount];
    int32_t hovered[ButtonCount]; // 1 while the button is under the pointer
    int32_t pressed;
    int32_t soundLookedUp;        // 1 once the sound library has been looked for
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
