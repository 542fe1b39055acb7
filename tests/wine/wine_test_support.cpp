#include "tests/wine/wine_test_support.h"

#include "launcher/geometry.h"
#include "launcher/launcher_state.h"
#include "launcher/window_proc.h"
#include "tests/wine/counted_calls.h"

#include <cstdlib>

std::string WindowsPathFromEnvironment(const char* variable)
{
    const char* value = std::getenv(variable);
    if (!value || !*value) {
        return std::string();
    }
    std::string path = value;
    if (path[0] == '/') {
        path = "Z:" + path;
    }
    for (char& c : path) {
        if (c == '/') {
            c = '\\';
        }
    }
    return path;
}

HMODULE LauncherModule()
{
    static HMODULE module = nullptr;
    if (!module) {
        const std::string path = WindowsPathFromEnvironment("LAUNCHER_EXE");
        module = LoadLibraryExA(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    }
    return module;
}

void PumpMessages()
{
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

HINSTANCE Self()
{
    return GetModuleHandleA(nullptr);
}

static void RegisterLauncherClassOnce()
{
    WNDCLASSA existing;
    if (GetClassInfoA(Self(), launcherClassName, &existing)) {
        return;
    }
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = LauncherWndProc;
    windowClass.hInstance = Self();
    windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(NULL_BRUSH));
    windowClass.lpszClassName = launcherClassName;
    RegisterClassA(&windowClass);
}

HWND CreateSplash(int depth, HINSTANCE art, InstallState installed)
{
    launcherState = LauncherState();
    launcherState.instance = art;
    launcherState.displayBitsPerPixel = depth;
    launcherState.installed = installed;
    forcedResults = ForcedResults();
    RegisterLauncherClassOnce();
    HWND window = CreateWindowExA(0, launcherClassName, launcherClassName, WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                  Self(), nullptr);
    if (window) {
        ShowWindow(window, SW_SHOW);
        UpdateWindow(window);
        PumpMessages();
    }
    countedCalls = CountedCalls();
    return window;
}

void DestroySplash(HWND window)
{
    if (IsWindow(window)) {
        DestroyWindow(window);
    }
    PumpMessages();
}

static LPARAM InButton(int button)
{
    return MAKELPARAM(buttonOrigins.originX[button] + 1, buttonOrigins.originY[button] + 1);
}

void MoveOntoButton(HWND window, int button)
{
    SendMessageA(window, WM_MOUSEMOVE, 0, InButton(button));
}

void ClickButton(HWND window, int button)
{
    MoveOntoButton(window, button);
    SendMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON, InButton(button));
    SendMessageA(window, WM_LBUTTONUP, 0, InButton(button));
}
