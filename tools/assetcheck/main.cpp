// asset_check RESOURCE_FOLDER: holds every picture of the table of resources (resources/resource_table.txt),
// found in a product's resource folder, to its required form; an error stops the build (exit 1), a warning not.
#include "tools/assetcheck/asset_check.h"

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
    for (const std::string& finding : report.findings) {
        std::fprintf(stderr, "%s\n", finding.c_str());
    }
    const size_t warnings = report.findings.size() - report.errors;
    if (report.errors) {
        std::fprintf(stderr, "asset_check: %zu error(s), %zu warning(s) in the files of %s\n", report.errors, warnings,
                     report.folder.c_str());
        return 1;
    }
    std::printf("asset_check: %d pictures in %s have their required forms (%zu warning(s))\n", report.checkedFiles,
                report.folder.c_str(), warnings);
    return 0;
}
