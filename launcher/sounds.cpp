#include "launcher/sounds.h"

#include "launcher/launcher_state.h"
#include "resources/resource_ids.h"

#include <mmsystem.h>

void IntroSound()
{
    PlaySoundA(MAKEINTRESOURCEA(IDW_WELCOME_SOUND), launcherState.instance,
               SND_RESOURCE | SND_ASYNC | SND_NODEFAULT | SND_NOSTOP);
}

void HoverSound()
{
    PlaySoundA(MAKEINTRESOURCEA(IDW_HOVER_SOUND), launcherState.instance, SND_RESOURCE | SND_ASYNC | SND_NODEFAULT);
}
