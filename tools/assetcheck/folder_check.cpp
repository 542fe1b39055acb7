#include "tools/assetcheck/folder_check.h"

#include "tools/assetcheck/bitmap_check.h"
#include "tools/assetcheck/icon_check.h"
#include "tools/assetcheck/palette_check.h"
#include "tools/assetcheck/required_forms.h"
#include "tools/assetcheck/wave_check.h"

#include <filesystem>
#include <fstream>
#include <iterator>

namespace assetcheck {

namespace {

// A file of the table, read and held to its form.
struct CheckedFile {
    const RequiredForm* form;
    std::string name;
    std::vector<uint8_t> bytes;
    bool passed;
};

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

// "dir/sub/" -> "dir/sub"; "" -> "."
std::string FolderName(const std::string& folder)
{
    if (folder.empty()) {
        return ".";
    }
    return folder.size() > 1 && folder.back() == '/' ? folder.substr(0, folder.size() - 1) : folder;
}

void CheckFile(CheckedFile& file, Report& report)
{
    const size_t before = report.ErrorCount();
    switch (file.form->kind) {
    case ResourceKind::Bitmap: CheckBitmap(*file.form, file.name, file.bytes, report); break;
    case ResourceKind::Wave: CheckWave(*file.form, file.name, file.bytes, report); break;
    case ResourceKind::Icon: CheckIcon(*file.form, file.name, file.bytes, report); break;
    }
    file.passed = report.ErrorCount() == before;
}

// Each 256-colour button that passed against the 256-colour background, when that passed too.
void CheckPalettes(const std::vector<CheckedFile>& files, Report& report)
{
    const CheckedFile* background = nullptr;
    for (const CheckedFile& file : files) {
        if (file.form->paletteRole == PaletteRole::Source && file.passed) {
            background = &file;
        }
    }
    if (!background) {
        return;
    }
    for (const CheckedFile& file : files) {
        const PaletteRole role = file.form->paletteRole;
        if (file.passed && (role == PaletteRole::SharedTable || role == PaletteRole::FullTable)) {
            CheckPaletteUse(*file.form, file.name, file.bytes, background->name, background->bytes, report);
        }
    }
}

} // namespace

Report CheckResourceFolder(const std::string& resourceFolder)
{
    Report report;
    const std::string folder =
        resourceFolder.empty() || resourceFolder.back() == '/' ? resourceFolder : resourceFolder + "/";
    report.fileFolder = FolderName(folder);
    std::vector<CheckedFile> files;
    for (const RequiredForm& form : RequiredForms()) {
        CheckedFile file{&form, folder + form.file, {}, false};
        if (!ReadFileBytes(file.name, file.bytes)) {
            report.Error(file.name, std::string("cannot read the file (missing, or not a file), required for ") +
                                        KindName(form.kind) + " " + std::to_string(form.id) + " (" + form.what + ")");
            continue;
        }
        ++report.checkedFiles;
        CheckFile(file, report);
        files.push_back(std::move(file));
    }
    CheckPalettes(files, report);
    return report;
}

} // namespace assetcheck
