#include "tools/assetcheck/required_forms.h"

#include "imaging/dib_rules.h"
#include "launcher/geometry.h"
#include "resource_forms.h"
#include "resources/resource_ids.h"

#include <algorithm>

namespace assetcheck {

namespace {

// The 256-colour background's resource is exactly its header, its palette and its pixel rows (each
// padded to 4 bytes): nothing is stored after them.
constexpr uint32_t kPaletteBackgroundBytes =
    kDibHeaderSize + 4u * 256u + (FixedWindowWidth + 3u) / 4u * 4u * FixedWindowHeight;

// The background fills the window, a button's picture its button; the palette's background (exact)
// stores nothing after its pixel rows.
#define PICTURE(id, file, what, bits, button, underPointer, installState, entries, exact)                \
    RequiredForm{id, file, what, PictureSlot{button, underPointer, installState},                       \
                 (button) < 0 ? FixedWindowWidth : FixedButtonWidth,                                    \
                 (button) < 0 ? FixedWindowHeight : FixedButtonHeight, bits, entries,                   \
                 (exact) ? kPaletteBackgroundBytes : 0},

const std::vector<RequiredForm> kForms = {RESOURCE_PICTURE_FORMS};

} // namespace

const std::vector<RequiredForm>& RequiredForms() { return kForms; }

const RequiredForm* FindRequiredForm(int id)
{
    const auto form = std::find_if(kForms.begin(), kForms.end(), [id](const RequiredForm& f) { return f.id == id; });
    return form == kForms.end() ? nullptr : &*form;
}

} // namespace assetcheck
