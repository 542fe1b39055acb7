// Reading the launcher's resource script: its BITMAP, WAVE and ICON statements, the headers it
// includes and the "#define NAME number" lines that name its ids.
#pragma once

#include "tools/assetcheck/report.h"
#include "tools/assetcheck/required_forms.h"

#include <map>
#include <string>
#include <vector>

namespace assetcheck {

// One BITMAP, WAVE or ICON statement of the resource script.
struct ScriptEntry {
    int id;
    ResourceKind kind;
    std::string file; // as written, relative to the resource folder
    int line;
};

// Identifier names and their numbers, as "#define NAME number" lines give them.
using IdNames = std::map<std::string, int>;

// Adds every "#define NAME number" line of `text` to `names`.
void ParseIdDefines(const std::string& text, IdNames& names);

// The files named by the script's '#include "FILE"' lines, as written.
std::vector<std::string> IncludedFiles(const std::string& text);

// Finds the BITMAP, WAVE and ICON statements; their ids are numbers or names from `names`. Comments
// and preprocessor lines are skipped; other statements (VERSIONINFO, LANGUAGE, ...) are ignored.
// `scriptName` names the script in findings.
std::vector<ScriptEntry> ParseResourceScript(const std::string& text, const std::string& scriptName,
                                             const IdNames& names, Report& report);

} // namespace assetcheck
