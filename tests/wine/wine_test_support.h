// Shared helpers of the test programs that run under Wine.
#pragma once

#include <windows.h>

#include "launcher/install_state.h"

#include <string>

// The built LAUNCH.EXE mapped as a data file, so its own resources can be loaded (null if missing).
HMODULE LauncherModule();

// A Unix path from the environment as Wine's Z: drive sees it.
std::string WindowsPathFromEnvironment(const char* variable);

// Processes every pending message of this thread, including paints.
void PumpMessages();

// This test program, whose resources are the launcher's own.
HINSTANCE Self();

// Creates and shows the splash window in this process as start-up does, with pictures from `art` and a
// pretended screen depth, so both drawing paths can be examined on one display. The counters and the
// forced results start afresh once the window is shown.
HWND CreateSplash(int depth, HINSTANCE art = Self(), InstallState installed = NotInstalled);

// Destroys the splash window if it still exists, and takes the quit message the launcher posts.
void DestroySplash(HWND window);

// The pointer moved onto button `button` of the splash window; then pressed and released there, as a
// click's messages arrive.
void MoveOntoButton(HWND window, int button);
void ClickButton(HWND window, int button);
