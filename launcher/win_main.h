#pragma once

#include <windows.h>

// Probes the machine, registers the window class, creates and shows the splash window. 1 on success.
int InitInstance(int showCommand);

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previousInstance, LPSTR commandLine, int showCommand);
