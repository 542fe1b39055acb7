"""The profile's language and the captions of drawn art: each Western European tag gives the language
identifier the resources carry and the version block's string table key, as the generated header writes
them for the resource script; every language's default captions fit their buttons; a caption too wide or
too high is refused by make-art with its exact line (the width found and the room there is), before
anything is drawn."""
import subprocess
from pathlib import Path

import pytest

from launcherkit import geometry, languages
from launcherkit import profile as product_profile
from launcherkit.art.captions import caption_faults
from launcherkit.profile_output import header_text

REPO = Path(__file__).resolve().parents[2]
SHIPPED = REPO / "resources" / "product.profile"
BUTTON = geometry.read().button_size

# (tag, language identifier, version block string table key), as Windows names them (winnt.h: the
# primary language in the low 10 bits, the sublanguage above).
TAGS = [
    ("de-DE", 0x0407, "040704b0"), ("en-US", 0x0409, "040904b0"), ("en-GB", 0x0809, "080904b0"),
    ("fr-FR", 0x040C, "040c04b0"), ("es-ES", 0x0C0A, "0c0a04b0"), ("it-IT", 0x0410, "041004b0"),
    ("nl-NL", 0x0413, "041304b0"), ("pt-BR", 0x0416, "041604b0"), ("sv-SE", 0x041D, "041d04b0"),
    ("da-DK", 0x0406, "040604b0"), ("nb-NO", 0x0414, "041404b0"), ("fi-FI", 0x040B, "040b04b0"),
    ("de-CH", 0x0807, "080704b0"), ("pt-PT", 0x0816, "081604b0"), ("is-IS", 0x040F, "040f04b0"),
]


def profile_in(tmp_path, **values):
    """The shipped profile with `values` in place of its own, written into tmp_path (folders absolute)."""
    text = SHIPPED.read_text(encoding="utf-8")
    lines = []
    for line in text.splitlines():
        key = line.split(" =")[0]
        if key in values:
            line = "%s = %s" % (key, values.pop(key))
        elif key in ("art_masters", "sound_sources", "resource_folder"):
            line = "%s = %s" % (key, tmp_path / key)
        lines.append(line)
    lines += ["%s = %s" % item for item in values.items()]
    path = tmp_path / "product.profile"
    path.write_text("\n".join(lines) + "\n", encoding="utf-8")
    return product_profile.read_profile(str(path))


@pytest.mark.parametrize("tag, language_id, table_key", TAGS, ids=[tag for tag, _, _ in TAGS])
def test_each_western_tag_gives_its_language_to_the_resource_script(tmp_path, tag, language_id, table_key):
    header = header_text(profile_in(tmp_path, language=tag)).splitlines()
    assert ["#define PRODUCT_LANGUAGE 0x%02X" % (language_id & 0x3FF),
            "#define PRODUCT_SUBLANGUAGE 0x%02X" % (language_id >> 10),
            "#define PRODUCT_LANGUAGE_ID 0x%04X" % language_id,
            '#define PRODUCT_STRING_TABLE "%s"' % table_key,
            "#define PRODUCT_CODE_PAGE 1200"] == [line for line in header if "LANGUAGE" in line or "STRING_TABLE" in line
                                                  or "CODE_PAGE" in line]


def test_every_tag_of_windows_1252_is_supported_and_no_other():
    supported = set(languages.supported_tags())
    assert {tag for tag, _, _ in TAGS} <= supported
    assert not supported & {"pl-PL", "cs-CZ", "ru-RU", "el-GR", "tr-TR", "ja-JP", "zh-CN", "vi-VN", "et-EE"}


def test_every_languages_default_captions_fit_their_buttons(tmp_path):
    assert {"de", "en", "fr", "es", "it", "nl", "pt", "sv", "da", "nb", "fi"} <= set(languages.TEXTS)
    faults = []
    for language in sorted(languages.TEXTS):
        tag = next(t for t in languages.supported_tags() if t.startswith(language + "-"))
        folder = tmp_path / language
        folder.mkdir()
        profile = profile_in(folder, language=tag, **{key: languages.Language(tag).default_text(key, "")
                                                       for key in languages.CAPTION_KEYS})
        faults += caption_faults(profile, BUTTON)
    assert faults == []


ROOM = ("the room inside the 90 x 40-pixel button, less its 2-pixel edges, the caption's shadow and the pixel it "
        "moves when pressed")
FONT = "12 points in DejaVuSansCondensed-Bold"
# (what, key, caption, the line expected for it; {p} the profile, {n} its line; None: it fits)
CAPTIONS = [
    ("one line that fits", "caption_install", "Install", None),
    ("two lines that fit", "caption_browse", "Parcourir | le CD", None),
    ("one line of 84 pixels", "caption_remove", "Deinstallieren", None),
    ("one line too wide", "caption_browse", "Parcourir le contenu du CD",
     '{p}:{n}: caption_browse: found "Parcourir le contenu du CD", 164 pixels wide at %s; required at most 84 pixels '
     'wide, %s; break it into lines with " | " or shorten it' % (FONT, ROOM)),
    ("second line too wide", "caption_cancel", "Cancel | the whole thing now",
     '{p}:{n}: caption_cancel: found "Cancel | the whole thing now", 126 pixels wide at %s; required at most 84 '
     'pixels wide, %s; break it into lines with " | " or shorten it' % (FONT, ROOM)),
    ("three lines too high", "caption_browse", "Browse | the | CD",
     '{p}:{n}: caption_browse: found "Browse | the | CD", 38 pixels high at %s; required at most 34 pixels high, '
     "%s; fewer lines" % (FONT, ROOM)),
]


@pytest.mark.parametrize("key, caption, expected", [case[1:] for case in CAPTIONS], ids=[case[0] for case in CAPTIONS])
def test_a_caption_is_held_to_its_buttons_room(tmp_path, key, caption, expected):
    profile = profile_in(tmp_path, **{key: caption})
    line = next(n for n, text in enumerate(Path(profile.path).read_text().splitlines(), 1) if text.startswith(key))
    assert caption_faults(profile, BUTTON) == ([] if expected is None else
                                               [expected.format(p=profile.path, n=line)])


def test_make_art_refuses_a_caption_that_does_not_fit_before_it_draws(tmp_path):
    profile = profile_in(tmp_path, caption_remove="Entfernen jetzt")
    result = subprocess.run([str(REPO / "tools" / "kit"), "art", "make", "--profile", profile.path,
                             "--plain", "#203040"], capture_output=True, text=True, timeout=120)
    assert result.returncode == 1, result.stdout + result.stderr
    assert result.stderr.splitlines()[-1] == "make-art: 1 caption too large for its button; nothing made"
    assert 'caption_remove: found "Entfernen jetzt", 91 pixels wide' in result.stderr
    assert not (tmp_path / "art_masters").exists() and not (tmp_path / "resource_folder").exists()
