// The system's own folders, and the libraries that the launcher loads while it runs, always from the
// system folder.
#pragma once

#include <windows.h>

// The system folder ("C:\WINDOWS\SYSTEM32") or the Windows folder, into a buffer of MAX_PATH bytes.
// False, with an empty folder, when the system does not give it or it does not fit.
bool ReadSystemFolder(char* folder);
bool ReadWindowsFolder(char* folder);

// Loads `fileName` from the system folder by its full path ("C:\WINDOWS\SYSTEM32\WINMM.DLL"): a bare
// name would be looked for in the launcher's own folder first, where a medium copied to a folder that
// others can write to may hold a planted copy. The libraries it imports are looked for beside it in the
// system folder first too, also where the system lacks SetDefaultDllDirectories. Null when the system
// folder is unknown, the path does not fit, or the library cannot be loaded.
HMODULE LoadSystemLibrary(const char* fileName);

// The address of `name` in `library`, as the function pointer type `Function`; null when there is none.
template <typename Function>
Function FindFunction(HMODULE library, const char* name)
{
    // GetProcAddress returns every function as one generic type; void (*)(void) in between says that the
    // conversion to the real type is meant.
    return reinterpret_cast<Function>(reinterpret_cast<void (*)(void)>(GetProcAddress(library, name)));
}

// A function of kernel32 that older systems lack (null there), found at run time instead of imported,
// so that the launcher still loads on them.
template <typename Function>
Function FindKernelFunction(const char* name)
{
    return FindFunction<Function>(GetModuleHandleA("KERNEL32.DLL"), name);
}
