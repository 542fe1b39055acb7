#include "launcher/pointer.h"

#include "launcher/actions.h"
#include "launcher/launcher_state.h"
#include "launcher/painting.h"
#include "launcher/pointer_rules.h"
#include "launcher/sounds.h"

// Hover tracking runs the same whether or not a press holds the pointer captured.
LRESULT OnMouseMove(HWND window, WPARAM, LPARAM lParam)
{
    HoverChange changes[ButtonCount];
    const int count = TrackHover(launcherState.buttonRect, launcherState.hovered,
                                 PointerFromMessage(static_cast<uint32_t>(lParam)), changes);
    for (int c = 0; c < count; ++c) {
        const int button = changes[c].button;
        if (changes[c].entered) {
            HoverSound();
            RedrawButton(window, button, launcherState.hoverArt[button]);
        } else {
            RedrawButton(window, button, launcherState.normalArt[button]);
        }
    }
    return 0;
}

LRESULT OnLeftButtonDown(HWND window, WPARAM, LPARAM)
{
    if (TrackPress(launcherState.hovered, &launcherState.pressed) == PressStarted) {
        SetCapture(window);
    } else {
        DestroyWindow(window);
    }
    return 0;
}

// A release over no button leaves the press pending and the pointer captured; the next press decides.
LRESULT OnLeftButtonUp(HWND window, WPARAM, LPARAM)
{
    int targets[ButtonCount];
    const int count = ReleaseTargets(launcherState.hovered, &launcherState.pressed, targets);
    for (int t = 0; t < count; ++t) {
        ReleaseCapture();
        RunButtonAction(window, static_cast<ButtonAction>(targets[t]));
    }
    return 0;
}
