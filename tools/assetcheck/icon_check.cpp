#include "tools/assetcheck/icon_check.h"

#include "imaging/dib_rules.h"
#include "tools/assetcheck/file_fields.h"

#include <algorithm>
#include <set>
#include <utility>

namespace assetcheck {

void CheckIcon(const RequiredForm&, const std::string& name, const std::vector<uint8_t>& bytes, Report& report)
{
    if (bytes.size() < 6 || ReadU16(bytes, 0) != 0 || ReadU16(bytes, 2) != 1) {
        report.Error(name, "not an icon file: required the 6-byte header 0, 1 (icon), image count");
        return;
    }
    const uint16_t count = ReadU16(bytes, 4);
    if (bytes.size() < 6u + 16u * count) {
        report.Error(name, "file is " + std::to_string(bytes.size()) + " bytes, too short for its directory of " +
                               std::to_string(count) + " images");
        return;
    }
    std::set<std::pair<int, int>> found;
    for (uint16_t i = 0; i < count; ++i) {
        const size_t entry = 6 + 16u * i;
        const int width = bytes[entry] ? bytes[entry] : 256;
        const int height = bytes[entry + 1] ? bytes[entry + 1] : 256;
        const uint16_t dirBits = ReadU16(bytes, entry + 6);
        const uint32_t size = ReadU32(bytes, entry + 8), offset = ReadU32(bytes, entry + 12);
        const std::string image =
            "image " + std::to_string(i + 1) + " (" + std::to_string(width) + "x" + std::to_string(height) + ")";
        if (static_cast<uint64_t>(offset) + size > bytes.size() || size < kDibHeaderSize) {
            report.Error(name, image + " lies outside the file (" + std::to_string(size) + " bytes at " +
                                   std::to_string(offset) + ")");
            continue;
        }
        static const uint8_t kPng[4] = {0x89, 'P', 'N', 'G'};
        if (std::equal(kPng, kPng + 4, bytes.begin() + offset)) {
            report.Error(name, image + " is a PNG image, required a BMP-format image with an AND mask");
            continue;
        }
        const DibHeader h = ReadDibHeader(bytes.data() + offset);
        if (h.biSize != kDibHeaderSize || h.biCompression != kDibUncompressed) {
            report.Error(name, image + " has a header of " + std::to_string(h.biSize) + " bytes, compression " +
                                   CompressionName(h.biCompression) + ", required 40 bytes, 0 (BI_RGB)");
            continue;
        }
        if (h.biWidth != width || h.biHeight != 2 * height) {
            report.Error(name, image + " header says " + std::to_string(h.biWidth) + "x" + std::to_string(h.biHeight) +
                                   ", required " + std::to_string(width) + "x" + std::to_string(2 * height) +
                                   " (colour image and AND mask)");
            continue;
        }
        if (dirBits != 0 && dirBits != h.biBitCount) {
            report.Error(name, image + ": the directory says " + std::to_string(dirBits) +
                                   " bits per pixel, its header " + std::to_string(h.biBitCount));
            continue;
        }
        const uint64_t xorRow = ((static_cast<uint64_t>(width) * h.biBitCount + 31) / 32) * 4;
        const uint64_t andRow = ((static_cast<uint64_t>(width) + 31) / 32) * 4;
        const uint64_t need = kDibHeaderSize + 4ull * DibColorTableEntryCount(&h) + (xorRow + andRow) * height;
        if (size < need) {
            report.Error(name, image + " at " + std::to_string(h.biBitCount) + " bits per pixel is " +
                                   std::to_string(size) + " bytes, required " + std::to_string(need) +
                                   " (header, colours, image and AND mask)");
            continue;
        }
        found.insert({width, h.biBitCount});
    }
    for (const IconImageForm& want : RequiredIconImages()) {
        if (!found.count({want.size, want.bitsPerPixel})) {
            report.Error(name, "icon image " + std::to_string(want.size) + "x" + std::to_string(want.size) + " at " +
                                   std::to_string(want.bitsPerPixel) + " bits per pixel is missing");
        }
    }
}

} // namespace assetcheck
