/* Stand-in for a program the launcher starts (the setup program, the browser, an uninstaller, a decoy).
 * Appends one line to the stub log (stub_log.h):
 *     <own module path> TAB <command line exactly as received> CR LF
 * and exits with code 0. A Windows-subsystem program (no console), whose C runtime calls main. */
#include <windows.h>

#include "stub_log.h"

int main(void)
{
    char modulePath[MAX_PATH];
    DWORD moduleLength = GetModuleFileNameA(NULL, modulePath, sizeof modulePath);
    modulePath[moduleLength < sizeof modulePath ? moduleLength : 0] = '\0';
    AppendStubLogLine(modulePath, GetCommandLineA());
    return 0;
}
