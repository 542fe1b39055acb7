// Start-up: probe the machine, create the splash window and run its message loop.
#include "launcher/win_main.h"

#include "launcher/install_probe.h"
#include "launcher/launcher_state.h"
#include "launcher/window_proc.h"
#include "resources/resource_ids.h"

// Read once: the drive names the medium for the file browser, the folder holds the setup program.
static void RecordModulePath()
{
    char* path = launcherState.modulePath;
    path[0] = '\0';
    const DWORD length = GetModuleFileNameA(launcherState.instance, path, ModulePathSize);
    // A failed read leaves the drive NUL, which the browse command treats as "no drive known".
    launcherState.moduleDrive = length ? path[0] : '\0';
    if (length == 0 || length >= ModulePathSize) {
        path[0] = '\0'; // cut off: its folder is unknown, so no setup program is started from it
    }
}

static void ReadDisplayDepth()
{
    HDC screen = GetDC(0);
    launcherState.displayBitsPerPixel = GetDeviceCaps(screen, BITSPIXEL);
    ReleaseDC(0, screen);
#ifdef LAUNCHER_TEST_BITS_PER_PIXEL
    // Test builds only: stand in for a screen depth that the test display cannot offer.
    launcherState.displayBitsPerPixel = LAUNCHER_TEST_BITS_PER_PIXEL;
#endif
}

static bool RegisterLauncherClass()
{
    WNDCLASSA windowClass;
    windowClass.style = 0;
    windowClass.lpfnWndProc = LauncherWndProc;
    windowClass.cbClsExtra = 0;
    windowClass.cbWndExtra = 0;
    windowClass.hInstance = launcherState.instance;
    windowClass.hIcon = LoadIconA(launcherState.instance, MAKEINTRESOURCEA(IDI_PRODUCT_ICON));
    windowClass.hCursor = LoadCursorA(0, reinterpret_cast<LPCSTR>(IDC_ARROW));
    // The window paints every pixel itself; the system never erases a background.
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(NULL_BRUSH));
    windowClass.lpszMenuName = 0;
    windowClass.lpszClassName = launcherClassName;
    return RegisterClassA(&windowClass) != 0;
}

bool InitInstance(int showCommand)
{
    RecordModulePath();
    ProbeInstallState();
    ReadDisplayDepth();
    if (!RegisterLauncherClass()) {
        return false;
    }
    // Created at 0 x 0; the creation handling gives the window its size and position.
    launcherState.mainWindow = CreateWindowExA(0, launcherClassName, launcherClassName, WS_POPUP, 0, 0, 0, 0, 0, 0,
                                               launcherState.instance, 0);
    if (!launcherState.mainWindow) {
        return false;
    }
    ShowWindow(launcherState.mainWindow, showCommand);
    UpdateWindow(launcherState.mainWindow);
    return true;
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand)
{
    launcherState.instance = instance;
    if (!InitInstance(showCommand)) {
        return 0;
    }
    // GetMessageA's -1 (an invalid call) keeps the loop running like any message; only WM_QUIT ends it.
    MSG message;
    while (GetMessageA(&message, 0, 0, 0)) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return 0;
}
