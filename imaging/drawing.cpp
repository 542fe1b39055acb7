#include "imaging/drawing.h"

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

// Draws the pictures in order: packed DIBs through the palette, or device bitmaps through one memory
// context.
static void DrawPictures(HDC dc, const PlacedPicture* pictures, int count, DrawingForm form)
{
    if (form.throughPalette) {
        HPALETTE old = SelectPalette(dc, form.palette, FALSE);
        RealizePalette(dc);
        for (int i = 0; i < count; ++i) {
            const PlacedPicture& p = pictures[i];
            DrawPackedDib(dc, p.art->dib, p.x, p.y, p.w, p.h);
        }
        SelectPalette(dc, old, FALSE);
        return;
    }
    HDC memory = CreateCompatibleDC(dc);
    HGDIOBJ displaced = 0;
    for (int i = 0; i < count; ++i) {
        const PlacedPicture& p = pictures[i];
        CopyBitmap(dc, memory, &displaced, p.art->bitmap, p.x, p.y, p.w, p.h);
    }
    EndCopies(memory, displaced);
}

void PaintPictures(HWND window, const PlacedPicture* pictures, int count, DrawingForm form)
{
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    DrawPictures(dc, pictures, count, form);
    EndPaint(window, &paint);
}

void DrawPicturesNow(HWND window, const PlacedPicture* pictures, int count, DrawingForm form)
{
    HDC dc = GetDC(window);
    DrawPictures(dc, pictures, count, form);
    ReleaseDC(window, dc);
}

LRESULT RealizeWindowPalette(HWND window, DrawingForm form)
{
    if (!form.throughPalette) {
        return 0;
    }
    HDC dc = GetDC(window);
    SelectPalette(dc, form.palette, FALSE);
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
