#include "imaging/drawing.h"

#include "launcher/layout_rules.h"

// Both drawing paths hand pictures to the system as they are: no conversion or scaling at draw time.
static void DrawPackedDib(HDC dc, PackedDib dib, int x, int y, int w, int h)
{
    if (!dib) {
        return; // a picture that failed to load leaves its place undrawn
    }
    SetDIBitsToDevice(dc, x, y, w, h, 0, 0, 0, h, PackedDibBits(dib), reinterpret_cast<const BITMAPINFO*>(dib),
                      DIB_RGB_COLORS);
}

// Copies a device bitmap through the memory context; the object that the first selection displaced
// is kept in `displaced`, to be selected back before the context is deleted.
static void CopyBitmap(HDC dc, HDC memory, HGDIOBJ* displaced, HBITMAP bitmap, int x, int y, int w, int h)
{
    if (!bitmap) {
        return; // a picture that failed to load leaves its place undrawn, not another picture
    }
    HGDIOBJ previous = SelectObject(memory, bitmap);
    if (!*displaced) {
        *displaced = previous;
    }
    BitBlt(dc, x, y, w, h, memory, 0, 0, SRCCOPY);
}

static void EndCopies(HDC memory, HGDIOBJ displaced)
{
    if (displaced) {
        SelectObject(memory, displaced);
    }
    DeleteDC(memory);
}

static const ArtPicture& CurrentButtonArt(int button)
{
    return launcherState.hovered[button] ? launcherState.hoverArt[button] : launcherState.normalArt[button];
}

static void PaintThroughPalette(HDC dc)
{
    HPALETTE old = SelectPalette(dc, launcherState.palette, FALSE);
    RealizePalette(dc);
    DrawPackedDib(dc, launcherState.background.dib, 0, 0, launcherState.windowWidth, launcherState.windowHeight);
    for (int i = 0; i < ButtonCount; ++i) {
        DrawPackedDib(dc, CurrentButtonArt(i).dib, buttonOrigins.originX[i], buttonOrigins.originY[i],
                      launcherState.buttonWidth, launcherState.buttonHeight);
    }
    SelectPalette(dc, old, FALSE);
}

static void PaintDeviceBitmaps(HDC dc)
{
    HDC memory = CreateCompatibleDC(dc);
    HGDIOBJ displaced = 0;
    CopyBitmap(dc, memory, &displaced, launcherState.background.bitmap, 0, 0, launcherState.windowWidth,
               launcherState.windowHeight);
    for (int i = 0; i < ButtonCount; ++i) {
        CopyBitmap(dc, memory, &displaced, CurrentButtonArt(i).bitmap, buttonOrigins.originX[i],
                   buttonOrigins.originY[i], launcherState.buttonWidth, launcherState.buttonHeight);
    }
    EndCopies(memory, displaced);
}

void PaintWindow(HWND window)
{
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    if (UsesPalette()) {
        PaintThroughPalette(dc);
    } else {
        PaintDeviceBitmaps(dc);
    }
    EndPaint(window, &paint);
}

void RedrawButton(HWND window, int button, const ArtPicture& art)
{
    HDC dc = GetDC(window);
    const int x = buttonOrigins.originX[button];
    const int y = buttonOrigins.originY[button];
    if (UsesPalette()) {
        HPALETTE old = SelectPalette(dc, launcherState.palette, FALSE);
        RealizePalette(dc);
        DrawPackedDib(dc, art.dib, x, y, launcherState.buttonWidth, launcherState.buttonHeight);
        SelectPalette(dc, old, FALSE);
    } else {
        HDC memory = CreateCompatibleDC(dc);
        HGDIOBJ displaced = 0;
        CopyBitmap(dc, memory, &displaced, art.bitmap, x, y, launcherState.buttonWidth, launcherState.buttonHeight);
        EndCopies(memory, displaced);
    }
    ReleaseDC(window, dc);
}

LRESULT RealizeLauncherPalette(HWND window)
{
    if (!UsesPalette()) {
        return 0;
    }
    HDC dc = GetDC(window);
    SelectPalette(dc, launcherState.palette, FALSE);
    // The error result (all bits set) reads as -1 and so counts as no change.
    const int mapped = static_cast<int>(RealizePalette(dc));
    ReleaseDC(window, dc);
    if (mapped > 0) {
        // The class brush is the null brush: the erase paints nothing, the next WM_PAINT every pixel.
        InvalidateRect(window, 0, TRUE);
        return 1;
    }
    return 0;
}
