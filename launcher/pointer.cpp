#include "launcher/pointer.h"

#include "imaging/drawing.h"
#include "launcher/actions.h"
#include "launcher/launcher_state.h"
#include "launcher/pointer_rules.h"
#include "launcher/sounds.h"

static void ButtonBoxes(PixelRect boxes[ButtonCount])
{
    for (int i = 0; i < ButtonCount; ++i) {
        const RECT& r = launcherState.buttonRect[i];
        boxes[i].left = r.left;
        boxes[i].top = r.top;
        boxes[i].right = r.right;
        boxes[i].bottom = r.bottom;
    }
}

// Hover tracking runs the same whether or not a press holds the pointer captured.
LRESULT OnMouseMove(HWND window, DWORD lParam)
{
    PixelRect boxes[ButtonCount];
    ButtonBoxes(boxes);
    HoverChange changes[ButtonCount];
    const int count = TrackHover(boxes, launcherState.hovered, PointerFromMessage(lParam), changes);
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

// The decision rests on the hover flags of the last pointer move, not on the click position.
LRESULT OnLeftButtonDown(HWND window)
{
    if (FirstHoveredButton(launcherState.hovered) >= 0) {
        launcherState.pressed = 1;
        SetCapture(window);
    } else {
        DestroyWindow(window); // a click on the background closes the launcher
    }
    return 0;
}

// A release over no button leaves the press pending and the pointer captured; the next press decides.
LRESULT OnLeftButtonUp(HWND window)
{
    int targets[ButtonCount];
    const int count = ReleaseTargets(launcherState.hovered, &launcherState.pressed, targets);
    for (int t = 0; t < count; ++t) {
        ReleaseCapture();
        RunButtonAction(window, targets[t]);
    }
    return 0;
}
