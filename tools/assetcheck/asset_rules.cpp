#include "tools/assetcheck/asset_rules.h"

#include "imaging/dib_rules.h"
#include "resources/resource_ids.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <set>
#include <sstream>

namespace assetcheck {

namespace {

constexpr uint32_t kFileHeaderSize = 14;
constexpr int kSharedFirstEntry = 10;  // a 236-entry table holds the palette's entries 10..245
constexpr int kSharedEntries = 236;

constexpr int BW = 530, BH = 360; // background
constexpr int PW = 90, PH = 40;   // button picture

constexpr PictureSlot kBackground{-1, false, -1};
constexpr PictureSlot kInstallRest{0, false, 0}, kInstallHover{0, true, 0};
constexpr PictureSlot kRemoveRest{0, false, 1}, kRemoveHover{0, true, 1};
constexpr PictureSlot kBrowseRest{1, false, -1}, kBrowseHover{1, true, -1};
constexpr PictureSlot kCancelRest{2, false, -1}, kCancelHover{2, true, -1};

// "256-colour button 0 under the pointer, installed": the picture's set and slot, as findings name it.
std::string SlotName(int bits, const PictureSlot& slot)
{
    std::string text = bits == 4 ? "16-colour " : bits == 8 ? "256-colour " : "true-colour ";
    if (slot.button < 0) {
        return text + "background";
    }
    text += "button " + std::to_string(slot.button) + (slot.underPointer ? " under the pointer" : " at rest");
    if (slot.installState >= 0) {
        text += slot.installState ? ", installed" : ", not installed";
    }
    return text;
}

RequiredForm Picture(int id, int bits, const PictureSlot& slot, int entries, bool clrUsed, PaletteRole role,
                     uint32_t resourceBytes = 0)
{
    RequiredForm form{};
    form.id = id;
    form.kind = ResourceKind::Bitmap;
    form.what = SlotName(bits, slot);
    form.slot = slot;
    form.width = slot.button < 0 ? BW : PW;
    form.height = slot.button < 0 ? BH : PH;
    form.bitsPerPixel = bits;
    form.tableEntries = entries;
    form.clrUsedRequired = clrUsed;
    form.resourceBytes = resourceBytes;
    form.paletteRole = role;
    return form;
}

RequiredForm Sound(int id, const char* what, uint16_t tag, uint16_t channels, uint32_t rate,
                   uint16_t bits, uint16_t blockAlign, uint32_t factSamples, double seconds)
{
    RequiredForm form{};
    form.id = id;
    form.kind = ResourceKind::Wave;
    form.what = what;
    form.formatTag = tag;
    form.channels = channels;
    form.samplesPerSecond = rate;
    form.bitsPerSample = bits;
    form.blockAlign = blockAlign;
    form.factSamples = factSamples;
    form.seconds = seconds;
    return form;
}

RequiredForm IconGroup(int id, const char* what)
{
    RequiredForm form{};
    form.id = id;
    form.kind = ResourceKind::Icon;
    form.what = what;
    return form;
}

using R = PaletteRole;

const std::vector<RequiredForm> kForms = {
    // 16-colour screens
    Picture(IDB_BACKGROUND_4BPP, 4, kBackground, 16, false, R::None),
    Picture(IDB_INSTALL_REST_4BPP, 4, kInstallRest, 16, false, R::None),
    Picture(IDB_INSTALL_HOVER_4BPP, 4, kInstallHover, 16, false, R::None),
    Picture(IDB_REMOVE_REST_4BPP, 4, kRemoveRest, 16, false, R::None),
    Picture(IDB_REMOVE_HOVER_4BPP, 4, kRemoveHover, 16, false, R::None),
    Picture(IDB_BROWSE_REST_4BPP, 4, kBrowseRest, 16, false, R::None),
    Picture(IDB_BROWSE_HOVER_4BPP, 4, kBrowseHover, 16, false, R::None),
    Picture(IDB_CANCEL_REST_4BPP, 4, kCancelRest, 16, false, R::None),
    Picture(IDB_CANCEL_HOVER_4BPP, 4, kCancelHover, 16, false, R::None),
    // 256-colour screens
    Picture(IDB_BACKGROUND_8BPP, 8, kBackground, 256, false, R::Source, 192584),
    Picture(IDB_INSTALL_REST_8BPP, 8, kInstallRest, 236, true, R::SharedTable),
    Picture(IDB_INSTALL_HOVER_8BPP, 8, kInstallHover, 236, true, R::SharedTable),
    Picture(IDB_REMOVE_REST_8BPP, 8, kRemoveRest, 256, false, R::FullTable),
    Picture(IDB_REMOVE_HOVER_8BPP, 8, kRemoveHover, 256, false, R::FullTable),
    Picture(IDB_BROWSE_REST_8BPP, 8, kBrowseRest, 236, true, R::SharedTable),
    Picture(IDB_BROWSE_HOVER_8BPP, 8, kBrowseHover, 236, true, R::SharedTable),
    Picture(IDB_CANCEL_REST_8BPP, 8, kCancelRest, 256, false, R::FullTable),
    Picture(IDB_CANCEL_HOVER_8BPP, 8, kCancelHover, 256, false, R::FullTable),
    // deeper screens
    Picture(IDB_BACKGROUND_24BPP, 24, kBackground, 0, false, R::None),
    Picture(IDB_INSTALL_REST_24BPP, 24, kInstallRest, 0, false, R::None),
    Picture(IDB_INSTALL_HOVER_24BPP, 24, kInstallHover, 0, false, R::None),
    Picture(IDB_REMOVE_REST_24BPP, 24, kRemoveRest, 0, false, R::None),
    Picture(IDB_REMOVE_HOVER_24BPP, 24, kRemoveHover, 0, false, R::None),
    Picture(IDB_BROWSE_REST_24BPP, 24, kBrowseRest, 0, false, R::None),
    Picture(IDB_BROWSE_HOVER_24BPP, 24, kBrowseHover, 0, false, R::None),
    Picture(IDB_CANCEL_REST_24BPP, 24, kCancelRest, 0, false, R::None),
    Picture(IDB_CANCEL_HOVER_24BPP, 24, kCancelHover, 0, false, R::None),
    // sounds
    Sound(IDW_WELCOME_SOUND, "welcome chime", 2, 2, 44100, 4, 2048, 61800, 61800.0 / 44100.0),
    Sound(IDW_HOVER_SOUND, "hover click", 1, 2, 44100, 16, 4, 0, 0.37),
    // icon
    IconGroup(IDI_PRODUCT_ICON, "product icon"),
};

const std::vector<IconImageForm> kIconImages = {
    {48, 24}, {48, 8}, {48, 4}, {32, 24}, {32, 8}, {32, 4},
};

// A sound's length may differ from the required one by this fraction.
constexpr double kDurationTolerance = 0.15;

uint16_t U16(const std::vector<uint8_t>& b, size_t at)
{
    return static_cast<uint16_t>(b[at] | (b[at + 1] << 8));
}

uint32_t U32(const std::vector<uint8_t>& b, size_t at)
{
    return static_cast<uint32_t>(b[at]) | (static_cast<uint32_t>(b[at + 1]) << 8) |
           (static_cast<uint32_t>(b[at + 2]) << 16) | (static_cast<uint32_t>(b[at + 3]) << 24);
}

template <typename T>
std::string Str(T value)
{
    std::ostringstream out;
    out << value;
    return out.str();
}

std::string Seconds(double s)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.2f s", s);
    return text;
}

std::string CompressionName(uint32_t c)
{
    switch (c) {
    case 0: return "0 (BI_RGB)";
    case 1: return "1 (BI_RLE8)";
    case 2: return "2 (BI_RLE4)";
    case 3: return "3 (BI_BITFIELDS)";
    case 4: return "4 (BI_JPEG)";
    case 5: return "5 (BI_PNG)";
    default: return Str(c);
    }
}

std::string FormatTagName(uint16_t tag)
{
    switch (tag) {
    case 1: return "1 (PCM)";
    case 2: return "2 (Microsoft ADPCM)";
    case 3: return "3 (IEEE float)";
    case 0x11: return "17 (IMA ADPCM)";
    case 0xFFFE: return "65534 (extensible)";
    default: return Str(tag);
    }
}

std::string Printable4(const std::vector<uint8_t>& b, size_t at, size_t n)
{
    std::string s;
    for (size_t i = at; i < at + n && i < b.size(); ++i) {
        s += (b[i] >= 32 && b[i] < 127) ? static_cast<char>(b[i]) : '?';
    }
    return "'" + s + "'";
}

std::string Hex6(uint8_t r, uint8_t g, uint8_t b)
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
    if (bytes.size() < kFileHeaderSize + kDibHeaderSize || bytes[0] != 'B' || bytes[1] != 'M') {
        return false;
    }
    out.dib = bytes.data() + kFileHeaderSize;
    const uint32_t size = static_cast<uint32_t>(bytes.size() - kFileHeaderSize);
    if (CheckPackedDib(out.dib, size, &out.layout) != DibAccepted) {
        return false;
    }
    out.header = ReadDibHeader(out.dib);
    return out.header.biBitCount == 8 && out.header.biHeight > 0;
}

uint32_t Rgb(const uint8_t* entry) // table entry: blue, green, red, reserved
{
    return (static_cast<uint32_t>(entry[2]) << 16) | (static_cast<uint32_t>(entry[1]) << 8) | entry[0];
}

std::string ReadWord(const std::string& line, size_t& pos)
{
    while (pos < line.size() && std::isspace(static_cast<unsigned char>(line[pos]))) {
        ++pos;
    }
    if (pos >= line.size()) {
        return "";
    }
    std::string word;
    if (line[pos] == '"') {
        word += line[pos++];
        while (pos < line.size()) {
            if (line[pos] == '"') {
                if (pos + 1 < line.size() && line[pos + 1] == '"') { // "" is a quote inside a string
                    word += '"';
                    pos += 2;
                    continue;
                }
                word += line[pos++];
                break;
            }
            if (line[pos] == '\\' && pos + 1 < line.size()) {
                word += line[pos + 1];
                pos += 2;
                continue;
            }
            word += line[pos++];
        }
        return word;
    }
    while (pos < line.size() && !std::isspace(static_cast<unsigned char>(line[pos]))) {
        word += line[pos++];
    }
    return word;
}

std::string Upper(std::string s)
{
    for (char& c : s) {
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    return s;
}

bool ParseId(const std::string& word, int& id)
{
    if (word.empty()) {
        return false;
    }
    char* end = nullptr;
    const long value = std::strtol(word.c_str(), &end, 0);
    if (*end != '\0' || value < 0 || value > 65535) {
        return false;
    }
    id = static_cast<int>(value);
    return true;
}

// The script's text with comments blanked out (line breaks kept, strings left alone).
std::string WithoutComments(const std::string& text)
{
    std::string out = text;
    bool inString = false;
    for (size_t i = 0; i < out.size(); ++i) {
        if (inString) {
            if (out[i] == '"') {
                inString = false;
            }
            continue;
        }
        if (out[i] == '"') {
            inString = true;
        } else if (out[i] == '\n') {
            inString = false;
        } else if (out[i] == '/' && i + 1 < out.size() && out[i + 1] == '/') {
            while (i < out.size() && out[i] != '\n') {
                out[i++] = ' ';
            }
        } else if (out[i] == '/' && i + 1 < out.size() && out[i + 1] == '*') {
            while (i < out.size() && !(out[i] == '*' && i + 1 < out.size() && out[i + 1] == '/')) {
                if (out[i] != '\n') {
                    out[i] = ' ';
                }
                ++i;
            }
            if (i < out.size()) {
                out[i] = ' ';
                if (i + 1 < out.size()) {
                    out[++i] = ' ';
                }
            }
        }
    }
    return out;
}

// What follows `directive` ("#define", "#include") on each line that starts with it, comments removed.
std::vector<std::string> DirectiveLines(const std::string& text, const std::string& directive)
{
    std::vector<std::string> found;
    std::istringstream lines(WithoutComments(text));
    std::string line;
    while (std::getline(lines, line)) {
        size_t pos = 0;
        if (ReadWord(line, pos) == directive) {
            found.push_back(line.substr(pos));
        }
    }
    return found;
}

bool ReadFileBytes(const std::string& path, std::vector<uint8_t>& bytes)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return false;
    }
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}

} // namespace

const char* KindName(ResourceKind kind)
{
    switch (kind) {
    case ResourceKind::Bitmap: return "BITMAP";
    case ResourceKind::Wave: return "WAVE";
    case ResourceKind::Icon: return "ICON";
    }
    return "?";
}

const std::vector<RequiredForm>& RequiredForms() { return kForms; }

const std::vector<IconImageForm>& RequiredIconImages() { return kIconImages; }

const RequiredForm* FindRequiredForm(int id)
{
    for (const RequiredForm& form : kForms) {
        if (form.id == id) {
            return &form;
        }
    }
    return nullptr;
}

std::string Finding::Format() const
{
    return file + (error ? ": " : ": warning: ") + text;
}

void Report::Error(const std::string& file, const std::string& text) { findings.push_back({true, file, text}); }

void Report::Warning(const std::string& file, const std::string& text) { findings.push_back({false, file, text}); }

bool Report::HasErrors() const { return ErrorCount() != 0; }

size_t Report::ErrorCount() const
{
    return static_cast<size_t>(std::count_if(findings.begin(), findings.end(), [](const Finding& f) { return f.error; }));
}

size_t Report::WarningCount() const { return findings.size() - ErrorCount(); }

void ParseIdDefines(const std::string& text, IdNames& names)
{
    for (const std::string& line : DirectiveLines(text, "#define")) {
        size_t pos = 0;
        const std::string name = ReadWord(line, pos);
        int id = 0;
        if (ParseId(ReadWord(line, pos), id) && ReadWord(line, pos).empty()) {
            names[name] = id;
        }
    }
}

std::vector<std::string> IncludedFiles(const std::string& text)
{
    std::vector<std::string> files;
    for (const std::string& line : DirectiveLines(text, "#include")) {
        size_t pos = 0;
        const std::string file = ReadWord(line, pos);
        if (file.size() >= 2 && file.front() == '"' && file.back() == '"') {
            files.push_back(file.substr(1, file.size() - 2));
        }
    }
    return files;
}

std::vector<ScriptEntry> ParseResourceScript(const std::string& text, const std::string& scriptName,
                                             const IdNames& names, Report& report)
{
    std::vector<ScriptEntry> entries;
    std::istringstream lines(WithoutComments(text));
    std::string line;
    int number = 0;
    while (std::getline(lines, line)) {
        ++number;
        size_t pos = 0;
        const std::string name = ReadWord(line, pos);
        const std::string type = Upper(ReadWord(line, pos));
        ResourceKind kind;
        if (type == "BITMAP") {
            kind = ResourceKind::Bitmap;
        } else if (type == "WAVE" || type == "\"WAVE\"") {
            kind = ResourceKind::Wave;
        } else if (type == "ICON") {
            kind = ResourceKind::Icon;
        } else {
            continue;
        }
        // Memory flags (DISCARDABLE, ...) may stand between the type and the file name.
        std::string file, word;
        while (!(word = ReadWord(line, pos)).empty()) {
            file = word;
        }
        const std::string where = scriptName + ":" + Str(number);
        if (file.empty()) {
            report.Error(where, std::string(KindName(kind)) + " " + name + " names no file");
            continue;
        }
        if (file.size() >= 2 && file.front() == '"' && file.back() == '"') {
            file = file.substr(1, file.size() - 2);
        }
        int id = 0;
        const auto named = names.find(name);
        if (named != names.end()) {
            id = named->second;
        } else if (!ParseId(name, id)) {
            report.Warning(where, std::string(KindName(kind)) + " " + name +
                                      " is neither a number nor a name the included headers define; the launcher "
                                      "loads none such, not checked");
            continue;
        }
        entries.push_back({id, kind, file, number});
    }
    return entries;
}

void CheckBitmap(const RequiredForm& form, const std::string& name, const std::vector<uint8_t>& bytes,
                 Report& report)
{
    const size_t errorsBefore = report.ErrorCount();
    if (bytes.size() < kFileHeaderSize) {
        report.Error(name, "file is " + Str(bytes.size()) + " bytes, shorter than the 14-byte file header");
        return;
    }
    if (bytes[0] != 'B' || bytes[1] != 'M') {
        report.Error(name, "file starts with " + Printable4(bytes, 0, 2) + ", required 'BM' (a bitmap file)");
        return;
    }
    if (bytes.size() < kFileHeaderSize + kDibHeaderSize) {
        report.Error(name, "file is " + Str(bytes.size()) +
                               " bytes, shorter than the 14-byte file header and the 40-byte bitmap header");
        return;
    }
    const uint8_t* dib = bytes.data() + kFileHeaderSize;
    const uint32_t dibSize = static_cast<uint32_t>(bytes.size() - kFileHeaderSize);
    const DibHeader h = ReadDibHeader(dib);

    if (h.biSize != kDibHeaderSize) {
        report.Error(name, "bitmap header size is " + Str(h.biSize) + ", required 40");
        return;
    }
    if (h.biWidth != form.width) {
        report.Error(name, "width is " + Str(h.biWidth) + ", required " + Str(form.width));
    }
    if (h.biHeight < 0) {
        report.Error(name, "height is " + Str(h.biHeight) + " (top-down), required " + Str(form.height) +
                               " (bottom-up)");
    } else if (h.biHeight != form.height) {
        report.Error(name, "height is " + Str(h.biHeight) + ", required " + Str(form.height));
    }
    if (h.biPlanes != 1) {
        report.Error(name, "planes is " + Str(h.biPlanes) + ", required 1");
    }
    if (h.biBitCount != form.bitsPerPixel) {
        report.Error(name, "bits per pixel is " + Str(h.biBitCount) + ", required " + Str(form.bitsPerPixel));
    }
    if (h.biCompression != kDibUncompressed) {
        report.Error(name, "compression is " + CompressionName(h.biCompression) + ", required 0 (BI_RGB)");
    }
    const uint32_t entries = DibColorTableEntryCount(&h);
    if (h.biClrUsed > 0xFFFFu) {
        // The launcher counts the low 16 bits of the field; drawing reads up to 256 entries.
        report.Error(name, "biClrUsed is " + Str(h.biClrUsed) + ", required at most 65535 (the launcher counts " +
                               Str(entries) + " colour-table entries, drawing reads " +
                               Str(DibDrawnColorTableEntryCount(&h)) + ")");
    } else if (h.biBitCount == form.bitsPerPixel) {
        if (entries != static_cast<uint32_t>(form.tableEntries)) {
            report.Error(name, "colour-table entries is " + Str(entries) + " (biClrUsed " + Str(h.biClrUsed) +
                                   "), required " + Str(form.tableEntries));
        } else if (form.clrUsedRequired && h.biClrUsed != static_cast<uint32_t>(form.tableEntries)) {
            report.Error(name, "biClrUsed is " + Str(h.biClrUsed) + ", required " + Str(form.tableEntries));
        }
    }
    const uint32_t offBits = U32(bytes, 10);
    const uint32_t wantOffset = kFileHeaderSize + kDibHeaderSize + 4 * entries;
    if (offBits != wantOffset) {
        report.Error(name, "pixel offset (bfOffBits) is " + Str(offBits) + ", required " + Str(wantOffset) +
                               " (pixels right after the colour table)");
    }
    if (report.ErrorCount() != errorsBefore) {
        return; // the pixel rows are measured only for a header of the required form
    }

    DibLayout layout{};
    const DibCheck check = CheckPackedDib(dib, dibSize, &layout);
    if (check == DibShorterThanPixels || check == DibShorterThanTable) {
        const uint64_t rowBytes = ((static_cast<uint64_t>(h.biWidth) * h.biBitCount + 31) / 32) * 4;
        const uint64_t need = wantOffset + rowBytes * static_cast<uint64_t>(h.biHeight);
        report.Error(name, "file is " + Str(bytes.size()) + " bytes, too short for its pixel rows: required " +
                               Str(need) + " (" + Str(h.biHeight) + " rows of " + Str(rowBytes) + " bytes)");
        return;
    }
    if (check != DibAccepted) {
        report.Error(name, std::string("bitmap is not drawable: ") + DibCheckText(check));
        return;
    }
    const uint32_t used = layout.pixelOffset + layout.pixelBytes;
    if (form.resourceBytes != 0 && dibSize != form.resourceBytes) {
        report.Error(name, "resource is " + Str(dibSize) + " bytes (file less its 14-byte header), required " +
                               Str(form.resourceBytes));
    } else if (dibSize > used) {
        report.Warning(name, Str(dibSize - used) + " bytes follow the pixel rows and are stored for nothing");
    }
    if (h.biSizeImage != 0 && h.biSizeImage != layout.pixelBytes) {
        report.Warning(name, "biSizeImage is " + Str(h.biSizeImage) + ", the pixel rows hold " +
                                 Str(layout.pixelBytes) + " bytes");
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
            report.Error(name, "a pixel uses colour-table entry " + Str(worst) + ", required below " + Str(entries) +
                                   " (the table's size)");
        }
    }
}

void CheckWave(const RequiredForm& form, const std::string& name, const std::vector<uint8_t>& bytes,
               Report& report)
{
    if (bytes.size() < 12 || std::string(bytes.begin(), bytes.begin() + 4) != "RIFF" ||
        std::string(bytes.begin() + 8, bytes.begin() + 12) != "WAVE") {
        report.Error(name, "file starts with " + Printable4(bytes, 0, 4) + " " + Printable4(bytes, 8, 4) +
                               ", required 'RIFF' 'WAVE' (a RIFF WAVE file)");
        return;
    }
    const uint64_t riffEnd = 8ull + U32(bytes, 4);
    if (riffEnd > bytes.size()) {
        report.Error(name, "RIFF size says " + Str(riffEnd) + " bytes, the file has " + Str(bytes.size()) +
                               " (truncated)");
        return;
    }
    size_t fmt = 0, fmtSize = 0, fact = 0, factSize = 0, data = 0, dataSize = 0;
    bool haveFmt = false, haveFact = false, haveData = false;
    for (size_t at = 12; at + 8 <= riffEnd;) {
        const std::string id(bytes.begin() + at, bytes.begin() + at + 4);
        const uint32_t size = U32(bytes, at + 4);
        if (at + 8 + static_cast<uint64_t>(size) > riffEnd) {
            report.Error(name, "chunk '" + id + "' says " + Str(size) + " bytes, only " + Str(riffEnd - at - 8) +
                                   " follow (truncated)");
            return;
        }
        if (id == "fmt " && !haveFmt) {
            haveFmt = true, fmt = at + 8, fmtSize = size;
        } else if (id == "fact" && !haveFact) {
            haveFact = true, fact = at + 8, factSize = size;
        } else if (id == "data" && !haveData) {
            haveData = true, data = at + 8, dataSize = size;
        }
        at += 8 + size + (size & 1);
    }
    if (!haveFmt || fmtSize < 16) {
        report.Error(name, haveFmt ? "'fmt ' chunk is " + Str(fmtSize) + " bytes, required at least 16"
                                   : std::string("no 'fmt ' chunk"));
        return;
    }
    const uint16_t tag = U16(bytes, fmt), channels = U16(bytes, fmt + 2);
    const uint32_t rate = U32(bytes, fmt + 4);
    const uint16_t blockAlign = U16(bytes, fmt + 12), bits = U16(bytes, fmt + 14);
    const size_t before = report.ErrorCount();
    if (tag != form.formatTag) {
        report.Error(name, "format tag is " + FormatTagName(tag) + ", required " + FormatTagName(form.formatTag));
    }
    if (channels != form.channels) {
        report.Error(name, "channels is " + Str(channels) + ", required " + Str(form.channels));
    }
    if (rate != form.samplesPerSecond) {
        report.Error(name, "sample rate is " + Str(rate) + " Hz, required " + Str(form.samplesPerSecond) + " Hz");
    }
    if (bits != form.bitsPerSample) {
        report.Error(name, "bits per sample is " + Str(bits) + ", required " + Str(form.bitsPerSample));
    }
    if (blockAlign != form.blockAlign) {
        report.Error(name, "block align is " + Str(blockAlign) + ", required " + Str(form.blockAlign));
    }
    uint32_t samplesPerBlock = 1;
    if (form.formatTag == 2 && report.ErrorCount() == before) {
        // Microsoft ADPCM: a block holds a header of 7 bytes per channel (two samples) and then
        // two samples per byte and channel.
        const uint32_t want = (form.blockAlign - 7u * form.channels) * 8u / (form.bitsPerSample * form.channels) + 2u;
        const uint32_t found = fmtSize >= 22 ? U16(bytes, fmt + 18) : 0;
        samplesPerBlock = fmtSize >= 22 && U16(bytes, fmt + 16) >= 2 ? found : 0;
        if (samplesPerBlock != want) {
            report.Error(name, "samples per block is " + Str(samplesPerBlock) + ", required " + Str(want));
        }
    }
    if (form.factSamples != 0) {
        if (!haveFact || factSize < 4) {
            report.Error(name, "no 'fact' chunk, required one stating " + Str(form.factSamples) + " samples");
        } else if (U32(bytes, fact) != form.factSamples) {
            report.Error(name, "'fact' sample count is " + Str(U32(bytes, fact)) + ", required " +
                                   Str(form.factSamples));
        }
    }
    if (!haveData) {
        report.Error(name, "no 'data' chunk");
        return;
    }
    if (report.ErrorCount() != before || blockAlign == 0 || rate == 0) {
        return;
    }
    const uint64_t blocks = (dataSize + blockAlign - 1) / blockAlign;
    const uint64_t samples = blocks * samplesPerBlock;
    const double seconds = static_cast<double>(samples) / rate;
    if (std::fabs(seconds - form.seconds) > form.seconds * kDurationTolerance) {
        report.Error(name, "'data' chunk of " + Str(dataSize) + " bytes lasts " + Seconds(seconds) +
                               ", required about " + Seconds(form.seconds));
    }
    if (form.factSamples != 0 && haveFact && (form.factSamples > samples || form.factSamples + samplesPerBlock <= samples)) {
        report.Error(name, "'data' chunk holds " + Str(blocks) + " blocks (" + Str(samples) +
                               " samples), which does not fit the 'fact' count of " + Str(form.factSamples));
    }
    (void)data;
}

void CheckIcon(const RequiredForm&, const std::string& name, const std::vector<uint8_t>& bytes, Report& report)
{
    if (bytes.size() < 6 || U16(bytes, 0) != 0 || U16(bytes, 2) != 1) {
        report.Error(name, "not an icon file: required the 6-byte header 0, 1 (icon), image count");
        return;
    }
    const uint16_t count = U16(bytes, 4);
    if (bytes.size() < 6u + 16u * count) {
        report.Error(name, "file is " + Str(bytes.size()) + " bytes, too short for its directory of " + Str(count) +
                               " images");
        return;
    }
    std::set<std::pair<int, int>> found;
    for (uint16_t i = 0; i < count; ++i) {
        const size_t entry = 6 + 16u * i;
        const int width = bytes[entry] ? bytes[entry] : 256;
        const int height = bytes[entry + 1] ? bytes[entry + 1] : 256;
        const uint16_t dirBits = U16(bytes, entry + 6);
        const uint32_t size = U32(bytes, entry + 8), offset = U32(bytes, entry + 12);
        const std::string image = "image " + Str(i + 1) + " (" + Str(width) + "x" + Str(height) + ")";
        if (static_cast<uint64_t>(offset) + size > bytes.size() || size < kDibHeaderSize) {
            report.Error(name, image + " lies outside the file (" + Str(size) + " bytes at " + Str(offset) + ")");
            continue;
        }
        static const uint8_t kPng[4] = {0x89, 'P', 'N', 'G'};
        if (std::equal(kPng, kPng + 4, bytes.begin() + offset)) {
            report.Error(name, image + " is a PNG image, required a BMP-format image with an AND mask");
            continue;
        }
        const DibHeader h = ReadDibHeader(bytes.data() + offset);
        if (h.biSize != kDibHeaderSize || h.biCompression != kDibUncompressed) {
            report.Error(name, image + " has a header of " + Str(h.biSize) + " bytes, compression " +
                                   CompressionName(h.biCompression) + ", required 40 bytes, 0 (BI_RGB)");
            continue;
        }
        if (h.biWidth != width || h.biHeight != 2 * height) {
            report.Error(name, image + " header says " + Str(h.biWidth) + "x" + Str(h.biHeight) + ", required " +
                                   Str(width) + "x" + Str(2 * height) + " (colour image and AND mask)");
            continue;
        }
        if (dirBits != 0 && dirBits != h.biBitCount) {
            report.Error(name, image + ": the directory says " + Str(dirBits) + " bits per pixel, its header " +
                                   Str(h.biBitCount));
            continue;
        }
        const uint64_t xorRow = ((static_cast<uint64_t>(width) * h.biBitCount + 31) / 32) * 4;
        const uint64_t andRow = ((static_cast<uint64_t>(width) + 31) / 32) * 4;
        const uint64_t need = kDibHeaderSize + 4ull * DibColorTableEntryCount(&h) + (xorRow + andRow) * height;
        if (size < need) {
            report.Error(name, image + " at " + Str(h.biBitCount) + " bits per pixel is " + Str(size) +
                                   " bytes, required " + Str(need) + " (header, colours, image and AND mask)");
            continue;
        }
        found.insert({width, h.biBitCount});
    }
    for (const IconImageForm& want : kIconImages) {
        if (!found.count({want.size, want.bitsPerPixel})) {
            report.Error(name, "icon image " + Str(want.size) + "x" + Str(want.size) + " at " +
                                   Str(want.bitsPerPixel) + " bits per pixel is missing");
        }
    }
}

void CheckPaletteUse(const RequiredForm& buttonForm, const std::string& buttonName,
                     const std::vector<uint8_t>& button, const std::string& backgroundName,
                     const std::vector<uint8_t>& background, Report& report)
{
    OpenPicture pic{}, bg{};
    if (!Open8BitPicture(button, pic) || !Open8BitPicture(background, bg)) {
        return;
    }
    int first = 0, last = bg.layout.tableEntries; // palette entries the button may use
    if (buttonForm.paletteRole == PaletteRole::SharedTable) {
        first = std::min<int>(kSharedFirstEntry, bg.layout.tableEntries);
        last = std::min<int>(kSharedFirstEntry + kSharedEntries, bg.layout.tableEntries);
    }
    std::set<uint32_t> palette;
    for (int i = first; i < last; ++i) {
        palette.insert(Rgb(bg.dib + kDibHeaderSize + 4 * i));
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
        if (!palette.count(Rgb(colour))) {
            missing.push_back(Hex6(colour[2], colour[1], colour[0]) + " (table entry " + Str(entry) + ")");
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
        list += " and " + Str(missing.size() - 4) + " more";
    }
    const std::string where = buttonForm.paletteRole == PaletteRole::SharedTable
                                  ? "entries 10..245 of the palette of " + backgroundName
                                  : "the palette of " + backgroundName;
    report.Warning(buttonName, "uses " + Str(missing.size()) + " colour" + (missing.size() == 1 ? "" : "s") +
                                   " that " + where + " lack" + (missing.size() == 1 ? "s" : "") + ": " + list);
}

Report CheckResourceScript(const std::string& scriptPath, const std::string& resourceFolder)
{
    Report report;
    std::vector<uint8_t> scriptBytes;
    if (!ReadFileBytes(scriptPath, scriptBytes)) {
        report.Error(scriptPath, "cannot read the resource script (missing file)");
        return report;
    }
    const std::string scriptFolder = scriptPath.find('/') == std::string::npos
                                         ? std::string()
                                         : scriptPath.substr(0, scriptPath.rfind('/') + 1);
    std::string folder = scriptFolder;
    if (!resourceFolder.empty()) {
        folder = resourceFolder.back() == '/' ? resourceFolder : resourceFolder + "/";
    }
    const std::string scriptText(scriptBytes.begin(), scriptBytes.end());
    IdNames names;
    for (const std::string& header : IncludedFiles(scriptText)) {
        std::vector<uint8_t> headerBytes;
        if (!ReadFileBytes(scriptFolder + header, headerBytes)) {
            report.Error(scriptFolder + header, "cannot read the header the resource script includes (missing file)");
            continue;
        }
        ParseIdDefines(std::string(headerBytes.begin(), headerBytes.end()), names);
    }
    ParseIdDefines(scriptText, names);
    const std::vector<ScriptEntry> entries = ParseResourceScript(scriptText, scriptPath, names, report);

    struct Loaded {
        const RequiredForm* form;
        std::string name;
        std::vector<uint8_t> bytes;
        bool passed;
    };
    std::vector<Loaded> loaded;
    std::set<int> seen;
    for (const ScriptEntry& entry : entries) {
        const std::string where = scriptPath + ":" + Str(entry.line);
        const RequiredForm* form = FindRequiredForm(entry.id);
        if (!form) {
            report.Warning(where, std::string(KindName(entry.kind)) + " " + Str(entry.id) +
                                      " is not one the launcher uses; not checked");
            continue;
        }
        if (form->kind != entry.kind) {
            report.Error(where, Str(entry.id) + " is a " + KindName(entry.kind) + " here, required a " +
                                    KindName(form->kind) + " (" + form->what + ")");
            continue;
        }
        if (!seen.insert(entry.id).second) {
            report.Error(where, std::string(KindName(entry.kind)) + " " + Str(entry.id) + " is named twice");
            continue;
        }
        const std::string name =
            (!entry.file.empty() && entry.file[0] == '/') ? entry.file : folder + entry.file;
        Loaded item{form, name, {}, false};
        if (!ReadFileBytes(name, item.bytes)) {
            report.Error(name, std::string("cannot read the file (missing?), required for ") + KindName(form->kind) +
                                   " " + Str(form->id) + " (" + form->what + ")");
            continue;
        }
        ++report.checkedFiles;
        const size_t before = report.ErrorCount();
        switch (form->kind) {
        case ResourceKind::Bitmap: CheckBitmap(*form, name, item.bytes, report); break;
        case ResourceKind::Wave: CheckWave(*form, name, item.bytes, report); break;
        case ResourceKind::Icon: CheckIcon(*form, name, item.bytes, report); break;
        }
        item.passed = report.ErrorCount() == before;
        loaded.push_back(std::move(item));
    }
    for (const RequiredForm& form : kForms) {
        if (!seen.count(form.id)) {
            report.Error(scriptPath, std::string(KindName(form.kind)) + " " + Str(form.id) + " (" + form.what +
                                         ") is missing from the script");
        }
    }
    const Loaded* background = nullptr;
    for (const Loaded& item : loaded) {
        if (item.form->id == IDB_BACKGROUND_8BPP && item.passed) {
            background = &item;
        }
    }
    if (background) {
        for (const Loaded& item : loaded) {
            const PaletteRole role = item.form->paletteRole;
            if (item.passed && (role == PaletteRole::SharedTable || role == PaletteRole::FullTable)) {
                CheckPaletteUse(*item.form, item.name, item.bytes, background->name, background->bytes, report);
            }
        }
    }
    return report;
}

} // namespace assetcheck
