// Holds a RIFF WAVE file to its sound's required form.
#pragma once

#include "tools/assetcheck/report.h"
#include "tools/assetcheck/required_forms.h"

#include <cstdint>
#include <string>
#include <vector>

namespace assetcheck {

// Findings name the file as `name`.
void CheckWave(const RequiredForm& form, const std::string& name, const std::vector<uint8_t>& bytes,
               Report& report);

} // namespace assetcheck
