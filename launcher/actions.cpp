#include "launcher/actions.h"

#include "launcher/launcher_state.h"
#include "launcher/path_rules.h"

enum : DWORD { SetupPathSize = 500 };

// Programs are started and forgotten: whether they started or not, the launcher closes.
static void StartProgram(const char* commandLine)
{
    WinExec(commandLine, SW_SHOW);
}

static void StartSetupOrUninstall()
{
    if (launcherState.installed == Installed) {
        StartProgram(launcherState.uninstallCommand);
        return;
    }
    char modulePath[SetupPathSize];
    const DWORD length = GetModuleFileNameA(launcherState.instance, modulePath, SetupPathSize);
    if (length == 0 || length >= SetupPathSize) {
        return; // the launcher's own folder is unknown: nothing sensible to start
    }
    char command[SetupPathSize + 2];
    if (BuildSetupCommand(modulePath, command, sizeof command)) {
        StartProgram(command);
    }
}

// The browser in the Windows folder, never one beside the launcher. The executable is marked as aware
// of terminal servers, so that there too the system's Windows folder is returned, not a per-user copy.
static void StartBrowser()
{
    char windowsFolder[MAX_PATH];
    const UINT length = GetWindowsDirectoryA(windowsFolder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) {
        return;
    }
    char command[MAX_PATH];
    if (BuildBrowseCommand(windowsFolder, launcherState.moduleDrive, command, sizeof command)) {
        StartProgram(command);
    }
}

void RunButtonAction(HWND window, int button)
{
    switch (button) {
    case SetupOrRemove: StartSetupOrUninstall(); break;
    case BrowseMedium: StartBrowser(); break;
    default: break; // Cancel starts nothing
    }
    DestroyWindow(window);
}
