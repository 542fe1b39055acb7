#include "tools/assetcheck/bitmap_check.h"

#include "imaging/dib_rules.h"

#include <algorithm>

namespace assetcheck {

namespace {

// Up to `count` bytes from `at` in quotes, '?' for each byte that is not printable: 'BM'.
std::string QuotedBytes(const std::vector<uint8_t>& bytes, size_t at, size_t count)
{
    std::string text;
    for (size_t i = at; i < at + count && i < bytes.size(); ++i) {
        text += (bytes[i] >= 32 && bytes[i] < 127) ? static_cast<char>(bytes[i]) : '?';
    }
    return "'" + text + "'";
}

// A bitmap header's compression with its name: "1 (BI_RLE8)".
std::string CompressionName(uint32_t compression)
{
    static const char* const kNames[] = {"BI_RGB", "BI_RLE8", "BI_RLE4", "BI_BITFIELDS", "BI_JPEG", "BI_PNG"};
    const std::string number = std::to_string(compression);
    return compression < 6 ? number + " (" + kNames[compression] + ")" : number;
}

} // namespace

void CheckBitmap(const RequiredForm& form, const std::string& name, const std::vector<uint8_t>& bytes,
                 Report& report)
{
    const size_t errorsBefore = report.ErrorCount();
    if (bytes.size() < kBitmapFileHeaderSize) {
        report.Error(name, "file is " + std::to_string(bytes.size()) + " bytes, shorter than the 14-byte file header");
        return;
    }
    if (bytes[0] != 'B' || bytes[1] != 'M') {
        report.Error(name, "file starts with " + QuotedBytes(bytes, 0, 2) + ", required 'BM' (a bitmap file)");
        return;
    }
    if (bytes.size() < kBitmapFileHeaderSize + kDibHeaderSize) {
        report.Error(name, "file is " + std::to_string(bytes.size()) +
                               " bytes, shorter than the 14-byte file header and the 40-byte bitmap header");
        return;
    }
    const uint8_t* dib = bytes.data() + kBitmapFileHeaderSize;
    const uint32_t dibSize = static_cast<uint32_t>(bytes.size() - kBitmapFileHeaderSize);
    const DibHeader h = ReadDibHeader(dib);

    if (h.biSize != kDibHeaderSize) {
        report.Error(name, "bitmap header size is " + std::to_string(h.biSize) + ", required 40");
        return;
    }
    if (h.biWidth != form.width) {
        report.Error(name, "width is " + std::to_string(h.biWidth) + ", required " + std::to_string(form.width));
    }
    if (h.biHeight < 0) {
        report.Error(name, "height is " + std::to_string(h.biHeight) + " (top-down), required " +
                               std::to_string(form.height) + " (bottom-up)");
    } else if (h.biHeight != form.height) {
        report.Error(name, "height is " + std::to_string(h.biHeight) + ", required " + std::to_string(form.height));
    }
    if (h.biPlanes != 1) {
        report.Error(name, "planes is " + std::to_string(h.biPlanes) + ", required 1");
    }
    if (h.biBitCount != form.bitsPerPixel) {
        report.Error(name, "bits per pixel is " + std::to_string(h.biBitCount) + ", required " +
                               std::to_string(form.bitsPerPixel));
    }
    if (h.biCompression != kDibUncompressed) {
        report.Error(name, "compression is " + CompressionName(h.biCompression) + ", required 0 (BI_RGB)");
    }
    const uint32_t entries = DibColorTableEntryCount(&h);
    if (h.biClrUsed > 0xFFFFu) {
        // The launcher counts the low 16 bits of the field; drawing reads up to 256 entries.
        report.Error(name, "biClrUsed is " + std::to_string(h.biClrUsed) +
                               ", required at most 65535 (the launcher counts " + std::to_string(entries) +
                               " colour-table entries, drawing reads " +
                               std::to_string(DibDrawnColorTableEntryCount(&h)) + ")");
    } else if (h.biBitCount == form.bitsPerPixel) {
        // A shortened table can be stated only by biClrUsed, so this holds that field too.
        if (entries != static_cast<uint32_t>(form.tableEntries)) {
            report.Error(name, "colour-table entries is " + std::to_string(entries) + " (biClrUsed " +
                                   std::to_string(h.biClrUsed) + "), required " + std::to_string(form.tableEntries));
        }
    }
    const uint32_t offBits = bytes[10] | bytes[11] << 8 | bytes[12] << 16 | static_cast<uint32_t>(bytes[13]) << 24;
    const uint32_t wantOffset = kBitmapFileHeaderSize + kDibHeaderSize + 4 * entries;
    if (offBits != wantOffset) {
        report.Error(name, "pixel offset (bfOffBits) is " + std::to_string(offBits) + ", required " +
                               std::to_string(wantOffset) + " (pixels right after the colour table)");
    }
    if (report.ErrorCount() != errorsBefore) {
        return; // the pixel rows are measured only for a header of the required form
    }

    DibLayout layout{};
    const DibCheck check = CheckPackedDib(dib, dibSize, &layout);
    if (check == DibShorterThanPixels || check == DibShorterThanTable) {
        const uint64_t rowBytes = ((static_cast<uint64_t>(h.biWidth) * h.biBitCount + 31) / 32) * 4;
        const uint64_t need = wantOffset + rowBytes * static_cast<uint64_t>(h.biHeight);
        report.Error(name, "file is " + std::to_string(bytes.size()) +
                               " bytes, too short for its pixel rows: required " + std::to_string(need) + " (" +
                               std::to_string(h.biHeight) + " rows of " + std::to_string(rowBytes) + " bytes)");
        return;
    }
    if (check != DibAccepted) {
        report.Error(name, std::string("bitmap is not drawable: ") + DibCheckText(check));
        return;
    }
    const uint32_t used = layout.pixelOffset + layout.pixelBytes;
    if (form.resourceBytes != 0 && dibSize != form.resourceBytes) {
        report.Error(name, "resource is " + std::to_string(dibSize) +
                               " bytes (file less its 14-byte header), required " + std::to_string(form.resourceBytes));
    } else if (dibSize > used) {
        report.Warning(name,
                       std::to_string(dibSize - used) + " bytes follow the pixel rows and are stored for nothing");
    }
    if (h.biSizeImage != 0 && h.biSizeImage != layout.pixelBytes) {
        report.Warning(name, "biSizeImage is " + std::to_string(h.biSizeImage) + ", the pixel rows hold " +
                                 std::to_string(layout.pixelBytes) + " bytes");
    }
    if (entries != 0 && h.biBitCount <= 8) {
        // Every pixel must name an entry of its table.
        const uint32_t mask = (1u << h.biBitCount) - 1;
        uint32_t worst = 0;
        for (int32_t y = 0; y < h.biHeight; ++y) {
            const uint8_t* row = dib + layout.pixelOffset + static_cast<size_t>(y) * layout.rowBytes;
            for (int32_t x = 0; x < h.biWidth; ++x) {
                const uint32_t bit = static_cast<uint32_t>(x) * h.biBitCount;
                const uint32_t index = (row[bit / 8] >> (8 - h.biBitCount - bit % 8)) & mask;
                worst = std::max(worst, index);
            }
        }
        if (worst >= entries) {
            report.Error(name, "a pixel uses colour-table entry " + std::to_string(worst) + ", required below " +
                                   std::to_string(entries) + " (the table's size)");
        }
    }
}

} // namespace assetcheck
