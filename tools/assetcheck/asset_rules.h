// The required forms of the launcher's resources (pictures, sounds, icon) and the checks that hold
// each file named by the resource script to its form. Plain C++17, no platform headers, so that the
// check runs on the build machine and its logic can be unit-tested.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace assetcheck {

enum class ResourceKind { Bitmap, Wave, Icon };

const char* KindName(ResourceKind kind); // "BITMAP", "WAVE", "ICON", as written in the script

// What the 8-bit palette rule asks of a picture.
enum class PaletteRole {
    None,
    Source,      // the 8-bit background: its colour table is the launcher's palette
    FullTable,   // an 8-bit button with the whole 256-entry palette
    SharedTable  // an 8-bit button whose 236-entry table is the palette's entries 10..245
};

struct IconImageForm {
    int size;         // width and height in pixels
    int bitsPerPixel;
};

// The place a picture fills in the launcher's window.
struct PictureSlot {
    int button;        // -1: the background; otherwise the button, 0..2
    bool underPointer; // the button's picture while the pointer is over it
    int installState;  // 0 (not installed) or 1 (installed) for button 0's pictures; -1: either
};

// One resource's required form. Fields that do not apply to the kind are zero.
struct RequiredForm {
    int id;
    ResourceKind kind;
    std::string what;

    // pictures
    PictureSlot slot;
    int width;
    int height;
    int bitsPerPixel;
    int tableEntries;          // colour-table entries the picture must carry
    bool clrUsedRequired;      // biClrUsed must state tableEntries (a shortened table)
    uint32_t resourceBytes;    // exact size of the stored resource (file less its 14-byte header); 0: any
    PaletteRole paletteRole;

    // sounds
    uint16_t formatTag;        // 1 PCM, 2 Microsoft ADPCM
    uint16_t channels;
    uint32_t samplesPerSecond;
    uint16_t bitsPerSample;
    uint16_t blockAlign;
    uint32_t factSamples;      // sample count the "fact" chunk must state; 0: no fact chunk required
    double seconds;            // about how long the sound lasts
};

// Every resource the launcher needs, by id.
const std::vector<RequiredForm>& RequiredForms();
const RequiredForm* FindRequiredForm(int id);
// The images the icon group must hold.
const std::vector<IconImageForm>& RequiredIconImages();

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

    void Error(const std::string& file, const std::string& text);
    void Warning(const std::string& file, const std::string& text);
    bool HasErrors() const;
    size_t ErrorCount() const;
    size_t WarningCount() const;
};

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

// Hold one file's bytes to its form; findings name the file as `name`.
void CheckBitmap(const RequiredForm& form, const std::string& name, const std::vector<uint8_t>& bytes,
                 Report& report);
void CheckWave(const RequiredForm& form, const std::string& name, const std::vector<uint8_t>& bytes,
               Report& report);
void CheckIcon(const RequiredForm& form, const std::string& name, const std::vector<uint8_t>& bytes,
               Report& report);

// Warns for every colour an 8-bit button picture uses that the background's palette lacks (for a
// shortened table: that the palette's entries 10..245 lack). Both files must already have passed
// CheckBitmap; files that cannot be read as 8-bit pictures are left alone.
void CheckPaletteUse(const RequiredForm& buttonForm, const std::string& buttonName,
                     const std::vector<uint8_t>& button, const std::string& backgroundName,
                     const std::vector<uint8_t>& background, Report& report);

// The whole check: reads the script at `scriptPath` and the headers it includes (for the names of its
// ids; they lie beside the script), every file it names (relative to `resourceFolder`, or to the
// script's folder when that is empty) and holds them to their forms; also reports required resources
// the script lacks.
Report CheckResourceScript(const std::string& scriptPath, const std::string& resourceFolder = std::string());

} // namespace assetcheck
