#include "launcher/launcher_state.h"

#include "product_profile.h"

LauncherState launcherState;

const char launcherClassName[] = PRODUCT_NAME;
