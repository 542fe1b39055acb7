#include "launcher/actions.h"

#include "launcher/launcher_state.h"
#include "launcher/path_rules.h"

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
    if (!launcherState.modulePath[0]) {
        return; // the launcher's own folder is unknown: nothing sensible to start
    }
    // The folder, the setup program's name and two quotes: well within twice a module path.
    char command[2 * ModulePathSize];
    if (BuildSetupCommand(launcherState.modulePath, command, sizeof command)) {
        StartProgram(command);
    }
}

static void StartBrowser()
{
    char command[13];
    BuildBrowseCommand(launcherState.moduleDrive, command);
    StartProgram(command);
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
