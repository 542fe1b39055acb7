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

// The memory contexts alive, each with the bitmap it was created holding; the window contexts handed
// out, each with the palette it came with.
struct MemoryContext {
    HDC dc;
    HGDIOBJ firstBitmap;
};

struct WindowContext {
    HDC dc;
    HGDIOBJ firstPalette;
};

MemoryContext memoryContexts[16];
WindowContext windowContexts[16];

void HandedOut(HDC dc)
{
    for (WindowContext& context : windowContexts) {
        if (!context.dc) {
            context = {dc, GetCurrentObject(dc, OBJ_PAL)};
            return;
        }
    }
}

void GivenBack(HDC dc)
{
    for (WindowContext& context : windowContexts) {
        if (context.dc == dc) {
            countedCalls.releasedHoldingAForeignPalette += GetCurrentObject(dc, OBJ_PAL) != context.firstPalette;
            context = {};
            return;
        }
    }
}

void CopyText(char* target, size_t size, const char* text)
{
    lstrcpynA(target, text ? text : "", static_cast<int>(size));
}

// The process's error mode, left as it was.
UINT CurrentErrorMode()
{
    const UINT mode = SetErrorMode(0);
    SetErrorMode(mode);
    return mode;
}

BOOL WINAPI RecordedShellStart(SHELLEXECUTEINFOA* request)
{
    ++countedCalls.shellStarts;
    countedCalls.errorModeAtStart = CurrentErrorMode();
    countedCalls.shellRequest = *request;
    CopyText(countedCalls.shellFile, sizeof countedCalls.shellFile, request->lpFile);
    CopyText(countedCalls.shellParameters, sizeof countedCalls.shellParameters, request->lpParameters);
    return TRUE;
}

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
    HDC dc = BeginPaint(window, paint);
    HandedOut(dc);
    return dc;
}

BOOL WINAPI CountedEndPaint(HWND window, const PAINTSTRUCT* paint)
{
    GivenBack(paint->hdc);
    return EndPaint(window, paint);
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
    HandedOut(dc);
    return dc;
}

int WINAPI CountedReleaseDC(HWND window, HDC dc)
{
    GivenBack(dc);
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

HMODULE WINAPI CountedLoadLibraryExA(LPCSTR path, HANDLE file, DWORD flags)
{
    ++countedCalls.libraryLoads;
    CopyText(countedCalls.loadedLibrary, sizeof countedCalls.loadedLibrary, path);
    countedCalls.loadFlags = flags;
    return LoadLibraryExA(path, file, flags);
}

FARPROC WINAPI CountedGetProcAddress(HMODULE library, LPCSTR name)
{
    if (forcedResults.recordShellStarts && lstrcmpA(name, "ShellExecuteExA") == 0) {
        return reinterpret_cast<FARPROC>(reinterpret_cast<void (*)(void)>(RecordedShellStart));
    }
    return GetProcAddress(library, name);
}

UINT WINAPI CountedWinExec(LPCSTR commandLine, UINT show)
{
    ++countedCalls.programStarts;
    countedCalls.errorModeAtStart = CurrentErrorMode();
    CopyText(countedCalls.startedCommand, sizeof countedCalls.startedCommand, commandLine);
    if (forcedResults.failStarts) {
        SetLastError(forcedResults.startError);
        return ERROR_BAD_FORMAT;
    }
    return WinExec(commandLine, show);
}

DWORD WINAPI CountedGetFileAttributesA(LPCSTR path)
{
    const UINT quiet = SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX;
    ++countedCalls.fileLooks;
    countedCalls.fileLooksWithBoxes += (CurrentErrorMode() & quiet) != quiet;
    return GetFileAttributesA(path);
}
