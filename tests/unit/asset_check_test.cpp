// The asset check against the shipped resources and against broken copies of them, made here in a
// temporary folder: each kind of fault must stop the build with a message naming the file, the
// field, what was found and what is required.
#include "tools/assetcheck/asset_rules.h"

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
using assetcheck::CheckResourceScript;
using assetcheck::Report;
using Bytes = std::vector<uint8_t>;

namespace {

fs::path ShippedScript()
{
#ifdef ASSET_CHECK_SHIPPED_SCRIPT
    return fs::path(ASSET_CHECK_SHIPPED_SCRIPT);
#else
    return fs::path(__FILE__).parent_path() / ".." / ".." / "resources" / "launcher.rc";
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

uint16_t Get16(const Bytes& b, size_t at) { return static_cast<uint16_t>(b[at] | (b[at + 1] << 8)); }

void Put32(Bytes& b, size_t at, uint32_t v)
{
    for (int i = 0; i < 4; ++i) {
        b[at + i] = static_cast<uint8_t>(v >> (8 * i));
    }
}

void Put16(Bytes& b, size_t at, uint16_t v)
{
    b[at] = static_cast<uint8_t>(v);
    b[at + 1] = static_cast<uint8_t>(v >> 8);
}

void Append32(Bytes& b, uint32_t v)
{
    b.resize(b.size() + 4);
    Put32(b, b.size() - 4, v);
}

void Append16(Bytes& b, uint16_t v)
{
    b.resize(b.size() + 2);
    Put16(b, b.size() - 2, v);
}

// A complete, consistent bitmap file: grey colour table, every pixel `fill`.
Bytes MakeBmp(int32_t width, int32_t height, uint16_t bpp, uint32_t tableEntries, uint32_t clrUsed,
              uint32_t compression = 0, uint8_t fill = 0)
{
    const uint32_t rows = static_cast<uint32_t>(height < 0 ? -height : height);
    const uint32_t rowBytes = ((static_cast<uint32_t>(width) * bpp + 31) / 32) * 4;
    const uint32_t offset = 14 + 40 + 4 * tableEntries;
    Bytes b = {'B', 'M'};
    Append32(b, offset + rowBytes * rows);
    Append32(b, 0);
    Append32(b, offset);
    Append32(b, 40);
    Append32(b, static_cast<uint32_t>(width));
    Append32(b, static_cast<uint32_t>(height));
    Append16(b, 1);
    Append16(b, bpp);
    Append32(b, compression);
    Append32(b, rowBytes * rows);
    Append32(b, 0);
    Append32(b, 0);
    Append32(b, clrUsed);
    Append32(b, 0);
    for (uint32_t i = 0; i < tableEntries; ++i) {
        const uint8_t v = static_cast<uint8_t>(i);
        b.insert(b.end(), {v, v, v, 0});
    }
    b.insert(b.end(), rowBytes * rows, fill);
    return b;
}

// A RIFF WAVE file with a PCM-style 16-byte format chunk, an optional fact chunk and silent data.
Bytes MakeWav(uint16_t tag, uint16_t channels, uint32_t rate, uint16_t bits, uint16_t blockAlign,
              uint32_t dataBytes)
{
    Bytes b = {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E', 'f', 'm', 't', ' '};
    Append32(b, 16);
    Append16(b, tag);
    Append16(b, channels);
    Append32(b, rate);
    Append32(b, rate * blockAlign);
    Append16(b, blockAlign);
    Append16(b, bits);
    b.insert(b.end(), {'d', 'a', 't', 'a'});
    Append32(b, dataBytes);
    b.insert(b.end(), dataBytes, 0);
    Put32(b, 4, static_cast<uint32_t>(b.size() - 8));
    return b;
}

struct Chunk {
    std::string id;
    Bytes body;
};

std::vector<Chunk> WaveChunks(const Bytes& b)
{
    std::vector<Chunk> chunks;
    for (size_t at = 12; at + 8 <= b.size();) {
        const uint32_t size = Get32(b, at + 4);
        chunks.push_back({std::string(b.begin() + at, b.begin() + at + 4),
                          Bytes(b.begin() + at + 8, b.begin() + at + 8 + size)});
        at += 8 + size + (size & 1);
    }
    return chunks;
}

Bytes JoinWave(const std::vector<Chunk>& chunks)
{
    Bytes b = {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E'};
    for (const Chunk& c : chunks) {
        b.insert(b.end(), c.id.begin(), c.id.end());
        Append32(b, static_cast<uint32_t>(c.body.size()));
        b.insert(b.end(), c.body.begin(), c.body.end());
        if (c.body.size() & 1) {
            b.push_back(0);
        }
    }
    Put32(b, 4, static_cast<uint32_t>(b.size() - 8));
    return b;
}

struct IconImage {
    Bytes entry; // the 16-byte directory entry (offset rewritten on joining)
    Bytes data;
};

std::vector<IconImage> IconImages(const Bytes& b)
{
    std::vector<IconImage> images;
    for (uint16_t i = 0; i < Get16(b, 4); ++i) {
        const size_t e = 6 + 16u * i;
        const uint32_t size = Get32(b, e + 8), offset = Get32(b, e + 12);
        images.push_back({Bytes(b.begin() + e, b.begin() + e + 16), Bytes(b.begin() + offset, b.begin() + offset + size)});
    }
    return images;
}

Bytes JoinIcon(const std::vector<IconImage>& images)
{
    Bytes b = {0, 0, 1, 0, 0, 0};
    Put16(b, 4, static_cast<uint16_t>(images.size()));
    uint32_t offset = static_cast<uint32_t>(6 + 16 * images.size());
    for (const IconImage& image : images) {
        Bytes entry = image.entry;
        Put32(entry, 8, static_cast<uint32_t>(image.data.size()));
        Put32(entry, 12, offset);
        offset += static_cast<uint32_t>(image.data.size());
        b.insert(b.end(), entry.begin(), entry.end());
    }
    for (const IconImage& image : images) {
        b.insert(b.end(), image.data.begin(), image.data.end());
    }
    return b;
}

std::string AllFindings(const Report& report)
{
    std::string text;
    for (const assetcheck::Finding& f : report.findings) {
        text += f.Format() + "\n";
    }
    return text;
}

bool HasError(const Report& report, const std::string& line)
{
    return std::any_of(report.findings.begin(), report.findings.end(),
                       [&](const assetcheck::Finding& f) { return f.error && f.Format() == line; });
}

bool HasErrorStarting(const Report& report, const std::string& start)
{
    return std::any_of(report.findings.begin(), report.findings.end(), [&](const assetcheck::Finding& f) {
        return f.error && f.Format().compare(0, start.size(), start) == 0;
    });
}

// A copy of the shipped resource folder in a fresh temporary folder.
class BrokenCopy : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string pattern = (fs::temp_directory_path() / "asset-check-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        dir = pattern;
        fs::copy(ShippedScript().parent_path(), dir, fs::copy_options::recursive);
        script = dir + "/launcher.rc";
    }

    void TearDown() override { fs::remove_all(dir); }

    std::string File(const std::string& relative) const { return dir + "/" + relative; }
    Bytes Read(const std::string& relative) const { return ReadBytes(File(relative)); }
    void Write(const std::string& relative, const Bytes& bytes) const { WriteBytes(File(relative), bytes); }

    // Checks the copy and expects exactly `errors` errors, one of which is `line`.
    Report CheckExpecting(const std::string& line, size_t errors = 1) const
    {
        const Report report = CheckResourceScript(script);
        EXPECT_TRUE(HasError(report, line)) << "expected: " << line << "\ngot:\n" << AllFindings(report);
        EXPECT_EQ(report.ErrorCount(), errors) << AllFindings(report);
        return report;
    }

    std::string dir;
    std::string script;
};

} // namespace

TEST(ShippedResources, EveryFileHasItsRequiredFormWithoutWarnings)
{
    const Report report = CheckResourceScript(ShippedScript().string());
    EXPECT_TRUE(report.findings.empty()) << AllFindings(report);
    EXPECT_EQ(report.checkedFiles, 30);
}

TEST(ShippedResources, ThePaletteBackgroundIsExactlyTheRequiredSize)
{
    const fs::path file = ShippedScript().parent_path() / "art" / "256-colour" / "background.bmp";
    EXPECT_EQ(fs::file_size(file) - 14, 192584u);
}

TEST(RequiredForms, TableCoversEveryResourceOnceWithConsistentPictureFields)
{
    const auto& forms = assetcheck::RequiredForms();
    EXPECT_EQ(forms.size(), 30u);
    for (const auto& form : forms) {
        EXPECT_EQ(assetcheck::FindRequiredForm(form.id), &form) << form.id;
        if (form.kind == assetcheck::ResourceKind::Bitmap) {
            const int fullTable = form.bitsPerPixel <= 8 ? 1 << form.bitsPerPixel : 0;
            EXPECT_TRUE(form.tableEntries == fullTable || (form.clrUsedRequired && form.tableEntries == 236))
                << form.id;
        }
    }
}

TEST_F(BrokenCopy, WrongWidthNamesFileFieldFoundAndRequired)
{
    Write("art/true-colour/background.bmp", MakeBmp(531, 360, 24, 0, 0));
    CheckExpecting(File("art/true-colour/background.bmp") + ": width is 531, required 530");
}

TEST_F(BrokenCopy, WrongHeightOfAButton)
{
    Write("art/16-colour/cancel-rest.bmp", MakeBmp(90, 41, 4, 16, 0));
    CheckExpecting(File("art/16-colour/cancel-rest.bmp") + ": height is 41, required 40");
}

TEST_F(BrokenCopy, WrongDepth)
{
    Write("art/16-colour/background.bmp", MakeBmp(530, 360, 8, 256, 0));
    CheckExpecting(File("art/16-colour/background.bmp") + ": bits per pixel is 8, required 4");
}

TEST_F(BrokenCopy, RunLengthCompressed)
{
    Bytes b = Read("art/256-colour/cancel-rest.bmp");
    Put32(b, 14 + 16, 1); // biCompression = BI_RLE8
    Write("art/256-colour/cancel-rest.bmp", b);
    CheckExpecting(File("art/256-colour/cancel-rest.bmp") + ": compression is 1 (BI_RLE8), required 0 (BI_RGB)");
}

TEST_F(BrokenCopy, TopDown)
{
    Bytes b = Read("art/true-colour/install-hover.bmp");
    Put32(b, 14 + 8, static_cast<uint32_t>(-40)); // biHeight
    Write("art/true-colour/install-hover.bmp", b);
    CheckExpecting(File("art/true-colour/install-hover.bmp") + ": height is -40 (top-down), required 40 (bottom-up)");
}

TEST_F(BrokenCopy, FullTableWhereTheShortenedTableIsRequired)
{
    Write("art/256-colour/install-rest.bmp", MakeBmp(90, 40, 8, 256, 0));
    CheckExpecting(File("art/256-colour/install-rest.bmp") +
                   ": colour-table entries is 256 (biClrUsed 0), required 236");
}

TEST_F(BrokenCopy, ShortenedTableWhereTheFullPaletteIsRequired)
{
    Write("art/256-colour/remove-rest.bmp", MakeBmp(90, 40, 8, 236, 236));
    CheckExpecting(File("art/256-colour/remove-rest.bmp") +
                   ": colour-table entries is 236 (biClrUsed 236), required 256");
}

TEST_F(BrokenCopy, ColourTableOnATrueColourPicture)
{
    Write("art/true-colour/cancel-hover.bmp", MakeBmp(90, 40, 24, 16, 16));
    CheckExpecting(File("art/true-colour/cancel-hover.bmp") + ": colour-table entries is 16 (biClrUsed 16), required 0");
}

TEST_F(BrokenCopy, UsedColourCountAbove65535)
{
    // The low 16 bits of 65792 name the full table of 256 entries that the background carries.
    Bytes b = Read("art/256-colour/background.bmp");
    Put32(b, 14 + 32, 65536 + 256); // biClrUsed
    Write("art/256-colour/background.bmp", b);
    CheckExpecting(File("art/256-colour/background.bmp") +
                   ": biClrUsed is 65792, required at most 65535 (the launcher counts 256 colour-table entries, "
                   "drawing reads 256)");
}

TEST_F(BrokenCopy, UsedColourCountWhoseLow16BitsNameOneEntry)
{
    Write("art/16-colour/cancel-rest.bmp", MakeBmp(90, 40, 4, 1, 65537));
    CheckExpecting(File("art/16-colour/cancel-rest.bmp") +
                   ": biClrUsed is 65537, required at most 65535 (the launcher counts 1 colour-table entries, "
                   "drawing reads 256)");
}

TEST_F(BrokenCopy, PixelOffsetNotRightAfterTheTable)
{
    Bytes b = Read("art/16-colour/browse-rest.bmp");
    Put32(b, 10, Get32(b, 10) + 4);
    Write("art/16-colour/browse-rest.bmp", b);
    CheckExpecting(File("art/16-colour/browse-rest.bmp") +
                   ": pixel offset (bfOffBits) is 122, required 118 (pixels right after the colour table)");
}

TEST_F(BrokenCopy, TruncatedPixels)
{
    Bytes b = Read("art/true-colour/background.bmp");
    b.resize(b.size() - 100);
    Write("art/true-colour/background.bmp", b);
    CheckExpecting(File("art/true-colour/background.bmp") + ": file is " + std::to_string(b.size()) +
                   " bytes, too short for its pixel rows: required 573174 (360 rows of 1592 bytes)");
}

TEST_F(BrokenCopy, PaletteBackgroundWithTrailingBytesIsNotTheRequiredSize)
{
    Bytes b = Read("art/256-colour/background.bmp");
    b.insert(b.end(), 4, 0);
    Write("art/256-colour/background.bmp", b);
    CheckExpecting(File("art/256-colour/background.bmp") +
                   ": resource is 192588 bytes (file less its 14-byte header), required 192584");
}

TEST_F(BrokenCopy, PixelOutsideTheShortenedTable)
{
    Bytes b = Read("art/256-colour/browse-hover.bmp");
    b[Get32(b, 10)] = 240; // the table has 236 entries
    Write("art/256-colour/browse-hover.bmp", b);
    CheckExpecting(File("art/256-colour/browse-hover.bmp") +
                   ": a pixel uses colour-table entry 240, required below 236 (the table's size)");
}

TEST_F(BrokenCopy, NotABitmapFile)
{
    Write("art/16-colour/install-rest.bmp", {'G', 'I', 'F', '8', '9', 'a', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0});
    CheckExpecting(File("art/16-colour/install-rest.bmp") + ": file starts with 'GI', required 'BM' (a bitmap file)");
}

TEST_F(BrokenCopy, MissingFile)
{
    fs::remove(File("art/true-colour/remove-hover.bmp"));
    CheckExpecting(File("art/true-colour/remove-hover.bmp") +
                   ": cannot read the file (missing?), required for BITMAP 170 "
                   "(true-colour button 0 under the pointer, installed)");
}

TEST_F(BrokenCopy, ResourceLeftOutOfTheScript)
{
    std::string text;
    for (const uint8_t c : Read("launcher.rc")) {
        text += static_cast<char>(c);
    }
    const std::string line = "IDW_HOVER_SOUND WAVE \"sounds/hover.wav\"";
    const size_t at = text.find(line);
    ASSERT_NE(at, std::string::npos);
    text.replace(at, line.size(), "// " + line);
    Write("launcher.rc", Bytes(text.begin(), text.end()));
    CheckExpecting(script + ": WAVE 146 (hover click) is missing from the script");
}

TEST_F(BrokenCopy, TheHeaderOfTheIdentifiersMissing)
{
    fs::remove(File("resource_ids.h"));
    const Report report = CheckResourceScript(script);
    EXPECT_TRUE(HasError(report, File("resource_ids.h") +
                                     ": cannot read the header the resource script includes (missing file)"))
        << AllFindings(report);
    // Without its names the script names none of the required resources.
    EXPECT_TRUE(HasError(report, script + ": BITMAP 104 (16-colour background) is missing from the script"));
    EXPECT_EQ(report.checkedFiles, 0);
}

TEST_F(BrokenCopy, PcmWhereAdpcmIsRequired)
{
    Write("sounds/welcome.wav", MakeWav(1, 2, 44100, 16, 4, 61800 * 4));
    const Report report = CheckResourceScript(script);
    const std::string name = File("sounds/welcome.wav");
    EXPECT_TRUE(HasError(report, name + ": format tag is 1 (PCM), required 2 (Microsoft ADPCM)")) << AllFindings(report);
    EXPECT_TRUE(HasError(report, name + ": bits per sample is 16, required 4")) << AllFindings(report);
    EXPECT_TRUE(HasError(report, name + ": block align is 4, required 2048")) << AllFindings(report);
    EXPECT_TRUE(HasError(report, name + ": no 'fact' chunk, required one stating 61800 samples")) << AllFindings(report);
}

TEST_F(BrokenCopy, MonoClick)
{
    Write("sounds/hover.wav", MakeWav(1, 1, 44100, 16, 2, 16317 * 2));
    const Report report = CheckExpecting(File("sounds/hover.wav") + ": channels is 1, required 2", 2);
    EXPECT_TRUE(HasError(report, File("sounds/hover.wav") + ": block align is 2, required 4")) << AllFindings(report);
}

TEST_F(BrokenCopy, ClickAtTheWrongRate)
{
    Write("sounds/hover.wav", MakeWav(1, 2, 22050, 16, 4, 8159 * 4));
    CheckExpecting(File("sounds/hover.wav") + ": sample rate is 22050 Hz, required 44100 Hz");
}

TEST_F(BrokenCopy, ClickFarTooShort)
{
    Write("sounds/hover.wav", MakeWav(1, 2, 44100, 16, 4, 4410 * 4));
    CheckExpecting(File("sounds/hover.wav") + ": 'data' chunk of 17640 bytes lasts 0.10 s, required about 0.37 s");
}

TEST_F(BrokenCopy, ChimeWithoutFactChunk)
{
    std::vector<Chunk> chunks = WaveChunks(Read("sounds/welcome.wav"));
    const size_t before = chunks.size();
    chunks.erase(std::remove_if(chunks.begin(), chunks.end(), [](const Chunk& c) { return c.id == "fact"; }),
                 chunks.end());
    ASSERT_EQ(chunks.size() + 1, before);
    Write("sounds/welcome.wav", JoinWave(chunks));
    CheckExpecting(File("sounds/welcome.wav") + ": no 'fact' chunk, required one stating 61800 samples");
}

TEST_F(BrokenCopy, ChimeWithWrongSampleCount)
{
    std::vector<Chunk> chunks = WaveChunks(Read("sounds/welcome.wav"));
    for (Chunk& c : chunks) {
        if (c.id == "fact") {
            Put32(c.body, 0, 60000);
        }
    }
    Write("sounds/welcome.wav", JoinWave(chunks));
    CheckExpecting(File("sounds/welcome.wav") + ": 'fact' sample count is 60000, required 61800");
}

TEST_F(BrokenCopy, ChimeWithoutData)
{
    std::vector<Chunk> chunks = WaveChunks(Read("sounds/welcome.wav"));
    chunks.erase(std::remove_if(chunks.begin(), chunks.end(), [](const Chunk& c) { return c.id == "data"; }),
                 chunks.end());
    Write("sounds/welcome.wav", JoinWave(chunks));
    CheckExpecting(File("sounds/welcome.wav") + ": no 'data' chunk");
}

TEST_F(BrokenCopy, IconMissingAnImage)
{
    std::vector<IconImage> images = IconImages(Read("icon/launcher.ico"));
    ASSERT_EQ(images.size(), 6u);
    images.erase(std::remove_if(images.begin(), images.end(),
                                [](const IconImage& i) { return i.entry[0] == 32 && Get16(i.entry, 6) == 4; }),
                 images.end());
    ASSERT_EQ(images.size(), 5u);
    Write("icon/launcher.ico", JoinIcon(images));
    CheckExpecting(File("icon/launcher.ico") + ": icon image 32x32 at 4 bits per pixel is missing");
}

TEST_F(BrokenCopy, FilesComeFromTheGivenResourceFolderNotTheScriptsFolder)
{
    // Another product's resource folder: the shipped script, this copy's (broken) files.
    Write("sounds/welcome.wav", MakeWav(1, 2, 44100, 16, 4, 61800 * 4));
    const Report report = CheckResourceScript(ShippedScript().string(), dir);
    EXPECT_TRUE(HasError(report, File("sounds/welcome.wav") + ": format tag is 1 (PCM), required 2 (Microsoft ADPCM)"))
        << AllFindings(report);
    EXPECT_EQ(report.checkedFiles, 30);
}

TEST_F(BrokenCopy, IconWithAPngImage)
{
    std::vector<IconImage> images = IconImages(Read("icon/launcher.ico"));
    images[0].data = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    images[0].data.resize(64, 0);
    Write("icon/launcher.ico", JoinIcon(images));
    const Report report = CheckResourceScript(script);
    const std::string name = File("icon/launcher.ico");
    EXPECT_TRUE(HasError(report, name + ": image 1 (48x48) is a PNG image, required a BMP-format image with an AND mask"))
        << AllFindings(report);
    EXPECT_TRUE(HasError(report, name + ": icon image 48x48 at 24 bits per pixel is missing")) << AllFindings(report);
}

TEST_F(BrokenCopy, IconImageWithoutItsMask)
{
    std::vector<IconImage> images = IconImages(Read("icon/launcher.ico"));
    images[1].data.resize(images[1].data.size() - 8 * 48 / 2); // half of the 48x48 AND mask
    Write("icon/launcher.ico", JoinIcon(images));
    const Report report = CheckResourceScript(script);
    EXPECT_TRUE(HasErrorStarting(report, File("icon/launcher.ico") + ": image 2 (48x48) at 8 bits per pixel is "))
        << AllFindings(report);
    EXPECT_TRUE(HasError(report, File("icon/launcher.ico") + ": icon image 48x48 at 8 bits per pixel is missing"))
        << AllFindings(report);
}

namespace {

// A colour that the 256-colour background's table (entries first..last-1) lacks.
uint32_t ColourOutsidePalette(const Bytes& background)
{
    for (uint32_t candidate = 0x123456;; candidate += 0x010203) {
        bool found = false;
        for (int i = 0; i < 256 && !found; ++i) {
            const size_t e = 14 + 40 + 4 * i;
            found = (background[e] | (background[e + 1] << 8) | (background[e + 2] << 16)) == static_cast<int>(candidate);
        }
        if (!found) {
            return candidate;
        }
    }
}

} // namespace

TEST_F(BrokenCopy, ButtonColourOutsideTheBackgroundPaletteIsAWarningOnly)
{
    const Bytes background = Read("art/256-colour/background.bmp");
    const uint32_t colour = ColourOutsidePalette(background);
    Bytes b = Read("art/256-colour/install-rest.bmp");
    const uint8_t used = b[Get32(b, 10)]; // the entry of the bottom-left pixel
    Put32(b, 14 + 40 + 4 * used, colour);
    Write("art/256-colour/install-rest.bmp", b);

    const Report report = CheckResourceScript(script);
    EXPECT_FALSE(report.HasErrors()) << AllFindings(report);
    ASSERT_EQ(report.WarningCount(), 1u) << AllFindings(report);
    char hex[8];
    snprintf(hex, sizeof hex, "%06X", colour);
    EXPECT_EQ(report.findings[0].Format(),
              File("art/256-colour/install-rest.bmp") + ": warning: uses 1 colour that entries 10..245 of the palette of " +
                  File("art/256-colour/background.bmp") + " lacks: #" + hex + " (table entry " + std::to_string(used) +
                  ")");
}

TEST_F(BrokenCopy, FullTableButtonColourOutsideThePaletteIsAWarning)
{
    const uint32_t colour = ColourOutsidePalette(Read("art/256-colour/background.bmp"));
    Bytes b = Read("art/256-colour/cancel-hover.bmp");
    const uint8_t used = b[Get32(b, 10)];
    Put32(b, 14 + 40 + 4 * used, colour);
    Write("art/256-colour/cancel-hover.bmp", b);

    const Report report = CheckResourceScript(script);
    EXPECT_FALSE(report.HasErrors()) << AllFindings(report);
    ASSERT_EQ(report.WarningCount(), 1u) << AllFindings(report);
    EXPECT_EQ(report.findings[0].file, File("art/256-colour/cancel-hover.bmp"));
}

TEST_F(BrokenCopy, ShortenedTableButtonUsingAStaticColourIsAWarning)
{
    // Entries 0..9 and 246..255 are Windows' own colours; a 236-entry table stands for entries
    // 10..245 only, so a colour found only among the static ones is not truly shown.
    const Bytes background = Read("art/256-colour/background.bmp");
    auto entry = [&](int i) { return Get32(background, 14 + 40 + 4 * i) & 0xFFFFFF; };
    uint32_t staticOnly = 0;
    bool found = false;
    for (int s : {1, 2, 3, 4, 5, 6, 8, 9, 246, 247, 249, 250, 251, 252, 253, 254}) {
        bool inShared = false;
        for (int i = 10; i < 246; ++i) {
            inShared = inShared || entry(i) == entry(s);
        }
        if (!inShared) {
            staticOnly = entry(s);
            found = true;
            break;
        }
    }
    ASSERT_TRUE(found);
    Bytes b = Read("art/256-colour/browse-rest.bmp");
    const uint8_t used = b[Get32(b, 10)];
    Put32(b, 14 + 40 + 4 * used, staticOnly);
    Write("art/256-colour/browse-rest.bmp", b);

    const Report report = CheckResourceScript(script);
    EXPECT_FALSE(report.HasErrors()) << AllFindings(report);
    EXPECT_EQ(report.WarningCount(), 1u) << AllFindings(report);
}

TEST(ResourceScript, FindsEntriesPastCommentsFlagsAndOtherStatements)
{
    Report report;
    const std::string text =
        "LANGUAGE 0x07, 0x01\n"
        "/* 104 BITMAP \"commented.bmp\"\n"
        "   spans lines */\n"
        "104 BITMAP DISCARDABLE \"art/a.bmp\" // the background\n"
        "// 105 BITMAP \"commented.bmp\"\n"
        "145 WAVE \"sounds/w.wav\"\n"
        "141 ICON \"icon/i.ico\"\n"
        "NAMED BITMAP \"x.bmp\"\n"
        "1 VERSIONINFO\n"
        "VALUE \"FileDescription\", \"a // b\"\n";
    const auto entries = assetcheck::ParseResourceScript(text, "x.rc", {}, report);
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[0].id, 104);
    EXPECT_EQ(entries[0].kind, assetcheck::ResourceKind::Bitmap);
    EXPECT_EQ(entries[0].file, "art/a.bmp");
    EXPECT_EQ(entries[0].line, 4);
    EXPECT_EQ(entries[1].id, 145);
    EXPECT_EQ(entries[1].kind, assetcheck::ResourceKind::Wave);
    EXPECT_EQ(entries[2].kind, assetcheck::ResourceKind::Icon);
    EXPECT_EQ(report.WarningCount(), 1u); // the named bitmap
}

TEST(ResourceScript, NamedIdsResolveThroughTheDefinesOfItsHeaders)
{
    assetcheck::IdNames names;
    assetcheck::ParseIdDefines("#define IDB_A 104\n"
                               "// #define IDB_B 105\n"
                               "#define IDB_C (104 + 1)\n"
                               "#define IDW_D 0x91 /* hexadecimal */\n",
                               names);
    EXPECT_EQ(names, (assetcheck::IdNames{{"IDB_A", 104}, {"IDW_D", 145}}));

    const std::string text = "#include \"ids.h\"\n"
                             "IDB_A BITMAP \"a.bmp\"\n"
                             "IDB_B BITMAP \"b.bmp\"\n"
                             "IDW_D WAVE \"d.wav\"\n";
    EXPECT_EQ(assetcheck::IncludedFiles(text), std::vector<std::string>{"ids.h"});
    Report report;
    const auto entries = assetcheck::ParseResourceScript(text, "x.rc", names, report);
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].id, 104);
    EXPECT_EQ(entries[0].line, 2);
    EXPECT_EQ(entries[1].id, 145);
    EXPECT_TRUE(std::any_of(report.findings.begin(), report.findings.end(), [](const assetcheck::Finding& f) {
        return !f.error && f.Format().find("x.rc:3: warning: BITMAP IDB_B is neither a number nor a name") == 0;
    })) << AllFindings(report);
}

TEST(ResourceScript, AnIdOfTheWrongKindIsAnError)
{
    Report report;
    const std::string text = "145 BITMAP \"x.bmp\"\n";
    const auto entries = assetcheck::ParseResourceScript(text, "x.rc", {}, report);
    ASSERT_EQ(entries.size(), 1u);
    // The whole check reports the kind; build a script file for it.
    std::string pattern = (fs::temp_directory_path() / "asset-check-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    const std::string rc = pattern + "/kinds.rc";
    WriteBytes(rc, Bytes(text.begin(), text.end()));
    const Report whole = CheckResourceScript(rc);
    fs::remove_all(pattern);
    EXPECT_TRUE(HasError(whole, rc + ":1: 145 is a BITMAP here, required a WAVE (welcome chime)")) << AllFindings(whole);
}
