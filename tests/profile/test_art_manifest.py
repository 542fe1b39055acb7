"""The art check: a resource folder's art made for another product (a copied example under a new name), or
older than a master or sound source, is refused with its exact line; untouched art passes; a folder without
the record make-art writes is only warned about. make-medium.sh stops on refused art before it builds."""
import hashlib
import shutil
import subprocess
from pathlib import Path

import pytest

from launcherkit.art.manifest import check
from launcherkit.profile import read_profile

REPO = Path(__file__).resolve().parents[2]
EXAMPLE = REPO / "docs" / "examples" / "zyndra-atlas"
AGAIN = "make the art anew with tools/art/make-art --profile {p}"


def short_sha(path):
    return hashlib.sha256(path.read_bytes()).hexdigest()[:12]


def renamed(copy):
    """The copy under a new product name; the line expected for it."""
    profile = copy / "product.profile"
    old = read_profile(str(profile))["product_name"]
    new = old + " Zwei"
    profile.write_text(profile.read_text(encoding="utf-8").replace("product_name = " + old,
                                                                   "product_name = " + new), encoding="utf-8")
    return ('{m}:4: product_name: found "%s"; required "%s", the product of {p}: the pictures, sounds and icon in '
            "{folder} were made for another product; " % (old, new) + AGAIN)


def master_changed(copy):
    master = copy / "art" / "masters" / "cancel-hover.png"
    before = short_sha(master)
    master.write_bytes(master.read_bytes() + b"\0")
    return ("{m}:13: master cancel-hover: found cancel-hover.png with SHA-256 %s in {folder}/art/masters; required "
            "cancel-hover.png with SHA-256 %s, what the art was made from: the art is older than this master; "
            % (short_sha(master), before) + AGAIN)


def sound_source_added(copy):
    source = copy / "sounds" / "sources" / "welcome.wav"
    source.parent.mkdir(parents=True)
    source.write_bytes(b"RIFF")
    return ("{m}:18: sound_source welcome: found welcome.wav with SHA-256 %s in {folder}/sounds/sources; required "
            "no source (the sound was synthesised), what the art was made from: the art is older than this sound "
            "source; " % short_sha(source) + AGAIN)


def manifest_removed(copy):
    (copy / "art-made-for.txt").unlink()
    return ("warning: {m}: found no such file; required the record of the product and the masters the art was made "
            "for, which tools/art/make-art writes: the art in {folder} is not checked")


# (what, change to a copy of the example returning the expected line or None, expected is an error)
CASES = [
    ("a copied example under a new product name", renamed, True),
    ("a master changed since the art was made", master_changed, True),
    ("a sound source where the sound was synthesised", sound_source_added, True),
    ("the example copied untouched", lambda copy: None, False),
    ("no record of the art", manifest_removed, False),
]


@pytest.fixture
def copy(tmp_path):
    folder = tmp_path / "product"
    shutil.copytree(EXAMPLE, folder)
    return folder


@pytest.mark.parametrize("change, refused", [case[1:] for case in CASES], ids=[case[0] for case in CASES])
def test_the_art_check(copy, change, refused):
    expected = change(copy)
    profile = str(copy / "product.profile")
    errors, warnings = check(read_profile(profile))
    line = [expected.format(m=copy / "art-made-for.txt", p=profile, folder=copy)] if expected else []
    assert (errors, warnings) == ((line, []) if refused else ([], line))


@pytest.mark.parametrize("profile", ["resources/product.profile", "docs/examples/zyndra-atlas/product.profile"])
def test_the_committed_art_was_made_from_the_committed_masters(profile):
    assert check(read_profile(str(REPO / profile))) == ([], [])


def test_refused_art_stops_the_medium_before_it_is_built(copy, tmp_path):
    expected = renamed(copy).format(m=copy / "art-made-for.txt", p=copy / "product.profile", folder=copy)
    medium = subprocess.run([str(REPO / "scripts" / "make-medium.sh"), "--profile", str(copy / "product.profile"),
                             "--out", str(tmp_path / "medium")], capture_output=True, text=True, timeout=60)
    assert medium.returncode != 0
    assert expected in medium.stderr.splitlines()
    assert not list((tmp_path / "medium").glob("*.iso")) and not (tmp_path / "medium" / "tree").exists()
