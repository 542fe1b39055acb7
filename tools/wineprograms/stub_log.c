#include "stub_log.h"

#include <windows.h>
#include <string.h>

void AppendStubLogLine(const char* modulePath, const char* text)
{
    char logPath[MAX_PATH];
    DWORD length = GetEnvironmentVariableA("LAUNCHER_STUB_LOG", logPath, sizeof logPath);
    if (length == 0 || length >= sizeof logPath) {
        return;
    }
    /* Several stubs may append at once: each line goes out in one write at the end of the file. */
    HANDLE log = CreateFileA(logPath, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, OPEN_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL, NULL);
    if (log == INVALID_HANDLE_VALUE) {
        return;
    }
    const size_t moduleLength = strlen(modulePath);
    const size_t textLength = strlen(text);
    const size_t lineLength = moduleLength + 1 + textLength + 2;
    char* line = (char*)HeapAlloc(GetProcessHeap(), 0, lineLength);
    if (line) {
        memcpy(line, modulePath, moduleLength);
        line[moduleLength] = '\t';
        memcpy(line + moduleLength + 1, text, textLength);
        line[lineLength - 2] = '\r';
        line[lineLength - 1] = '\n';
        DWORD written = 0;
        WriteFile(log, line, (DWORD)lineLength, &written, NULL);
        HeapFree(GetProcessHeap(), 0, line);
    }
    CloseHandle(log);
}
