#include "tools/assetcheck/wave_check.h"

#include "tools/assetcheck/file_fields.h"

#include <cmath>
#include <cstdio>

namespace assetcheck {

namespace {

// A sound's length may differ from the required one by this fraction.
constexpr double kDurationTolerance = 0.15;

std::string Seconds(double s)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.2f s", s);
    return text;
}

std::string FormatTagName(uint16_t tag)
{
    switch (tag) {
    case 1: return "1 (PCM)";
    case 2: return "2 (Microsoft ADPCM)";
    case 3: return "3 (IEEE float)";
    case 0x11: return "17 (IMA ADPCM)";
    case 0xFFFE: return "65534 (extensible)";
    default: return std::to_string(tag);
    }
}

} // namespace

void CheckWave(const RequiredForm& form, const std::string& name, const std::vector<uint8_t>& bytes,
               Report& report)
{
    if (bytes.size() < 12 || std::string(bytes.begin(), bytes.begin() + 4) != "RIFF" ||
        std::string(bytes.begin() + 8, bytes.begin() + 12) != "WAVE") {
        report.Error(name, "file starts with " + QuotedBytes(bytes, 0, 4) + " " + QuotedBytes(bytes, 8, 4) +
                               ", required 'RIFF' 'WAVE' (a RIFF WAVE file)");
        return;
    }
    const uint64_t riffEnd = 8ull + ReadU32(bytes, 4);
    if (riffEnd > bytes.size()) {
        report.Error(name, "RIFF size says " + std::to_string(riffEnd) + " bytes, the file has " +
                               std::to_string(bytes.size()) + " (truncated)");
        return;
    }
    if (riffEnd < bytes.size()) {
        // Playing reads the RIFF chunk alone, as drawing a bitmap reads its rows alone: what follows is
        // compiled into the launcher for nothing, as a bitmap's trailing bytes are.
        report.Warning(name, std::to_string(bytes.size() - riffEnd) +
                                 " bytes follow the RIFF chunk and are stored for nothing");
    }
    size_t fmt = 0, fmtSize = 0, fact = 0, factSize = 0, dataSize = 0;
    bool haveFmt = false, haveFact = false, haveData = false;
    for (size_t at = 12; at + 8 <= riffEnd;) {
        const std::string id(bytes.begin() + at, bytes.begin() + at + 4);
        const uint32_t size = ReadU32(bytes, at + 4);
        if (at + 8 + static_cast<uint64_t>(size) > riffEnd) {
            report.Error(name, "chunk '" + id + "' says " + std::to_string(size) + " bytes, only " +
                                   std::to_string(riffEnd - at - 8) + " follow (truncated)");
            return;
        }
        if (id == "fmt " && !haveFmt) {
            haveFmt = true, fmt = at + 8, fmtSize = size;
        } else if (id == "fact" && !haveFact) {
            haveFact = true, fact = at + 8, factSize = size;
        } else if (id == "data" && !haveData) {
            haveData = true, dataSize = size;
        }
        at += 8 + size + (size & 1);
    }
    if (!haveFmt || fmtSize < 16) {
        report.Error(name, haveFmt ? "'fmt ' chunk is " + std::to_string(fmtSize) + " bytes, required at least 16"
                                   : std::string("no 'fmt ' chunk"));
        return;
    }
    const uint16_t tag = ReadU16(bytes, fmt), channels = ReadU16(bytes, fmt + 2);
    const uint32_t rate = ReadU32(bytes, fmt + 4);
    const uint16_t blockAlign = ReadU16(bytes, fmt + 12), bits = ReadU16(bytes, fmt + 14);
    const size_t before = report.ErrorCount();
    if (tag != form.formatTag) {
        report.Error(name, "format tag is " + FormatTagName(tag) + ", required " + FormatTagName(form.formatTag));
    }
    if (channels != form.channels) {
        report.Error(name, "channels is " + std::to_string(channels) + ", required " + std::to_string(form.channels));
    }
    if (rate != form.samplesPerSecond) {
        report.Error(name, "sample rate is " + std::to_string(rate) + " Hz, required " +
                               std::to_string(form.samplesPerSecond) + " Hz");
    }
    if (bits != form.bitsPerSample) {
        report.Error(name,
                     "bits per sample is " + std::to_string(bits) + ", required " + std::to_string(form.bitsPerSample));
    }
    if (blockAlign != form.blockAlign) {
        report.Error(name,
                     "block align is " + std::to_string(blockAlign) + ", required " + std::to_string(form.blockAlign));
    }
    uint32_t samplesPerBlock = 1;
    if (form.formatTag == kWaveFormatMicrosoftAdpcm && report.ErrorCount() == before) {
        // Microsoft ADPCM: a block holds a header of 7 bytes per channel (two samples) and then
        // two samples per byte and channel.
        const uint32_t want = (form.blockAlign - 7u * form.channels) * 8u / (form.bitsPerSample * form.channels) + 2u;
        const uint32_t found = fmtSize >= 22 ? ReadU16(bytes, fmt + 18) : 0;
        samplesPerBlock = fmtSize >= 22 && ReadU16(bytes, fmt + 16) >= 2 ? found : 0;
        if (samplesPerBlock != want) {
            report.Error(name, "samples per block is " + std::to_string(samplesPerBlock) + ", required " +
                                   std::to_string(want));
        }
    }
    if (form.factSamples != 0) {
        if (!haveFact || factSize < 4) {
            report.Error(name,
                         "no 'fact' chunk, required one stating " + std::to_string(form.factSamples) + " samples");
        } else if (ReadU32(bytes, fact) != form.factSamples) {
            report.Error(name, "'fact' sample count is " + std::to_string(ReadU32(bytes, fact)) + ", required " +
                                   std::to_string(form.factSamples));
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
        report.Error(name, "'data' chunk of " + std::to_string(dataSize) + " bytes lasts " + Seconds(seconds) +
                               ", required about " + Seconds(form.seconds));
    }
    if (form.factSamples != 0 && haveFact &&
        (form.factSamples > samples || form.factSamples + samplesPerBlock <= samples)) {
        report.Error(name, "'data' chunk holds " + std::to_string(blocks) + " blocks (" + std::to_string(samples) +
                               " samples), which does not fit the 'fact' count of " + std::to_string(form.factSamples));
    }
}

} // namespace assetcheck
