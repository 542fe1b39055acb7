#include "launcher/install_probe.h"

#include "launcher/launcher_state.h"
#include "launcher/path_rules.h"
#include "product_profile.h"

static const char uninstallKey[] =
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" PRODUCT_UNINSTALL_GUID;

InstallState ProbeInstallState()
{
    launcherState.installed = NotInstalled;
    // All of it, not just the first byte: a value stored without terminator must still end in NUL.
    for (char& c : launcherState.uninstallCommand) {
        c = '\0';
    }

    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, uninstallKey, 0, KEY_READ, &key) != ERROR_SUCCESS) {
        return NotInstalled;
    }
    // The value's type is not asked for: its bytes are the command line as they stand.
    DWORD size = UninstallCommandSize;
    const LONG result = RegQueryValueExA(key, "UninstallString", 0, 0,
                                         reinterpret_cast<BYTE*>(launcherState.uninstallCommand), &size);
    RegCloseKey(key);
    // A value that fills the whole buffer without a terminator cannot be a whole command line.
    if (result != ERROR_SUCCESS || !AcceptUninstallCommand(launcherState.uninstallCommand, UninstallCommandSize)) {
        launcherState.uninstallCommand[0] = '\0';
        return NotInstalled;
    }
    launcherState.installed = Installed;
    return Installed;
}
