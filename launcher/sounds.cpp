#include "launcher/sounds.h"

#include "launcher/launcher_state.h"

#include <mmsystem.h>

enum : WORD { WelcomeSoundId = 145, HoverSoundId = 146 };

void IntroSound()
{
    PlaySoundA(MAKEINTRESOURCEA(WelcomeSoundId), launcherState.instance,
               SND_RESOURCE | SND_ASYNC | SND_NODEFAULT | SND_NOSTOP);
}

void HoverSound()
{
    PlaySoundA(MAKEINTRESOURCEA(HoverSoundId), launcherState.instance, SND_RESOURCE | SND_ASYNC | SND_NODEFAULT);
}
