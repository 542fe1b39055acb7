// Rules of device-independent bitmaps held in memory ("packed DIBs": header, colour table, pixels),
// free of any platform call so that they can be unit-tested and fuzzed natively.
#pragma once

#include <stdint.h>

// The 40-byte bitmap information header, field for field, little-endian.
struct DibHeader {
    uint32_t biSize;
    int32_t biWidth;
    int32_t biHeight;
    uint16_t biPlanes;
    uint16_t biBitCount;
    uint32_t biCompression;
    uint32_t biSizeImage;
    int32_t biXPelsPerMeter;
    int32_t biYPelsPerMeter;
    uint32_t biClrUsed;
    uint32_t biClrImportant;
};
static_assert(sizeof(DibHeader) == 40, "the bitmap header is 40 bytes");

enum : uint32_t {
    kDibHeaderSize = 40,
    kDibUncompressed = 0,       // BI_RGB
    kDibTableEntryLimit = 16384 // tables this large or larger are refused
};

// Number of colour-table entries that follow the header: by depth (1, 4, 8 bits give 2, 16, 256;
// deeper pictures none), replaced by the low 16 bits of biClrUsed when that is non-zero.
// A null header has none.
uint16_t DibColorTableEntryCount(const DibHeader* header);

// Number of colour-table entries that the system reads when it draws the picture: biClrUsed when that is
// non-zero, but never more than 256; otherwise by depth as above. It exceeds the count above only for a
// biClrUsed of 65536 or more, whose low 16 bits name fewer entries. A null header has none.
uint32_t DibDrawnColorTableEntryCount(const DibHeader* header);

enum DibCheck {
    DibAccepted,
    DibShorterThanHeader,
    DibHeaderNotForty,
    DibTableTooLarge,
    DibShorterThanTable,
    DibShorterThanDrawnTable,
    DibCompressed,
    DibUnsupportedDepth,
    DibNegativeWidth,
    DibShorterThanPixels
};

struct DibLayout {
    uint16_t tableEntries;
    uint32_t pixelOffset; // from the start of the block: 40 + 4 x table entries
    uint32_t rowBytes;    // one scan line, padded to a multiple of 4 bytes
    uint32_t pixelBytes;  // rows x rowBytes, what drawing the picture reads
};

// Decides whether `size` bytes at `bytes` form a picture that can be kept and drawn as it stands:
// a 40-byte header, an uncompressed 1-, 4-, 8-, 16-, 24- or 32-bit picture, a colour table of fewer
// than 16384 entries, and everything that drawing reads present in the bytes: the colour table as
// drawing counts it and every scan line.
// Fills `layout` (when not null) for an accepted picture. Reads nothing outside the range.
DibCheck CheckPackedDib(const uint8_t* bytes, uint32_t size, DibLayout* layout);

// Reads the header at the start of a byte range of at least 40 bytes, whatever its alignment.
DibHeader ReadDibHeader(const uint8_t* bytes);

// A short English description of a check result, for tools and test messages.
const char* DibCheckText(DibCheck check);

struct PaletteColor {
    uint8_t red;
    uint8_t green;
    uint8_t blue;
    uint8_t flags;
};

// Copies `count` entries of the colour table that starts `tableOffset` bytes into `dib` into
// palette colours (the table stores blue, green, red, reserved; flags are left 0).
void ColorTableToPalette(const uint8_t* dib, uint32_t tableOffset, uint32_t count, PaletteColor* out);
