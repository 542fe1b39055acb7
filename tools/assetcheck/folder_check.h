// The whole asset check of a product's resource folder: every picture of the table of required forms,
// held to its form.
#pragma once

#include "tools/assetcheck/report.h"

#include <string>

namespace assetcheck {

// Reads every picture the table of required forms names, in `resourceFolder`, and holds it to its form.
Report CheckResourceFolder(const std::string& resourceFolder);

} // namespace assetcheck
