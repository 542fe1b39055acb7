#include "launcher/system_library.h"

#include "launcher/path_rules.h"

static bool ReadFolder(UINT(WINAPI* query)(LPSTR folder, UINT size), char* folder)
{
    const UINT length = query(folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) {
        folder[0] = '\0';
        return false;
    }
    return true;
}

bool ReadSystemFolder(char* folder)
{
    return ReadFolder(GetSystemDirectoryA, folder);
}

bool ReadWindowsFolder(char* folder)
{
    return ReadFolder(GetWindowsDirectoryA, folder);
}

HMODULE LoadSystemLibrary(const char* fileName)
{
    char path[MAX_PATH];
    if (!ReadSystemFolder(path) || !AppendPathComponent(path, MAX_PATH, fileName)) {
        return 0;
    }
    // Windows 95 has LoadLibraryExA and this flag: the search for the library's own imports then starts
    // in its folder instead of the launcher's.
    return LoadLibraryExA(path, 0, LOAD_WITH_ALTERED_SEARCH_PATH);
}
