#include "tools/assetcheck/script_check.h"

#include "tools/assetcheck/bitmap_check.h"
#include "tools/assetcheck/icon_check.h"
#include "tools/assetcheck/palette_check.h"
#include "tools/assetcheck/required_forms.h"
#include "tools/assetcheck/resource_script.h"
#include "tools/assetcheck/wave_check.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>

namespace assetcheck {

namespace {

// A file the script names, read and held to its form.
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

// The names of the ids, from the headers the script includes (they lie beside it) and from the script
// itself. False, with the missing header reported, when a header cannot be read.
bool ReadIdNames(const std::string& scriptText, const std::string& scriptFolder, IdNames& names, Report& report)
{
    for (const std::string& header : IncludedFiles(scriptText)) {
        std::vector<uint8_t> headerBytes;
        if (!ReadFileBytes(scriptFolder + header, headerBytes)) {
            report.Error(scriptFolder + header, "cannot read the header the resource script includes (missing file)");
            return false;
        }
        ParseIdDefines(std::string(headerBytes.begin(), headerBytes.end()), names);
    }
    ParseIdDefines(scriptText, names);
    return true;
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

Report CheckResourceScript(const std::string& scriptPath, const std::string& resourceFolder)
{
    Report report;
    std::vector<uint8_t> scriptBytes;
    if (!ReadFileBytes(scriptPath, scriptBytes)) {
        report.Error(scriptPath, "cannot read the resource script (missing file)");
        return report;
    }
    const size_t slash = scriptPath.rfind('/');
    const std::string scriptFolder = slash == std::string::npos ? std::string() : scriptPath.substr(0, slash + 1);
    std::string folder = scriptFolder;
    if (!resourceFolder.empty()) {
        folder = resourceFolder.back() == '/' ? resourceFolder : resourceFolder + "/";
    }
    report.fileFolder = FolderName(folder);

    const std::string scriptText(scriptBytes.begin(), scriptBytes.end());
    IdNames names;
    if (!ReadIdNames(scriptText, scriptFolder, names, report)) {
        return report; // without the names, no statement of the script could be told apart
    }
    std::vector<CheckedFile> files;
    std::set<int> seen;
    for (const ScriptEntry& entry : ParseResourceScript(scriptText, scriptPath, names, report)) {
        const std::string where = scriptPath + ":" + std::to_string(entry.line);
        const std::string kind = KindName(entry.kind);
        const RequiredForm* form = FindRequiredForm(entry.id);
        if (!form) {
            report.Warning(where, kind + " " + std::to_string(entry.id) + " is not one the launcher uses; not checked");
            continue;
        }
        if (form->kind != entry.kind) {
            report.Error(where, std::to_string(entry.id) + " is a " + kind + " here, required a " +
                                    KindName(form->kind) + " (" + form->what + ")");
            continue;
        }
        if (!seen.insert(entry.id).second) {
            report.Error(where, kind + " " + std::to_string(entry.id) + " is named twice");
            continue;
        }
        CheckedFile file{form, entry.file.compare(0, 1, "/") == 0 ? entry.file : folder + entry.file, {}, false};
        if (!ReadFileBytes(file.name, file.bytes)) {
            report.Error(file.name, "cannot read the file (missing, or not a file), required for " + kind + " " +
                                        std::to_string(form->id) + " (" + form->what + ")");
            continue;
        }
        ++report.checkedFiles;
        CheckFile(file, report);
        files.push_back(std::move(file));
    }
    for (const RequiredForm& form : RequiredForms()) {
        if (!seen.count(form.id)) {
            report.Error(scriptPath, std::string(KindName(form.kind)) + " " + std::to_string(form.id) + " (" +
                                         form.what + ") is missing from the script");
        }
    }
    CheckPalettes(files, report);
    return report;
}

} // namespace assetcheck
