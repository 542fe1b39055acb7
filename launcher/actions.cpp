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

// A look on a drive without its disc (a PATH folder on an empty floppy or CD drive) fails quietly
// instead of bringing up the system's "no disk" box. A started program inherits the error mode, so the
// old one is back at once.
static bool ProgramFileExists(const char* path)
{
    const UINT errorMode = SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    const DWORD attributes = GetFileAttributesA(path);
    SetErrorMode(errorMode);
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

static bool ReadFullFolderName(const char* folder, char* full, uint32_t capacity)
{
    char* name;
    const DWORD length = GetFullPathNameA(folder, capacity, full, &name);
    return length > 0 && length < capacity;
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

// An expandable command ("%SystemRoot%\system32\msiexec.exe /x...") with its environment variables
// replaced, as the shell reads it; any other as registered. Null when the expanded command does not fit.
static const char* ExpandedUninstallCommand(char* expanded, uint32_t capacity)
{
    if (!launcherState.uninstallCommandExpands) {
        return launcherState.uninstallCommand;
    }
    const DWORD length = ExpandEnvironmentStringsA(launcherState.uninstallCommand, expanded, capacity);
    return (length > 0 && length <= capacity) ? expanded : 0;
}

enum : uint32_t { ExpandedCommandSize = 2 * UninstallCommandSize };

// The registered uninstall command, started so that no program on the medium or in the current folder
// can stand in for the one the installer registered: a bare name ("MsiExec.exe /X{...}") by the full
// path the system would find outside the launcher's folder, an unquoted full path by its longest prefix
// that names a file, and a program relative to some folder not at all.
static void StartUninstall(HWND window)
{
    char systemFolder[MAX_PATH];
    char system16Folder[MAX_PATH];
    char windowsFolder[MAX_PATH];
    ReadSystemFolder(systemFolder);
    ReadWindowsFolder(windowsFolder);
    // The 16-bit system folder, which the system searches too: "SYSTEM" in the Windows folder.
    uint32_t end = 0;
    system16Folder[0] = '\0';
    if (!AppendChars(system16Folder, MAX_PATH, &end, windowsFolder, TextLength(windowsFolder)) ||
        !windowsFolder[0] || !AppendPathComponent(system16Folder, MAX_PATH, "SYSTEM")) {
        system16Folder[0] = '\0';
    }
    char launcherFolder[ModulePathSize] = "";
    end = 0;
    AppendChars(launcherFolder, sizeof launcherFolder, &end, launcherState.modulePath,
                TextLength(launcherState.modulePath));
    TrimToFolder(launcherFolder);
    char expanded[ExpandedCommandSize];
    const char* registered = ExpandedUninstallCommand(expanded, sizeof expanded);
    if (!registered) {
        return;
    }
    char* searchPath = ReadSearchPath();
    const ProgramFolders folders = {systemFolder, system16Folder, windowsFolder, searchPath, launcherFolder,
                                    ReadFullFolderName};
    // The found program's path in quotes, a space and the registered parameters.
    char command[ProgramPathSize + 3 + ExpandedCommandSize];
    const bool resolved = ResolveCommandProgram(registered, folders, ProgramFileExists, command, sizeof command);
    if (searchPath) {
        GlobalFree(searchPath);
    }
    if (resolved) {
        StartProgram(window, command);
    }
}

// Whether the launcher's path as the ANSI functions give it names the launcher's own file. Where paths
// are wide characters, the ANSI path is a conversion that maps characters the code page lacks to
// lookalikes: a folder "a<U+FF02> b" (a full-width quote) comes back as "a" b", "x<U+FF3C>..<U+FF3C>y"
// as "x\..\y". Read back into wide characters, only an exact path gives the wide path again. Windows 95
// has no wide-character paths (the call fails there): its ANSI path is the file's own.
static bool ModulePathIsExact()
{
    WCHAR wide[ModulePathSize];
    const DWORD length = GetModuleFileNameW(launcherState.instance, wide, ModulePathSize);
    if (length == 0 || length >= ModulePathSize) {
        return true;
    }
    WCHAR readBack[ModulePathSize];
    return MultiByteToWideChar(CP_ACP, 0, launcherState.modulePath, -1, readBack, ModulePathSize) > 0 &&
           SameCodeUnits(reinterpret_cast<const uint16_t*>(readBack), reinterpret_cast<const uint16_t*>(wide));
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
    if (!ModulePathIsExact()) {
        return; // its folder's name, as read, may name another folder
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
    if (!ModulePathIsExact() || !ReadWindowsFolder(windowsFolder)) {
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
#ifdef LAUNCHER_TEST_WRITES
        // Test build only: cancel writes a file in the user's folder and a registry key, so that the
        // medium's check can show that a launcher which writes anything fails it, and names both.
        {
            char path[MAX_PATH];
            ExpandEnvironmentStringsA("%USERPROFILE%\\WRITTEN.TXT", path, sizeof path);
            HANDLE file = CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
            if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
            HKEY key;
            if (RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Written by the launcher", 0, nullptr, 0, KEY_WRITE,
                                nullptr, &key, nullptr) == ERROR_SUCCESS)
                RegCloseKey(key);
        }
#endif
        break; // starts nothing
    }
    DestroyWindow(window);
}
