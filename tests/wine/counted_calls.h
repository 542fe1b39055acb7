// Forced into the launcher's sources in the Windows test programs only: routes the drawing, paint,
// palette and global-memory calls through counters, so tests can see exactly what a handler did.
#pragma once

#include <windows.h>

struct CountedCalls {
    int bitBlt;
    int setDIBitsToDevice;
    int invalidateRect;
    int beginPaint;
    int realizePalette;
    int globalAlloc;
    int globalFree;
};

extern CountedCalls countedCalls;

BOOL WINAPI CountedBitBlt(HDC, int, int, int, int, HDC, int, int, DWORD);
int WINAPI CountedSetDIBitsToDevice(HDC, int, int, DWORD, DWORD, int, int, UINT, UINT, const VOID*,
                                    const BITMAPINFO*, UINT);
BOOL WINAPI CountedInvalidateRect(HWND, const RECT*, BOOL);
HDC WINAPI CountedBeginPaint(HWND, LPPAINTSTRUCT);
UINT WINAPI CountedRealizePalette(HDC);
HGLOBAL WINAPI CountedGlobalAlloc(UINT, SIZE_T);
HGLOBAL WINAPI CountedGlobalFree(HGLOBAL);

#define BitBlt CountedBitBlt
#define SetDIBitsToDevice CountedSetDIBitsToDevice
#define InvalidateRect CountedInvalidateRect
#define BeginPaint CountedBeginPaint
#define RealizePalette CountedRealizePalette
#define GlobalAlloc CountedGlobalAlloc
#define GlobalFree CountedGlobalFree
