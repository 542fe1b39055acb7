#include "launcher/system_library.h"

#include "launcher/path_rules.h"

HMODULE LoadSystemLibrary(const char* fileName)
{
    char path[MAX_PATH];
    const UINT length = GetSystemDirectoryA(path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) {
        return 0;
    }
    if (!AppendPathComponent(path, MAX_PATH, fileName)) {
        return 0;
    }
    return LoadLibraryA(path);
}
