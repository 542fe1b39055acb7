#include "tools/assetcheck/file_fields.h"

namespace assetcheck {

uint16_t ReadU16(const std::vector<uint8_t>& bytes, size_t at)
{
    return static_cast<uint16_t>(bytes[at] | (bytes[at + 1] << 8));
}

uint32_t ReadU32(const std::vector<uint8_t>& bytes, size_t at)
{
    return static_cast<uint32_t>(bytes[at]) | (static_cast<uint32_t>(bytes[at + 1]) << 8) |
           (static_cast<uint32_t>(bytes[at + 2]) << 16) | (static_cast<uint32_t>(bytes[at + 3]) << 24);
}

std::string QuotedBytes(const std::vector<uint8_t>& bytes, size_t at, size_t count)
{
    std::string text;
    for (size_t i = at; i < at + count && i < bytes.size(); ++i) {
        text += (bytes[i] >= 32 && bytes[i] < 127) ? static_cast<char>(bytes[i]) : '?';
    }
    return "'" + text + "'";
}

std::string CompressionName(uint32_t compression)
{
    switch (compression) {
    case 0: return "0 (BI_RGB)";
    case 1: return "1 (BI_RLE8)";
    case 2: return "2 (BI_RLE4)";
    case 3: return "3 (BI_BITFIELDS)";
    case 4: return "4 (BI_JPEG)";
    case 5: return "5 (BI_PNG)";
    default: return std::to_string(compression);
    }
}

} // namespace assetcheck
