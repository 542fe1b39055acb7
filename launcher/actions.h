// What each button does: start a program from the medium or the system, then close the launcher.
#pragma once

#include <windows.h>

// The buttons' roles, top to bottom: button i's action is ButtonAction(i).
enum ButtonAction { SetupOrRemove = 0, BrowseMedium = 1, Cancel = 2 };

void RunButtonAction(HWND window, ButtonAction action);
