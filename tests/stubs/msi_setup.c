/* Stand-in for a product's setup program that installs the product's Windows Installer package from the
 * medium, as many setup programs do: runs
 *     "<system folder>\msiexec.exe" /i "<its own folder>\<its own name>.MSI" /qn
 * (SETUP32.EXE installs SETUP32.MSI beside it), waits for it and exits with its exit code; 1 when it
 * cannot start it. */
#include <stdio.h>
#include <string.h>
#include <windows.h>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandTail, int showCommand)
{
    (void)instance;
    (void)previous;
    (void)commandTail;
    (void)showCommand;

    char package[MAX_PATH];
    DWORD length = GetModuleFileNameA(NULL, package, sizeof package);
    char* dot = strrchr(package, '.');
    if (length == 0 || length >= sizeof package || dot == NULL || strchr(dot, '\\') != NULL) {
        return 1;
    }
    strcpy(dot, ".MSI");

    char systemFolder[MAX_PATH];
    UINT folderLength = GetSystemDirectoryA(systemFolder, sizeof systemFolder);
    if (folderLength == 0 || folderLength >= sizeof systemFolder) {
        return 1;
    }
    char command[3 * MAX_PATH];
    snprintf(command, sizeof command, "\"%s\\msiexec.exe\" /i \"%s\" /qn", systemFolder, package);

    STARTUPINFOA startup;
    memset(&startup, 0, sizeof startup);
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process;
    if (!CreateProcessA(NULL, command, NULL, NULL, FALSE, 0, NULL, NULL, &startup, &process)) {
        return 1;
    }
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD code = 1;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return (int)code;
}
