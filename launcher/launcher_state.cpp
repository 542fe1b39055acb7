#include "launcher/launcher_state.h"

LauncherState launcherState;

const char launcherClassName[] = "Qelvar Lumivane";
