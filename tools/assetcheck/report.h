// What the asset check found: errors, which stop the build, and warnings, which do not.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace assetcheck {

struct Finding {
    bool error;        // false: a warning, which does not stop the build
    std::string file;  // the file (or script) concerned, as the user knows it
    std::string text;

    // "FILE: TEXT" for an error, "FILE: warning: TEXT" for a warning.
    std::string Format() const;
};

struct Report {
    std::vector<Finding> findings;
    int checkedFiles = 0;
    std::string fileFolder; // the folder the checked files were read from, as the user named it

    void Error(const std::string& file, const std::string& text);
    void Warning(const std::string& file, const std::string& text);
    bool HasErrors() const;
    size_t ErrorCount() const;
    size_t WarningCount() const;
};

} // namespace assetcheck
