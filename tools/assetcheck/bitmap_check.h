// Holds a bitmap file (BMP) to its picture's required form.
#pragma once

#include "tools/assetcheck/report.h"
#include "tools/assetcheck/required_forms.h"

#include <cstdint>
#include <string>
#include <vector>

namespace assetcheck {

// The file header ('BM', sizes, pixel offset) that a bitmap file has and its resource has not.
constexpr uint32_t kBitmapFileHeaderSize = 14;

// Findings name the file as `name`.
void CheckBitmap(const RequiredForm& form, const std::string& name, const std::vector<uint8_t>& bytes,
                 Report& report);

} // namespace assetcheck
