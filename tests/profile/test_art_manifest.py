"""The art check: a resource folder's art made for another product (a copied example under a new name, with
or without its record), older than a master or sound source, or drawn with a text the profile has changed
since, is refused with its exact line, as is a record that cannot be read or a resource folder that does not
exist; untouched art passes. Each line ends in the command that makes the art anew, its paths quoted for a
shell (the copies lie in a folder named with a space and parentheses), and for another product's masters in
make-art's choices for them. make-medium.sh stops on refused art before it builds."""
import hashlib
import re
import shutil
import subprocess
from pathlib import Path

import pytest

from launcherkit.art.manifest import check
from launcherkit.profile import read_profile

REPO = Path(__file__).resolve().parents[2]
EXAMPLE = REPO / "docs" / "examples" / "zyndra-atlas"
AGAIN = "make the art anew with tools/kit art make --profile '{p}'"


def short_sha(path):
    return hashlib.sha256(path.read_bytes()).hexdigest()[:12]


def renamed(copy, then=""):
    """The copy under a new product name; the line expected for it, ending in `then` (or AGAIN)."""
    profile = copy / "product.profile"
    old = read_profile(str(profile))["product_name"]
    new = old + " Zwei"
    profile.write_text(profile.read_text(encoding="utf-8").replace("product_name = " + old,
                                                                   "product_name = " + new), encoding="utf-8")
    return ('{m}:5: product_name: found "%s"; required "%s", the product of {p}: the pictures, sounds and icon in '
            "{folder} were made for another product; " % (old, new) + (then or AGAIN))


def renamed_example(copy):
    """Its background and icon masters came with it, drawn for the example: make-art's choices for them."""
    make_art = "tools/kit art make --profile '{p}'"
    return renamed(copy, "so were its masters background.png, icon-48.png, icon-48-vga.png, icon-32.png, "
                         "icon-32-vga.png in {folder}/art/masters: put yours there and " + AGAIN + ", have them drawn "
                         "plainly for this product with %s --redraw --plain '#RRGGBB', or keep them on purpose with "
                         "%s --keep-masters" % (make_art, make_art))


def renamed_after_drawing_here(copy):
    """make-art drew the masters plainly in this very folder: it draws them again for the new name."""
    record = copy / "art-made-for.txt"
    here = " in %s\n" % (copy / "art" / "masters").resolve()
    record.write_text(re.sub(r"^(drawn .*)\n", lambda m: m.group(1) + here, record.read_text(encoding="utf-8"),
                             flags=re.M), encoding="utf-8")
    return renamed(copy)


def master_changed(copy):
    master = copy / "art" / "masters" / "cancel-hover.png"
    before = short_sha(master)
    master.write_bytes(master.read_bytes() + b"\0")
    return ("{m}:14: master cancel-hover: found cancel-hover.png with SHA-256 %s in {folder}/art/masters; required "
            "cancel-hover.png with SHA-256 %s, what the art was made from: the art is older than this master; "
            % (short_sha(master), before) + AGAIN)


def sound_source_added(copy):
    source = copy / "sounds" / "sources" / "welcome.wav"
    source.parent.mkdir(parents=True)
    source.write_bytes(b"RIFF")
    return ("{m}:19: sound_source welcome: found welcome.wav with SHA-256 %s in {folder}/sounds/sources; required "
            "no source (the sound was synthesised), what the art was made from: the art is older than this sound "
            "source; " % short_sha(source) + AGAIN)


def manifest_removed(copy):
    """A copied example whose record was deleted: its art is still another product's, and refused."""
    (copy / "art-made-for.txt").unlink()
    renamed(copy)
    return ("{m}: found no such file; required the record of the product and the masters the art in {folder} was "
            "made for, which tools/kit art make writes; " + AGAIN)


def manifest_not_utf8(copy):
    (copy / "art-made-for.txt").write_bytes(b"product_name = M\xfcller\n")
    return "{m}: found a byte 0xFC that is not UTF-8; required the record tools/kit art make writes, a UTF-8 text; " + AGAIN


def manifest_a_folder(copy):
    (copy / "art-made-for.txt").unlink()
    (copy / "art-made-for.txt").mkdir()
    return ("{m}: found no file that can be read (Is a directory); required the record tools/kit art make writes, a "
            "UTF-8 text; " + AGAIN)


def resource_folder_mistyped(copy):
    profile = copy / "product.profile"
    text = profile.read_text(encoding="utf-8")
    profile.write_text(text.replace("resource_folder = .", "resource_folder = ressources"), encoding="utf-8")
    return ("{folder}/ressources: found no folder; required the resource folder of {p} (resource_folder, line 24), "
            "which holds the pictures, sounds and icon and their record: correct resource_folder if it is mistyped, "
            "or " + AGAIN)


def copyright_changed(copy):
    """The drawn background shows the copyright line (the version block's copyright unless the profile
    gives one of its own): a new one leaves it out of date."""
    profile = copy / "product.profile"
    old = read_profile(str(profile))["legal_copyright"]
    profile.write_text(profile.read_text(encoding="utf-8").replace(old, "(C) 2026 Neuer Verlag"), encoding="utf-8")
    return ('{m}:37: text copyright_line: found "(C) 2026 Neuer Verlag" in {p}; required "%s", what the drawn '
            "master background shows: the art is older than this text; " % old + AGAIN)


# (what, change to a copy of the example returning the expected line or None)
CASES = [
    ("a copied example under a new product name", renamed_example),
    ("masters drawn in this folder, under a new product name", renamed_after_drawing_here),
    ("a master changed since the art was made", master_changed),
    ("a sound source where the sound was synthesised", sound_source_added),
    ("the example copied untouched", lambda copy: None),
    ("a copied example under a new name without its record", manifest_removed),
    ("a record that is not UTF-8", manifest_not_utf8),
    ("a folder where the record belongs", manifest_a_folder),
    ("a copyright that the drawn background shows, changed", copyright_changed),
    ("a mistyped resource folder", resource_folder_mistyped),
]


@pytest.fixture
def copy(tmp_path):
    folder = tmp_path / "Produkt (zwei)"
    shutil.copytree(EXAMPLE, folder)
    return folder


@pytest.mark.parametrize("change", [case[1] for case in CASES], ids=[case[0] for case in CASES])
def test_the_art_check(copy, change):
    expected = change(copy)
    profile = str(copy / "product.profile")
    line = [expected.format(m=copy / "art-made-for.txt", p=profile, folder=copy)] if expected else []
    assert check(read_profile(profile)) == line


@pytest.mark.parametrize("profile", ["resources/product.profile", "docs/examples/zyndra-atlas/product.profile"])
def test_the_committed_art_was_made_from_the_committed_masters(profile):
    assert check(read_profile(str(REPO / profile))) == []


def test_refused_art_stops_the_medium_before_it_is_built(copy, tmp_path):
    expected = renamed_example(copy).format(m=copy / "art-made-for.txt", p=copy / "product.profile", folder=copy)
    medium = subprocess.run([str(REPO / "scripts" / "make-medium.sh"), "--profile", str(copy / "product.profile"),
                             "--out", str(tmp_path / "medium")], capture_output=True, text=True, timeout=60)
    assert medium.returncode != 0
    assert expected in medium.stderr.splitlines()
    assert not list((tmp_path / "medium").glob("*.iso")) and not (tmp_path / "medium" / "tree").exists()
