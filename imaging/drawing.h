// Pictures put on a window in the form the screen's picture set uses: packed DIBs through a palette on
// 256-colour screens, device bitmaps through a memory context on every other screen. The caller says
// what is drawn where; nothing here knows the launcher.
#pragma once

#include <windows.h>

#include "imaging/packed_dib.h"

// One picture in both of its forms; the form that the screen's picture set does not use stays null.
struct ArtPicture {
    HBITMAP bitmap; // device bitmap: 16-colour and true-colour screens
    PackedDib dib;  // packed DIB drawn through the palette: 256-colour screens
};

// One picture and the place it is drawn at, in client coordinates; `w` x `h` pixels of it are drawn.
struct PlacedPicture {
    const ArtPicture* art;
    int x;
    int y;
    int w;
    int h;
};

// How pictures reach the screen: with `throughPalette`, the packed DIBs, `palette` selected and realized
// around them; otherwise the device bitmaps, and `palette` is not used.
struct DrawingForm {
    bool throughPalette;
    HPALETTE palette;
};

// WM_PAINT: draws `count` pictures in order, whatever the update region.
void PaintPictures(HWND window, const PlacedPicture* pictures, int count, DrawingForm form);

// Draws `count` pictures at once, straight to the window, outside the paint cycle.
void DrawPicturesNow(HWND window, const PlacedPicture* pictures, int count, DrawingForm form);

// Selects and realizes the form's palette. When that mapped entries anew the whole window is
// invalidated and the result is 1; otherwise (and without the palette form) 0.
LRESULT RealizeWindowPalette(HWND window, DrawingForm form);
