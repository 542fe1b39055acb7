/* POKE.EXE: a console helper with which the end-to-end tests act on the launcher from inside Wine.
 *   POKE info              print the launcher window's handle, style, visibility, rectangle, class, title
 *   POKE close             post the system close command (WM_SYSCOMMAND, SC_CLOSE) to the launcher window
 *   POKE wmclose           post WM_CLOSE to the launcher window
 *   POKE focus             make the launcher window the foreground window
 *   POKE palette HOLD_MS   show a small window of its own (48 x 48 at the screen's top left corner, clear of
 *                          a centred launcher), realize a different 256-colour palette in the
 *                          foreground, print "ready", keep it up for HOLD_MS milliseconds, then exit
 *   POKE run SHOW COMMAND  start COMMAND (the rest of the line, as is) with show command SHOW, wait for
 *                          it and exit with its exit code
 * The launcher window is found by its class name, the product's name, which the environment's
 * LAUNCHER_CLASS_NAME must give (the harness's sessions set it). Exit code 2: no launcher window;
 * 3: bad arguments or no LAUNCHER_CLASS_NAME. */
#include <windows.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static const char* launcherClass;

static HWND FindLauncher(void)
{
    HWND window = FindWindowA(launcherClass, NULL);
    if (!window) {
        printf("found=0\n");
    }
    return window;
}

static int Info(void)
{
    HWND window = FindLauncher();
    if (!window) {
        return 2;
    }
    char className[256] = "";
    char title[256] = "";
    RECT rect;
    GetClassNameA(window, className, sizeof className);
    GetWindowTextA(window, title, sizeof title);
    GetWindowRect(window, &rect);
    printf("found=1\n");
    printf("style=0x%08lx\n", (unsigned long)(DWORD)GetWindowLongA(window, GWL_STYLE));
    printf("exstyle=0x%08lx\n", (unsigned long)(DWORD)GetWindowLongA(window, GWL_EXSTYLE));
    printf("visible=%d\n", IsWindowVisible(window) ? 1 : 0);
    printf("iconic=%d\n", IsIconic(window) ? 1 : 0);
    printf("rect=%ld,%ld,%ld,%ld\n", rect.left, rect.top, rect.right, rect.bottom);
    printf("class=%s\n", className);
    printf("title=%s\n", title);
    printf("foreground=%d\n", GetForegroundWindow() == window ? 1 : 0);
    return 0;
}

static int Post(UINT message, WPARAM wParam)
{
    HWND window = FindLauncher();
    if (!window) {
        return 2;
    }
    printf("posted=%d\n", PostMessageA(window, message, wParam, 0) ? 1 : 0);
    return 0;
}

static int Focus(void)
{
    HWND window = FindLauncher();
    if (!window) {
        return 2;
    }
    printf("foreground=%d\n", SetForegroundWindow(window) ? 1 : 0);
    return 0;
}

static HPALETTE foreignPalette;

static LRESULT CALLBACK PaletteWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_PAINT) {
        PAINTSTRUCT paint;
        HDC dc = BeginPaint(window, &paint);
        HPALETTE old = SelectPalette(dc, foreignPalette, FALSE);
        RealizePalette(dc);
        for (int i = 0; i < 256; ++i) {
            HBRUSH brush = CreateSolidBrush(PALETTEINDEX(i));
            RECT cell = {(i % 16) * 3, (i / 16) * 3, (i % 16) * 3 + 3, (i / 16) * 3 + 3};
            FillRect(dc, &cell, brush);
            DeleteObject(brush);
        }
        SelectPalette(dc, old, FALSE);
        EndPaint(window, &paint);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

static int Palette(DWORD holdMilliseconds)
{
    /* A palette that shares nothing with the launcher's: hues the launcher's art never uses. */
    struct {
        WORD version;
        WORD count;
        PALETTEENTRY entries[256];
    } table;
    table.version = 0x300;
    table.count = 256;
    for (int i = 0; i < 256; ++i) {
        table.entries[i].peRed = (BYTE)(255 - i);
        table.entries[i].peGreen = (BYTE)((i * 97) & 255);
        table.entries[i].peBlue = (BYTE)((i * 5 + 128) & 255);
        table.entries[i].peFlags = PC_NOCOLLAPSE;
    }
    foreignPalette = CreatePalette((LOGPALETTE*)&table);

    WNDCLASSA windowClass;
    memset(&windowClass, 0, sizeof windowClass);
    windowClass.lpfnWndProc = PaletteWindowProc;
    windowClass.hInstance = GetModuleHandleA(NULL);
    windowClass.hCursor = LoadCursorA(NULL, (LPCSTR)IDC_ARROW);
    windowClass.lpszClassName = "Poke Palette";
    RegisterClassA(&windowClass);
    HWND window = CreateWindowExA(0, "Poke Palette", "Poke Palette", WS_POPUP, 0, 0, 48, 48, NULL, NULL,
                                  windowClass.hInstance, NULL);
    ShowWindow(window, SW_SHOW);
    SetForegroundWindow(window);
    HDC dc = GetDC(window);
    SelectPalette(dc, foreignPalette, FALSE);
    UINT mapped = RealizePalette(dc);
    ReleaseDC(window, dc);
    UpdateWindow(window);
    printf("realized=%u\nready\n", mapped);
    fflush(stdout);

    DWORD start = GetTickCount();
    for (;;) {
        DWORD elapsed = GetTickCount() - start;
        if (elapsed >= holdMilliseconds) {
            break;
        }
        MsgWaitForMultipleObjects(0, NULL, FALSE, holdMilliseconds - elapsed, QS_ALLINPUT);
        MSG message;
        while (PeekMessageA(&message, NULL, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
    }
    DestroyWindow(window);
    DeleteObject(foreignPalette);
    return 0;
}

/* The command line after the first `count` words, exactly as typed. */
static const char* SkipWords(const char* line, int count)
{
    for (int w = 0; w < count; ++w) {
        while (*line == ' ' || *line == '\t') {
            ++line;
        }
        int quoted = 0;
        while (*line && (quoted || (*line != ' ' && *line != '\t'))) {
            if (*line == '"') {
                quoted = !quoted;
            }
            ++line;
        }
    }
    while (*line == ' ' || *line == '\t') {
        ++line;
    }
    return line;
}

static int Run(int show)
{
    char* command = _strdup(SkipWords(GetCommandLineA(), 3));
    STARTUPINFOA startup;
    memset(&startup, 0, sizeof startup);
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = (WORD)show;
    PROCESS_INFORMATION process;
    if (!CreateProcessA(NULL, command, NULL, NULL, FALSE, 0, NULL, NULL, &startup, &process)) {
        printf("started=0 error=%lu\n", (unsigned long)GetLastError());
        return 4;
    }
    printf("started=1 pid=%lu\n", (unsigned long)process.dwProcessId);
    fflush(stdout);
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD code = 1;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return (int)code;
}

static int Usage(const char* why)
{
    fprintf(stderr, "POKE: %s\nusage: POKE info | close | wmclose | focus | palette HOLD_MS | run SHOW COMMAND\n"
                    "       with LAUNCHER_CLASS_NAME set to the launcher window's class name\n", why);
    return 3;
}

int main(int argc, char** argv)
{
    setvbuf(stdout, NULL, _IONBF, 0);
    if (argc < 2) {
        return Usage("no command");
    }
    const char* verb = argv[1];
    launcherClass = getenv("LAUNCHER_CLASS_NAME");
    if (strcmp(verb, "palette") != 0 && strcmp(verb, "run") != 0 && !(launcherClass && *launcherClass)) {
        return Usage("LAUNCHER_CLASS_NAME is not set");
    }
    if (strcmp(verb, "info") == 0) {
        return Info();
    }
    if (strcmp(verb, "close") == 0) {
        return Post(WM_SYSCOMMAND, SC_CLOSE);
    }
    if (strcmp(verb, "wmclose") == 0) {
        return Post(WM_CLOSE, 0);
    }
    if (strcmp(verb, "focus") == 0) {
        return Focus();
    }
    if (strcmp(verb, "palette") == 0 && argc >= 3) {
        return Palette((DWORD)strtoul(argv[2], NULL, 10));
    }
    if (strcmp(verb, "run") == 0 && argc >= 4) {
        return Run(atoi(argv[2]));
    }
    return Usage("unknown command or missing arguments");
}
