#include "imaging/dib_rules.h"

static uint32_t EntriesByDepth(uint16_t bitCount)
{
    switch (bitCount) {
    case 1: return 2;
    case 4: return 16;
    case 8: return 256;
    default: return 0;
    }
}

uint16_t DibColorTableEntryCount(const DibHeader* header)
{
    if (!header) {
        return 0;
    }
    const uint32_t entries = header->biClrUsed != 0 ? header->biClrUsed & 0xFFFFu : EntriesByDepth(header->biBitCount);
    return static_cast<uint16_t>(entries);
}

uint32_t DibDrawnColorTableEntryCount(const DibHeader* header)
{
    if (!header) {
        return 0;
    }
    if (header->biClrUsed != 0) {
        return header->biClrUsed < 256 ? header->biClrUsed : 256;
    }
    return EntriesByDepth(header->biBitCount);
}

DibHeader ReadDibHeader(const uint8_t* bytes)
{
    DibHeader header;
    __builtin_memcpy(&header, bytes, sizeof header);
    return header;
}

static bool IsDrawableDepth(uint16_t bitCount)
{
    return bitCount == 1 || bitCount == 4 || bitCount == 8 || bitCount == 16 || bitCount == 24 || bitCount == 32;
}

DibCheck CheckPackedDib(const uint8_t* bytes, uint32_t size, DibLayout* layout)
{
    if (!bytes || size < kDibHeaderSize) {
        return DibShorterThanHeader;
    }
    const DibHeader header = ReadDibHeader(bytes);
    if (header.biSize != kDibHeaderSize) {
        return DibHeaderNotForty;
    }
    const uint32_t entries = DibColorTableEntryCount(&header);
    if (entries >= kDibTableEntryLimit) {
        return DibTableTooLarge;
    }
    const uint32_t pixelOffset = kDibHeaderSize + 4 * entries;
    if (size < pixelOffset) {
        return DibShorterThanTable;
    }
    if (size - kDibHeaderSize < 4 * DibDrawnColorTableEntryCount(&header)) {
        return DibShorterThanDrawnTable;
    }
    if (header.biCompression != kDibUncompressed) {
        return DibCompressed;
    }
    if (!IsDrawableDepth(header.biBitCount)) {
        return DibUnsupportedDepth;
    }
    if (header.biWidth < 0) {
        return DibNegativeWidth;
    }
    // Drawing reads every scan line of the picture, top-down (negative height) or bottom-up.
    const uint64_t rowBytes = ((static_cast<uint64_t>(header.biWidth) * header.biBitCount + 31) / 32) * 4;
    const uint64_t rows = header.biHeight < 0 ? -static_cast<int64_t>(header.biHeight) : header.biHeight;
    const uint64_t pixelBytes = rowBytes * rows;
    if (pixelBytes > size - pixelOffset) {
        return DibShorterThanPixels;
    }
    if (layout) {
        layout->tableEntries = static_cast<uint16_t>(entries);
        layout->pixelOffset = pixelOffset;
        layout->rowBytes = static_cast<uint32_t>(rowBytes);
        layout->pixelBytes = static_cast<uint32_t>(pixelBytes);
    }
    return DibAccepted;
}

const char* DibCheckText(DibCheck check)
{
    switch (check) {
    case DibAccepted: return "accepted";
    case DibShorterThanHeader: return "shorter than the 40-byte header";
    case DibHeaderNotForty: return "header size is not 40 bytes";
    case DibTableTooLarge: return "colour table of 16384 entries or more";
    case DibShorterThanTable: return "shorter than header and colour table";
    case DibShorterThanDrawnTable: return "shorter than the colour table that drawing reads (biClrUsed of 65536 or more)";
    case DibCompressed: return "compressed (only uncompressed BI_RGB pictures are drawn)";
    case DibUnsupportedDepth: return "bits per pixel other than 1, 4, 8, 16, 24 or 32";
    case DibNegativeWidth: return "negative width";
    case DibShorterThanPixels: return "shorter than its scan lines";
    }
    return "unknown";
}

void ColorTableToPalette(const uint8_t* dib, uint32_t tableOffset, uint32_t count, PaletteColor* out)
{
    const uint8_t* entry = dib + tableOffset;
    for (uint32_t i = 0; i < count; ++i, entry += 4) {
        out[i].red = entry[2];
        out[i].green = entry[1];
        out[i].blue = entry[0];
        out[i].flags = 0;
    }
}
