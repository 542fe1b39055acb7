// asset_check RCFILE [RESOURCE_FOLDER]: holds every picture, sound and icon that the launcher's resource
// script names (relative to RESOURCE_FOLDER, by default the script's folder) to its required form.
// Errors (a file that does not match, a missing file) are printed one a line, naming the file, the
// field, what was found and what is required, and stop the build (exit 1). Warnings (e.g. a 256-colour
// button colour outside the background's palette) do not (exit 0).
#include "tools/assetcheck/script_check.h"

#include <cstdio>

int main(int argc, char** argv)
{
    if (argc != 2 && argc != 3) {
        std::fprintf(stderr, "usage: asset_check RCFILE [RESOURCE_FOLDER]\n"
                             "  checks the pictures, sounds and icon named by the resource script, found in\n"
                             "  RESOURCE_FOLDER (by default the script's folder)\n");
        return 2;
    }
    const char* script = argv[1];
    const assetcheck::Report report = assetcheck::CheckResourceScript(script, argc == 3 ? argv[2] : "");
    for (const assetcheck::Finding& finding : report.findings) {
        std::fprintf(stderr, "%s\n", finding.Format().c_str());
    }
    if (report.HasErrors()) {
        std::fprintf(stderr, "asset_check: %zu error(s), %zu warning(s) in %s and the files it names in %s\n",
                     report.ErrorCount(), report.WarningCount(), script, report.fileFolder.c_str());
        return 1;
    }
    std::printf("asset_check: %d files in %s (named by %s) have their required forms (%zu warning(s))\n",
                report.checkedFiles, report.fileFolder.c_str(), script, report.WarningCount());
    return 0;
}
