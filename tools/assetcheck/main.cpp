// asset_check RESOURCE_FOLDER: holds every picture of the table of resources (resources/resource_table.txt),
// found in a product's resource folder, to its required form, by the launcher's own picture rules.
// Errors (a file that does not match, a missing file) are printed one a line, naming the file, the
// field, what was found and what is required, and stop the build (exit 1). Warnings (e.g. bytes stored
// after the pixel rows) do not (exit 0).
#include "tools/assetcheck/folder_check.h"

#include <cstdio>

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: asset_check RESOURCE_FOLDER\n"
                             "  checks the pictures that resources/resource_table.txt names,\n"
                             "  found in RESOURCE_FOLDER\n");
        return 2;
    }
    const assetcheck::Report report = assetcheck::CheckResourceFolder(argv[1]);
    for (const assetcheck::Finding& finding : report.findings) {
        std::fprintf(stderr, "%s\n", finding.Format().c_str());
    }
    if (report.HasErrors()) {
        std::fprintf(stderr, "asset_check: %zu error(s), %zu warning(s) in the files of %s\n", report.ErrorCount(),
                     report.WarningCount(), report.fileFolder.c_str());
        return 1;
    }
    std::printf("asset_check: %d pictures in %s have their required forms (%zu warning(s))\n", report.checkedFiles,
                report.fileFolder.c_str(), report.WarningCount());
    return 0;
}
