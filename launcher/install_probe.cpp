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
    // Its type says whether environment variables in it are to be expanded before it is started.
    DWORD type = REG_SZ;
    DWORD size = UninstallCommandSize;
    const LONG result = RegQueryValueExA(key, "UninstallString", 0, &type,
                                         reinterpret_cast<BYTE*>(launcherState.uninstallCommand), &size);
    RegCloseKey(key);
    launcherState.uninstallCommandExpands = type == REG_EXPAND_SZ;
    // A value that fills the whole buffer without a terminator cannot be a whole command line.
    if (result != ERROR_SUCCESS || !AcceptUninstallCommand(launcherState.uninstallCommand, UninstallCommandSize)) {
        launcherState.uninstallCommand[0] = '\0';
        return false;
    }
    return true;
}

#ifdef _WIN64
// The 64-bit build reads its own view, then the 32-bit one, where a 32-bit installer registers.
static const REGSAM otherView = KEY_WOW64_32KEY;

static bool HasOtherView()
{
    return true;
}
#else
// The 32-bit build reads its own view, then, on 64-bit Windows, the 64-bit one.
static const REGSAM otherView = KEY_WOW64_64KEY;

// A 32-bit program on 64-bit Windows. Windows 95 and NT 4 lack the question, and are never that.
static bool HasOtherView()
{
    typedef BOOL(WINAPI* IsWow64ProcessFunction)(HANDLE process, BOOL* wow64);
    const IsWow64ProcessFunction isWow64Process = FindKernelFunction<IsWow64ProcessFunction>("IsWow64Process");
    BOOL wow64 = FALSE;
    return isWow64Process && isWow64Process(GetCurrentProcess(), &wow64) && wow64;
}
#endif

InstallState ProbeInstallState()
{
    launcherState.installed = NotInstalled;
    // On 64-bit Windows the list has two views, a 32-bit and a 64-bit one; an installer registers the
    // product in the view of its own kind only.
    if (!ReadUninstallCommand(0) && !(HasOtherView() && ReadUninstallCommand(otherView))) {
        return NotInstalled;
    }
    launcherState.installed = Installed;
    return Installed;
}
