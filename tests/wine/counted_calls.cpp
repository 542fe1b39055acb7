// The counters behind counted_calls.h; this file itself calls the real functions.
#include "tests/wine/counted_calls.h"

#undef BitBlt
#undef SetDIBitsToDevice
#undef InvalidateRect
#undef BeginPaint
#undef RealizePalette
#undef GlobalAlloc
#undef GlobalFree

CountedCalls countedCalls;

BOOL WINAPI CountedBitBlt(HDC dc, int x, int y, int w, int h, HDC source, int sx, int sy, DWORD rop)
{
    ++countedCalls.bitBlt;
    return BitBlt(dc, x, y, w, h, source, sx, sy, rop);
}

int WINAPI CountedSetDIBitsToDevice(HDC dc, int x, int y, DWORD w, DWORD h, int sx, int sy, UINT first, UINT lines,
                                    const VOID* bits, const BITMAPINFO* info, UINT usage)
{
    ++countedCalls.setDIBitsToDevice;
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
    return RealizePalette(dc);
}

HGLOBAL WINAPI CountedGlobalAlloc(UINT flags, SIZE_T bytes)
{
    HGLOBAL block = GlobalAlloc(flags, bytes);
    if (block) {
        ++countedCalls.globalAlloc;
    }
    return block;
}

HGLOBAL WINAPI CountedGlobalFree(HGLOBAL block)
{
    if (block) {
        ++countedCalls.globalFree;
    }
    return GlobalFree(block);
}
