// Whether the product is installed: the presence of its uninstall command in the system's list.
#pragma once

#include "launcher/install_state.h"

// Fills launcherState.installed and launcherState.uninstallCommand and returns the state.
InstallState ProbeInstallState();
