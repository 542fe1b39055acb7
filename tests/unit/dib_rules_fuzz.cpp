// libFuzzer target over the picture rules: whatever the bytes, checking a picture reads nothing
// outside them, and for an accepted picture everything that drawing it reads lies inside them: the
// header, the colour table as the system counts it when drawing, and every scan line.
#include "imaging/dib_rules.h"

#include <stddef.h>
#include <stdint.h>
#include <stdlib.h>

// The colour-table entries that the system reads when it draws a picture, counted here on their own
// rather than through the rules under test: biClrUsed, at most 256, when it is non-zero; else 2, 16 or
// 256 for 1-, 4- and 8-bit pictures.
static uint64_t EntriesDrawingReads(const DibHeader& header)
{
    if (header.biClrUsed != 0) {
        return header.biClrUsed < 256 ? header.biClrUsed : 256;
    }
    return header.biBitCount <= 8 ? (uint64_t{1} << header.biBitCount) : 0;
}

static void Touch(const uint8_t* data, uint64_t offset)
{
    volatile uint8_t byte = data[offset];
    (void)byte;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > 0xFFFFFFFFu) {
        return 0;
    }
    DibLayout layout;
    const DibCheck check = CheckPackedDib(data, static_cast<uint32_t>(size), &layout);
    if (check != DibAccepted) {
        return 0;
    }
    const DibHeader header = ReadDibHeader(data);
    if (layout.tableEntries != DibColorTableEntryCount(&header) || layout.tableEntries >= kDibTableEntryLimit) {
        abort();
    }
    const uint64_t drawnTableEnd = kDibHeaderSize + 4 * EntriesDrawingReads(header);
    if (drawnTableEnd > size) {
        abort();
    }
    if (static_cast<uint64_t>(layout.pixelOffset) + layout.pixelBytes > size) {
        abort();
    }
    static PaletteColor colors[kDibTableEntryLimit];
    ColorTableToPalette(data, kDibHeaderSize, layout.tableEntries, colors);
    // Touch the last bytes of the table and of the scan lines that drawing reads.
    Touch(data, drawnTableEnd - 1);
    if (layout.pixelBytes > 0) {
        Touch(data, layout.pixelOffset + layout.pixelBytes - 1);
    }
    return 0;
}
