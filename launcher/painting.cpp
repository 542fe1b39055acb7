#include "launcher/painting.h"

#include "launcher/launcher_state.h"

static DrawingForm LauncherDrawingForm()
{
    const DrawingForm form = {UsesPalette(), launcherState.palette};
    return form;
}

static const ArtPicture& CurrentButtonArt(int button)
{
    return launcherState.hovered[button] ? launcherState.hoverArt[button] : launcherState.normalArt[button];
}

static PlacedPicture AtButton(int button, const ArtPicture& art)
{
    const PixelRect& box = launcherState.buttonRect[button];
    PlacedPicture placed = {&art, box.left, box.top, launcherState.buttonWidth, launcherState.buttonHeight};
    return placed;
}

void PaintWindow(HWND window)
{
    PlacedPicture pictures[1 + ButtonCount];
    pictures[0] = {&launcherState.background, 0, 0, launcherState.windowWidth, launcherState.windowHeight};
    for (int i = 0; i < ButtonCount; ++i) {
        pictures[1 + i] = AtButton(i, CurrentButtonArt(i));
    }
    PaintPictures(window, pictures, 1 + ButtonCount, LauncherDrawingForm());
}

void RedrawButton(HWND window, int button, const ArtPicture& art)
{
    const PlacedPicture picture = AtButton(button, art);
    DrawPicturesNow(window, &picture, 1, LauncherDrawingForm());
}

LRESULT RealizeLauncherPalette(HWND window)
{
    return RealizeWindowPalette(window, LauncherDrawingForm());
}
