// The launcher's drawing, paint, palette, device-context, GDI object and memory calls, its library
// loads and its program starts, counted in the Windows test programs. The launcher's sources are
// compiled there with LAUNCHER_COUNTED_CALLS, which makes this header (forced into each of them) route
// those calls through the counting wrappers; the tests include it for the counters and still call the
// real functions themselves, uncounted.
#pragma once

#include <windows.h>

#include <shellapi.h>

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
    // Device contexts given back (ReleaseDC, EndPaint) holding another palette than the one they came with.
    int releasedHoldingAForeignPalette;
    int gdiObjectsMade; // bitmaps, DIB sections, palettes, brushes, regions
    int deleteObject;
    // The first pictures drawn, in order.
    DrawnPicture drawn[DrawLogSize];
    int drawnCount;
    // Libraries loaded (LoadLibraryExA), and the last one's path and flags.
    int libraryLoads;
    char loadedLibrary[MAX_PATH];
    DWORD loadFlags;
    // Programs started (WinExec), and the last command line.
    int programStarts;
    char startedCommand[1024];
    // The error mode at the last program start, and the file looks (GetFileAttributesA) made while the
    // system may still show its "no disk" box (without SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX).
    UINT errorModeAtStart;
    int fileLooks;
    int fileLooksWithBoxes;
    // Shell starts handed to the stand-in (see ForcedResults), and the last request with its strings.
    int shellStarts;
    SHELLEXECUTEINFOA shellRequest;
    char shellFile[MAX_PATH];
    char shellParameters[1024];
};

extern CountedCalls countedCalls;

// Results the wrappers hand to the launcher instead of the system's, for cases the test display
// cannot bring about.
struct ForcedResults {
    bool realizePalette; // RealizePalette (still called) answers realizePaletteResult
    UINT realizePaletteResult;
    bool failStarts; // WinExec starts nothing and fails with last error startError, as under UAC
    DWORD startError;
    bool recordShellStarts; // ShellExecuteExA is found as a stand-in that records the request, starts nothing
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
BOOL WINAPI CountedEndPaint(HWND, const PAINTSTRUCT*);
HMODULE WINAPI CountedLoadLibraryExA(LPCSTR, HANDLE, DWORD);
FARPROC WINAPI CountedGetProcAddress(HMODULE, LPCSTR);
UINT WINAPI CountedWinExec(LPCSTR, UINT);
DWORD WINAPI CountedGetFileAttributesA(LPCSTR);

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
#define EndPaint CountedEndPaint
#define LoadLibraryExA CountedLoadLibraryExA
#define GetProcAddress CountedGetProcAddress
#define WinExec CountedWinExec
#define GetFileAttributesA CountedGetFileAttributesA
#endif
