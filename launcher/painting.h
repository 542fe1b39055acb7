// What the splash window shows: the background and each button in its state, from the state record.
#pragma once

#include <windows.h>

#include "imaging/drawing.h"

// WM_PAINT: background and the three buttons, each at rest or under the pointer, whatever the update
// region.
void PaintWindow(HWND window);

// Draws picture `art` at button `button`'s place at once, straight to the window, outside the paint cycle.
void RedrawButton(HWND window, int button, const ArtPicture& art);

// Selects and realizes the launcher's palette on 256-colour screens. When that mapped entries anew the
// whole window is invalidated and the result is 1; otherwise (and on other screens) 0.
LRESULT RealizeLauncherPalette(HWND window);
