// A thousand pointer moves over the splash window in this process: every change of the lit button draws
// exactly that button once, nothing is invalidated, every device context taken is given back, no GDI
// object or memory block is left behind, and the process's memory stays flat.
//
// The launcher's drawing and memory calls are counted by counted_calls.h. The device context and GDI
// object calls are counted here by pointing this program's own import slots at counting wrappers for the
// duration of a test: the launcher's sources are linked into this program, so their calls go through
// those slots, while the system's own work inside user32 and gdi32 does not.
#include "launcher/launcher_state.h"
#include "launcher/window_proc.h"
#include "tests/wine/counted_calls.h"
#include "tests/wine/wine_test_support.h"

#include <mmsystem.h>
#include <psapi.h>

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

struct GdiCounts {
    int getDC;
    int releaseDC;
    int createDC;   // CreateCompatibleDC
    int deleteDC;
    int created;    // any other GDI object made: bitmaps, DIB sections, brushes, palettes, regions
    int deleted;    // DeleteObject
};

GdiCounts gdiCounts;

decltype(&GetDC) realGetDC;
decltype(&ReleaseDC) realReleaseDC;
decltype(&CreateCompatibleDC) realCreateCompatibleDC;
decltype(&DeleteDC) realDeleteDC;
decltype(&DeleteObject) realDeleteObject;
decltype(&CreateCompatibleBitmap) realCreateCompatibleBitmap;
decltype(&CreateDIBitmap) realCreateDIBitmap;
decltype(&CreateDIBSection) realCreateDIBSection;
decltype(&CreateBitmap) realCreateBitmap;
decltype(&CreateSolidBrush) realCreateSolidBrush;
decltype(&CreatePalette) realCreatePalette;
decltype(&CreateRectRgn) realCreateRectRgn;

HDC WINAPI CountingGetDC(HWND window)
{
    HDC dc = realGetDC(window);
    gdiCounts.getDC += dc != nullptr;
    return dc;
}

int WINAPI CountingReleaseDC(HWND window, HDC dc)
{
    const int released = realReleaseDC(window, dc);
    gdiCounts.releaseDC += released != 0;
    return released;
}

HDC WINAPI CountingCreateCompatibleDC(HDC dc)
{
    HDC made = realCreateCompatibleDC(dc);
    gdiCounts.createDC += made != nullptr;
    return made;
}

BOOL WINAPI CountingDeleteDC(HDC dc)
{
    const BOOL deleted = realDeleteDC(dc);
    gdiCounts.deleteDC += deleted != FALSE;
    return deleted;
}

BOOL WINAPI CountingDeleteObject(HGDIOBJ object)
{
    const BOOL deleted = realDeleteObject(object);
    gdiCounts.deleted += deleted != FALSE;
    return deleted;
}

template <typename Result>
Result Made(Result object)
{
    gdiCounts.created += object != nullptr;
    return object;
}

HBITMAP WINAPI CountingCreateCompatibleBitmap(HDC dc, int w, int h)
{
    return Made(realCreateCompatibleBitmap(dc, w, h));
}

HBITMAP WINAPI CountingCreateDIBitmap(HDC dc, const BITMAPINFOHEADER* header, DWORD init, const void* bits,
                                      const BITMAPINFO* info, UINT usage)
{
    return Made(realCreateDIBitmap(dc, header, init, bits, info, usage));
}

HBITMAP WINAPI CountingCreateDIBSection(HDC dc, const BITMAPINFO* info, UINT usage, void** bits, HANDLE section,
                                        DWORD offset)
{
    return Made(realCreateDIBSection(dc, info, usage, bits, section, offset));
}

HBITMAP WINAPI CountingCreateBitmap(int w, int h, UINT planes, UINT bits, const void* data)
{
    return Made(realCreateBitmap(w, h, planes, bits, data));
}

HBRUSH WINAPI CountingCreateSolidBrush(COLORREF colour)
{
    return Made(realCreateSolidBrush(colour));
}

HPALETTE WINAPI CountingCreatePalette(const LOGPALETTE* palette)
{
    return Made(realCreatePalette(palette));
}

HRGN WINAPI CountingCreateRectRgn(int left, int top, int right, int bottom)
{
    return Made(realCreateRectRgn(left, top, right, bottom));
}

struct Hook {
    const char* name;
    void* wrapper;
    void** real;
};

// Points this program's import slot of each named function at its wrapper (or back); returns how many
// slots were found. Slots are found by the names in the import lookup table.
int PatchImports(const std::vector<Hook>& hooks, bool install)
{
    auto* base = reinterpret_cast<BYTE*>(GetModuleHandleA(nullptr));
    auto* dos = reinterpret_cast<IMAGE_DOS_HEADER*>(base);
    auto* nt = reinterpret_cast<IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& directory = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    auto* descriptor = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + directory.VirtualAddress);
    int patched = 0;
    for (; descriptor->Name; ++descriptor) {
        auto* names = reinterpret_cast<IMAGE_THUNK_DATA*>(base + descriptor->OriginalFirstThunk);
        auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + descriptor->FirstThunk);
        for (; names->u1.AddressOfData; ++names, ++slots) {
            if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) {
                continue;
            }
            auto* byName = reinterpret_cast<IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
            for (const Hook& hook : hooks) {
                if (std::strcmp(reinterpret_cast<const char*>(byName->Name), hook.name) != 0) {
                    continue;
                }
                void** slot = reinterpret_cast<void**>(&slots->u1.Function);
                DWORD old;
                VirtualProtect(slot, sizeof *slot, PAGE_READWRITE, &old);
                if (install) {
                    *hook.real = *slot;
                    *slot = hook.wrapper;
                } else {
                    *slot = *hook.real;
                }
                VirtualProtect(slot, sizeof *slot, old, &old);
                ++patched;
            }
        }
    }
    return patched;
}

#define HOOK(function) Hook{#function, reinterpret_cast<void*>(&Counting##function), reinterpret_cast<void**>(&real##function)}

const std::vector<Hook>& Hooks()
{
    static const std::vector<Hook> hooks = {
        HOOK(GetDC), HOOK(ReleaseDC), HOOK(CreateCompatibleDC), HOOK(DeleteDC), HOOK(DeleteObject),
        HOOK(CreateCompatibleBitmap), HOOK(CreateDIBitmap), HOOK(CreateDIBSection), HOOK(CreateBitmap),
        HOOK(CreateSolidBrush), HOOK(CreatePalette), HOOK(CreateRectRgn)};
    return hooks;
}

// The functions every drawing path of the launcher needs; the others are counted when present.
const char* const requiredHooks[] = {"GetDC", "ReleaseDC", "CreateCompatibleDC", "DeleteDC", "DeleteObject"};

class GdiCounting {
public:
    GdiCounting() { found_ = PatchImports(Hooks(), true); }
    ~GdiCounting() { PatchImports(Hooks(), false); }
    int Found() const { return found_; }

private:
    int found_;
};

bool Imported(const char* name)
{
    for (const Hook& hook : Hooks()) {
        if (std::strcmp(hook.name, name) == 0) {
            return *hook.real != nullptr;
        }
    }
    return false;
}

HINSTANCE Self()
{
    return GetModuleHandleA(nullptr);
}

HWND CreateSplash(int depth)
{
    launcherState = LauncherState();
    launcherState.instance = Self();
    launcherState.displayBitsPerPixel = depth;
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = LauncherWndProc;
    windowClass.hInstance = Self();
    windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(NULL_BRUSH));
    windowClass.lpszClassName = launcherClassName;
    RegisterClassA(&windowClass); // fails harmlessly when already registered
    HWND window = CreateWindowExA(0, launcherClassName, launcherClassName, WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                  Self(), nullptr);
    if (window) {
        ShowWindow(window, SW_SHOW);
        UpdateWindow(window);
        PumpMessages();
    }
    return window;
}

void Destroy(HWND window)
{
    if (IsWindow(window)) {
        DestroyWindow(window);
    }
    PumpMessages();
}

// The button under a window point by the launcher's published geometry: three 90 x 40 boxes at x 30,
// y 180, 235 and 290 (right and bottom edges outside); -1 for none.
int ButtonAt(int x, int y)
{
    const int tops[3] = {180, 235, 290};
    for (int i = 0; i < 3; ++i) {
        if (x >= 30 && x < 120 && y >= tops[i] && y < tops[i] + 40) {
            return i;
        }
    }
    return -1;
}

struct Point {
    int x, y;
};

// A path over the window that crosses every button, their edges, the gaps between them and the
// background, in an order that varies (a fixed pseudo-random walk, so a failure is repeatable).
std::vector<Point> PointerPath(int moves)
{
    const Point stops[] = {
        {300, 100}, {40, 190}, {100, 210}, {119, 219}, {120, 219}, {29, 180}, {30, 180}, {60, 227},
        {40, 240}, {118, 274}, {60, 280}, {40, 300}, {119, 329}, {119, 330}, {75, 250}, {500, 340},
        {75, 195}, {75, 305}, {0, 0}, {529, 359}, {30, 234}, {30, 235}, {121, 300}};
    const int count = sizeof stops / sizeof stops[0];
    std::vector<Point> path;
    unsigned seed = 12345;
    for (int i = 0; i < moves; ++i) {
        seed = seed * 1103515245u + 12345u;
        path.push_back(stops[(seed >> 16) % count]);
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
    GdiCounting counting;
    for (const char* name : requiredHooks) {
        ASSERT_TRUE(Imported(name)) << name << " is not imported by this program, so it cannot be counted";
    }
    HWND window = CreateSplash(depth);
    ASSERT_NE(window, nullptr);
    const std::vector<Point> path = PointerPath(1100);

    // Warm-up: the first hundred moves fill whatever caches the system keeps (sound, fonts, DC pools).
    int lit = -1;
    for (int i = 0; i < 100; ++i) {
        SendMessageA(window, WM_MOUSEMOVE, 0, MAKELPARAM(path[i].x, path[i].y));
        lit = ButtonAt(path[i].x, path[i].y);
    }
    Quiesce();
    const SIZE_T privateBefore = PrivateBytes();
    const SIZE_T workingSetBefore = WorkingSet();
    const DWORD guiBefore = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    countedCalls = CountedCalls();
    gdiCounts = GdiCounts();

    SIZE_T privateHalfway = 0;
    SIZE_T workingSetHalfway = 0;
    int changes = 0;
    int entries = 0;
    for (size_t i = 100; i < path.size(); ++i) {
        const int now = ButtonAt(path[i].x, path[i].y);
        const int drawsBefore = countedCalls.bitBlt + countedCalls.setDIBitsToDevice;
        SendMessageA(window, WM_MOUSEMOVE, 0, MAKELPARAM(path[i].x, path[i].y));
        const int expected = (now != lit) ? (lit >= 0) + (now >= 0) : 0;
        const int drawn = countedCalls.bitBlt + countedCalls.setDIBitsToDevice - drawsBefore;
        ASSERT_EQ(drawn, expected) << "move " << i << " to (" << path[i].x << "," << path[i].y << ") from button "
                                   << lit << " to " << now;
        for (int b = 0; b < 3; ++b) {
            ASSERT_EQ(launcherState.hovered[b], b == now ? 1 : 0) << "move " << i << ", button " << b;
        }
        changes += expected;
        entries += (now != lit && now >= 0);
        lit = now;
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
    EXPECT_EQ(gdiCounts.getDC, changes);
    EXPECT_EQ(gdiCounts.releaseDC, gdiCounts.getDC);
    EXPECT_EQ(gdiCounts.createDC, depth == 8 ? 0 : changes);
    EXPECT_EQ(gdiCounts.deleteDC, gdiCounts.createDC);
    EXPECT_EQ(gdiCounts.created, 0);
    EXPECT_EQ(gdiCounts.deleted, 0);
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

    Destroy(window);
}

INSTANTIATE_TEST_SUITE_P(DrawingPaths, ThousandMoves, ::testing::Values(32, 8),
                         [](const ::testing::TestParamInfo<int>& info) {
                             return info.param == 8 ? std::string("PaletteDibs") : std::string("DeviceBitmaps");
                         });

TEST(GdiCountingItself, SeesADeviceContextThatIsNotGivenBack)
{
    // The counters catch the fault the thousand moves look for: a DC taken and never released.
    GdiCounting counting;
    gdiCounts = GdiCounts();
    HWND window = CreateSplash(32);
    ASSERT_NE(window, nullptr);
    gdiCounts = GdiCounts();
    HDC dc = GetDC(window); // this program's own call goes through the same slot
    EXPECT_EQ(gdiCounts.getDC, 1);
    EXPECT_EQ(gdiCounts.releaseDC, 0);
    ReleaseDC(window, dc);
    EXPECT_EQ(gdiCounts.releaseDC, 1);
    Destroy(window);
}

} // namespace
