#include "launcher/layout_rules.h"

#include "resources/resource_ids.h"

ArtTier SelectArtTier(int32_t displayBitsPerPixel)
{
    if (displayBitsPerPixel < 8) {
        return LowColor;
    }
    return displayBitsPerPixel == 8 ? Palette256 : HighColor;
}

ArtIds ArtIdsFor(ArtTier tier, InstallState installed)
{
    // Columns: LowColor, Palette256, HighColor.
    static const uint16_t background[3] = {IDB_BACKGROUND_4BPP, IDB_BACKGROUND_8BPP, IDB_BACKGROUND_24BPP};
    static const uint16_t setupAtRest[3] = {IDB_INSTALL_REST_4BPP, IDB_INSTALL_REST_8BPP, IDB_INSTALL_REST_24BPP};
    static const uint16_t setupUnderPointer[3] = {IDB_INSTALL_HOVER_4BPP, IDB_INSTALL_HOVER_8BPP,
                                                  IDB_INSTALL_HOVER_24BPP};
    static const uint16_t removeAtRest[3] = {IDB_REMOVE_REST_4BPP, IDB_REMOVE_REST_8BPP, IDB_REMOVE_REST_24BPP};
    static const uint16_t removeUnderPointer[3] = {IDB_REMOVE_HOVER_4BPP, IDB_REMOVE_HOVER_8BPP,
                                                   IDB_REMOVE_HOVER_24BPP};
    static const uint16_t browseAtRest[3] = {IDB_BROWSE_REST_4BPP, IDB_BROWSE_REST_8BPP, IDB_BROWSE_REST_24BPP};
    static const uint16_t browseUnderPointer[3] = {IDB_BROWSE_HOVER_4BPP, IDB_BROWSE_HOVER_8BPP,
                                                   IDB_BROWSE_HOVER_24BPP};
    static const uint16_t cancelAtRest[3] = {IDB_CANCEL_REST_4BPP, IDB_CANCEL_REST_8BPP, IDB_CANCEL_REST_24BPP};
    static const uint16_t cancelUnderPointer[3] = {IDB_CANCEL_HOVER_4BPP, IDB_CANCEL_HOVER_8BPP,
                                                   IDB_CANCEL_HOVER_24BPP};

    const int column = tier;
    const bool remove = installed == Installed;
    ArtIds ids;
    ids.background = background[column];
    ids.atRest[0] = remove ? removeAtRest[column] : setupAtRest[column];
    ids.atRest[1] = browseAtRest[column];
    ids.atRest[2] = cancelAtRest[column];
    ids.underPointer[0] = remove ? removeUnderPointer[column] : setupUnderPointer[column];
    ids.underPointer[1] = browseUnderPointer[column];
    ids.underPointer[2] = cancelUnderPointer[column];
    return ids;
}

void ComputeButtonBoxes(uint16_t buttonWidth, uint16_t buttonHeight, PixelRect boxes[ButtonCount])
{
    for (int i = 0; i < ButtonCount; ++i) {
        boxes[i].left = buttonOrigins.originX[i];
        boxes[i].top = buttonOrigins.originY[i];
        boxes[i].right = buttonOrigins.originX[i] + buttonWidth;
        boxes[i].bottom = buttonOrigins.originY[i] + buttonHeight;
    }
}

bool PointInBox(const PixelRect& box, int32_t x, int32_t y)
{
    return box.left <= x && x < box.right && box.top <= y && y < box.bottom;
}

uint16_t Low16(int32_t value)
{
    return static_cast<uint16_t>(static_cast<uint32_t>(value) & 0xFFFFu);
}

WindowPlacement CenteredPlacement(int32_t screenWidth, int32_t screenHeight, int32_t w, int32_t h,
                                  const PixelRect* parent)
{
    WindowPlacement p;
    if (parent) {
        p.x = parent->left + (parent->right - parent->left - w) / 2;
        p.y = parent->top + (parent->bottom - parent->top - h) / 2;
    } else {
        p.x = (screenWidth - w) / 2;
        p.y = (screenHeight - h) / 2;
    }
    // Always against the screen, also over a parent; a window larger than the screen ends up
    // aligned to the screen's right or bottom edge, at a negative position.
    if (p.x < 0) {
        p.x = 0;
    }
    if (p.y < 0) {
        p.y = 0;
    }
    if (p.x + w > screenWidth) {
        p.x = screenWidth - w;
    }
    if (p.y + h > screenHeight) {
        p.y = screenHeight - h;
    }
    return p;
}
