// Pictures in memory, loaded from the built LAUNCH.EXE's own resources and from this program's
// deliberately broken ones.
#include "imaging/packed_dib.h"
#include "resources/resource_ids.h"
#include "tests/wine/counted_calls.h"
#include "tests/wine/wine_test_support.h"
#include "tools/assetcheck/required_forms.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// Ids of this program's own broken pictures (see broken_pictures.rc).
enum : WORD { RunLengthPicture = 901, TruncatedPicture = 902, HugeTablePicture = 903, CoreHeaderPicture = 904 };

class PackedDibs : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_NE(LauncherModule(), nullptr) << "LAUNCHER_EXE must name the built LAUNCH.EXE";
        countedCalls = CountedCalls();
    }
    static HINSTANCE Launcher() { return reinterpret_cast<HINSTANCE>(LauncherModule()); }
};

} // namespace

// Every picture of the asset check's table, as the built launcher carries it.
TEST_F(PackedDibs, EveryShippedPictureLoadsWithItsRequiredSizeAndDepth)
{
    int pictures = 0;
    for (const assetcheck::RequiredForm& form : assetcheck::RequiredForms()) {
        ++pictures;
        HBITMAP bitmap = LoadBitmapA(Launcher(), MAKEINTRESOURCEA(form.id));
        ASSERT_NE(bitmap, nullptr) << form.id;
        BITMAP info;
        ASSERT_EQ(GetObjectA(bitmap, sizeof info, &info), static_cast<int>(sizeof info));
        EXPECT_EQ(info.bmWidth, form.width) << form.id;
        EXPECT_EQ(info.bmHeight, form.height) << form.id;
        DeleteObject(bitmap);

        PackedDib dib = LoadPackedDib(Launcher(), form.id);
        ASSERT_NE(dib, nullptr) << form.id;
        EXPECT_EQ(dib->biSize, 40u);
        EXPECT_EQ(dib->biWidth, form.width) << form.id;
        EXPECT_EQ(dib->biHeight, form.height) << form.id; // bottom-up
        EXPECT_EQ(dib->biBitCount, form.bitsPerPixel) << form.id;
        EXPECT_EQ(dib->biCompression, static_cast<DWORD>(BI_RGB)) << form.id;
        EXPECT_EQ(DibColorTableEntries(dib), form.tableEntries) << form.id;
        FreePackedDib(dib);
    }
    EXPECT_EQ(pictures, 27);
    EXPECT_EQ(countedCalls.globalAlloc, countedCalls.globalFree);
}

TEST_F(PackedDibs, ACopyHoldsTheResourceByteForByteWithPixelsAfterTheTable)
{
    HRSRC resource = FindResourceA(Launcher(), MAKEINTRESOURCEA(IDB_INSTALL_REST_8BPP), reinterpret_cast<LPCSTR>(RT_BITMAP));
    ASSERT_NE(resource, nullptr);
    const BYTE* original = static_cast<const BYTE*>(LockResource(LoadResource(Launcher(), resource)));
    const DWORD size = SizeofResource(Launcher(), resource);

    PackedDib dib = LoadPackedDib(Launcher(), IDB_INSTALL_REST_8BPP);
    ASSERT_NE(dib, nullptr);
    EXPECT_EQ(DibColorTableEntries(dib), 236);
    EXPECT_EQ(static_cast<const BYTE*>(PackedDibBits(dib)), reinterpret_cast<const BYTE*>(dib) + 40 + 944);
    EXPECT_EQ(GlobalSize(GlobalHandle(dib)), size);
    EXPECT_EQ(0, memcmp(dib, original, size));
    FreePackedDib(dib);

    PackedDib background = LoadPackedDib(Launcher(), IDB_BACKGROUND_8BPP);
    ASSERT_NE(background, nullptr);
    EXPECT_EQ(DibColorTableEntries(background), 256);
    EXPECT_EQ(GlobalSize(GlobalHandle(background)), 192584u);
    FreePackedDib(background);

    PackedDib deep = LoadPackedDib(Launcher(), IDB_BACKGROUND_24BPP);
    ASSERT_NE(deep, nullptr);
    EXPECT_EQ(DibColorTableEntries(deep), 0);
    EXPECT_EQ(static_cast<const BYTE*>(PackedDibBits(deep)), reinterpret_cast<const BYTE*>(deep) + 40);
    EXPECT_EQ(CreateDibPalette(deep), nullptr);
    FreePackedDib(deep);
}

TEST_F(PackedDibs, TheBackgroundsPaletteHoldsItsColourTable)
{
    PackedDib dib = LoadPackedDib(Launcher(), IDB_BACKGROUND_8BPP);
    ASSERT_NE(dib, nullptr);
    const int allocationsBefore = countedCalls.globalAlloc;
    HPALETTE palette = CreateDibPalette(dib);
    ASSERT_NE(palette, nullptr);
    // The temporary palette block is gone again.
    EXPECT_EQ(countedCalls.globalAlloc - allocationsBefore, 1);
    EXPECT_EQ(countedCalls.globalFree, 1);

    PALETTEENTRY entries[257];
    ASSERT_EQ(GetPaletteEntries(palette, 0, 257, entries), 256u);
    const RGBQUAD* table = reinterpret_cast<const RGBQUAD*>(reinterpret_cast<const BYTE*>(dib) + 40);
    for (int i = 0; i < 256; ++i) {
        EXPECT_EQ(entries[i].peRed, table[i].rgbRed) << i;
        EXPECT_EQ(entries[i].peGreen, table[i].rgbGreen) << i;
        EXPECT_EQ(entries[i].peBlue, table[i].rgbBlue) << i;
        EXPECT_EQ(entries[i].peFlags, 0) << i;
    }
    DeleteObject(palette);
    FreePackedDib(dib);
    FreePackedDib(nullptr);
    EXPECT_EQ(countedCalls.globalAlloc, countedCalls.globalFree);
}

TEST_F(PackedDibs, UnknownAndMalformedPicturesAreRefusedWithoutAllocating)
{
    EXPECT_EQ(LoadPackedDib(Launcher(), 4242), nullptr);
    for (WORD id : {RunLengthPicture, TruncatedPicture, HugeTablePicture, CoreHeaderPicture}) {
        ASSERT_NE(FindResourceA(Self(), MAKEINTRESOURCEA(id), reinterpret_cast<LPCSTR>(RT_BITMAP)), nullptr) << id;
        EXPECT_EQ(LoadPackedDib(Self(), id), nullptr) << id;
    }
    EXPECT_EQ(countedCalls.globalAlloc, 0);
    EXPECT_EQ(countedCalls.globalFree, 0);
}

TEST_F(PackedDibs, ColourTableCountsFollowTheHeader)
{
    BITMAPINFOHEADER header = {};
    header.biSize = 40;
    header.biBitCount = 8;
    EXPECT_EQ(DibColorTableEntries(&header), 256);
    header.biClrUsed = 65536;
    EXPECT_EQ(DibColorTableEntries(&header), 0);
    header.biBitCount = 4;
    header.biClrUsed = 0;
    EXPECT_EQ(DibColorTableEntries(&header), 16);
    EXPECT_EQ(DibColorTableEntries(nullptr), 0);
}
