#pragma once

#include <windows.h>

// Probes the machine, registers the window class, creates and shows the splash window. True on success.
bool InitInstance(int showCommand);

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previousInstance, LPSTR commandLine, int showCommand);
