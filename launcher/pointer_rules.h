// How pointer moves, presses and releases turn into button changes: pure rules, no platform calls.
#pragma once

#include <stdint.h>

#include "launcher/layout_rules.h"

struct PointerPosition {
    int32_t x;
    int32_t y;
};

// The client position packed in a mouse message's lParam: low and high 16 bits, unsigned.
PointerPosition PointerFromMessage(uint32_t lParam);

struct HoverChange {
    int32_t button;
    bool entered; // the pointer entered the button (sound, picture under the pointer), else it left it
                  // (picture at rest)
};

// Updates the hover flags for a pointer at `position`, button by button in order, and reports each
// change. Returns the number of changes written to `changes` (at most one per button).
int32_t TrackHover(const PixelRect boxes[ButtonCount], int32_t hovered[ButtonCount], PointerPosition position,
                   HoverChange changes[ButtonCount]);

enum PressOutcome {
    PressStarted,  // over a button: the press is on (again, if one was already), the pointer to be captured
    PressCloses    // off every button: a click on the background closes the launcher
};

// A press of the left button. The decision rests on the hover flags of the last pointer move, not on
// the click position; a press that starts sets `pressed`, one that closes leaves it alone.
PressOutcome TrackPress(const int32_t hovered[ButtonCount], int32_t* pressed);

// The buttons whose actions a release runs, in button order: every hovered button, provided a press
// is in progress. A release that runs an action ends the press; one over no button leaves it pending.
int32_t ReleaseTargets(const int32_t hovered[ButtonCount], int32_t* pressed, int32_t targets[ButtonCount]);
