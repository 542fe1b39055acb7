// The seven pictures of the screen's picture set, the window and button geometry, and the window's place.
#pragma once

#include <windows.h>

// Chooses the picture set from the screen depth, loads background and buttons (and, on 256-colour
// screens, the palette) and sets the window and button sizes.
void LoadArt();

// The three buttons' boxes from their origins and the button size: where pointer moves hit them and
// where their pictures are drawn.
void ComputeButtonRects();

// Centres `window` over its parent or the screen, kept on the screen as far as its size allows.
void CenterWindow(HWND window);

// Frees everything LoadArt created: background, each button's two pictures, then the palette.
void ReleaseArt();
