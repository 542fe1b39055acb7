// The process entry point: the launcher runs without a C runtime, so this is where it starts.
#include <windows.h>

#include "launcher/win_main.h"

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
    // The launcher takes no arguments, so no command line is handed on.
    static char noArguments[] = "";
    const int exitCode = WinMain(GetModuleHandleA(0), 0, noArguments, StartupShowCommand());
    ExitProcess(static_cast<UINT>(exitCode));
}
