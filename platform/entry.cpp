// The process entry point: the launcher runs without a C runtime, so this is where it starts.
#include <windows.h>

#include "launcher/system_library.h"
#include "launcher/win_main.h"

// Libraries that the system loads later on the launcher's behalf (the sound library's drivers and
// codecs, the shell's helpers) are then taken from the system folder only, never from the launcher's
// folder. Windows 95 to XP, and Vista and 7 without their update, lack the function; there it is
// skipped, and only the libraries that the launcher loads itself are kept to the system folder.
static void LoadLibrariesFromTheSystemFolderOnly()
{
#ifdef LAUNCHER_TEST_WITHOUT_DLL_DIRECTORIES
    // Test builds only: a system that lacks the function, which Wine cannot be.
    static const char functionName[] = "";
#else
    static const char functionName[] = "SetDefaultDllDirectories";
#endif
    typedef BOOL(WINAPI* SetDefaultDllDirectoriesFunction)(DWORD directoryFlags);
    const SetDefaultDllDirectoriesFunction setDefaultDllDirectories =
        FindKernelFunction<SetDefaultDllDirectoriesFunction>(functionName);
    if (setDefaultDllDirectories) {
        setDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
    }
}

// The show command the starting program asked for, as a C runtime's start-up would pass it to WinMain.
static int StartupShowCommand()
{
    STARTUPINFOA startup;
    startup.cb = sizeof startup;
    GetStartupInfoA(&startup);
    return (startup.dwFlags & STARTF_USESHOWWINDOW) ? startup.wShowWindow : SW_SHOWDEFAULT;
}

extern "C" void __stdcall Entry(void)
{
    LoadLibrariesFromTheSystemFolderOnly();
    // The launcher takes no arguments, so no command line is handed on.
    static char noArguments[] = "";
    const int exitCode = WinMain(GetModuleHandleA(0), 0, noArguments, StartupShowCommand());
    ExitProcess(static_cast<UINT>(exitCode));
}
