// Buttons that behave: light up under the pointer, and run their action on a press and release.
// Each is a window message handler, called straight from the window procedure's table.
#pragma once

#include <windows.h>

LRESULT OnMouseMove(HWND window, WPARAM wParam, LPARAM lParam);
LRESULT OnLeftButtonDown(HWND window, WPARAM wParam, LPARAM lParam);
LRESULT OnLeftButtonUp(HWND window, WPARAM wParam, LPARAM lParam);
