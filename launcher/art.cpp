#include "launcher/art.h"

#include "launcher/launcher_state.h"

static void LoadDeviceBitmaps(const ArtIds& ids)
{
    HINSTANCE instance = launcherState.instance;
    launcherState.background.bitmap = LoadBitmapA(instance, MAKEINTRESOURCEA(ids.background));
    for (int i = 0; i < ButtonCount; ++i) {
        launcherState.normalArt[i].bitmap = LoadBitmapA(instance, MAKEINTRESOURCEA(ids.atRest[i]));
    }
    for (int i = 0; i < ButtonCount; ++i) {
        launcherState.hoverArt[i].bitmap = LoadBitmapA(instance, MAKEINTRESOURCEA(ids.underPointer[i]));
    }
    launcherState.windowWidth = FixedWindowWidth;
    launcherState.windowHeight = FixedWindowHeight;
    launcherState.buttonWidth = FixedButtonWidth;
    launcherState.buttonHeight = FixedButtonHeight;
}

static void LoadPackedPictures(const ArtIds& ids)
{
    HINSTANCE instance = launcherState.instance;
    launcherState.background.dib = LoadPackedDib(instance, ids.background);
    for (int i = 0; i < ButtonCount; ++i) {
        launcherState.normalArt[i].dib = LoadPackedDib(instance, ids.atRest[i]);
    }
    for (int i = 0; i < ButtonCount; ++i) {
        launcherState.hoverArt[i].dib = LoadPackedDib(instance, ids.underPointer[i]);
    }
    // Sizes come from the pictures themselves. A picture that failed to load (damaged art) is
    // never read: the window keeps the shipped geometry and the missing picture is not drawn.
    PackedDib background = launcherState.background.dib;
    PackedDib button = launcherState.normalArt[0].dib;
    launcherState.palette = background ? CreateDibPalette(background) : 0;
    launcherState.windowWidth = background ? Low16(background->biWidth) : FixedWindowWidth;
    launcherState.windowHeight = background ? Low16(background->biHeight) : FixedWindowHeight;
    launcherState.buttonWidth = button ? Low16(button->biWidth) : FixedButtonWidth;
    launcherState.buttonHeight = button ? Low16(button->biHeight) : FixedButtonHeight;
}

void LoadArt()
{
    const ArtIds ids = ArtIdsFor(SelectArtTier(launcherState.displayBitsPerPixel),
                                 static_cast<InstallState>(launcherState.installed));
    if (UsesPalette()) {
        LoadPackedPictures(ids);
    } else {
        LoadDeviceBitmaps(ids);
    }
}

void ComputeButtonRects()
{
    ComputeButtonBoxes(launcherState.buttonWidth, launcherState.buttonHeight, launcherState.buttonRect);
}

static PixelRect ToPixelRect(const RECT& r)
{
    PixelRect p = {r.left, r.top, r.right, r.bottom};
    return p;
}

void CenterWindow(HWND window)
{
    const int screenWidth = GetSystemMetrics(SM_CXSCREEN);
    const int screenHeight = GetSystemMetrics(SM_CYSCREEN);
    HWND parent = GetParent(window);
    RECT own;
    GetWindowRect(window, &own);
    const int w = own.right - own.left;
    const int h = own.bottom - own.top;

    PixelRect parentBox;
    const PixelRect* over = 0;
    if (parent) {
        RECT parentRect;
        GetWindowRect(parent, &parentRect);
        parentBox = ToPixelRect(parentRect);
        over = &parentBox;
    }
    const WindowPlacement place = CenteredPlacement(screenWidth, screenHeight, w, h, over);
    MoveWindow(window, place.x, place.y, w, h, FALSE);
}

static void ReleasePicture(ArtPicture& picture)
{
    if (UsesPalette()) {
        FreePackedDib(picture.dib);
    } else {
        DeleteObject(picture.bitmap);
    }
    picture.dib = 0;
    picture.bitmap = 0;
}

void ReleaseArt()
{
    ReleasePicture(launcherState.background);
    for (int i = 0; i < ButtonCount; ++i) {
        ReleasePicture(launcherState.normalArt[i]);
        ReleasePicture(launcherState.hoverArt[i]);
    }
    if (UsesPalette()) {
        DeleteObject(launcherState.palette);
        launcherState.palette = 0;
    }
}
