// Reading the little-endian fields of a resource file's bytes, and the words findings give their values.
// The callers check the bounds.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace assetcheck {

uint16_t ReadU16(const std::vector<uint8_t>& bytes, size_t at);
uint32_t ReadU32(const std::vector<uint8_t>& bytes, size_t at);

// Up to `count` bytes from `at` in quotes, '?' for each byte that is not printable: 'RIFF'.
std::string QuotedBytes(const std::vector<uint8_t>& bytes, size_t at, size_t count);

// A bitmap header's compression with its name: "1 (BI_RLE8)".
std::string CompressionName(uint32_t compression);

} // namespace assetcheck
