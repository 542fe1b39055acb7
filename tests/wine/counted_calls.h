// The launcher's drawing, paint, palette, device-context, GDI object and memory calls, counted in the
// Windows test programs. The launcher's sources are compiled there with LAUNCHER_COUNTED_CALLS, which
// makes this header (forced into each of them) route those calls through the counting wrappers; the
// tests include it for the counters and still call the real functions themselves, uncounted.
#pragma once

#include <windows.h>

// One picture put on the window: the bitmap copied from the memory context, or the packed DIB drawn.
struct DrawnPicture {
    const void* picture;
    int x;
    int y;
};

enum { DrawLogSize = 8 };

struct CountedCalls {
    int bitBlt;
    int setDIBitsToDevice;
    int invalidateRect;
    int beginPaint;
    int realizePalette;
    int globalAlloc;
    int globalFree;
    int getDC;
    int releaseDC;
    int createCompatibleDC;
    int deleteDC;
    // Memory contexts deleted while holding another bitmap than the one they were created with.
    int deletedHoldingAForeignBitmap;
    int gdiObjectsMade; // bitmaps, DIB sections, palettes, brushes, regions
    int deleteObject;
    // The first pictures drawn, in order.
    DrawnPicture drawn[DrawLogSize];
    int drawnCount;
};

extern CountedCalls countedCalls;

// Results the wrappers hand to the launcher instead of the system's, for cases the test display
// cannot bring about.
struct ForcedResults {
    bool realizePalette; // RealizePalette (still called) answers realizePaletteResult
    UINT realizePaletteResult;
};

extern ForcedResults forcedResults;

BOOL WINAPI CountedBitBlt(HDC, int, int, int, int, HDC, int, int, DWORD);
int WINAPI CountedSetDIBitsToDevice(HDC, int, int, DWORD, DWORD, int, int, UINT, UINT, const VOID*,
                                    const BITMAPINFO*, UINT);
BOOL WINAPI CountedInvalidateRect(HWND, const RECT*, BOOL);
HDC WINAPI CountedBeginPaint(HWND, LPPAINTSTRUCT);
UINT WINAPI CountedRealizePalette(HDC);
HGLOBAL WINAPI CountedGlobalAlloc(UINT, SIZE_T);
HGLOBAL WINAPI CountedGlobalFree(HGLOBAL);
HDC WINAPI CountedGetDC(HWND);
int WINAPI CountedReleaseDC(HWND, HDC);
HDC WINAPI CountedCreateCompatibleDC(HDC);
BOOL WINAPI CountedDeleteDC(HDC);
BOOL WINAPI CountedDeleteObject(HGDIOBJ);
HBITMAP WINAPI CountedLoadBitmapA(HINSTANCE, LPCSTR);
HBITMAP WINAPI CountedCreateCompatibleBitmap(HDC, int, int);
HBITMAP WINAPI CountedCreateDIBitmap(HDC, const BITMAPINFOHEADER*, DWORD, const void*, const BITMAPINFO*, UINT);
HBITMAP WINAPI CountedCreateDIBSection(HDC, const BITMAPINFO*, UINT, void**, HANDLE, DWORD);
HBITMAP WINAPI CountedCreateBitmap(int, int, UINT, UINT, const void*);
HBRUSH WINAPI CountedCreateSolidBrush(COLORREF);
HPALETTE WINAPI CountedCreatePalette(const LOGPALETTE*);
HRGN WINAPI CountedCreateRectRgn(int, int, int, int);

#ifdef LAUNCHER_COUNTED_CALLS
#define BitBlt CountedBitBlt
#define SetDIBitsToDevice CountedSetDIBitsToDevice
#define InvalidateRect CountedInvalidateRect
#define BeginPaint CountedBeginPaint
#define RealizePalette CountedRealizePalette
#define GlobalAlloc CountedGlobalAlloc
#define GlobalFree CountedGlobalFree
#define GetDC CountedGetDC
#define ReleaseDC CountedReleaseDC
#define CreateCompatibleDC CountedCreateCompatibleDC
#define DeleteDC CountedDeleteDC
#define DeleteObject CountedDeleteObject
#define LoadBitmapA CountedLoadBitmapA
#define CreateCompatibleBitmap CountedCreateCompatibleBitmap
#define CreateDIBitmap CountedCreateDIBitmap
#define CreateDIBSection CountedCreateDIBSection
#define CreateBitmap CountedCreateBitmap
#define CreateSolidBrush CountedCreateSolidBrush
#define CreatePalette CountedCreatePalette
#define CreateRectRgn CountedCreateRectRgn
#endif
