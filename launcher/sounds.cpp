#include "launcher/sounds.h"

#include "launcher/launcher_state.h"
#include "launcher/system_library.h"
#include "resources/resource_ids.h"

#include <mmsystem.h>

#ifdef LAUNCHER_TEST_LIBRARY
// Test builds only: a system library that lacks PlaySoundA stands in for the sound library.
static const char soundLibrary[] = LAUNCHER_TEST_LIBRARY;
#else
static const char soundLibrary[] = "WINMM.DLL";
#endif

// The sound library is loaded on the first sound, not imported: the system would look for an imported
// library in the launcher's folder first, and load it before the window shows. It is looked for once;
// without it every sound is skipped, as a sound that cannot be played is.
static void PlayResourceSound(WORD soundId, DWORD flags)
{
    if (!launcherState.soundLookedUp) {
        launcherState.soundLookedUp = 1;
        HMODULE library = LoadSystemLibrary(soundLibrary);
        if (library) {
            launcherState.playSound = FindFunction<PlaySoundFunction>(library, "PlaySoundA");
        }
    }
    if (launcherState.playSound) {
        launcherState.playSound(MAKEINTRESOURCEA(soundId), launcherState.instance, flags);
    }
}

void WelcomeSound()
{
    PlayResourceSound(IDW_WELCOME_SOUND, SND_RESOURCE | SND_ASYNC | SND_NODEFAULT | SND_NOSTOP);
}

void HoverSound()
{
    PlayResourceSound(IDW_HOVER_SOUND, SND_RESOURCE | SND_ASYNC | SND_NODEFAULT);
}
