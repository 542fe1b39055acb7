"""The product profile's checks: each kind of faulty profile, made from a valid one by changing one line,
is refused with its exact message (file, line, key, what was found, what is required); values at their
limits pass; and a faulty profile stops the CMake configuration and scripts/make-medium.sh."""
import subprocess
from pathlib import Path

import pytest

from launcherkit import profile as product_profile

REPO = Path(__file__).resolve().parents[2]

# A valid profile; a key's line number is its position here.
VALID = """\
# a valid profile
product_name = Qelvar Lumivane
uninstall_guid = {5C2D9A41-7B3E-4F18-A6D0-93E1B7C4F205}
setup_program = SETUP32.EXE
company_name = Qelvar Software GmbH
file_description = Qelvar Lumivane Startprogramm
file_version = 1.0.0.1
product_version = 1.0.0.1
legal_copyright = Copyright (C) 2024 Qelvar Software GmbH
internal_name = LAUNCH
original_filename = LAUNCH.EXE
version_product_name = Qelvar Lumivane
art_masters = art/masters
sound_sources = sounds/sources
resource_folder = .
volume_name = QELVAR_LUMIVANE
autorun_label = Qelvar Lumivane
autorun_action = Startprogramm von Qelvar Lumivane ausf\u00fchren
"""

ALL_KEYS = ("product_name, uninstall_guid, setup_program, company_name, file_description, file_version, "
            "product_version, legal_copyright, internal_name, original_filename, version_product_name, "
            "art_masters, sound_sources, resource_folder, volume_name, autorun_label, autorun_action")
ELEVATION = ('none of "install", "setup", "update", "patch" in any case, even inside a word: Windows Vista and '
             "later would take the launcher for an installer and ask for elevation at every insertion of the disc")
NAME_83 = ("a plain 8.3 file name as the medium's ISO 9660 names are: 1 to 8 of A-Z 0-9 _, a dot, 1 to 3 of them")
ANSI = "characters of the ANSI code page Windows-1252, in which the launcher's texts are compiled"
GUID = "a GUID in braces, {8-4-4-4-12} hexadecimal digits"
VERSION = "four numbers from 0 to 65535 with dots between, as 1.0.0.1"
VOLUME = "1 to 16 of A-Z 0-9 _ (the volume name that ISO 9660 and Joliet both keep whole)"


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


def appended(line):
    return VALID + line + "\n"


# (what, profile text, the one message expected; {p} is the profile's path)
BROKEN = [
    ("unknown key", appended("colour = red"),
     "{p}:19: colour: found an unknown key; required one of the known keys: " + ALL_KEYS),
    ("unknown key close to a known one", appended("volume_label = DISC1"),
     '{p}:19: volume_label: found an unknown key; required the key "volume_name" or another known one'),
    ("missing key", replaced("setup_program", None),
     "{p}:18: setup_program: found no such key (end of file); required a line setup_program = ... "
     "(the setup program the install button starts, beside the launcher)"),
    ("key twice", appended("product_name = Zweites Produkt"),
     "{p}:19: product_name: found the key a second time (first on line 2); required each key once"),
    ("line without =", appended("just words"),
     '{p}:19: (line): found "just words", which is not a key = value line; '
     "required key = value lines and # comment lines only"),
    ("section header", appended("[extra]"),
     "{p}:19: (line): found the section header [extra]; required key = value lines only"),
    ("empty value", replaced("legal_copyright", "legal_copyright ="),
     "{p}:9: legal_copyright: found an empty value; required a value"),
    ("product name too long for a window class", replaced("product_name", "product_name = " + "Q" * 256),
     "{p}:2: product_name: found 256 characters; required at most 255 "
     "(the longest window class name the system registers)"),
    ("GUID one digit short", replaced("uninstall_guid", "uninstall_guid = {5C2D9A41-7B3E-4F18-A6D0-93E1B7C4F20}"),
     '{p}:3: uninstall_guid: found "{5C2D9A41-7B3E-4F18-A6D0-93E1B7C4F20}"; required ' + GUID),
    ("GUID without braces", replaced("uninstall_guid", "uninstall_guid = 5C2D9A41-7B3E-4F18-A6D0-93E1B7C4F205"),
     '{p}:3: uninstall_guid: found "5C2D9A41-7B3E-4F18-A6D0-93E1B7C4F205"; required ' + GUID),
    ("GUID with a letter that is no hex digit",
     replaced("uninstall_guid", "uninstall_guid = {5C2D9A41-7B3E-4F18-A6D0-93E1B7C4F20G}"),
     '{p}:3: uninstall_guid: found "{5C2D9A41-7B3E-4F18-A6D0-93E1B7C4F20G}"; required ' + GUID),
    ("setup name with a hyphen", replaced("setup_program", "setup_program = SETUP-32.EXE"),
     '{p}:4: setup_program: found "SETUP-32.EXE"; required ' + NAME_83),
    ("setup name of nine characters", replaced("setup_program", "setup_program = SETUPPROG.EXE"),
     '{p}:4: setup_program: found "SETUPPROG.EXE"; required ' + NAME_83),
    ("setup name in small letters", replaced("setup_program", "setup_program = setup32.exe"),
     '{p}:4: setup_program: found "setup32.exe"; required ' + NAME_83),
    ("setup name without extension", replaced("setup_program", "setup_program = SETUP32"),
     '{p}:4: setup_program: found "SETUP32"; required ' + NAME_83),
    ("launcher name that is no 8.3 name", replaced("original_filename", "original_filename = Start Disc.exe"),
     '{p}:11: original_filename: found "Start Disc.exe"; required ' + NAME_83),
    ("character outside Windows-1252", replaced("company_name", "company_name = Qelvar \u2603 GmbH"),
     '{p}:5: company_name: found "Qelvar \u2603 GmbH" with "\u2603" (U+2603) at character 8; required ' + ANSI),
    ("CJK product name", replaced("product_name", "product_name = \u5149\u6e90"),
     '{p}:2: product_name: found "\u5149\u6e90" with "\u5149" (U+5149) at character 1; required ' + ANSI),
    ("AutoPlay text outside Windows-1252", replaced("autorun_action", "autorun_action = Start \u2192 Disc"),
     '{p}:18: autorun_action: found "Start \u2192 Disc" with "\u2192" (U+2192) at character 7; required ' + ANSI),
    ("tab in a text", replaced("legal_copyright", "legal_copyright = (C)\t2024"),
     '{p}:9: legal_copyright: found "(C)\t2024" with the control character U+0009 at character 4; '
     "required printable characters"),
    ("description with setup", replaced("file_description", "file_description = Qelvar Lumivane Setup"),
     '{p}:6: file_description: found "Qelvar Lumivane Setup" holding "setup"; required ' + ELEVATION),
    ("launcher file name with install", replaced("original_filename", "original_filename = INSTALL.EXE"),
     '{p}:11: original_filename: found "INSTALL.EXE" holding "install"; required ' + ELEVATION),
    ("internal name with update inside a word", replaced("internal_name", "internal_name = AutoUpdater"),
     '{p}:10: internal_name: found "AutoUpdater" holding "update"; required ' + ELEVATION),
    ("company with patch inside a word", replaced("company_name", "company_name = Dispatcher GmbH"),
     '{p}:5: company_name: found "Dispatcher GmbH" holding "patch"; required ' + ELEVATION),
    ("product name in the version block with install",
     replaced("version_product_name", "version_product_name = Qelvar Reinstaller"),
     '{p}:12: version_product_name: found "Qelvar Reinstaller" holding "install"; required ' + ELEVATION),
    ("version of three numbers", replaced("file_version", "file_version = 1.0.0"),
     '{p}:7: file_version: found "1.0.0"; required ' + VERSION),
    ("version number above 65535", replaced("product_version", "product_version = 1.0.0.65536"),
     '{p}:8: product_version: found "1.0.0.65536"; required ' + VERSION),
    ("volume name in small letters", replaced("volume_name", "volume_name = qelvar"),
     '{p}:16: volume_name: found "qelvar"; required ' + VOLUME),
    ("volume name of 17 characters", replaced("volume_name", "volume_name = QELVAR_LUMIVANE_2"),
     '{p}:16: volume_name: found "QELVAR_LUMIVANE_2"; required ' + VOLUME),
    ("AutoPlay text read as a resource", replaced("autorun_action", "autorun_action = @LAUNCH.EXE,-1"),
     '{p}:18: autorun_action: found "@LAUNCH.EXE,-1"; '
     "required a text that does not begin with @ (Windows reads @ as a resource reference)"),
]


# (key, a value at the limit of what the key takes)
LIMITS = [
    ("product_name", "Q" * 255), ("setup_program", "ABCDEFGH.EXE"), ("original_filename", "L.E"),
    ("file_version", "65535.65535.65535.65535"), ("volume_name", "A" * 16),
    ("company_name", "\u20ac \u00a9 \u2013 \u00ff"), ("uninstall_guid", "{abcdef01-2345-6789-abcd-ef0123456789}"),
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
    """write_profile(text, encoding="utf-8") writes a profile into the test's own folder; its path."""
    def write(text, encoding="utf-8"):
        path = tmp_path / "product.profile"
        path.write_text(text, encoding=encoding)
        return str(path)
    return write


def test_the_valid_profile_passes(write_profile):
    assert messages(write_profile(VALID)) == []


@pytest.mark.parametrize("text, expected", [case[1:] for case in BROKEN], ids=[case[0] for case in BROKEN])
def test_each_broken_profile_is_refused_with_its_exact_message(write_profile, text, expected):
    path = write_profile(text)
    assert messages(path) == [expected.replace("{p}", path)]


def test_a_file_that_is_not_utf8_is_refused_with_the_line_of_the_first_bad_byte(write_profile):
    path = write_profile(replaced("company_name", "company_name = M\u00fcller GmbH"), encoding="cp1252")
    assert messages(path) == ["%s:5: (file): found a byte 0xFC that is not UTF-8; required a UTF-8 text file" % path]


@pytest.mark.parametrize("key, value", LIMITS, ids=[key for key, _ in LIMITS])
def test_a_value_at_its_limit_passes(write_profile, key, value):
    assert messages(write_profile(replaced(key, key + " = " + value))) == []


@pytest.mark.parametrize("path", ["resources/product.profile", "tests/profile/todays-values.profile",
                                  "docs/examples/zyndra-atlas/product.profile"])
def test_the_shipped_profiles_pass(path):
    assert messages(REPO / path) == []


def test_every_fault_of_a_profile_is_listed(write_profile):
    text = replaced("setup_program", "setup_program = setup.exe")
    text = text.replace("volume_name = QELVAR_LUMIVANE", "volume_name = x")
    path = write_profile(text)
    assert messages(path) == ['%s:4: setup_program: found "setup.exe"; required %s' % (path, NAME_83),
                              '%s:16: volume_name: found "x"; required %s' % (path, VOLUME)]


@pytest.fixture
def broken_profile(write_profile):
    """(path, its message) of a profile with a broken GUID."""
    path = write_profile(replaced("uninstall_guid", "uninstall_guid = {nope}"))
    return path, '%s:3: uninstall_guid: found "{nope}"; required %s' % (path, GUID)


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
