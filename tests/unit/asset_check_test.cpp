// The asset check against the shipped resources and against copies of them with one fault each, made
// here in a temporary folder: each fault must be reported with its exact findings, naming the file, the
// field, what was found and what is required.
#include "tools/assetcheck/asset_check.h"
#include "tools/assetcheck/required_forms.h"

#include <gtest/gtest.h>

#include <stdlib.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using assetcheck::CheckResourceFolder;
using assetcheck::Report;
using Bytes = std::vector<uint8_t>;

namespace {

fs::path ShippedFolder()
{
#ifdef ASSET_CHECK_SHIPPED_FOLDER
    return fs::path(ASSET_CHECK_SHIPPED_FOLDER);
#else
    return fs::path(__FILE__).parent_path() / ".." / ".." / "resources";
#endif
}

Bytes ReadBytes(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteBytes(const fs::path& path, const Bytes& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

uint32_t Get32(const Bytes& b, size_t at)
{
    return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (static_cast<uint32_t>(b[at + 3]) << 24);
}

void Put16(Bytes& b, size_t at, uint16_t v)
{
    b[at] = static_cast<uint8_t>(v);
    b[at + 1] = static_cast<uint8_t>(v >> 8);
}

void Put32(Bytes& b, size_t at, uint32_t v)
{
    Put16(b, at, static_cast<uint16_t>(v));
    Put16(b, at + 2, static_cast<uint16_t>(v >> 16));
}

// Fields of a bitmap file: the 14-byte file header, the 40-byte bitmap header, the colour table.
constexpr size_t kPixelOffset = 10, kWidth = 18, kHeight = 22, kBitCount = 28, kCompression = 30, kClrUsed = 46,
                 kColourTable = 54;

// A complete, consistent bottom-up bitmap file: a grey colour table, every pixel 0.
Bytes MakeBmp(uint32_t width, uint32_t height, uint16_t bits, uint32_t tableEntries, uint32_t clrUsed)
{
    const uint32_t rowBytes = (width * bits + 31) / 32 * 4;
    const uint32_t offset = kColourTable + 4 * tableEntries;
    Bytes b(offset + rowBytes * height, 0);
    b[0] = 'B', b[1] = 'M';
    Put32(b, 2, static_cast<uint32_t>(b.size()));
    Put32(b, kPixelOffset, offset);
    Put32(b, 14, 40);
    Put32(b, kWidth, width);
    Put32(b, kHeight, height);
    Put16(b, 26, 1); // planes
    Put16(b, kBitCount, bits);
    Put32(b, kClrUsed, clrUsed);
    for (uint32_t i = 0; i < tableEntries; ++i) {
        Put32(b, kColourTable + 4 * i, i * 0x010101u);
    }
    return b;
}

// One fault in a copy of the shipped resources and every finding it must give, files named relative to
// the copy.
struct BrokenCase {
    const char* name;        // the case, as GoogleTest names it
    const char* file;        // the file changed, in the copy
    void (*change)(Bytes&);  // the change of its bytes; nullptr: the file removed
    std::vector<std::string> findings;
    bool folder = false;     // the file replaced by a folder of its name
};

void PrintTo(const BrokenCase& broken, std::ostream* out) { *out << broken.name; }

const BrokenCase kBrokenCases[] = {
    // pictures
    {"WrongWidth", "art/true-colour/background.bmp", [](Bytes& b) { Put32(b, kWidth, 531); },
     {"art/true-colour/background.bmp: width is 531, required 530"}},
    {"WrongButtonHeight", "art/16-colour/cancel-rest.bmp", [](Bytes& b) { Put32(b, kHeight, 41); },
     {"art/16-colour/cancel-rest.bmp: height is 41, required 40"}},
    {"TopDown", "art/true-colour/install-hover.bmp", [](Bytes& b) { Put32(b, kHeight, static_cast<uint32_t>(-40)); },
     {"art/true-colour/install-hover.bmp: height is -40 (top-down), required 40 (bottom-up)"}},
    {"WrongDepth", "art/16-colour/background.bmp", [](Bytes& b) { b = MakeBmp(530, 360, 8, 256, 0); },
     {"art/16-colour/background.bmp: bits per pixel is 8, required 4"}},
    {"RunLengthCompressed", "art/256-colour/cancel-rest.bmp", [](Bytes& b) { Put32(b, kCompression, 1); },
     {"art/256-colour/cancel-rest.bmp: compression is 1 (BI_RLE8), required 0 (BI_RGB)"}},
    {"WholeTableWhereTheSharedOneIsRequired", "art/256-colour/install-rest.bmp",
     [](Bytes& b) { b = MakeBmp(90, 40, 8, 256, 0); },
     {"art/256-colour/install-rest.bmp: colour-table entries is 256 (biClrUsed 0), required 236"}},
    {"SharedTableWhereTheWholeOneIsRequired", "art/256-colour/remove-rest.bmp",
     [](Bytes& b) { b = MakeBmp(90, 40, 8, 236, 236); },
     {"art/256-colour/remove-rest.bmp: colour-table entries is 236 (biClrUsed 236), required 256"}},
    {"ColourTableOnATrueColourPicture", "art/true-colour/cancel-hover.bmp",
     [](Bytes& b) { b = MakeBmp(90, 40, 24, 16, 16); },
     {"art/true-colour/cancel-hover.bmp: colour-table entries is 16 (biClrUsed 16), required 0"}},
    // The low 16 bits of 65792 name the whole table of 256 entries that the background carries.
    {"UsedColourCountAbove65535", "art/256-colour/background.bmp", [](Bytes& b) { Put32(b, kClrUsed, 65792); },
     {"art/256-colour/background.bmp: biClrUsed is 65792, required at most 65535 (the launcher counts 256 "
      "colour-table entries, drawing reads 256)"}},
    {"UsedColourCountWhoseLow16BitsNameOneEntry", "art/16-colour/cancel-rest.bmp",
     [](Bytes& b) { b = MakeBmp(90, 40, 4, 1, 65537); },
     {"art/16-colour/cancel-rest.bmp: biClrUsed is 65537, required at most 65535 (the launcher counts 1 "
      "colour-table entries, drawing reads 256)"}},
    {"PixelOffsetNotRightAfterTheTable", "art/16-colour/browse-rest.bmp", [](Bytes& b) { Put32(b, kPixelOffset, 122); },
     {"art/16-colour/browse-rest.bmp: pixel offset (bfOffBits) is 122, required 118 (pixels right after the "
      "colour table)"}},
    {"TruncatedPixels", "art/true-colour/background.bmp", [](Bytes& b) { b.resize(100000); },
     {"art/true-colour/background.bmp: file is 100000 bytes, too short for its pixel rows: required 573174 "
      "(360 rows of 1592 bytes)"}},
    {"PaletteBackgroundWithTrailingBytes", "art/256-colour/background.bmp",
     [](Bytes& b) { b.insert(b.end(), 4, 0); },
     {"art/256-colour/background.bmp: resource is 192588 bytes (file less its 14-byte header), required 192584"}},
    {"PixelOutsideTheSharedTable", "art/256-colour/browse-hover.bmp", [](Bytes& b) { b[Get32(b, kPixelOffset)] = 236; },
     {"art/256-colour/browse-hover.bmp: a pixel uses colour-table entry 236, required below 236 (the table's size)"}},
    {"NotABitmapFile", "art/16-colour/install-rest.bmp", [](Bytes& b) { std::copy_n("GIF89a", 6, b.begin()); },
     {"art/16-colour/install-rest.bmp: file starts with 'GI', required 'BM' (a bitmap file)"}},
    {"MissingFile", "art/true-colour/remove-hover.bmp", nullptr,
     {"art/true-colour/remove-hover.bmp: cannot read the file (missing, or not a file), required for BITMAP 170 "
      "(true-colour button 0 under the pointer, installed)"}},
    {"FolderWhereAPictureBelongs", "art/16-colour/browse-rest.bmp", nullptr,
     {"art/16-colour/browse-rest.bmp: cannot read the file (missing, or not a file), required for BITMAP 112 "
      "(16-colour button 1 at rest)"},
     true},
};

class BrokenCopy : public testing::TestWithParam<BrokenCase> {
protected:
    void SetUp() override
    {
        std::string pattern = (fs::temp_directory_path() / "asset-check-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        dir = pattern;
        fs::copy(ShippedFolder(), dir, fs::copy_options::recursive);
    }

    void TearDown() override { fs::remove_all(dir); }

    // Every finding, with this copy's folder left out of the paths.
    std::vector<std::string> FindingsOf(const Report& report) const
    {
        const std::string prefix = dir.string() + "/";
        std::vector<std::string> lines;
        for (std::string line : report.findings) {
            for (size_t at; (at = line.find(prefix)) != std::string::npos;) {
                line.erase(at, prefix.size());
            }
            lines.push_back(line);
        }
        return lines;
    }

    fs::path dir;
};

} // namespace

TEST(ShippedResources, EveryFileHasItsRequiredFormWithoutWarnings)
{
    const Report report = CheckResourceFolder(ShippedFolder().string());
    for (const std::string& finding : report.findings) {
        ADD_FAILURE() << finding;
    }
    EXPECT_EQ(static_cast<size_t>(report.checkedFiles), assetcheck::RequiredForms().size());
}

TEST_P(BrokenCopy, GivesExactlyItsFindings)
{
    const BrokenCase& broken = GetParam();
    const fs::path file = dir / broken.file;
    ASSERT_TRUE(fs::exists(file));
    if (broken.change) {
        Bytes bytes = ReadBytes(file);
        broken.change(bytes);
        WriteBytes(file, bytes);
    } else {
        fs::remove(file);
    }
    if (broken.folder) {
        fs::create_directory(file);
    }
    const Report report = CheckResourceFolder(dir.string());
    EXPECT_EQ(FindingsOf(report), broken.findings);
}

INSTANTIATE_TEST_SUITE_P(OneFault, BrokenCopy, testing::ValuesIn(kBrokenCases),
                         [](const testing::TestParamInfo<BrokenCase>& info) { return std::string(info.param.name); });
