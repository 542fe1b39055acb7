#include "tests/wine/wine_test_support.h"

#include <cstdlib>

std::string WindowsPathFromEnvironment(const char* variable)
{
    const char* value = std::getenv(variable);
    if (!value || !*value) {
        return std::string();
    }
    std::string path = value;
    if (path[0] == '/') {
        path = "Z:" + path;
    }
    for (char& c : path) {
        if (c == '/') {
            c = '\\';
        }
    }
    return path;
}

HMODULE LauncherModule()
{
    static HMODULE module = nullptr;
    if (!module) {
        const std::string path = WindowsPathFromEnvironment("LAUNCHER_EXE");
        module = LoadLibraryExA(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    }
    return module;
}

void PumpMessages()
{
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}
