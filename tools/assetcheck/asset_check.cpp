#include "tools/assetcheck/asset_check.h"

#include "imaging/dib_rules.h"
#include "tools/assetcheck/required_forms.h"

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace assetcheck {

namespace {

// The file header ('BM', sizes, pixel offset) that a bitmap file has and its resource has not.
constexpr uint32_t kFileHeaderSize = 14;

using std::to_string;

// Holds a bitmap file to its picture's required form.
void CheckBitmap(const RequiredForm& form, const std::string& name, const std::vector<uint8_t>& bytes,
                 Report& report)
{
    if (bytes.size() >= 2 && (bytes[0] != 'B' || bytes[1] != 'M')) {
        const auto shown = [](uint8_t b) { return (b >= 32 && b < 127) ? static_cast<char>(b) : '?'; };
        report.Error(name, std::string("file starts with '") + shown(bytes[0]) + shown(bytes[1]) +
                               "', required 'BM' (a bitmap file)");
        return;
    }
    if (bytes.size() < kFileHeaderSize + kDibHeaderSize) {
        report.Error(name, "file is " + to_string(bytes.size()) +
                               " bytes, shorter than the 14-byte file header and the 40-byte bitmap header");
        return;
    }
    const uint8_t* dib = bytes.data() + kFileHeaderSize;
    const uint32_t dibSize = static_cast<uint32_t>(bytes.size() - kFileHeaderSize);
    const DibHeader h = ReadDibHeader(dib);
    if (h.biSize != kDibHeaderSize) {
        report.Error(name, "bitmap header size is " + to_string(h.biSize) + ", required 40");
        return;
    }
    const uint32_t entries = DibColorTableEntryCount(&h);
    const uint32_t offBits = bytes[10] | bytes[11] << 8 | bytes[12] << 16 | static_cast<uint32_t>(bytes[13]) << 24;
    const uint32_t wantOffset = kFileHeaderSize + kDibHeaderSize + 4 * entries;
    const size_t errorsBefore = report.errors;
    const auto expect = [&](const char* field, int64_t found, int64_t required, const std::string& note = "") {
        if (found != required) {
            report.Error(name, field + (" is " + to_string(found)) + ", required " + to_string(required) + note);
        }
    };
    expect("width", h.biWidth, form.width);
    if (h.biHeight < 0) {
        report.Error(name, "height is " + to_string(h.biHeight) + " (top-down), required " + to_string(form.height) +
                               " (bottom-up)");
    } else {
        expect("height", h.biHeight, form.height);
    }
    expect("planes", h.biPlanes, 1);
    expect("bits per pixel", h.biBitCount, form.bitsPerPixel);
    if (h.biCompression != kDibUncompressed) {
        static const char* const kNames[] = {"BI_RGB", "BI_RLE8", "BI_RLE4", "BI_BITFIELDS", "BI_JPEG", "BI_PNG"};
        const std::string named = h.biCompression < 6 ? std::string(" (") + kNames[h.biCompression] + ")" : "";
        report.Error(name, "compression is " + to_string(h.biCompression) + named + ", required 0 (BI_RGB)");
    }
    if (h.biClrUsed > 0xFFFFu) {
        // The launcher counts the low 16 bits of the field; drawing reads up to 256 entries.
        report.Error(name, "biClrUsed is " + to_string(h.biClrUsed) +
                               ", required at most 65535 (the launcher counts " + to_string(entries) +
                               " colour-table entries, drawing reads " +
                               to_string(DibDrawnColorTableEntryCount(&h)) + ")");
    } else if (h.biBitCount == form.bitsPerPixel && entries != static_cast<uint32_t>(form.tableEntries)) {
        // A shortened table can be stated only by biClrUsed, so this holds that field too.
        report.Error(name, "colour-table entries is " + to_string(entries) + " (biClrUsed " + to_string(h.biClrUsed) +
                               "), required " + to_string(form.tableEntries));
    }
    expect("pixel offset (bfOffBits)", offBits, wantOffset, " (pixels right after the colour table)");
    if (report.errors != errorsBefore) {
        return; // the pixel rows are measured only for a header of the required form
    }

    DibLayout layout{};
    const DibCheck check = CheckPackedDib(dib, dibSize, &layout);
    if (check == DibShorterThanPixels || check == DibShorterThanTable) {
        const uint64_t rowBytes = ((static_cast<uint64_t>(h.biWidth) * h.biBitCount + 31) / 32) * 4;
        report.Error(name, "file is " + to_string(bytes.size()) + " bytes, too short for its pixel rows: required " +
                               to_string(wantOffset + rowBytes * static_cast<uint64_t>(h.biHeight)) + " (" +
                               to_string(h.biHeight) + " rows of " + to_string(rowBytes) + " bytes)");
        return;
    }
    if (check != DibAccepted) {
        report.Error(name, std::string("bitmap is not drawable: ") + DibCheckText(check));
        return;
    }
    const uint32_t used = layout.pixelOffset + layout.pixelBytes;
    if (form.resourceBytes != 0 && dibSize != form.resourceBytes) {
        report.Error(name, "resource is " + to_string(dibSize) + " bytes (file less its 14-byte header), required " +
                               to_string(form.resourceBytes));
    } else if (dibSize > used) {
        report.Warning(name, to_string(dibSize - used) + " bytes follow the pixel rows and are stored for nothing");
    }
    if (h.biSizeImage != 0 && h.biSizeImage != layout.pixelBytes) {
        report.Warning(name, "biSizeImage is " + to_string(h.biSizeImage) + ", the pixel rows hold " +
                                 to_string(layout.pixelBytes) + " bytes");
    }
    if (entries != 0 && h.biBitCount <= 8) {
        // Every pixel must name an entry of its table.
        const uint32_t mask = (1u << h.biBitCount) - 1;
        uint32_t worst = 0;
        for (int32_t y = 0; y < h.biHeight; ++y) {
            const uint8_t* row = dib + layout.pixelOffset + static_cast<size_t>(y) * layout.rowBytes;
            for (int32_t x = 0; x < h.biWidth; ++x) {
                const uint32_t bit = static_cast<uint32_t>(x) * h.biBitCount;
                worst = std::max(worst, (row[bit / 8] >> (8 - h.biBitCount - bit % 8)) & mask);
            }
        }
        if (worst >= entries) {
            report.Error(name, "a pixel uses colour-table entry " + to_string(worst) + ", required below " +
                                   to_string(entries) + " (the table's size)");
        }
    }
}

} // namespace

Report CheckResourceFolder(const std::string& resourceFolder)
{
    Report report;
    // "dir/sub/" -> "dir/sub"; "" -> "."
    report.folder = resourceFolder.empty() ? "." : resourceFolder;
    if (report.folder.size() > 1 && report.folder.back() == '/') {
        report.folder.pop_back();
    }
    for (const RequiredForm& form : RequiredForms()) {
        const std::string name = report.folder + "/" + form.file;
        // A folder opens as a stream, and its first read throws: only a regular file is read.
        std::error_code error;
        std::ifstream in;
        if (std::filesystem::is_regular_file(name, error)) {
            in.open(name, std::ios::binary);
        }
        const std::vector<uint8_t> bytes(std::istreambuf_iterator<char>(in), {});
        if (!in.is_open() || in.bad()) {
            report.Error(name, "cannot read the file (missing, or not a file), required for BITMAP " +
                                   to_string(form.id) + " (" + form.what + ")");
            continue;
        }
        ++report.checkedFiles;
        CheckBitmap(form, name, bytes, report);
    }
    return report;
}

} // namespace assetcheck
