// Libraries that the launcher loads while it runs, always from the system folder.
#pragma once

#include <windows.h>

// Loads `fileName` from the system folder by its full path ("C:\WINDOWS\SYSTEM32\WINMM.DLL"): a bare
// name would be looked for in the launcher's own folder first, where a medium copied to a folder that
// others can write to may hold a planted copy. Null when the system folder is unknown, the path does
// not fit, or the library cannot be loaded.
HMODULE LoadSystemLibrary(const char* fileName);

// The address of `name` in `library`, as the function pointer type `Function`; null when there is none.
template <typename Function>
Function FindFunction(HMODULE library, const char* name)
{
    // GetProcAddress returns every function as one generic type; void (*)(void) in between says that the
    // conversion to the real type is meant.
    return reinterpret_cast<Function>(reinterpret_cast<void (*)(void)>(GetProcAddress(library, name)));
}
