/* A library planted beside the launcher under the name of a system library (WINMM.DLL, MSACM32.DLL).
 * It exports nothing; when any process loads it, it appends one line to the stub log (stub_log.h):
 *     <own module path> TAB loaded by <the process's program path> CR LF */
#include <windows.h>

#include "stub_log.h"

BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID reserved)
{
    (void)reserved;
    if (reason != DLL_PROCESS_ATTACH) {
        return TRUE;
    }
    char libraryPath[MAX_PATH];
    char programPath[MAX_PATH];
    char text[MAX_PATH + 16] = "loaded by ";
    DWORD length = GetModuleFileNameA(self, libraryPath, sizeof libraryPath);
    libraryPath[length < sizeof libraryPath ? length : 0] = '\0';
    length = GetModuleFileNameA(NULL, programPath, sizeof programPath);
    programPath[length < sizeof programPath ? length : 0] = '\0';
    lstrcatA(text, programPath);
    AppendStubLogLine(libraryPath, text);
    return TRUE;
}
