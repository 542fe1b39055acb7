// The splash window's procedure: a table from message to handler; each handler does one message's work.
#include "launcher/window_proc.h"

#include "launcher/art.h"
#include "launcher/launcher_state.h"
#include "launcher/painting.h"
#include "launcher/pointer.h"
#include "launcher/sounds.h"

enum : UINT_PTR { WelcomeTimer = 1 };
enum : UINT { WelcomeDelayMilliseconds = 50 };

// Runs inside CreateWindowExA, before mainWindow is known: everything acts on `window`.
static LRESULT OnCreate(HWND window, WPARAM, LPARAM)
{
    LoadArt();
    ComputeButtonRects();
    MoveWindow(window, 0, 0, launcherState.windowWidth, launcherState.windowHeight, FALSE);
    CenterWindow(window);
    // Repeating by nature; the first WM_TIMER kills it, so the welcome sound starts once.
    SetTimer(window, WelcomeTimer, WelcomeDelayMilliseconds, 0);
    launcherState.pressed = 0;
    return 0;
}

static LRESULT OnDestroy(HWND, WPARAM, LPARAM)
{
    ReleaseArt();
    PostQuitMessage(0);
    return 0;
}

static LRESULT OnPaint(HWND window, WPARAM, LPARAM)
{
    PaintWindow(window);
    return 0;
}

static LRESULT OnTimer(HWND window, WPARAM, LPARAM)
{
    KillTimer(window, WelcomeTimer);
    WelcomeSound();
    return 0;
}

static LRESULT OnQueryNewPalette(HWND window, WPARAM, LPARAM)
{
    return RealizeLauncherPalette(window);
}

static LRESULT OnPaletteChanged(HWND window, WPARAM changedBy, LPARAM)
{
    // Our own realization announces itself too; realizing again would loop.
    if (reinterpret_cast<HWND>(changedBy) == window) {
        return 0;
    }
    return RealizeLauncherPalette(window);
}

struct MessageRoute {
    UINT message;
    LRESULT (*handler)(HWND window, WPARAM wParam, LPARAM lParam);
};

static const MessageRoute messageRoutes[] = {
    {WM_CREATE, OnCreate},
    {WM_DESTROY, OnDestroy},
    {WM_PAINT, OnPaint},
    {WM_TIMER, OnTimer},
    {WM_MOUSEMOVE, OnMouseMove},
    {WM_LBUTTONDOWN, OnLeftButtonDown},
    {WM_LBUTTONUP, OnLeftButtonUp},
    {WM_PALETTECHANGED, OnPaletteChanged},
    {WM_QUERYNEWPALETTE, OnQueryNewPalette},
};

LRESULT CALLBACK LauncherWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    for (const MessageRoute& route : messageRoutes) {
        if (route.message == message) {
            return route.handler(window, wParam, lParam);
        }
    }
    // Keys, the system's close command and everything else: the system's own handling.
    return DefWindowProcA(window, message, wParam, lParam);
}
