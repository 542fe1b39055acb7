#include "tools/assetcheck/palette_check.h"

#include "imaging/dib_rules.h"
#include "tools/assetcheck/bitmap_check.h"

#include <algorithm>
#include <cstdio>
#include <set>

namespace assetcheck {

namespace {

// "#RRGGBB"
std::string HexColour(uint8_t r, uint8_t g, uint8_t b)
{
    char text[16];
    std::snprintf(text, sizeof text, "#%02X%02X%02X", r, g, b);
    return text;
}

// A picture that passed CheckBitmap, opened for its colours.
struct OpenPicture {
    DibHeader header;
    DibLayout layout;
    const uint8_t* dib;
};

bool Open8BitPicture(const std::vector<uint8_t>& bytes, OpenPicture& out)
{
    if (bytes.size() < kBitmapFileHeaderSize + kDibHeaderSize || bytes[0] != 'B' || bytes[1] != 'M') {
        return false;
    }
    out.dib = bytes.data() + kBitmapFileHeaderSize;
    const uint32_t size = static_cast<uint32_t>(bytes.size() - kBitmapFileHeaderSize);
    if (CheckPackedDib(out.dib, size, &out.layout) != DibAccepted) {
        return false;
    }
    out.header = ReadDibHeader(out.dib);
    return out.header.biBitCount == 8 && out.header.biHeight > 0;
}

uint32_t ColourOf(const uint8_t* entry) // a table entry: blue, green, red, reserved
{
    return (static_cast<uint32_t>(entry[2]) << 16) | (static_cast<uint32_t>(entry[1]) << 8) | entry[0];
}

} // namespace

void CheckPaletteUse(const RequiredForm& buttonForm, const std::string& buttonName,
                     const std::vector<uint8_t>& button, const std::string& backgroundName,
                     const std::vector<uint8_t>& background, Report& report)
{
    OpenPicture pic{}, source{};
    if (!Open8BitPicture(button, pic) || !Open8BitPicture(background, source)) {
        return;
    }
    int first = 0, last = source.layout.tableEntries; // palette entries the button may use
    if (buttonForm.paletteRole == PaletteRole::SharedTable) {
        first = std::min<int>(kSharedFirstEntry, source.layout.tableEntries);
        last = std::min<int>(kSharedFirstEntry + kSharedEntries, source.layout.tableEntries);
    }
    std::set<uint32_t> palette;
    for (int i = first; i < last; ++i) {
        palette.insert(ColourOf(source.dib + kDibHeaderSize + 4 * i));
    }
    std::set<int> usedEntries;
    for (int32_t y = 0; y < pic.header.biHeight; ++y) {
        const uint8_t* row = pic.dib + pic.layout.pixelOffset + static_cast<size_t>(y) * pic.layout.rowBytes;
        for (int32_t x = 0; x < pic.header.biWidth; ++x) {
            usedEntries.insert(row[x]);
        }
    }
    std::vector<std::string> missing;
    for (int entry : usedEntries) {
        if (entry >= pic.layout.tableEntries) {
            continue; // CheckBitmap reports pixels outside the table
        }
        const uint8_t* colour = pic.dib + kDibHeaderSize + 4 * entry;
        if (!palette.count(ColourOf(colour))) {
            const std::string hex = HexColour(colour[2], colour[1], colour[0]);
            missing.push_back(hex + " (table entry " + std::to_string(entry) + ")");
        }
    }
    if (missing.empty()) {
        return;
    }
    std::string list;
    for (size_t i = 0; i < missing.size() && i < 4; ++i) {
        list += (i ? ", " : "") + missing[i];
    }
    if (missing.size() > 4) {
        list += " and " + std::to_string(missing.size() - 4) + " more";
    }
    const std::string shared = "entries " + std::to_string(kSharedFirstEntry) + ".." +
                               std::to_string(kSharedFirstEntry + kSharedEntries - 1) + " of ";
    const std::string where =
        (buttonForm.paletteRole == PaletteRole::SharedTable ? shared : "") + "the palette of " + backgroundName;
    const bool one = missing.size() == 1;
    report.Warning(buttonName, "uses " + std::to_string(missing.size()) + (one ? " colour" : " colours") + " that " +
                                   where + (one ? " lacks: " : " lack: ") + list);
}

} // namespace assetcheck
