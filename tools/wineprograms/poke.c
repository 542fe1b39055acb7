/* POKE.EXE: a console helper with which the end-to-end tests act on the launcher from inside Wine.
 *   POKE info              print the launcher window's style, visibility, rectangle, class and title
 *   POKE close | wmclose   post the system close command (WM_SYSCOMMAND, SC_CLOSE) | WM_CLOSE to it
 *   POKE focus             make it the foreground window
 *   POKE palette HOLD_MS   show a 48 x 48 window at the screen's top left corner with a 256-colour palette of
 *                          its own realized in the foreground, print "ready", exit after HOLD_MS milliseconds
 *   POKE run SHOW COMMAND  start COMMAND (the rest of the line, as is) with show command SHOW; its exit code
 * The launcher window is found by its class name, the environment's LAUNCHER_CLASS_NAME. Class and title are
 * read and printed in UTF-8, whatever the system's ANSI code page. Exit code 2: no launcher window; 3: bad
 * arguments. */
#include <windows.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

/* The verbs that act on the launcher window; FALSE for another verb. */
static BOOL OnLauncher(const char* verb, HWND window)
{
    if (strcmp(verb, "info") == 0) {
        WCHAR wideClass[256] = L"", wideTitle[256] = L"";
        char className[1024] = "", title[1024] = "";
        RECT rect;
        GetClassNameW(window, wideClass, 256);
        GetWindowTextW(window, wideTitle, 256);
        WideCharToMultiByte(CP_UTF8, 0, wideClass, -1, className, sizeof className, NULL, NULL);
        WideCharToMultiByte(CP_UTF8, 0, wideTitle, -1, title, sizeof title, NULL, NULL);
        GetWindowRect(window, &rect);
        printf("style=0x%08lx\nvisible=%d\nrect=%ld,%ld,%ld,%ld\nclass=%s\ntitle=%s\n",
               (unsigned long)(DWORD)GetWindowLongA(window, GWL_STYLE), IsWindowVisible(window) ? 1 : 0,
               rect.left, rect.top, rect.right, rect.bottom, className, title);
    } else if (strcmp(verb, "close") == 0 || strcmp(verb, "wmclose") == 0) {
        BOOL posted = verb[0] == 'c' ? PostMessageA(window, WM_SYSCOMMAND, SC_CLOSE, 0)
                                     : PostMessageA(window, WM_CLOSE, 0, 0);
        printf("posted=%d\n", posted ? 1 : 0);
    } else if (strcmp(verb, "focus") == 0) {
        printf("foreground=%d\n", SetForegroundWindow(window) ? 1 : 0);
    } else {
        return FALSE;
    }
    return TRUE;
}

static int Palette(DWORD holdMilliseconds)
{
    /* A palette that shares nothing with the launcher's: hues the launcher's art never uses. */
    struct { WORD version, count; PALETTEENTRY entries[256]; } table = {.version = 0x300, .count = 256};
    for (int i = 0; i < 256; ++i) {
        table.entries[i] = (PALETTEENTRY){(BYTE)(255 - i), (BYTE)(i * 97), (BYTE)(i * 5 + 128), PC_NOCOLLAPSE};
    }
    HPALETTE palette = CreatePalette((LOGPALETTE*)&table);

    /* Painted once: with no window manager and nothing in front of it, nothing exposes it again. */
    WNDCLASSA windowClass = {.lpfnWndProc = DefWindowProcA, .hInstance = GetModuleHandleA(NULL),
                             .hCursor = LoadCursorA(NULL, (LPCSTR)IDC_ARROW), .lpszClassName = "Poke Palette"};
    RegisterClassA(&windowClass);
    HWND window = CreateWindowExA(0, "Poke Palette", "Poke Palette", WS_POPUP, 0, 0, 48, 48, NULL, NULL,
                                  windowClass.hInstance, NULL);
    ShowWindow(window, SW_SHOW);
    SetForegroundWindow(window);
    UpdateWindow(window);
    HDC dc = GetDC(window);
    SelectPalette(dc, palette, FALSE);
    RealizePalette(dc);
    for (int i = 0; i < 256; ++i) {
        HBRUSH brush = CreateSolidBrush(PALETTEINDEX(i));
        RECT cell = {(i % 16) * 3, (i / 16) * 3, (i % 16) * 3 + 3, (i / 16) * 3 + 3};
        FillRect(dc, &cell, brush);
        DeleteObject(brush);
    }
    GdiFlush();
    printf("ready\n");

    SetTimer(window, 1, holdMilliseconds, NULL);
    MSG message;
    while (GetMessageA(&message, NULL, 0, 0) > 0 && message.message != WM_TIMER) {
        DispatchMessageA(&message);
    }
    ReleaseDC(window, dc);
    DestroyWindow(window);
    DeleteObject(palette);
    return 0;
}

/* The command line after the first `count` words, exactly as typed. */
static const char* SkipWords(const char* line, int count)
{
    for (int word = 0; word <= count; ++word) {
        while (*line == ' ' || *line == '\t') {
            ++line;
        }
        for (int quoted = 0; word < count && *line && (quoted || (*line != ' ' && *line != '\t')); ++line) {
            quoted ^= *line == '"';
        }
    }
    return line;
}

static int Run(int show)
{
    char* command = _strdup(SkipWords(GetCommandLineA(), 3));
    STARTUPINFOA startup = {.cb = sizeof startup, .dwFlags = STARTF_USESHOWWINDOW, .wShowWindow = (WORD)show};
    PROCESS_INFORMATION process;
    if (!CreateProcessA(NULL, command, NULL, NULL, FALSE, 0, NULL, NULL, &startup, &process)) {
        printf("started=0 error=%lu\n", (unsigned long)GetLastError());
        return 4;
    }
    printf("started=1 pid=%lu\n", (unsigned long)process.dwProcessId);
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD code = 1;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return (int)code;
}

int main(int argc, char** argv)
{
    setvbuf(stdout, NULL, _IONBF, 0);
    WCHAR launcherClass[256] = L"";
    GetEnvironmentVariableW(L"LAUNCHER_CLASS_NAME", launcherClass, 256);
    if (argc == 3 && strcmp(argv[1], "palette") == 0) {
        return Palette((DWORD)strtoul(argv[2], NULL, 10));
    }
    if (argc >= 4 && strcmp(argv[1], "run") == 0) {
        return Run(atoi(argv[2]));
    }
    if (argc == 2 && *launcherClass) {
        HWND window = FindWindowW(launcherClass, NULL);
        if (!window || OnLauncher(argv[1], window)) {
            return window ? 0 : 2;
        }
    }
    fprintf(stderr, "usage: POKE info | close | wmclose | focus | palette HOLD_MS | run SHOW COMMAND\n"
                    "       (the first four with LAUNCHER_CLASS_NAME set to the launcher window's class name)\n");
    return 3;
}
