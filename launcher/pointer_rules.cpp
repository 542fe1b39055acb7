#include "launcher/pointer_rules.h"

PointerPosition PointerFromMessage(uint32_t lParam)
{
    PointerPosition p;
    p.x = static_cast<int32_t>(lParam & 0xFFFFu);
    p.y = static_cast<int32_t>((lParam >> 16) & 0xFFFFu);
    return p;
}

int32_t TrackHover(const PixelRect boxes[ButtonCount], int32_t hovered[ButtonCount], PointerPosition position,
                   HoverChange changes[ButtonCount])
{
    int32_t count = 0;
    for (int32_t i = 0; i < ButtonCount; ++i) {
        const bool inside = PointInBox(boxes[i], position.x, position.y);
        if (inside && !hovered[i]) {
            hovered[i] = 1;
            changes[count].button = i;
            changes[count].entered = true;
            ++count;
        } else if (!inside && hovered[i]) {
            hovered[i] = 0;
            changes[count].button = i;
            changes[count].entered = false;
            ++count;
        }
    }
    return count;
}

PressOutcome TrackPress(const int32_t hovered[ButtonCount], int32_t* pressed)
{
    for (int32_t i = 0; i < ButtonCount; ++i) {
        if (hovered[i]) {
            *pressed = 1;
            return PressStarted;
        }
    }
    return PressCloses;
}

int32_t ReleaseTargets(const int32_t hovered[ButtonCount], int32_t* pressed, int32_t targets[ButtonCount])
{
    if (!*pressed) {
        return 0;
    }
    int32_t count = 0;
    for (int32_t i = 0; i < ButtonCount; ++i) {
        if (hovered[i]) {
            targets[count++] = i;
            *pressed = 0;
        }
    }
    return count;
}
