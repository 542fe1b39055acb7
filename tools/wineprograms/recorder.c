/* Stand-in for a program the launcher starts (the setup program, the browser, an uninstaller, a decoy).
 * Appends one line to the stub log (stub_log.h):
 *     <own module path> TAB <command line exactly as received> CR LF
 * and exits with code 0. */
#include <windows.h>

#include "stub_log.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandTail, int showCommand)
{
    (void)instance;
    (void)previous;
    (void)commandTail;
    (void)showCommand;

    char modulePath[MAX_PATH];
    DWORD moduleLength = GetModuleFileNameA(NULL, modulePath, sizeof modulePath);
    if (moduleLength >= sizeof modulePath) {
        moduleLength = 0;
    }
    modulePath[moduleLength] = '\0';
    AppendStubLogLine(modulePath, GetCommandLineA());
    return 0;
}
