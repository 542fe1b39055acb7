// The asset check of a product's resource folder: every picture of the table of required forms, held to
// its form by the launcher's own DIB rules.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace assetcheck {

// One line for each finding, in the order found: "FILE: TEXT" for an error, which stops the build, and
// "FILE: warning: TEXT" for a warning, which does not.
struct Report {
    std::vector<std::string> findings;
    size_t errors = 0;
    int checkedFiles = 0;
    std::string folder; // the folder the checked files were read from, as the user named it

    void Error(const std::string& file, const std::string& text)
    {
        findings.push_back(file + ": " + text);
        ++errors;
    }
    void Warning(const std::string& file, const std::string& text) { findings.push_back(file + ": warning: " + text); }
};

// Reads every picture the table of required forms names, in `resourceFolder`, and holds it to its form.
Report CheckResourceFolder(const std::string& resourceFolder);

} // namespace assetcheck
