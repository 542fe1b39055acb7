// Buttons that behave: light up under the pointer, and run their action on a press and release.
#pragma once

#include <windows.h>

LRESULT OnMouseMove(HWND window, DWORD lParam);
LRESULT OnLeftButtonDown(HWND window);
LRESULT OnLeftButtonUp(HWND window);
