// The required form of every picture the launcher draws, by id, from the header the build generates from
// resources/resource_table.txt; plain C++17, read by the asset check, the unit tests and the Wine tests.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace assetcheck {

// The place a picture fills in the launcher's window.
struct PictureSlot {
    int button;        // -1: the background; otherwise the button, 0..2
    bool underPointer; // the button's picture while the pointer is over it
    int installState;  // 0 (not installed) or 1 (installed) for button 0's pictures; -1: either
};

struct RequiredForm {
    int id;
    std::string file; // in the product's resource folder
    std::string what; // "256-colour button 0 under the pointer, installed"
    PictureSlot slot;
    int width, height;
    int bitsPerPixel;
    int tableEntries;       // colour-table entries the picture must carry (fewer than its depth's: biClrUsed says so)
    uint32_t resourceBytes; // exact size of the stored resource (file less its 14-byte header); 0: any
};

// Every picture the launcher draws, by id.
const std::vector<RequiredForm>& RequiredForms();
const RequiredForm* FindRequiredForm(int id);

} // namespace assetcheck
