// libFuzzer target over the picture rules: whatever the bytes, checking a picture reads nothing
// outside them, and an accepted picture's table and scan lines lie inside them.
#include "imaging/dib_rules.h"

#include <stddef.h>
#include <stdint.h>
#include <stdlib.h>

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
    if (static_cast<uint64_t>(layout.pixelOffset) + layout.pixelBytes > size) {
        abort();
    }
    static PaletteColor colors[kDibTableEntryLimit];
    ColorTableToPalette(data, kDibHeaderSize, layout.tableEntries, colors);
    // Touch the last byte that drawing would read.
    if (layout.pixelBytes > 0) {
        volatile uint8_t last = data[layout.pixelOffset + layout.pixelBytes - 1];
        (void)last;
    }
    return 0;
}
