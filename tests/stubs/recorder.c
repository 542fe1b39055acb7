/* Stand-in for a program the launcher starts (SETUP32.EXE, EXPLORER.EXE, UNINST.EXE, a decoy).
 * Appends one line to the log named by the environment variable LAUNCHER_STUB_LOG (a Windows path):
 *     <own module path> TAB <command line exactly as received> CR LF
 * and exits with code 0. Without the variable it only exits. */
#include <windows.h>
#include <string.h>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandTail, int showCommand)
{
    (void)instance;
    (void)previous;
    (void)commandTail;
    (void)showCommand;

    char logPath[MAX_PATH];
    DWORD length = GetEnvironmentVariableA("LAUNCHER_STUB_LOG", logPath, sizeof logPath);
    if (length == 0 || length >= sizeof logPath) {
        return 0;
    }
    char modulePath[MAX_PATH];
    DWORD moduleLength = GetModuleFileNameA(NULL, modulePath, sizeof modulePath);
    if (moduleLength >= sizeof modulePath) {
        moduleLength = 0;
    }
    const char* commandLine = GetCommandLineA();

    /* Several stubs may append at once: each line goes out in one write at the end of the file. */
    HANDLE log = CreateFileA(logPath, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, OPEN_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL, NULL);
    if (log == INVALID_HANDLE_VALUE) {
        return 0;
    }
    const size_t commandLength = strlen(commandLine);
    const size_t lineLength = moduleLength + 1 + commandLength + 2;
    char* line = (char*)HeapAlloc(GetProcessHeap(), 0, lineLength);
    if (line) {
        memcpy(line, modulePath, moduleLength);
        line[moduleLength] = '\t';
        memcpy(line + moduleLength + 1, commandLine, commandLength);
        line[lineLength - 2] = '\r';
        line[lineLength - 1] = '\n';
        DWORD written = 0;
        WriteFile(log, line, (DWORD)lineLength, &written, NULL);
        HeapFree(GetProcessHeap(), 0, line);
    }
    CloseHandle(log);
    return 0;
}
