// Picture-set choice and window geometry of the splash: pure arithmetic, no platform calls.
#pragma once

#include <stdint.h>

#include "launcher/geometry.h"
#include "launcher/install_state.h"

// The picture set the screen gets, chosen once from its colour depth.
enum ArtTier {
    LowColor,   // fewer than 8 bits per pixel: 16-colour pictures
    Palette256, // exactly 8: 256-colour pictures drawn through the launcher's own palette
    HighColor   // more than 8: 24-bit pictures
};

ArtTier SelectArtTier(int32_t displayBitsPerPixel);

// Resource identifiers of the seven pictures that one run shows: the background, and each button's
// picture at rest and under the pointer.
struct ArtIds {
    uint16_t background;
    uint16_t atRest[ButtonCount];
    uint16_t underPointer[ButtonCount];
};
ArtIds ArtIdsFor(ArtTier tier, InstallState installed);

// A rectangle with exclusive right and bottom edges, laid out like the platform's RECT.
struct PixelRect {
    int32_t left;
    int32_t top;
    int32_t right;
    int32_t bottom;
};

void ComputeButtonBoxes(uint16_t buttonWidth, uint16_t buttonHeight, PixelRect boxes[ButtonCount]);

// left <= x < right and top <= y < bottom.
bool PointInBox(const PixelRect& box, int32_t x, int32_t y);

// The low 16 bits of a picture header's width or height, read unsigned: the launcher's sizes are 16-bit.
uint16_t Low16(int32_t value);

struct WindowPlacement {
    int32_t x;
    int32_t y;
};

// Centres a w x h window over `parent` (when not null) or over the screen, then pulls it back onto
// the screen as far as its size allows: left and top edges first, then right and bottom edges.
WindowPlacement CenteredPlacement(int32_t screenWidth, int32_t screenHeight, int32_t w, int32_t h,
                                  const PixelRect* parent);
