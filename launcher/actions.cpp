#include "launcher/actions.h"

#include "launcher/command_line_rules.h"
#include "launcher/launcher_state.h"
#include "launcher/path_rules.h"
#include "launcher/system_library.h"
#include "product_profile.h"

#include <shellapi.h>

enum : DWORD { ErrorElevationRequired = 740 }; // ERROR_ELEVATION_REQUIRED, Windows Vista and later

typedef BOOL(WINAPI* ShellExecuteExFunction)(SHELLEXECUTEINFOA* execute);

#ifdef LAUNCHER_TEST_LIBRARY
// Test builds only: a system library that lacks ShellExecuteExA stands in for the shell.
static const char shellLibrary[] = LAUNCHER_TEST_LIBRARY;
#else
static const char shellLibrary[] = "SHELL32.DLL";
#endif

static UINT StartCommandLine(const char* commandLine)
{
#ifdef LAUNCHER_TEST_START_ERROR
    // Test builds only: every start fails with this error and starts nothing, as a start of a program
    // that asks for elevation does under User Account Control, which the test system lacks.
    (void)commandLine;
    SetLastError(LAUNCHER_TEST_START_ERROR);
    return ERROR_BAD_FORMAT;
#else
    return WinExec(commandLine, SW_SHOW);
#endif
}

static bool ProgramFileExists(const char* path)
{
    const DWORD attributes = GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// Under User Account Control a program that asks for elevation (as every program named like a setup
// program does) cannot be started by WinExec; the shell starts it after the consent prompt, which
// belongs to the launcher's window. The shell is loaded only now, from the system folder.
static void StartThroughShell(HWND window, const char* commandLine)
{
    char program[MAX_PATH];
    const char* parameters;
    if (!SplitCommandLine(commandLine, ProgramFileExists, program, sizeof program, &parameters)) {
        return;
    }
    HMODULE shell = LoadSystemLibrary(shellLibrary);
    if (!shell) {
        return;
    }
    const ShellExecuteExFunction shellExecute = FindFunction<ShellExecuteExFunction>(shell, "ShellExecuteExA");
    if (!shellExecute) {
        return;
    }
    SHELLEXECUTEINFOA execute = {};
    execute.cbSize = sizeof execute;
    // No message box of the shell's own; and the start is complete when the call returns, for the
    // launcher ends right after it.
    execute.fMask = SEE_MASK_FLAG_NO_UI | SEE_MASK_NOASYNC;
    execute.hwnd = window;
    execute.lpFile = program;
    execute.lpParameters = parameters;
    execute.nShow = SW_SHOW;
    shellExecute(&execute);
}

// Programs are started and forgotten: whether they started or not, the launcher closes. Only a program
// that needs elevation is given a second try, through the shell.
static void StartProgram(HWND window, const char* commandLine)
{
    if (StartCommandLine(commandLine) < 32 && GetLastError() == ErrorElevationRequired) {
        StartThroughShell(window, commandLine);
    }
}

// PATH as this process has it, in a block of its own size (it may be far longer than a path); null
// when there is none.
static char* ReadSearchPath()
{
    const DWORD size = GetEnvironmentVariableA("PATH", 0, 0);
    char* path = size ? static_cast<char*>(GlobalAlloc(GPTR, size)) : 0;
    if (path && GetEnvironmentVariableA("PATH", path, size) >= size) {
        path[0] = '\0'; // it changed in between: rather none than a part
    }
    return path;
}

// An uninstaller registered by its bare name ("MsiExec.exe /X{...}") is started by the full path the
// system would find, for WinExec would look for it in the launcher's folder and the current folder
// (the medium) first; where it is found nowhere else, nothing is started.
static void StartUninstall(HWND window)
{
    char systemFolder[MAX_PATH];
    char windowsFolder[MAX_PATH];
    ReadSystemFolder(systemFolder);
    ReadWindowsFolder(windowsFolder);
    char launcherFolder[ModulePathSize] = "";
    uint32_t end = 0;
    AppendChars(launcherFolder, sizeof launcherFolder, &end, launcherState.modulePath,
                TextLength(launcherState.modulePath));
    TrimToFolder(launcherFolder);
    char* searchPath = ReadSearchPath();
    const ProgramFolders folders = {systemFolder, windowsFolder, searchPath, launcherFolder};
    // The found program's path in quotes, a space and the registered parameters.
    char command[MAX_PATH + 3 + UninstallCommandSize];
    const bool resolved = ResolveCommandProgram(launcherState.uninstallCommand, folders, ProgramFileExists, command,
                                                sizeof command);
    if (searchPath) {
        GlobalFree(searchPath);
    }
    if (resolved) {
        StartProgram(window, command);
    }
}

static void StartSetupOrUninstall(HWND window)
{
    if (launcherState.installed == Installed) {
        StartUninstall(window);
        return;
    }
    if (!launcherState.modulePath[0]) {
        return; // the launcher's own folder is unknown: nothing sensible to start
    }
    // The folder, the setup program's name and two quotes: well within twice a module path.
    char command[2 * ModulePathSize];
    if (BuildSetupCommand(launcherState.modulePath, PRODUCT_SETUP_PROGRAM, command, sizeof command)) {
        StartProgram(window, command);
    }
}

// The browser in the Windows folder, never one beside the launcher. The executable is marked as aware
// of terminal servers, so that there too the system's Windows folder is returned, not a per-user copy.
static void StartBrowser(HWND window)
{
    char windowsFolder[MAX_PATH];
    if (!ReadWindowsFolder(windowsFolder)) {
        return;
    }
    char command[MAX_PATH];
    if (BuildBrowseCommand(windowsFolder, launcherState.moduleDrive, command, sizeof command)) {
        StartProgram(window, command);
    }
}

void RunButtonAction(HWND window, ButtonAction action)
{
    switch (action) {
    case SetupOrRemove: StartSetupOrUninstall(window); break;
    case BrowseMedium: StartBrowser(window); break;
    case Cancel:
#ifdef LAUNCHER_TEST_FAULT
        // Test build only: cancel writes through a null pointer, so that the tests can show that a crash
        // never passes for a clean exit. The pointer is volatile: the compiler cannot see it is null and
        // turn the write into a trap instruction of its own.
        {
            volatile int* volatile nowhere = nullptr;
            *nowhere = 0;
        }
#endif
        break; // starts nothing
    }
    DestroyWindow(window);
}
