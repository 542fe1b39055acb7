// The benchmark's baseline: what any window costs the platform. It opens an empty popup window of the
// launcher's size, centred the same way, with a plain black background, and closes on a click. Built
// like the launcher (no runtime), so the difference between the two is the launcher's own work:
// probing the registry, loading seven pictures and painting them.
#include <windows.h>

#include "launcher/geometry.h"

static LRESULT CALLBACK BaselineWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_LBUTTONDOWN)
        DestroyWindow(window);
    else if (message == WM_DESTROY)
        PostQuitMessage(0);
    else
        return DefWindowProcA(window, message, wParam, lParam);
    return 0;
}

extern "C" void __stdcall Entry(void)
{
    HINSTANCE instance = GetModuleHandleA(0);
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = BaselineWndProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorA(0, reinterpret_cast<LPCSTR>(IDC_ARROW));
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    windowClass.lpszClassName = "Baseline Popup";
    RegisterClassA(&windowClass);
    const int x = (GetSystemMetrics(SM_CXSCREEN) - FixedWindowWidth) / 2;
    const int y = (GetSystemMetrics(SM_CYSCREEN) - FixedWindowHeight) / 2;
    HWND window = CreateWindowExA(0, "Baseline Popup", "Baseline Popup", WS_POPUP, x, y, FixedWindowWidth,
                                  FixedWindowHeight, 0, 0, instance, 0);
    ShowWindow(window, SW_SHOWDEFAULT);
    UpdateWindow(window);
    MSG message;
    while (GetMessageA(&message, 0, 0, 0)) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    ExitProcess(0);
}
