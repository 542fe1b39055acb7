// Shared helpers of the test programs that run under Wine.
#pragma once

#include <windows.h>

#include <string>

// The built LAUNCH.EXE mapped as a data file, so its own resources can be loaded (null if missing).
HMODULE LauncherModule();

// A Unix path from the environment as Wine's Z: drive sees it.
std::string WindowsPathFromEnvironment(const char* variable);

// Processes every pending message of this thread, including paints.
void PumpMessages();
