#include "stub_log.h"

#include <stdio.h>
#include <string.h>
#include <windows.h>

void AppendStubLogLine(const char* modulePath, const char* text)
{
    char logPath[MAX_PATH];
    DWORD length = GetEnvironmentVariableA("LAUNCHER_STUB_LOG", logPath, sizeof logPath);
    size_t size = strlen(modulePath) + strlen(text) + 4;
    char* line = length && length < sizeof logPath ? (char*)HeapAlloc(GetProcessHeap(), 0, size) : NULL;
    if (!line) {
        return;
    }
    /* Several stubs may append at once: each line goes out in one write at the end of the file. */
    HANDLE log = CreateFileA(logPath, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, OPEN_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL, NULL);
    if (log != INVALID_HANDLE_VALUE) {
        DWORD written = 0;
        WriteFile(log, line, (DWORD)snprintf(line, size, "%s\t%s\r\n", modulePath, text), &written, NULL);
        CloseHandle(log);
    }
    HeapFree(GetProcessHeap(), 0, line);
}
