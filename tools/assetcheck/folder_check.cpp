#include "tools/assetcheck/folder_check.h"

#include "tools/assetcheck/bitmap_check.h"
#include "tools/assetcheck/required_forms.h"

#include <filesystem>
#include <fstream>
#include <iterator>

namespace assetcheck {

namespace {

bool ReadFileBytes(const std::string& path, std::vector<uint8_t>& bytes)
{
    // A folder opens as a stream, and its first read throws: only a regular file is read.
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error)) {
        return false;
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return false;
    }
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}

} // namespace

Report CheckResourceFolder(const std::string& resourceFolder)
{
    Report report;
    // "dir/sub/" -> "dir/sub"; "" -> "."
    std::string folder = resourceFolder.empty() ? "." : resourceFolder;
    if (folder.size() > 1 && folder.back() == '/') {
        folder.pop_back();
    }
    report.fileFolder = folder;
    for (const RequiredForm& form : RequiredForms()) {
        const std::string name = folder + "/" + form.file;
        std::vector<uint8_t> bytes;
        if (!ReadFileBytes(name, bytes)) {
            report.Error(name, "cannot read the file (missing, or not a file), required for BITMAP " +
                                   std::to_string(form.id) + " (" + form.what + ")");
            continue;
        }
        ++report.checkedFiles;
        CheckBitmap(form, name, bytes, report);
    }
    return report;
}

} // namespace assetcheck
