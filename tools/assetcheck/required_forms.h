// The required form of every resource the launcher needs (pictures, sounds, icon), by id, made from the
// header the build generates from resources/resource_table.txt. Plain C++17 without platform headers:
// the asset check, the native unit tests and the Wine test program all read this one table.
#pragma once

#include "resource_forms.h"

#include <cstdint>
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

// A 236-entry table holds the palette's entries 10..245; Windows keeps the 20 others for itself.
constexpr int kSharedFirstEntry = RESOURCE_SHARED_FIRST_ENTRY;
constexpr int kSharedEntries = RESOURCE_SHARED_ENTRIES;

// The format tags of the sounds' 'fmt ' chunk.
constexpr uint16_t kWaveFormatPcm = 1;
constexpr uint16_t kWaveFormatMicrosoftAdpcm = 2;

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
    std::string file; // in the product's resource folder
    std::string what;

    // pictures
    PictureSlot slot;
    int width;
    int height;
    int bitsPerPixel;
    int tableEntries;          // colour-table entries the picture must carry (236: biClrUsed says so)
    uint32_t resourceBytes;    // exact size of the stored resource (file less its 14-byte header); 0: any
    PaletteRole paletteRole;

    // sounds
    uint16_t formatTag;        // kWaveFormatPcm or kWaveFormatMicrosoftAdpcm
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

} // namespace assetcheck
