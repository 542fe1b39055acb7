"""The product profile's checks: each kind of faulty profile, made from the shipped one by changing one
line, is refused with its exact message (file, line, key, what was found, what is required); values at
their limits pass; a profile in a folder of letters beyond ASCII and punctuation is written out for CMake
exactly; and a faulty profile stops the CMake configuration and scripts/make-medium.sh."""
import subprocess
from pathlib import Path

import pytest

from launcherkit import profile as product_profile
from launcherkit import version_block

REPO = Path(__file__).resolve().parents[2]

# The shipped profile's values; the valid profile holds them, one key a line after a comment line, in the
# kit's order, so that a key's line number is its position in that order plus 2.
SHIPPED = product_profile.read_profile(str(REPO / "resources" / "product.profile")).values
# The keys the shipped profile holds, with the defaults of those it leaves out (all but content_folder).
KEY_ORDER = [key for key in product_profile.KEYS if key in SHIPPED]
VALID = "# a valid profile\n" + "".join("%s = %s\n" % (key, SHIPPED[key]) for key in KEY_ORDER)
END = len(KEY_ORDER) + 2  # the line after the last

ALL_KEYS = ", ".join(product_profile.KEYS)
ELEVATION = ('none of "install", "setup", "update", "patch" in any case, even inside a word: Windows Vista and '
             "later would take the launcher for an installer and ask for elevation at every insertion of the disc")
NAME_83 = ("a plain 8.3 file name as the medium's ISO 9660 names are: 1 to 8 of A-Z 0-9 _, a dot, 1 to 3 of them")
ANSI = "characters of the ANSI code page Windows-1252, in which the launcher's texts are compiled"
GUID = "a GUID in braces, {8-4-4-4-12} hexadecimal digits"
VERSION = "four numbers from 0 to 65535 with dots between, as 1.0.0.1"
VOLUME = "1 to 16 of A-Z 0-9 _ (the volume name that ISO 9660 and Joliet both keep whole)"
PATH = ("a path of letters, digits, spaces and / . _ - + , = @ % # ( ) only (the build hands it to CMake and "
        "to a shell, which read other characters as syntax)")
PROGRAM = "a Windows program's name, ending in .EXE"
AUTORUN = "a name other than AUTORUN.INF, which the medium's root holds for AutoPlay"
WESTERN = ("a Windows language tag whose ANSI code page is Windows-1252, in which the launcher's texts and "
           "AUTORUN.INF are compiled: ca-ES, da-DK, de-AT, de-CH, de-DE, de-LU, en-AU, en-CA, en-GB, en-IE, en-NZ, "
           "en-US, es-ES, es-MX, eu-ES, fi-FI, fo-FO, fr-BE, fr-CA, fr-CH, fr-FR, fr-LU, ga-IE, gl-ES, is-IS, "
           "it-CH, it-IT, lb-LU, nb-NO, nl-BE, nl-NL, nn-NO, pt-BR, pt-PT, sv-FI, sv-SE")
DEVICE = ("a name that is not a device's (CON, PRN, AUX, NUL, COM0 to COM9, LPT0 to LPT9), which Windows opens as "
          "the device whatever the extension")


def line_of(key):
    return KEY_ORDER.index(key) + 2


def refused(key, found, required, line=None):
    """The message for `key` (on its own line unless `line` says otherwise); {p} stands for the path."""
    return "{p}:%d: %s: found %s; required %s" % (line_of(key) if line is None else line, key, found, required)


def replaced(key, line):
    """VALID with the line of `key` replaced by `line` (None: removed)."""
    out = []
    for text in VALID.splitlines():
        if text.startswith(key + " ="):
            if line is not None:
                out.append(line)
        else:
            out.append(text)
    return "\n".join(out) + "\n"


def valued(key, value):
    return replaced(key, "%s = %s" % (key, value))


def appended(line):
    return VALID + line + "\n"


GUID_VALUE = SHIPPED["uninstall_guid"]
LAUNCHER = SHIPPED["original_filename"]
# One text longer than the version block holds, and what the message says about it: with the other texts
# as shipped, the block would be BLOCK_BYTES long, and TEXT_LIMIT characters is what fits.
LONG_TEXT = "L" * 40000
BLOCK_BYTES = version_block.size(version_block.texts(dict(SHIPPED, legal_copyright=LONG_TEXT)))
TEXT_LIMIT = version_block.longest_fitting(version_block.texts(SHIPPED), "legal_copyright")

def bad_value(what, key, value, required, found=None):
    """The case of `key` holding `value`, refused with `found` (by default the value in quotes)."""
    return what, valued(key, value), refused(key, found or '"%s"' % value, required)


# (what, profile text, the one message expected; {p} is the profile's path)
BROKEN = [
    ("unknown key", appended("colour = red"),
     refused("colour", "an unknown key", "one of the known keys: " + ALL_KEYS, END)),
    ("unknown key close to a known one", appended("volume_label = DISC1"),
     refused("volume_label", "an unknown key", 'the key "volume_name" or another known one', END)),
    ("missing key", replaced("setup_program", None),
     refused("setup_program", "no such key (end of file)", "a line setup_program = ... "
             "(the setup program the install button starts, beside the launcher)", END - 1)),
    ("key twice", appended("product_name = Zweites Produkt"),
     refused("product_name", "the key a second time (first on line 2)", "each key once", END)),
    ("line without =", appended("just words"),
     refused("(line)", '"just words", which is not a key = value line',
             "key = value lines and # comment lines only", END)),
    ("section header", appended("[extra]"),
     refused("(line)", "the section header [extra]", "key = value lines only", END)),
    ("empty value", replaced("legal_copyright", "legal_copyright ="),
     refused("legal_copyright", "an empty value", "a value")),
    bad_value("product name too long for a window class", "product_name", "Q" * 256,
              "at most 255 (the longest window class name the system registers)", "256 characters"),
    bad_value("GUID one digit short", "uninstall_guid", GUID_VALUE[:-2] + "}", GUID),
    bad_value("GUID without braces", "uninstall_guid", GUID_VALUE[1:-1], GUID),
    bad_value("GUID with a letter that is no hex digit", "uninstall_guid", GUID_VALUE[:-2] + "G}", GUID),
    bad_value("setup name with a hyphen", "setup_program", "DISC-1.EXE", NAME_83),
    bad_value("setup name of nine characters", "setup_program", "PROGRAMME.EXE", NAME_83),
    bad_value("setup name in small letters", "setup_program", SHIPPED["setup_program"].lower(), NAME_83),
    bad_value("setup name without extension", "setup_program", "DISC1", NAME_83),
    bad_value("launcher name that is no 8.3 name", "original_filename", "Start Disc.exe", NAME_83),
    bad_value("character outside Windows-1252", "company_name", "Nordlicht \u2603 GmbH", ANSI,
              '"Nordlicht \u2603 GmbH" with "\u2603" (U+2603) at character 11'),
    bad_value("CJK product name", "product_name", "\u5149\u6e90", ANSI,
              '"\u5149\u6e90" with "\u5149" (U+5149) at character 1'),
    bad_value("AutoPlay text outside Windows-1252", "autorun_action", "Start \u2192 Disc", ANSI,
              '"Start \u2192 Disc" with "\u2192" (U+2192) at character 7'),
    bad_value("tab in a text", "legal_copyright", "(C)\t2024", "printable characters",
              '"(C)\\x092024" with the control character U+0009 at character 4'),
    # Control characters are shown escaped, never sent to the terminal as they are.
    bad_value("terminal escape in a text", "company_name", "A\x1b[2J", "printable characters",
              '"A\\x1b[2J" with the control character U+001B at character 2'),
    bad_value("DEL in a text", "company_name", "A\x7fB", "printable characters",
              '"A\\x7fB" with the control character U+007F at character 2'),
] + [bad_value("%s named %s" % (key, name), key, name, DEVICE, '"%s"' % name)
     for key in ("setup_program", "original_filename")
     for name in ("NUL.EXE", "CON.EXE", "COM1.EXE", "AUX.EXE", "LPT1.EXE", "PRN.EXE")] + [
    bad_value("description with setup", "file_description", SHIPPED["product_name"] + " Setup", ELEVATION,
              '"%s Setup" holding "setup"' % SHIPPED["product_name"]),
    bad_value("launcher file name with install", "original_filename", "INSTALL.EXE", ELEVATION,
              '"INSTALL.EXE" holding "install"'),
    bad_value("internal name with update inside a word", "internal_name", "AutoUpdater", ELEVATION,
              '"AutoUpdater" holding "update"'),
    bad_value("company with patch inside a word", "company_name", "Dispatcher GmbH", ELEVATION,
              '"Dispatcher GmbH" holding "patch"'),
    bad_value("product name in the version block with install", "version_product_name", "Nordlicht Reinstaller",
              ELEVATION, '"Nordlicht Reinstaller" holding "install"'),
    bad_value("version of three numbers", "file_version", "1.0.0", VERSION),
    bad_value("version number above 65535", "product_version", "1.0.0.65536", VERSION),
    bad_value("volume name in small letters", "volume_name", SHIPPED["volume_name"].lower(), VOLUME),
    bad_value("volume name of 17 characters", "volume_name", "V" * 17, VOLUME),
    bad_value("AutoPlay text read as a resource", "autorun_action", "@%s,-1" % LAUNCHER,
              "a text that does not begin with @ (Windows reads @ as a resource reference)"),
    bad_value("setup program named as the launcher", "setup_program", LAUNCHER,
              "a name other than the launcher's, or the install button would start the launcher again",
              '"%s", which is also the launcher\'s name (original_filename, line %d)'
              % (LAUNCHER, line_of("original_filename"))),
    bad_value("setup program named AUTORUN.INF", "setup_program", "AUTORUN.INF", AUTORUN),
    bad_value("launcher named AUTORUN.INF", "original_filename", "AUTORUN.INF", AUTORUN),
    bad_value("setup program that is no .EXE", "setup_program", "DISC1.COM", PROGRAM),
    bad_value("language of another code page", "language", "pl-PL", WESTERN,
              '"pl-PL", whose ANSI code page is Windows-1250'),
    bad_value("language of an East Asian code page", "language", "ja-JP", WESTERN,
              '"ja-JP", whose ANSI code page is code page 932'),
    bad_value("language the kit does not know", "language", "en-DE", WESTERN, '"en-DE", a tag the kit does not know'),
    bad_value("language tag in small letters", "language", "en-us", 'the tag as Windows writes it, "en-US"; ' + WESTERN),
    bad_value("caption outside Windows-1252", "caption_browse", "Browse \u2192 CD", ANSI,
              '"Browse \u2192 CD" with "\u2192" (U+2192) at character 8'),
    bad_value("welcome line with a tab", "welcome_line", "Welcome\tback", "printable characters",
              '"Welcome\\x09back" with the control character U+0009 at character 8'),
    bad_value("launcher that is no .EXE", "original_filename", "START.BAT", PROGRAM),
    bad_value("version text longer than the version block holds", "legal_copyright", LONG_TEXT,
              "at most %d characters with the other version texts as they are: a version block's lengths are "
              "16-bit, so it holds at most 65535 bytes" % TEXT_LIMIT,
              "40000 characters, which make the version block %d bytes long" % BLOCK_BYTES),
    ("bare carriage returns as line ends", VALID.replace("\n", "\r"),
     refused("(file)", "lines ending in a bare carriage return (CR, as classic Mac OS wrote them)",
             "lines ending in LF or CR LF", 1)),
    ("a bare carriage return at the very end", VALID + "\r",
     refused("(file)", "lines ending in a bare carriage return (CR, as classic Mac OS wrote them)",
             "lines ending in LF or CR LF", END)),
    # configparser's default section is named NUL: keys under such a header must not become the profile's.
    ("a key under a section header of NUL", replaced("product_name", None) + "[\0]\nproduct_name = Versteckt\n",
     refused("(line)", "the section header [\\x00]", "key = value lines only", END - 1)),
    ("an indented key on the first line, given again later",
     "  " + appended("product_name = Zweites Produkt").split("\n", 1)[1],
     refused("product_name", "the key a second time (first on line 1)", "each key once", END - 1)),
    ("content folder with a semicolon", appended("content_folder = cd;x"),
     refused("content_folder", '"cd;x" with ";" at character 3', PATH, END)),
    ("form feed in a comment does not move the line numbers", "# page\f break\n" + valued("volume_name", "x"),
     refused("volume_name", '"x"', VOLUME, line_of("volume_name") + 1)),
] + [bad_value("folder with %s" % what, "resource_folder", "res%sources" % character, PATH,
               '"res%sources" with "%s" at character 4' % (character, character))
     for what, character in [("a semicolon", ";"), ("a backtick", "`"), ("a dollar sign", "$"),
                             ("a double quote", '"'), ("a single quote", "'"), ("a backslash", "\\"),
                             ("a glob pattern", "*"), ("an ampersand", "&")]]


# A folder of every kind of character a path may hold.
PLAIN_HOSTILE_FOLDER = "j\u00fcrgen Mein Produkt (2024) #1 a+b,c=d@e%f"

# (key, a value at the limit of what the key takes)
LIMITS = [
    ("product_name", "Q" * 255), ("setup_program", "ABCDEFGH.EXE"), ("original_filename", "L.EXE"),
    ("file_version", "65535.65535.65535.65535"), ("volume_name", "A" * 16),
    ("company_name", "\u20ac \u00a9 \u2013 \u00ff"), ("uninstall_guid", "{abcdef01-2345-6789-abcd-ef0123456789}"),
    ("legal_copyright", "L" * TEXT_LIMIT), ("resource_folder", PLAIN_HOSTILE_FOLDER + "/_-."),
]


def messages(path):
    """What read_profile refuses the profile at path with; [] when it accepts it."""
    try:
        product_profile.read_profile(str(path))
    except product_profile.ProfileError as e:
        return e.messages
    return []


@pytest.fixture
def write_profile(tmp_path):
    """write_profile(text, encoding="utf-8", folder="") writes a profile into the test's own folder (or a
    folder of that name in it); its path."""
    def write(text, encoding="utf-8", folder=""):
        path = tmp_path / folder / "product.profile"
        path.parent.mkdir(exist_ok=True)
        path.write_text(text, encoding=encoding, newline="")
        return str(path)
    return write


def test_the_valid_profile_passes(write_profile):
    assert messages(write_profile(VALID)) == []


@pytest.mark.parametrize("text, expected", [case[1:] for case in BROKEN], ids=[case[0] for case in BROKEN])
def test_each_broken_profile_is_refused_with_its_exact_message(write_profile, text, expected):
    path = write_profile(text)
    assert messages(path) == [expected.replace("{p}", path)]


def test_a_file_that_is_not_utf8_is_refused_with_the_line_of_the_first_bad_byte(write_profile):
    path = write_profile(valued("company_name", "M\u00fcller GmbH"), encoding="cp1252")
    assert messages(path) == ["%s:%d: (file): found a byte 0xFC that is not UTF-8; required a UTF-8 text file"
                              % (path, line_of("company_name"))]


@pytest.mark.parametrize("folder, found", [("a;b", '";"'), ("a\nset(INJECTED 1)\n#", "the control character U+000A")],
                         ids=["semicolon", "line break"])
def test_a_profile_whose_path_the_build_cannot_name_is_refused(write_profile, tmp_path, folder, found):
    path = write_profile(VALID, folder=folder)
    shown = path.replace("\n", "\\x0a")
    at = path.index(folder[1]) + 1
    assert messages(path) == ["%s:0: (file): found %s at character %d of the file's path; required %s"
                              % (shown, found, at, PATH)]


@pytest.mark.parametrize("key, value", LIMITS, ids=[key for key, _ in LIMITS])
def test_a_value_at_its_limit_passes(write_profile, key, value):
    assert messages(write_profile(valued(key, value))) == []


@pytest.mark.parametrize("text", [VALID.replace("\n", "\r\n"), "\ufeff" + VALID],
                         ids=["DOS line endings", "a UTF-8 byte order mark"])
def test_a_profile_as_windows_editors_write_it_passes(write_profile, text):
    assert messages(write_profile(text)) == []


@pytest.mark.parametrize("path", ["resources/product.profile", "tests/profile/todays-values.profile",
                                  "docs/examples/zyndra-atlas/product.profile"])
def test_the_shipped_profiles_pass(path):
    assert messages(REPO / path) == []


def test_every_fault_of_a_profile_is_listed(write_profile):
    text = valued("setup_program", "setup.exe").replace(
        "volume_name = %s" % SHIPPED["volume_name"], "volume_name = x")
    path = write_profile(text)
    assert messages(path) == [refused("setup_program", '"setup.exe"', NAME_83).replace("{p}", path),
                              refused("volume_name", '"x"', VOLUME).replace("{p}", path)]


def test_generate_writes_the_folders_of_a_profile_in_any_allowed_folder_exactly(write_profile, tmp_path):
    """The folders reach CMake exactly as the profile names them, and no path lands in the header (which
    is ASCII): the profile's folder is written nowhere but in the folders' string literals."""
    path = write_profile(VALID, folder=PLAIN_HOSTILE_FOLDER)
    generated = tmp_path / "generated"
    assert product_profile.main(["generate", path, str(generated)]) == 0
    header = (generated / "product_profile.h").read_bytes()
    assert "Mein Produkt" not in header.decode("ascii")
    script = tmp_path / "print_folders.cmake"
    script.write_text('include(generated/product_profile.cmake)\n'
                      'foreach(key ART_MASTERS SOUND_SOURCES RESOURCE_FOLDER)\n'
                      '  message("${PRODUCT_${key}}")\n'
                      'endforeach()\n', encoding="utf-8")
    printed = subprocess.run(["cmake", "-P", str(script)], cwd=tmp_path, capture_output=True, text=True,
                             timeout=60)
    profile = product_profile.read_profile(path)
    assert printed.stderr.splitlines() == [profile.folder(key) for key in
                                           ("art_masters", "sound_sources", "resource_folder")]


@pytest.fixture(params=["broken GUID", "semicolon in the folder"])
def broken_profile(request, write_profile):
    """(path, its message) of a profile with a broken GUID, or of one in a folder whose name has a ;."""
    if request.param == "broken GUID":
        path = write_profile(valued("uninstall_guid", "{nope}"))
        return path, refused("uninstall_guid", '"{nope}"', GUID).replace("{p}", path)
    path = write_profile(VALID, folder="a;b")
    return path, "%s:0: (file): found \";\" at character %d of the file's path; required %s" % (
        path, path.index(";") + 1, PATH)


def test_a_broken_profile_stops_the_configuration(broken_profile, tmp_path):
    path, expected = broken_profile
    configure = subprocess.run(["cmake", "-S", str(REPO), "-B", str(tmp_path / "build"), "-G", "Ninja",
                                "-DLAUNCHER_PROFILE=" + path], capture_output=True, text=True, timeout=300)
    assert configure.returncode != 0
    assert expected in configure.stderr


def test_a_broken_profile_stops_the_medium(broken_profile, tmp_path):
    path, expected = broken_profile
    medium = subprocess.run([str(REPO / "scripts" / "make-medium.sh"), "--profile", path,
                             "--out", str(tmp_path / "medium")], capture_output=True, text=True, timeout=60)
    assert medium.returncode != 0
    assert expected in medium.stderr
    assert not (tmp_path / "medium" / "tree").exists()


def without_art_texts(text):
    """`text` without the captions, the welcome, the copyright line and the tagline."""
    return "".join(line for line in text.splitlines(True)
                   if line.split(" =")[0] not in product_profile.OPTIONAL_KEYS or line.startswith("language ="))


# (language, {key: what its profile then holds}) for a profile that leaves out every text of drawn art.
DEFAULTS = [
    ("de-DE", {"caption_install": "installieren", "caption_browse": "CD | durchsuchen",
               "welcome_line": "Willkommen! Installieren Sie {name} | oder sehen Sie sich den | Inhalt dieser CD an."}),
    ("en-US", {"caption_install": "Install", "caption_remove": "Remove", "caption_browse": "Browse CD",
               "caption_cancel": "Cancel", "welcome_line": "Welcome! Install {name} | or browse the contents | of this CD."}),
    ("en-GB", {"caption_browse": "Browse CD"}),
    ("fr-CA", {"caption_cancel": "Annuler"}),
    ("nb-NO", {"caption_browse": "Bla gjennom | CD-en"}),
]


@pytest.mark.parametrize("language, expected", DEFAULTS, ids=[language for language, _ in DEFAULTS])
def test_a_profile_without_art_texts_takes_its_languages_own(write_profile, language, expected):
    profile = product_profile.read_profile(write_profile(without_art_texts(valued("language", language))))
    name = SHIPPED["product_name"]
    assert {key: profile[key] for key in expected} == {key: text.replace("{name}", name)
                                                      for key, text in expected.items()}
    assert profile["copyright_line"] == SHIPPED["legal_copyright"] and "tagline" not in profile.values


def test_a_profile_without_a_language_is_german(write_profile):
    profile = product_profile.read_profile(write_profile(without_art_texts(replaced("language", None))))
    assert (profile["language"], profile.language.id, profile["caption_cancel"]) == ("de-DE", 0x0407, "abbrechen")


def test_a_language_without_default_texts_needs_them_in_the_profile(write_profile):
    path = write_profile(without_art_texts(valued("language", "ga-IE")))
    end = len(without_art_texts(VALID).splitlines()) + 1
    assert messages(path) == [
        "%s:%d: %s: found no such key (end of file); required a line %s = ... (%s): the kit knows no default in ga-IE"
        % (path, end, key, key, product_profile.KEYS[key][2])
        for key in ("caption_install", "caption_remove", "caption_browse", "caption_cancel", "welcome_line")]


@pytest.mark.parametrize("key, printed", [("language", "de-DE"), ("caption_browse", "CD | durchsuchen"),
                                          ("copyright_line", SHIPPED["legal_copyright"]), ("tagline", ""),
                                          ("content_folder", "")])
def test_get_prints_a_key_left_out_as_its_default(write_profile, capsys, key, printed):
    path = write_profile(without_art_texts(replaced("language", None)))
    assert product_profile.main(["get", path, key]) == 0
    assert capsys.readouterr().out == printed + "\n"
