#include "tools/assetcheck/required_forms.h"

#include "imaging/dib_rules.h"
#include "launcher/geometry.h"
#include "resources/resource_ids.h"

namespace assetcheck {

namespace {

constexpr PictureSlot kBackground{-1, false, -1};
constexpr PictureSlot kInstallAtRest{0, false, 0}, kInstallUnderPointer{0, true, 0};
constexpr PictureSlot kRemoveAtRest{0, false, 1}, kRemoveUnderPointer{0, true, 1};
constexpr PictureSlot kBrowseAtRest{1, false, -1}, kBrowseUnderPointer{1, true, -1};
constexpr PictureSlot kCancelAtRest{2, false, -1}, kCancelUnderPointer{2, true, -1};

// The colour table a picture carries, and what the 256-colour palette rule asks of it.
struct ColourTable {
    int entries;
    PaletteRole paletteRole;
};
constexpr ColourTable kNoTable{0, PaletteRole::None};
constexpr ColourTable kSixteenColours{16, PaletteRole::None};
constexpr ColourTable kPaletteSource{256, PaletteRole::Source};
constexpr ColourTable kWholePalette{256, PaletteRole::FullTable};
constexpr ColourTable kSharedPalette{kSharedEntries, PaletteRole::SharedTable};

// The 256-colour background's resource is exactly its header, its palette and its pixel rows (each
// padded to 4 bytes): nothing is stored after them.
constexpr uint32_t kPaletteBackgroundBytes =
    kDibHeaderSize + 4u * 256u + (FixedWindowWidth + 3u) / 4u * 4u * FixedWindowHeight;

// "256-colour button 0 under the pointer, installed": the picture's set and slot, as findings name it.
std::string SlotName(int bits, const PictureSlot& slot)
{
    std::string text = bits == 4 ? "16-colour " : bits == 8 ? "256-colour " : "true-colour ";
    if (slot.button < 0) {
        return text + "background";
    }
    text += "button " + std::to_string(slot.button) + (slot.underPointer ? " under the pointer" : " at rest");
    if (slot.installState >= 0) {
        text += slot.installState ? ", installed" : ", not installed";
    }
    return text;
}

// The background fills the window; a button's picture fills its button.
RequiredForm Picture(int id, int bits, const PictureSlot& slot, const ColourTable& table, uint32_t resourceBytes = 0)
{
    const bool background = slot.button < 0;
    RequiredForm form{};
    form.id = id;
    form.kind = ResourceKind::Bitmap;
    form.what = SlotName(bits, slot);
    form.slot = slot;
    form.width = background ? FixedWindowWidth : FixedButtonWidth;
    form.height = background ? FixedWindowHeight : FixedButtonHeight;
    form.bitsPerPixel = bits;
    form.tableEntries = table.entries;
    form.resourceBytes = resourceBytes;
    form.paletteRole = table.paletteRole;
    return form;
}

RequiredForm Sound(int id, const char* what, uint16_t formatTag, uint16_t channels, uint32_t samplesPerSecond,
                   uint16_t bitsPerSample, uint16_t blockAlign, uint32_t factSamples, double seconds)
{
    RequiredForm form{};
    form.id = id;
    form.kind = ResourceKind::Wave;
    form.what = what;
    form.formatTag = formatTag;
    form.channels = channels;
    form.samplesPerSecond = samplesPerSecond;
    form.bitsPerSample = bitsPerSample;
    form.blockAlign = blockAlign;
    form.factSamples = factSamples;
    form.seconds = seconds;
    return form;
}

RequiredForm IconGroup(int id, const char* what)
{
    RequiredForm form{};
    form.id = id;
    form.kind = ResourceKind::Icon;
    form.what = what;
    return form;
}

const std::vector<RequiredForm> kForms = {
    // 16-colour screens
    Picture(IDB_BACKGROUND_4BPP, 4, kBackground, kSixteenColours),
    Picture(IDB_INSTALL_REST_4BPP, 4, kInstallAtRest, kSixteenColours),
    Picture(IDB_INSTALL_HOVER_4BPP, 4, kInstallUnderPointer, kSixteenColours),
    Picture(IDB_REMOVE_REST_4BPP, 4, kRemoveAtRest, kSixteenColours),
    Picture(IDB_REMOVE_HOVER_4BPP, 4, kRemoveUnderPointer, kSixteenColours),
    Picture(IDB_BROWSE_REST_4BPP, 4, kBrowseAtRest, kSixteenColours),
    Picture(IDB_BROWSE_HOVER_4BPP, 4, kBrowseUnderPointer, kSixteenColours),
    Picture(IDB_CANCEL_REST_4BPP, 4, kCancelAtRest, kSixteenColours),
    Picture(IDB_CANCEL_HOVER_4BPP, 4, kCancelUnderPointer, kSixteenColours),
    // 256-colour screens
    Picture(IDB_BACKGROUND_8BPP, 8, kBackground, kPaletteSource, kPaletteBackgroundBytes),
    Picture(IDB_INSTALL_REST_8BPP, 8, kInstallAtRest, kSharedPalette),
    Picture(IDB_INSTALL_HOVER_8BPP, 8, kInstallUnderPointer, kSharedPalette),
    Picture(IDB_REMOVE_REST_8BPP, 8, kRemoveAtRest, kWholePalette),
    Picture(IDB_REMOVE_HOVER_8BPP, 8, kRemoveUnderPointer, kWholePalette),
    Picture(IDB_BROWSE_REST_8BPP, 8, kBrowseAtRest, kSharedPalette),
    Picture(IDB_BROWSE_HOVER_8BPP, 8, kBrowseUnderPointer, kSharedPalette),
    Picture(IDB_CANCEL_REST_8BPP, 8, kCancelAtRest, kWholePalette),
    Picture(IDB_CANCEL_HOVER_8BPP, 8, kCancelUnderPointer, kWholePalette),
    // deeper screens
    Picture(IDB_BACKGROUND_24BPP, 24, kBackground, kNoTable),
    Picture(IDB_INSTALL_REST_24BPP, 24, kInstallAtRest, kNoTable),
    Picture(IDB_INSTALL_HOVER_24BPP, 24, kInstallUnderPointer, kNoTable),
    Picture(IDB_REMOVE_REST_24BPP, 24, kRemoveAtRest, kNoTable),
    Picture(IDB_REMOVE_HOVER_24BPP, 24, kRemoveUnderPointer, kNoTable),
    Picture(IDB_BROWSE_REST_24BPP, 24, kBrowseAtRest, kNoTable),
    Picture(IDB_BROWSE_HOVER_24BPP, 24, kBrowseUnderPointer, kNoTable),
    Picture(IDB_CANCEL_REST_24BPP, 24, kCancelAtRest, kNoTable),
    Picture(IDB_CANCEL_HOVER_24BPP, 24, kCancelUnderPointer, kNoTable),
    // sounds: format, channels, samples per second, bits per sample, block align, 'fact' samples, seconds
    Sound(IDW_WELCOME_SOUND, "welcome chime", kWaveFormatMicrosoftAdpcm, 2, 44100, 4, 2048, 61800, 61800.0 / 44100.0),
    Sound(IDW_HOVER_SOUND, "hover click", kWaveFormatPcm, 2, 44100, 16, 4, 0, 0.37),
    // icon
    IconGroup(IDI_PRODUCT_ICON, "product icon"),
};

const std::vector<IconImageForm> kIconImages = {
    {48, 24}, {48, 8}, {48, 4}, {32, 24}, {32, 8}, {32, 4},
};

} // namespace

const char* KindName(ResourceKind kind)
{
    switch (kind) {
    case ResourceKind::Bitmap: return "BITMAP";
    case ResourceKind::Wave: return "WAVE";
    case ResourceKind::Icon: return "ICON";
    }
    return "?";
}

const std::vector<RequiredForm>& RequiredForms() { return kForms; }

const std::vector<IconImageForm>& RequiredIconImages() { return kIconImages; }

const RequiredForm* FindRequiredForm(int id)
{
    for (const RequiredForm& form : kForms) {
        if (form.id == id) {
            return &form;
        }
    }
    return nullptr;
}

} // namespace assetcheck
