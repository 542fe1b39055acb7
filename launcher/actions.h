// What each button does: start a program from the medium or the system, then close the launcher.
#pragma once

#include <windows.h>

enum ButtonAction { SetupOrRemove = 0, BrowseMedium = 1, Cancel = 2 };

void RunButtonAction(HWND window, int button);
