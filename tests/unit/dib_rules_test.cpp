#include "imaging/dib_rules.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

DibHeader Header(int32_t width, int32_t height, uint16_t bits, uint32_t clrUsed = 0, uint32_t compression = 0)
{
    DibHeader h = {};
    h.biSize = 40;
    h.biWidth = width;
    h.biHeight = height;
    h.biPlanes = 1;
    h.biBitCount = bits;
    h.biCompression = compression;
    h.biClrUsed = clrUsed;
    return h;
}

// A picture as a bitmap resource stores it: header, table, pixel rows padded to 4 bytes.
std::vector<uint8_t> Picture(const DibHeader& h)
{
    const uint32_t entries = DibColorTableEntryCount(&h);
    const uint32_t rowBytes = ((h.biWidth * h.biBitCount + 31) / 32) * 4;
    const uint32_t rows = h.biHeight < 0 ? -h.biHeight : h.biHeight;
    std::vector<uint8_t> bytes(40 + 4 * entries + rowBytes * rows, 0x5A);
    std::memcpy(bytes.data(), &h, sizeof h);
    for (uint32_t i = 0; i < entries; ++i) {
        uint8_t* entry = &bytes[40 + 4 * i];
        entry[0] = static_cast<uint8_t>(i);       // blue
        entry[1] = static_cast<uint8_t>(i * 3);   // green
        entry[2] = static_cast<uint8_t>(255 - i); // red
        entry[3] = 0;
    }
    return bytes;
}

} // namespace

TEST(ColorTable, CountsFollowTheDepthUnlessTheHeaderNamesAnotherCount)
{
    DibHeader h = Header(1, 1, 1);
    EXPECT_EQ(DibColorTableEntryCount(&h), 2);
    h = Header(1, 1, 4);
    EXPECT_EQ(DibColorTableEntryCount(&h), 16);
    h = Header(1, 1, 8);
    EXPECT_EQ(DibColorTableEntryCount(&h), 256);
    h = Header(1, 1, 8, 236);
    EXPECT_EQ(DibColorTableEntryCount(&h), 236);
    for (uint16_t deep : {16, 24, 32}) {
        h = Header(1, 1, deep);
        EXPECT_EQ(DibColorTableEntryCount(&h), 0) << deep;
    }
    h = Header(1, 1, 24, 12);
    EXPECT_EQ(DibColorTableEntryCount(&h), 12);
    EXPECT_EQ(DibColorTableEntryCount(nullptr), 0);
}

TEST(ColorTable, OnlyTheLowSixteenBitsOfTheUsedCountMatter)
{
    DibHeader h = Header(1, 1, 8, 65536);
    EXPECT_EQ(DibColorTableEntryCount(&h), 0);
    h = Header(1, 1, 8, 65536 + 20);
    EXPECT_EQ(DibColorTableEntryCount(&h), 20);
}

TEST(ColorTable, DrawingReadsTheUsedCountUpTo256)
{
    DibHeader h = Header(1, 1, 8);
    EXPECT_EQ(DibDrawnColorTableEntryCount(&h), 256u);
    h = Header(1, 1, 1);
    EXPECT_EQ(DibDrawnColorTableEntryCount(&h), 2u);
    h = Header(1, 1, 8, 236);
    EXPECT_EQ(DibDrawnColorTableEntryCount(&h), 236u);
    h = Header(1, 1, 8, 300);
    EXPECT_EQ(DibDrawnColorTableEntryCount(&h), 256u);
    for (uint32_t clrUsed : {65536u, 65537u, 0xFFFFFFFFu}) {
        h = Header(1, 1, 1, clrUsed);
        EXPECT_EQ(DibDrawnColorTableEntryCount(&h), 256u) << clrUsed;
    }
    h = Header(1, 1, 24);
    EXPECT_EQ(DibDrawnColorTableEntryCount(&h), 0u);
    EXPECT_EQ(DibDrawnColorTableEntryCount(nullptr), 0u);
}

TEST(CheckPackedDib, RefusesAPictureWhoseTableAsDrawingCountsItRunsPastTheBlock)
{
    // biClrUsed of 65536 or 65537: the launcher counts 0 or 1 entries (its low 16 bits), but drawing
    // reads 256, 1 KB from the header on.
    for (uint16_t bits : {1, 4, 8}) {
        for (uint32_t clrUsed : {65536u, 65537u}) {
            std::vector<uint8_t> picture = Picture(Header(4, 2, bits, clrUsed));
            ASSERT_LT(picture.size(), 40u + 1024u);
            EXPECT_EQ(CheckPackedDib(picture.data(), picture.size(), nullptr), DibShorterThanDrawnTable)
                << bits << " bits, biClrUsed " << clrUsed;
        }
    }
    // The same header is accepted where the 256 entries that drawing reads lie inside the block, the
    // pixels starting where the launcher counts the table to end.
    std::vector<uint8_t> tall = Picture(Header(4, 256, 8, 65537));
    ASSERT_EQ(tall.size(), 40u + 4u + 4u * 256u);
    DibLayout layout = {};
    EXPECT_EQ(CheckPackedDib(tall.data(), tall.size(), &layout), DibAccepted);
    EXPECT_EQ(layout.tableEntries, 1);
    EXPECT_EQ(layout.pixelOffset, 44u);
    EXPECT_EQ(CheckPackedDib(tall.data(), 40 + 1023, nullptr), DibShorterThanDrawnTable);
}

TEST(CheckPackedDib, AcceptsWellFormedPicturesAndLocatesTheirPixels)
{
    DibLayout layout = {};
    std::vector<uint8_t> button = Picture(Header(90, 40, 8, 236));
    ASSERT_EQ(CheckPackedDib(button.data(), button.size(), &layout), DibAccepted);
    EXPECT_EQ(layout.tableEntries, 236);
    EXPECT_EQ(layout.pixelOffset, 40u + 944u);
    EXPECT_EQ(layout.rowBytes, 92u);

    std::vector<uint8_t> background = Picture(Header(530, 360, 8));
    ASSERT_EQ(CheckPackedDib(background.data(), background.size(), &layout), DibAccepted);
    EXPECT_EQ(background.size(), 192584u);
    EXPECT_EQ(layout.tableEntries, 256);

    std::vector<uint8_t> deep = Picture(Header(530, 360, 24));
    ASSERT_EQ(CheckPackedDib(deep.data(), deep.size(), &layout), DibAccepted);
    EXPECT_EQ(layout.tableEntries, 0);
    EXPECT_EQ(layout.pixelOffset, 40u);

    std::vector<uint8_t> topDown = Picture(Header(90, -40, 4));
    EXPECT_EQ(CheckPackedDib(topDown.data(), topDown.size(), &layout), DibAccepted);
}

TEST(CheckPackedDib, RefusesEveryMalformedPicture)
{
    std::vector<uint8_t> good = Picture(Header(90, 40, 8, 236));

    EXPECT_EQ(CheckPackedDib(nullptr, 100, nullptr), DibShorterThanHeader);
    EXPECT_EQ(CheckPackedDib(good.data(), 39, nullptr), DibShorterThanHeader);
    EXPECT_EQ(CheckPackedDib(good.data(), 40 + 943, nullptr), DibShorterThanTable);
    EXPECT_EQ(CheckPackedDib(good.data(), good.size() - 1, nullptr), DibShorterThanPixels);

    for (uint32_t size : {12u, 108u, 124u}) {
        std::vector<uint8_t> other = good;
        std::memcpy(other.data(), &size, 4);
        EXPECT_EQ(CheckPackedDib(other.data(), other.size(), nullptr), DibHeaderNotForty) << size;
    }

    std::vector<uint8_t> rle = Picture(Header(90, 40, 8, 0, 1));
    EXPECT_EQ(CheckPackedDib(rle.data(), rle.size(), nullptr), DibCompressed);

    DibHeader hugeTable = Header(1, 1, 8, 16384);
    std::vector<uint8_t> bytes(40 + 4 * 16384 + 4, 0);
    std::memcpy(bytes.data(), &hugeTable, sizeof hugeTable);
    EXPECT_EQ(CheckPackedDib(bytes.data(), bytes.size(), nullptr), DibTableTooLarge);
    hugeTable.biClrUsed = 16383;
    std::memcpy(bytes.data(), &hugeTable, sizeof hugeTable);
    EXPECT_EQ(CheckPackedDib(bytes.data(), bytes.size(), nullptr), DibAccepted);

    std::vector<uint8_t> odd = Picture(Header(90, 40, 8));
    DibHeader twoBits = Header(90, 40, 2);
    std::memcpy(odd.data(), &twoBits, sizeof twoBits);
    EXPECT_EQ(CheckPackedDib(odd.data(), odd.size(), nullptr), DibUnsupportedDepth);

    DibHeader negative = Header(-90, 40, 8);
    std::memcpy(odd.data(), &negative, sizeof negative);
    EXPECT_EQ(CheckPackedDib(odd.data(), odd.size(), nullptr), DibNegativeWidth);
}

TEST(CheckPackedDib, DimensionsThatWouldOverflowAreRefusedNotWrapped)
{
    DibHeader h = Header(0x7FFFFFFF, 0x7FFFFFFF, 32);
    std::vector<uint8_t> bytes(64, 0);
    std::memcpy(bytes.data(), &h, sizeof h);
    EXPECT_EQ(CheckPackedDib(bytes.data(), bytes.size(), nullptr), DibShorterThanPixels);
    h.biHeight = INT32_MIN;
    std::memcpy(bytes.data(), &h, sizeof h);
    EXPECT_EQ(CheckPackedDib(bytes.data(), bytes.size(), nullptr), DibShorterThanPixels);
}

TEST(CheckPackedDib, ReadsHeadersAtAnyAlignment)
{
    std::vector<uint8_t> picture = Picture(Header(90, 40, 24));
    std::vector<uint8_t> shifted(picture.size() + 1);
    std::memcpy(shifted.data() + 1, picture.data(), picture.size());
    EXPECT_EQ(CheckPackedDib(shifted.data() + 1, picture.size(), nullptr), DibAccepted);
    EXPECT_EQ(ReadDibHeader(shifted.data() + 1).biWidth, 90);
}

TEST(Palette, TakesRedGreenAndBlueFromEachTableEntryInOrder)
{
    std::vector<uint8_t> picture = Picture(Header(530, 360, 8));
    std::vector<PaletteColor> colors(256);
    ColorTableToPalette(picture.data(), 40, 256, colors.data());
    for (int i = 0; i < 256; ++i) {
        EXPECT_EQ(colors[i].blue, i);
        EXPECT_EQ(colors[i].green, static_cast<uint8_t>(i * 3));
        EXPECT_EQ(colors[i].red, 255 - i);
        EXPECT_EQ(colors[i].flags, 0);
    }
}
