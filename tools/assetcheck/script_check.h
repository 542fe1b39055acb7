// The whole asset check of a resource script: every picture, sound and icon it names, held to its
// required form.
#pragma once

#include "tools/assetcheck/report.h"

#include <string>

namespace assetcheck {

// Reads the script at `scriptPath` and the headers it includes (for the names of its ids; they lie
// beside the script), every file it names (relative to `resourceFolder`, or to the script's folder when
// that is empty) and holds them to their forms; also reports required resources the script lacks.
Report CheckResourceScript(const std::string& scriptPath, const std::string& resourceFolder = std::string());

} // namespace assetcheck
