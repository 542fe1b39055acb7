// The splash window's handlers in this process: pictures loaded and released, what a hover change
// and a repaint draw, palette messages, and presses and releases. The launcher's resources are
// compiled into this program; the launcher's drawing and memory calls are counted (counted_calls.h).
#include "launcher/art.h"
#include "launcher/geometry.h"
#include "launcher/launcher_state.h"
#include "launcher/win_main.h"
#include "launcher/window_proc.h"
#include "product_profile.h"
#include "resources/resource_ids.h"
#include "tests/wine/counted_calls.h"
#include "tests/wine/wine_test_support.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

int DrawCalls()
{
    return countedCalls.bitBlt + countedCalls.setDIBitsToDevice;
}

struct Point {
    int x;
    int y;
};

// A window point inside button `button`, `dx` and `dy` from its top-left corner.
Point InButton(int button, int dx = 10, int dy = 10)
{
    return {buttonOrigins.originX[button] + dx, buttonOrigins.originY[button] + dy};
}

// A window point right of the column of buttons, on none of them.
const Point offTheButtons = {buttonOrigins.originX[0] + FixedButtonWidth + 10, buttonOrigins.originY[0]};

void MoveTo(HWND window, Point point)
{
    SendMessageA(window, WM_MOUSEMOVE, 0, MAKELPARAM(point.x, point.y));
}

void Press(HWND window, UINT message, Point point)
{
    SendMessageA(window, message, message == WM_LBUTTONDOWN ? MK_LBUTTON : 0, MAKELPARAM(point.x, point.y));
}

// The picture the counters log for `art`: the packed DIB on 256-colour screens, else the bitmap.
const void* PictureOf(const ArtPicture& art)
{
    return UsesPalette() ? static_cast<const void*>(art.dib) : static_cast<const void*>(art.bitmap);
}

void ExpectDrawn(int index, const ArtPicture& art, int x, int y)
{
    ASSERT_LT(index, countedCalls.drawnCount);
    const DrawnPicture& drawn = countedCalls.drawn[index];
    EXPECT_EQ(drawn.picture, PictureOf(art)) << "draw " << index;
    EXPECT_NE(drawn.picture, nullptr) << "draw " << index;
    EXPECT_EQ(drawn.x, x) << "draw " << index;
    EXPECT_EQ(drawn.y, y) << "draw " << index;
}

// Picture `art` drawn at button `button`'s place.
void ExpectDrawnAtButton(int index, const ArtPicture& art, int button)
{
    ExpectDrawn(index, art, buttonOrigins.originX[button], buttonOrigins.originY[button]);
}

// Every memory context the launcher made is gone, holding again the bitmap it was made with; every
// window context it drew on is given back holding the palette it came with (a palette left selected
// cannot be deleted at exit).
void ExpectContextsGivenBackWhole()
{
    EXPECT_EQ(countedCalls.deleteDC, countedCalls.createCompatibleDC);
    EXPECT_EQ(countedCalls.deletedHoldingAForeignBitmap, 0);
    EXPECT_EQ(countedCalls.releasedHoldingAForeignPalette, 0);
}

bool PaintPending(HWND window)
{
    return GetUpdateRect(window, nullptr, FALSE) != FALSE;
}

std::vector<HGDIOBJ> PictureHandles()
{
    std::vector<HGDIOBJ> handles = {launcherState.background.bitmap};
    for (int i = 0; i < ButtonCount; ++i) {
        handles.push_back(launcherState.normalArt[i].bitmap);
        handles.push_back(launcherState.hoverArt[i].bitmap);
    }
    return handles;
}

std::vector<PackedDib> PictureDibs()
{
    std::vector<PackedDib> dibs = {launcherState.background.dib};
    for (int i = 0; i < ButtonCount; ++i) {
        dibs.push_back(launcherState.normalArt[i].dib);
        dibs.push_back(launcherState.hoverArt[i].dib);
    }
    return dibs;
}

const int pretendedDepths[] = {4, 8, 32};

} // namespace

TEST(SplashWindow, IsCentredAtTheSizeOfItsPicturesWithButtonBoxesInOneColumn)
{
    for (int depth : pretendedDepths) {
        HWND window = CreateSplash(depth);
        ASSERT_NE(window, nullptr) << depth;
        RECT rect;
        GetWindowRect(window, &rect);
        EXPECT_EQ(rect.right - rect.left, FixedWindowWidth) << depth;
        EXPECT_EQ(rect.bottom - rect.top, FixedWindowHeight) << depth;
        EXPECT_EQ(rect.left, (GetSystemMetrics(SM_CXSCREEN) - FixedWindowWidth) / 2) << depth;
        EXPECT_EQ(rect.top, (GetSystemMetrics(SM_CYSCREEN) - FixedWindowHeight) / 2) << depth;
        EXPECT_EQ(GetWindowLongA(window, GWL_STYLE) & (WS_POPUP | WS_CAPTION | WS_BORDER), WS_POPUP) << depth;
        for (int i = 0; i < ButtonCount; ++i) {
            EXPECT_EQ(launcherState.buttonRect[i].left, buttonOrigins.originX[i]);
            EXPECT_EQ(launcherState.buttonRect[i].top, buttonOrigins.originY[i]);
            EXPECT_EQ(launcherState.buttonRect[i].right, buttonOrigins.originX[i] + FixedButtonWidth);
            EXPECT_EQ(launcherState.buttonRect[i].bottom, buttonOrigins.originY[i] + FixedButtonHeight);
        }
        DestroySplash(window);
    }
}

TEST(SplashWindow, ClosingReleasesEveryPictureAndThePalette)
{
    for (int depth : pretendedDepths) {
        for (InstallState installed : {NotInstalled, Installed}) {
            HWND window = CreateSplash(depth, Self(), installed);
            ASSERT_NE(window, nullptr);
            const std::vector<HGDIOBJ> bitmaps = PictureHandles();
            const std::vector<PackedDib> dibs = PictureDibs();
            HPALETTE palette = launcherState.palette;
            std::vector<HGLOBAL> blocks;
            if (depth == 8) {
                ASSERT_NE(palette, nullptr);
                EXPECT_EQ(GetObjectType(palette), static_cast<DWORD>(OBJ_PAL));
                for (PackedDib dib : dibs) {
                    ASSERT_NE(dib, nullptr);
                    blocks.push_back(GlobalHandle(dib));
                }
            } else {
                EXPECT_EQ(palette, nullptr);
                for (HGDIOBJ bitmap : bitmaps) {
                    ASSERT_NE(bitmap, nullptr);
                    EXPECT_EQ(GetObjectType(bitmap), static_cast<DWORD>(OBJ_BITMAP));
                }
            }

            DestroySplash(window);

            for (HGDIOBJ bitmap : bitmaps) {
                if (bitmap) {
                    EXPECT_EQ(GetObjectType(bitmap), 0u) << "bitmap still alive at depth " << depth;
                }
            }
            if (palette) {
                EXPECT_EQ(GetObjectType(palette), 0u);
            }
            EXPECT_EQ(countedCalls.globalFree, static_cast<int>(blocks.size()));
            EXPECT_EQ(launcherState.background.dib, nullptr);
            EXPECT_EQ(launcherState.background.bitmap, nullptr);
            EXPECT_EQ(launcherState.palette, nullptr);
        }
    }
}

TEST(SplashWindow, PaletteScreenPicturesAreLoadedOnceAndFreedOnce)
{
    countedCalls = CountedCalls();
    launcherState = LauncherState();
    launcherState.instance = Self();
    launcherState.displayBitsPerPixel = 8;
    LoadArt();
    // Seven pictures plus the palette's temporary block, which is already freed again.
    EXPECT_EQ(countedCalls.globalAlloc, 8);
    EXPECT_EQ(countedCalls.globalFree, 1);
    EXPECT_EQ(launcherState.windowWidth, FixedWindowWidth);
    EXPECT_EQ(launcherState.buttonHeight, FixedButtonHeight);
    ReleaseArt();
    EXPECT_EQ(countedCalls.globalAlloc, countedCalls.globalFree);
}

TEST(SplashWindow, MissingPicturesLeaveTheShippedGeometryAndAreNotDrawn)
{
    // A module without any of the launcher's pictures: every load fails.
    HINSTANCE empty = GetModuleHandleA("kernel32.dll");
    for (int depth : pretendedDepths) {
        HWND window = CreateSplash(depth, empty);
        ASSERT_NE(window, nullptr);
        EXPECT_EQ(launcherState.background.dib, nullptr);
        EXPECT_EQ(launcherState.background.bitmap, nullptr);
        EXPECT_EQ(launcherState.palette, nullptr);
        RECT rect;
        GetWindowRect(window, &rect);
        EXPECT_EQ(rect.right - rect.left, FixedWindowWidth) << depth;
        EXPECT_EQ(rect.bottom - rect.top, FixedWindowHeight) << depth;
        // Painting, hovering and palette messages with nothing to draw draw nothing at all.
        InvalidateRect(window, nullptr, TRUE);
        UpdateWindow(window);
        MoveTo(window, InButton(0));
        SendMessageA(window, WM_QUERYNEWPALETTE, 0, 0);
        EXPECT_EQ(DrawCalls(), 0) << depth;
        DestroySplash(window);
    }
}

TEST(HoverDrawing, EnteringDrawsThePictureUnderThePointerAndLeavingThePictureAtRestStraightToTheWindow)
{
    for (int depth : pretendedDepths) {
        HWND window = CreateSplash(depth);
        ASSERT_NE(window, nullptr);

        MoveTo(window, InButton(0));
        EXPECT_EQ(DrawCalls(), 1) << depth;
        ExpectDrawnAtButton(0, launcherState.hoverArt[0], 0);
        EXPECT_EQ(countedCalls.invalidateRect, 0) << depth;
        EXPECT_FALSE(PaintPending(window)) << depth;

        countedCalls = CountedCalls();
        MoveTo(window, InButton(0, FixedButtonWidth - 1, FixedButtonHeight - 1)); // within it
        EXPECT_EQ(DrawCalls(), 0) << depth;

        MoveTo(window, offTheButtons);
        EXPECT_EQ(DrawCalls(), 1) << depth;
        ExpectDrawnAtButton(0, launcherState.normalArt[0], 0);

        PumpMessages();
        EXPECT_EQ(countedCalls.invalidateRect, 0) << depth;
        EXPECT_EQ(countedCalls.beginPaint, 0) << depth;
        EXPECT_EQ(countedCalls.releaseDC, countedCalls.getDC) << depth;
        ExpectContextsGivenBackWhole();
        DestroySplash(window);
    }
}

TEST(HoverDrawing, ARepaintDrawsTheBackgroundAndEachButtonInItsStateOnce)
{
    for (int depth : pretendedDepths) {
        HWND window = CreateSplash(depth);
        ASSERT_NE(window, nullptr);
        MoveTo(window, InButton(1));
        countedCalls = CountedCalls();
        InvalidateRect(window, nullptr, TRUE);
        UpdateWindow(window);
        EXPECT_EQ(countedCalls.beginPaint, 1) << depth;
        EXPECT_EQ(DrawCalls(), 4) << depth;
        ExpectDrawn(0, launcherState.background, 0, 0);
        ExpectDrawnAtButton(1, launcherState.normalArt[0], 0);
        ExpectDrawnAtButton(2, launcherState.hoverArt[1], 1);
        ExpectDrawnAtButton(3, launcherState.normalArt[2], 2);
        ExpectContextsGivenBackWhole();
        DestroySplash(window);
    }
}

TEST(PaletteMessages, TheLaunchersOwnRealizationIsNotAnsweredAgain)
{
    HWND window = CreateSplash(8);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(SendMessageA(window, WM_PALETTECHANGED, reinterpret_cast<WPARAM>(window), 0), 0);
    EXPECT_EQ(countedCalls.realizePalette, 0);
    EXPECT_EQ(countedCalls.invalidateRect, 0);
    DestroySplash(window);
}

// Another window's palette change, and the focus coming back, realize the palette again. Only a
// realization that mapped entries anew repaints the whole window; one that mapped none (the usual
// answer at a focus change) or failed must not, or every focus change repaints for nothing. The
// realization's result is forced, since the test display decides what it would map.
TEST(PaletteMessages, OnlyARealizationThatMappedEntriesRepaintsTheWindow)
{
    HWND window = CreateSplash(8);
    ASSERT_NE(window, nullptr);
    const struct {
        UINT mapped;
        LRESULT result;
    } cases[] = {{0, 0}, {GDI_ERROR, 0}, {1, 1}, {236, 1}};
    for (UINT message : {static_cast<UINT>(WM_PALETTECHANGED), static_cast<UINT>(WM_QUERYNEWPALETTE)}) {
        for (const auto& c : cases) {
            countedCalls = CountedCalls();
            forcedResults.realizePalette = true;
            forcedResults.realizePaletteResult = c.mapped;
            const LRESULT result = SendMessageA(window, message, reinterpret_cast<WPARAM>(GetDesktopWindow()), 0);
            EXPECT_EQ(result, c.result) << message << ", mapped " << c.mapped;
            EXPECT_EQ(countedCalls.realizePalette, 1) << message << ", mapped " << c.mapped;
            EXPECT_EQ(countedCalls.invalidateRect, static_cast<int>(c.result)) << message << ", mapped " << c.mapped;
            EXPECT_EQ(PaintPending(window), c.result == 1) << message << ", mapped " << c.mapped;
            ValidateRect(window, nullptr);
        }
    }
    forcedResults = ForcedResults();
    DestroySplash(window);
}

TEST(PaletteMessages, DoNothingOnScreensWithoutAPalette)
{
    for (int depth : {4, 32}) {
        HWND window = CreateSplash(depth);
        ASSERT_NE(window, nullptr);
        EXPECT_EQ(SendMessageA(window, WM_PALETTECHANGED, reinterpret_cast<WPARAM>(GetDesktopWindow()), 0), 0);
        EXPECT_EQ(SendMessageA(window, WM_QUERYNEWPALETTE, 0, 0), 0);
        EXPECT_EQ(countedCalls.realizePalette, 0);
        EXPECT_EQ(countedCalls.invalidateRect, 0);
        EXPECT_EQ(DrawCalls(), 0);
        DestroySplash(window);
    }
}

TEST(Presses, AReleaseOffTheButtonsKeepsThePressAndTheCapture)
{
    HWND window = CreateSplash(32);
    ASSERT_NE(window, nullptr);
    MoveTo(window, InButton(2));
    Press(window, WM_LBUTTONDOWN, InButton(2));
    MoveTo(window, offTheButtons);
    Press(window, WM_LBUTTONUP, offTheButtons);
    EXPECT_TRUE(IsWindow(window));
    EXPECT_EQ(launcherState.pressed, 1);
    EXPECT_EQ(GetCapture(), window);
    // The next press off the buttons closes the launcher.
    Press(window, WM_LBUTTONDOWN, offTheButtons);
    EXPECT_FALSE(IsWindow(window));
    ReleaseCapture();
    DestroySplash(window);
}

TEST(Timer, TheWelcomeTimerFiresOnceAndIsGone)
{
    HWND window = CreateSplash(32);
    ASSERT_NE(window, nullptr);
    MSG message;
    Sleep(120);
    EXPECT_TRUE(PeekMessageA(&message, window, WM_TIMER, WM_TIMER, PM_NOREMOVE));
    PumpMessages();
    // The first WM_TIMER killed it: no second one comes.
    Sleep(120);
    EXPECT_FALSE(PeekMessageA(&message, window, WM_TIMER, WM_TIMER, PM_NOREMOVE));
    DestroySplash(window);
}

TEST(StartUp, CreatesAndShowsTheSplashWithTheProductIconOnItsClass)
{
    // Start-up registers the class itself.
    UnregisterClassA(launcherClassName, Self());
    launcherState = LauncherState();
    launcherState.instance = Self();
    ASSERT_TRUE(InitInstance(SW_SHOW));
    HWND window = launcherState.mainWindow;
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(IsWindowVisible(window));
    char path[MAX_PATH] = "";
    GetModuleFileNameA(Self(), path, sizeof path);
    EXPECT_STREQ(launcherState.modulePath, path);
    EXPECT_EQ(launcherState.moduleDrive, path[0]);
    HDC screen = GetDC(nullptr);
    EXPECT_EQ(launcherState.displayBitsPerPixel, GetDeviceCaps(screen, BITSPIXEL));
    ReleaseDC(nullptr, screen);

    char title[64] = "";
    GetWindowTextA(window, title, sizeof title);
    EXPECT_STREQ(title, PRODUCT_NAME);
    WNDCLASSA registered;
    ASSERT_TRUE(GetClassInfoA(Self(), launcherClassName, &registered));
    EXPECT_EQ(registered.style, 0u);
    EXPECT_EQ(registered.hbrBackground, GetStockObject(NULL_BRUSH));

    // The class icon is the product icon: the same pixels as the icon loaded from the resources.
    HICON classIcon = reinterpret_cast<HICON>(GetClassLongPtrA(window, GCLP_HICON));
    HICON shipped = LoadIconA(Self(), MAKEINTRESOURCEA(IDI_PRODUCT_ICON));
    ASSERT_NE(classIcon, nullptr);
    ASSERT_NE(shipped, nullptr);
    ICONINFO a, b;
    ASSERT_TRUE(GetIconInfo(classIcon, &a));
    ASSERT_TRUE(GetIconInfo(shipped, &b));
    BITMAP ba, bb;
    GetObjectA(a.hbmColor, sizeof ba, &ba);
    GetObjectA(b.hbmColor, sizeof bb, &bb);
    EXPECT_EQ(ba.bmWidth, bb.bmWidth);
    EXPECT_EQ(ba.bmHeight, bb.bmHeight);
    std::vector<BYTE> pa(ba.bmWidthBytes * ba.bmHeight), pb(bb.bmWidthBytes * bb.bmHeight);
    GetBitmapBits(a.hbmColor, static_cast<LONG>(pa.size()), pa.data());
    GetBitmapBits(b.hbmColor, static_cast<LONG>(pb.size()), pb.data());
    EXPECT_EQ(pa, pb);
    for (HBITMAP bitmap : {a.hbmColor, a.hbmMask, b.hbmColor, b.hbmMask}) {
        DeleteObject(bitmap);
    }
    DestroySplash(window);
}
