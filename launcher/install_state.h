// Whether the product is installed, as the install probe finds it once at start-up: it chooses
// button 0's pictures and action.
#pragma once

enum InstallState { NotInstalled = 0, Installed = 1 };
