#include "launcher/install_probe.h"

#include "launcher/launcher_state.h"
#include "launcher/path_rules.h"
#include "launcher/system_library.h"
#include "product_profile.h"

static const char uninstallKey[] =
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" PRODUCT_UNINSTALL_GUID;

// Reads the product's uninstall command from one view of the registry (0: the launcher's own) into
// launcherState.uninstallCommand; true when there is a usable one.
static bool ReadUninstallCommand(REGSAM view)
{
    // All of it, not just the first byte: a value stored without terminator must still end in NUL.
    for (char& c : launcherState.uninstallCommand) {
        c = '\0';
    }
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, uninstallKey, 0, KEY_READ | view, &key) != ERROR_SUCCESS) {
        return false;
    }
    // The value's type is not asked for: its bytes are the command line as they stand.
    DWORD size = UninstallCommandSize;
    const LONG result = RegQueryValueExA(key, "UninstallString", 0, 0,
                                         reinterpret_cast<BYTE*>(launcherState.uninstallCommand), &size);
    RegCloseKey(key);
    // A value that fills the whole buffer without a terminator cannot be a whole command line.
    if (result != ERROR_SUCCESS || !AcceptUninstallCommand(launcherState.uninstallCommand, UninstallCommandSize)) {
        launcherState.uninstallCommand[0] = '\0';
        return false;
    }
    return true;
}

// A 32-bit program on 64-bit Windows. Windows 95 and NT 4 lack the question, and are never that.
static bool RunsOn64BitWindows()
{
    typedef BOOL(WINAPI* IsWow64ProcessFunction)(HANDLE process, BOOL* wow64);
    const IsWow64ProcessFunction isWow64Process = FindKernelFunction<IsWow64ProcessFunction>("IsWow64Process");
    BOOL wow64 = FALSE;
    return isWow64Process && isWow64Process(GetCurrentProcess(), &wow64) && wow64;
}

InstallState ProbeInstallState()
{
    launcherState.installed = NotInstalled;
    // On 64-bit Windows the launcher reads the 32-bit view of the list; a product whose installer is a
    // 64-bit program is registered only in the 64-bit view.
    if (!ReadUninstallCommand(0) && !(RunsOn64BitWindows() && ReadUninstallCommand(KEY_WOW64_64KEY))) {
        return NotInstalled;
    }
    launcherState.installed = Installed;
    return Installed;
}
