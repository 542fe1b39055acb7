#include "tools/assetcheck/required_forms.h"

#include "imaging/dib_rules.h"
#include "launcher/geometry.h"
#include "resources/resource_ids.h"

namespace assetcheck {

namespace {

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
RequiredForm Picture(int id, const char* file, int bits, const PictureSlot& slot, int tableEntries, PaletteRole role)
{
    const bool background = slot.button < 0;
    RequiredForm form{};
    form.id = id;
    form.kind = ResourceKind::Bitmap;
    form.file = file;
    form.what = SlotName(bits, slot);
    form.slot = slot;
    form.width = background ? FixedWindowWidth : FixedButtonWidth;
    form.height = background ? FixedWindowHeight : FixedButtonHeight;
    form.bitsPerPixel = bits;
    form.tableEntries = tableEntries;
    form.resourceBytes = role == PaletteRole::Source ? kPaletteBackgroundBytes : 0;
    form.paletteRole = role;
    return form;
}

RequiredForm Sound(int id, const char* name, const char* file, uint16_t formatTag, uint16_t channels, uint32_t samplesPerSecond,
                   uint16_t bitsPerSample, uint16_t blockAlign, uint32_t factSamples, double seconds)
{
    RequiredForm form{};
    form.id = id;
    form.kind = ResourceKind::Wave;
    form.file = file;
    form.what = name;
    form.formatTag = formatTag;
    form.channels = channels;
    form.samplesPerSecond = samplesPerSecond;
    form.bitsPerSample = bitsPerSample;
    form.blockAlign = blockAlign;
    form.factSamples = factSamples;
    form.seconds = seconds;
    return form;
}

RequiredForm IconGroup(int id, const char* name, const char* file)
{
    RequiredForm form{};
    form.id = id;
    form.kind = ResourceKind::Icon;
    form.file = file;
    form.what = name;
    return form;
}

#define PICTURE(id, file, bits, button, underPointer, installState, entries, role) \
    Picture(id, file, bits, PictureSlot{button, underPointer, installState}, entries, PaletteRole::role),
#define SOUND(id, file, ...) Sound(id, #id, file, __VA_ARGS__),
#define ICON_GROUP(id, file) IconGroup(id, #id, file),

const std::vector<RequiredForm> kForms = {RESOURCE_FORMS};

const std::vector<IconImageForm> kIconImages = {RESOURCE_ICON_IMAGES};

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
