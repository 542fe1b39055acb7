// The 256-colour rule between pictures: a button's colours should be among the background's palette,
// which the launcher realizes for the whole window.
#pragma once

#include "tools/assetcheck/report.h"
#include "tools/assetcheck/required_forms.h"

#include <cstdint>
#include <string>
#include <vector>

namespace assetcheck {

// Warns for every colour an 8-bit button picture uses that the background's palette lacks (for a
// shortened table: that the palette's entries 10..245 lack). Both files must already have passed
// CheckBitmap; files that cannot be read as 8-bit pictures are left alone.
void CheckPaletteUse(const RequiredForm& buttonForm, const std::string& buttonName,
                     const std::vector<uint8_t>& button, const std::string& backgroundName,
                     const std::vector<uint8_t>& background, Report& report);

} // namespace assetcheck
