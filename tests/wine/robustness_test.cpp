// A thousand pointer moves over the splash window in this process: every change of the button under the
// pointer draws exactly that button once, nothing is invalidated, every device context taken is given
// back, no GDI object or memory block is left behind, and the process's memory stays flat. The launcher's drawing,
// device context, GDI object and memory calls are counted by counted_calls.h.
#include "launcher/geometry.h"
#include "launcher/launcher_state.h"
#include "tests/wine/counted_calls.h"
#include "tests/wine/wine_test_support.h"

#include <mmsystem.h>
#include <psapi.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <vector>

namespace {

// The button under a window point by the launcher's published geometry (right and bottom edges
// outside); -1 for none.
int ButtonAt(int x, int y)
{
    for (int i = 0; i < ButtonCount; ++i) {
        const int left = buttonOrigins.originX[i];
        const int top = buttonOrigins.originY[i];
        if (x >= left && x < left + FixedButtonWidth && y >= top && y < top + FixedButtonHeight) {
            return i;
        }
    }
    return -1;
}

struct Point {
    int x, y;
};

// Window points on every button (corners and middle), just outside each of its edges, and on the
// background at the window's corners.
std::vector<Point> Stops()
{
    std::vector<Point> stops = {{0, 0}, {FixedWindowWidth - 1, FixedWindowHeight - 1}};
    for (int i = 0; i < ButtonCount; ++i) {
        const int left = buttonOrigins.originX[i];
        const int top = buttonOrigins.originY[i];
        const int right = left + FixedButtonWidth;
        const int bottom = top + FixedButtonHeight;
        stops.insert(stops.end(), {{left, top}, {right - 1, bottom - 1}, {(left + right) / 2, (top + bottom) / 2},
                                   {left - 1, top}, {left, top - 1}, {right, bottom - 1}, {right - 1, bottom}});
    }
    return stops;
}

// A path over the window that crosses every button, their edges, the gaps between them and the
// background, in an order that varies (a fixed pseudo-random walk, so a failure is repeatable).
std::vector<Point> PointerPath(int moves)
{
    const std::vector<Point> stops = Stops();
    std::vector<Point> path;
    unsigned seed = 12345;
    for (int i = 0; i < moves; ++i) {
        seed = seed * 1103515245u + 12345u;
        path.push_back(stops[(seed >> 16) % stops.size()]);
    }
    return path;
}

// Committed private memory; Wine fills PagefileUsage (from the process's data size) but not PrivateUsage.
SIZE_T PrivateBytes()
{
    PROCESS_MEMORY_COUNTERS counters = {};
    counters.cb = sizeof counters;
    if (!GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters)) {
        return 0;
    }
    return counters.PagefileUsage;
}

// Lets the hover sound's playback end, so that its thread and buffers are not counted as the launcher's.
void Quiesce()
{
    PlaySoundA(nullptr, nullptr, 0);
    PumpMessages();
    Sleep(300);
    PumpMessages();
}

SIZE_T WorkingSet()
{
    PROCESS_MEMORY_COUNTERS counters = {};
    counters.cb = sizeof counters;
    GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
    return counters.WorkingSetSize;
}

// The two drawing paths: device bitmaps (true colour) and packed DIBs through the palette.
class ThousandMoves : public ::testing::TestWithParam<int> {};

TEST_P(ThousandMoves, EachHoverChangeDrawsOneButtonAndNothingLeaks)
{
    const int depth = GetParam();
    HWND window = CreateSplash(depth);
    ASSERT_NE(window, nullptr);
    const std::vector<Point> path = PointerPath(1100);

    // Warm-up: the first hundred moves fill whatever caches the system keeps (sound, fonts, DC pools).
    int underPointer = -1;
    for (int i = 0; i < 100; ++i) {
        SendMessageA(window, WM_MOUSEMOVE, 0, MAKELPARAM(path[i].x, path[i].y));
        underPointer = ButtonAt(path[i].x, path[i].y);
    }
    Quiesce();
    const SIZE_T privateBefore = PrivateBytes();
    const SIZE_T workingSetBefore = WorkingSet();
    const DWORD guiBefore = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    countedCalls = CountedCalls();

    SIZE_T privateHalfway = 0;
    SIZE_T workingSetHalfway = 0;
    int changes = 0;
    int entries = 0;
    for (size_t i = 100; i < path.size(); ++i) {
        const int now = ButtonAt(path[i].x, path[i].y);
        const int drawsBefore = countedCalls.bitBlt + countedCalls.setDIBitsToDevice;
        SendMessageA(window, WM_MOUSEMOVE, 0, MAKELPARAM(path[i].x, path[i].y));
        const int expected = (now != underPointer) ? (underPointer >= 0) + (now >= 0) : 0;
        const int drawn = countedCalls.bitBlt + countedCalls.setDIBitsToDevice - drawsBefore;
        ASSERT_EQ(drawn, expected) << "move " << i << " to (" << path[i].x << "," << path[i].y << ") from button "
                                   << underPointer << " to " << now;
        for (int b = 0; b < ButtonCount; ++b) {
            ASSERT_EQ(launcherState.hovered[b], b == now ? 1 : 0) << "move " << i << ", button " << b;
        }
        changes += expected;
        entries += (now != underPointer && now >= 0);
        underPointer = now;
        if (i % 50 == 0) {
            PumpMessages(); // the sound's and the system's own messages
        }
        if (i == 600) {
            // Halfway, measured the same way as at the end: the two must agree.
            Quiesce();
            privateHalfway = PrivateBytes();
            workingSetHalfway = WorkingSet();
        }
    }
    PumpMessages();

    EXPECT_GT(entries, 200); // the path really crosses the buttons often
    EXPECT_EQ(countedCalls.bitBlt + countedCalls.setDIBitsToDevice, changes);
    EXPECT_EQ(countedCalls.invalidateRect, 0);
    EXPECT_EQ(countedCalls.beginPaint, 0);
    EXPECT_FALSE(GetUpdateRect(window, nullptr, FALSE)) << "a repaint is pending";
    EXPECT_EQ(countedCalls.globalAlloc, 0);
    EXPECT_EQ(countedCalls.globalFree, 0);
    // One window DC per change, given back each time; on the device-bitmap path one memory DC per change,
    // deleted each time; no GDI object made or deleted.
    EXPECT_EQ(countedCalls.getDC, changes);
    EXPECT_EQ(countedCalls.releaseDC, countedCalls.getDC);
    EXPECT_EQ(countedCalls.createCompatibleDC, depth == 8 ? 0 : changes);
    EXPECT_EQ(countedCalls.deleteDC, countedCalls.createCompatibleDC);
    EXPECT_EQ(countedCalls.deletedHoldingAForeignBitmap, 0);
    EXPECT_EQ(countedCalls.gdiObjectsMade, 0);
    EXPECT_EQ(countedCalls.deleteObject, 0);
    // Wine 8 answers GetGuiResources with 0 (not implemented); where it counts, the count must not grow.
    const DWORD guiAfter = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    if (guiBefore != 0) {
        EXPECT_LE(guiAfter, guiBefore + 2);
    }
    // The process's memory stays flat over the second half of the moves (the first half lets Wine's sound
    // playback reach its steady state): a leak of a button's picture (3.6 to 14 KB) per change (about 430
    // changes in the second half) would show.
    Quiesce();
    const SIZE_T privateAfter = PrivateBytes();
    const SIZE_T workingSetAfter = WorkingSet();
    ASSERT_NE(privateHalfway, 0u) << "GetProcessMemoryInfo gave no committed bytes";
    EXPECT_LE(privateAfter, privateHalfway + 512 * 1024) << privateHalfway << " -> " << privateAfter;
    EXPECT_LE(workingSetAfter, workingSetHalfway + 512 * 1024) << workingSetHalfway << " -> " << workingSetAfter;
    std::printf("depth %d: %d hover changes, %d entries; committed bytes %lu, halfway %lu, at the end %lu; "
                "working set %lu, halfway %lu, at the end %lu; GDI objects (GetGuiResources) %lu -> %lu\n",
                depth, changes, entries, static_cast<unsigned long>(privateBefore),
                static_cast<unsigned long>(privateHalfway),
                static_cast<unsigned long>(privateAfter), static_cast<unsigned long>(workingSetBefore),
                static_cast<unsigned long>(workingSetHalfway),
                static_cast<unsigned long>(workingSetAfter), static_cast<unsigned long>(guiBefore),
                static_cast<unsigned long>(guiAfter));

    DestroySplash(window);
}

INSTANTIATE_TEST_SUITE_P(DrawingPaths, ThousandMoves, ::testing::Values(32, 8),
                         [](const ::testing::TestParamInfo<int>& info) {
                             return info.param == 8 ? std::string("PaletteDibs") : std::string("DeviceBitmaps");
                         });

} // namespace
