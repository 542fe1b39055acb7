#include "tools/assetcheck/report.h"

#include <algorithm>

namespace assetcheck {

std::string Finding::Format() const
{
    return file + (error ? ": " : ": warning: ") + text;
}

void Report::Error(const std::string& file, const std::string& text) { findings.push_back({true, file, text}); }

void Report::Warning(const std::string& file, const std::string& text) { findings.push_back({false, file, text}); }

bool Report::HasErrors() const { return ErrorCount() != 0; }

size_t Report::ErrorCount() const
{
    return static_cast<size_t>(
        std::count_if(findings.begin(), findings.end(), [](const Finding &f) { return f.error; }));
}

size_t Report::WarningCount() const { return findings.size() - ErrorCount(); }

} // namespace assetcheck
