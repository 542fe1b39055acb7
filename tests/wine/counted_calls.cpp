// The counters behind counted_calls.h. Compiled without LAUNCHER_COUNTED_CALLS: these wrappers call the
// real functions.
#include "tests/wine/counted_calls.h"

CountedCalls countedCalls;
ForcedResults forcedResults;

namespace {

void LogDrawn(const void* picture, int x, int y)
{
    if (countedCalls.drawnCount < DrawLogSize) {
        countedCalls.drawn[countedCalls.drawnCount] = {picture, x, y};
    }
    ++countedCalls.drawnCount;
}

// The memory contexts alive, each with the bitmap it was created holding.
struct MemoryContext {
    HDC dc;
    HGDIOBJ firstBitmap;
};

MemoryContext memoryContexts[16];

template <typename Object>
Object Made(Object object)
{
    countedCalls.gdiObjectsMade += object != nullptr;
    return object;
}

} // namespace

BOOL WINAPI CountedBitBlt(HDC dc, int x, int y, int w, int h, HDC source, int sx, int sy, DWORD rop)
{
    ++countedCalls.bitBlt;
    LogDrawn(GetCurrentObject(source, OBJ_BITMAP), x, y);
    return BitBlt(dc, x, y, w, h, source, sx, sy, rop);
}

int WINAPI CountedSetDIBitsToDevice(HDC dc, int x, int y, DWORD w, DWORD h, int sx, int sy, UINT first, UINT lines,
                                    const VOID* bits, const BITMAPINFO* info, UINT usage)
{
    ++countedCalls.setDIBitsToDevice;
    LogDrawn(info, x, y);
    return SetDIBitsToDevice(dc, x, y, w, h, sx, sy, first, lines, bits, info, usage);
}

BOOL WINAPI CountedInvalidateRect(HWND window, const RECT* rect, BOOL erase)
{
    ++countedCalls.invalidateRect;
    return InvalidateRect(window, rect, erase);
}

HDC WINAPI CountedBeginPaint(HWND window, LPPAINTSTRUCT paint)
{
    ++countedCalls.beginPaint;
    return BeginPaint(window, paint);
}

UINT WINAPI CountedRealizePalette(HDC dc)
{
    ++countedCalls.realizePalette;
    const UINT mapped = RealizePalette(dc);
    return forcedResults.realizePalette ? forcedResults.realizePaletteResult : mapped;
}

HGLOBAL WINAPI CountedGlobalAlloc(UINT flags, SIZE_T bytes)
{
    HGLOBAL block = GlobalAlloc(flags, bytes);
    countedCalls.globalAlloc += block != nullptr;
    return block;
}

HGLOBAL WINAPI CountedGlobalFree(HGLOBAL block)
{
    countedCalls.globalFree += block != nullptr;
    return GlobalFree(block);
}

HDC WINAPI CountedGetDC(HWND window)
{
    HDC dc = GetDC(window);
    countedCalls.getDC += dc != nullptr;
    return dc;
}

int WINAPI CountedReleaseDC(HWND window, HDC dc)
{
    const int released = ReleaseDC(window, dc);
    countedCalls.releaseDC += released != 0;
    return released;
}

HDC WINAPI CountedCreateCompatibleDC(HDC dc)
{
    HDC memory = CreateCompatibleDC(dc);
    if (!memory) {
        return memory;
    }
    ++countedCalls.createCompatibleDC;
    for (MemoryContext& context : memoryContexts) {
        if (!context.dc) {
            context = {memory, GetCurrentObject(memory, OBJ_BITMAP)};
            break;
        }
    }
    return memory;
}

BOOL WINAPI CountedDeleteDC(HDC dc)
{
    for (MemoryContext& context : memoryContexts) {
        if (context.dc == dc) {
            countedCalls.deletedHoldingAForeignBitmap += GetCurrentObject(dc, OBJ_BITMAP) != context.firstBitmap;
            context = {};
        }
    }
    const BOOL deleted = DeleteDC(dc);
    countedCalls.deleteDC += deleted != FALSE;
    return deleted;
}

BOOL WINAPI CountedDeleteObject(HGDIOBJ object)
{
    const BOOL deleted = DeleteObject(object);
    countedCalls.deleteObject += deleted != FALSE;
    return deleted;
}

HBITMAP WINAPI CountedLoadBitmapA(HINSTANCE instance, LPCSTR name)
{
    return Made(LoadBitmapA(instance, name));
}

HBITMAP WINAPI CountedCreateCompatibleBitmap(HDC dc, int w, int h)
{
    return Made(CreateCompatibleBitmap(dc, w, h));
}

HBITMAP WINAPI CountedCreateDIBitmap(HDC dc, const BITMAPINFOHEADER* header, DWORD init, const void* bits,
                                     const BITMAPINFO* info, UINT usage)
{
    return Made(CreateDIBitmap(dc, header, init, bits, info, usage));
}

HBITMAP WINAPI CountedCreateDIBSection(HDC dc, const BITMAPINFO* info, UINT usage, void** bits, HANDLE section,
                                       DWORD offset)
{
    return Made(CreateDIBSection(dc, info, usage, bits, section, offset));
}

HBITMAP WINAPI CountedCreateBitmap(int w, int h, UINT planes, UINT bits, const void* data)
{
    return Made(CreateBitmap(w, h, planes, bits, data));
}

HBRUSH WINAPI CountedCreateSolidBrush(COLORREF colour)
{
    return Made(CreateSolidBrush(colour));
}

HPALETTE WINAPI CountedCreatePalette(const LOGPALETTE* palette)
{
    return Made(CreatePalette(palette));
}

HRGN WINAPI CountedCreateRectRgn(int left, int top, int right, int bottom)
{
    return Made(CreateRectRgn(left, top, right, bottom));
}
