"""Hostile inputs to the kit's commands, as a user's slip or a broken file gives them: each command ends with
its own line and exit code, never a traceback, and a refused run changes nothing. check-medium on cut or
crafted images and with a report folder it cannot make (before any check runs); make-art on masters
recorded for another product (while its own drawings are drawn again for a new product name), on a master
that is no picture and a sound source that is no sound, on a background whose button column is not plain,
after a drawn text changed, and into a resource folder that does not exist; make-medium with a source
date beyond what ISO 9660 holds, and with relative paths from another folder; two profiles of one volume
name in build trees of their own.

The launcher is $LAUNCHER_EXE of the build tree $LAUNCHER_BUILD_DIR (whose asset check check-medium runs);
no case starts Wine."""
import hashlib
import os
import shutil
import subprocess
from pathlib import Path
from typing import Callable, List, NamedTuple, Optional

import pytest
from PIL import Image

from ctest_settings import CTEST
from launcherkit import geometry
from launcherkit.pe import Executable
from medium_script import make_medium

REPO = Path(__file__).resolve().parents[2]
KIT = str(REPO / "tools" / "kit")
MAKE_ART = [KIT, "art", "make"]
BUILD, PRODUCT = CTEST.build_dir, CTEST.product
EXAMPLE = REPO / "docs" / "examples" / "zyndra-atlas"


class Case(NamedTuple):
    command: List[str]
    code: int                 # the exit code required
    line: str                 # a line the output must hold (standard error or output)
    unchanged: Optional[Path] = None   # a folder the run must leave as it was
    env: Optional[dict] = None
    then: Optional[Callable[[], List[str]]] = None   # further faults to look for afterwards
    absent: Optional[str] = None       # a text the output must not hold
    cwd: Optional[Path] = None         # the folder the command starts in


@pytest.fixture(scope="module")
def medium(tmp_path_factory, launcher_exe):
    """The medium of this build's launcher: its folder (tree/ and the image)."""
    out = tmp_path_factory.mktemp("medium")
    result = make_medium(out, launcher_exe, PRODUCT)
    assert result.returncode == 0, result.stdout + result.stderr
    return out


def check_medium(image, out):
    return [KIT, "check-medium", str(image), "--build", BUILD, "--profile", PRODUCT.profile_path, "--out", str(out)]


def image_of(tree, image, rock_ridge=False):
    subprocess.run(["xorriso", "-no_rc", "-report_about", "FAILURE", "-outdev", "stdio:%s" % image, "-joliet", "on",
                    "-rockridge", "on" if rock_ridge else "off", "-volid", PRODUCT.volume_name, "-map", str(tree), "/",
                    "-commit"], check=True, capture_output=True, timeout=120)
    return image


def tree_copy(medium, tmp_path):
    tree = tmp_path / "tree"
    shutil.copytree(medium / "tree", tree)
    return tree


def autorun_changed(medium, tmp_path, change):
    tree = tree_copy(medium, tmp_path)
    autorun = tree / "AUTORUN.INF"
    autorun.write_bytes(change(autorun.read_bytes()))
    return image_of(tree, tmp_path / "broken.iso")


# ---------------------------------------------------------------------------- check-medium (item 8)

def cut_image(size):
    def case(medium, tmp_path, launcher_exe):
        image = tmp_path / "cut.iso"
        image.write_bytes((medium / PRODUCT.image_name).read_bytes()[:size])
        volume = int.from_bytes((medium / PRODUCT.image_name).read_bytes()[32768 + 80:32768 + 84], "little") * 2048
        return Case(check_medium(image, tmp_path / "check"), 2,
                    "check-medium: %s: found no ISO 9660 image that can be read (the file holds %d bytes, the volume "
                    "it begins is %d bytes long: the image is cut); required a medium's image" % (image, size, volume))
    case.__name__ = "image cut to %d bytes" % size
    return case


def launcher_without_resources(medium, tmp_path, launcher_exe):
    launcher = Executable.open(str(launcher_exe))
    data = bytearray(launcher.data)
    data[launcher.resource_directory_offset:launcher.resource_directory_offset + 8] = bytes(8)
    broken = tmp_path / "broken.exe"
    broken.write_bytes(data)
    out = tmp_path / "medium"
    assert make_medium(out, broken, PRODUCT).returncode == 0
    image = out / PRODUCT.image_name
    return Case(check_medium(image, tmp_path / "check"), 1,
                "%s:/%s: resources: found the image has no resources; required the resource directory of the "
                "launcher's pictures, sounds and icon" % (image.name, PRODUCT.launcher_file))


def autorun_a_symbolic_link_to_itself(medium, tmp_path, launcher_exe):
    tree = tree_copy(medium, tmp_path)
    (tree / "AUTORUN.INF").unlink()
    (tree / "AUTORUN.INF").symlink_to("AUTORUN.INF")
    image = image_of(tree, tmp_path / "linked.iso", rock_ridge=True)
    return Case(check_medium(image, tmp_path / "check"), 1,
                "linked.iso:/AUTORUN.INF: file: found no bytes that can be read (a Rock Ridge symbolic link to "
                "AUTORUN.INF, which Windows reads as an empty file); required the file's bytes, whole, in the image")


def autorun_in_utf16(medium, tmp_path, launcher_exe):
    image = autorun_changed(medium, tmp_path, lambda data: data.decode("cp1252").encode("utf-16"))
    return Case(check_medium(image, tmp_path / "check"), 1,
                "broken.iso:/AUTORUN.INF: byte 0: found a UTF-16 (little-endian) text (byte order mark FF FE); "
                "required a text in the ANSI code page Windows-1252, which every Windows reads",
                absent="bare CR")


def autorun_with_an_empty_open(medium, tmp_path, launcher_exe):
    image = autorun_changed(medium, tmp_path,
                            lambda data: data.replace(b"open=" + PRODUCT.launcher_file.encode(), b"open="))
    return Case(check_medium(image, tmp_path / "check"), 1,
                "broken.iso:/AUTORUN.INF:2: open=: found an empty value; required the name of a file on the image")


def report_folder_named_by_a_file(medium, tmp_path, launcher_exe):
    out = tmp_path / "a-file"
    out.write_text("not a folder\n")
    return Case(check_medium(medium / PRODUCT.image_name, out), 2,
                "check-medium: --out %s: found a file; required a folder for the report that can be made or "
                "written" % out)


def report_folder_that_cannot_be_made(medium, tmp_path, launcher_exe):
    (tmp_path / "a-file").write_text("not a folder\n")
    out = tmp_path / "a-file" / "report"
    return Case(check_medium(medium / PRODUCT.image_name, out), 2,
                "check-medium: --out %s: found no folder that can be made (Not a directory); required a folder for "
                "the report that can be made or written" % out)


# ---------------------------------------------------------------------------- make-art (items 11, 13, 14)

def example_copy(tmp_path, name=None):
    """A copy of the example, under another product name when `name` is given; its profile's path."""
    copy = tmp_path / "product"
    shutil.copytree(EXAMPLE, copy)
    profile = copy / "product.profile"
    if name:
        set_in(profile, "product_name = Zyndra Atlas", "product_name = " + name)
    return profile


def set_in(profile, line, new):
    profile.write_text(profile.read_text(encoding="utf-8").replace(line, new), encoding="utf-8")


def foreign_masters_line(profile):
    masters = profile.parent / "art" / "masters"
    return ('make-art: background.png, icon-48.png, icon-48-vga.png, icon-32.png, icon-32-vga.png in %s: found the '
            'masters recorded for "Zyndra Atlas" in %s; required masters of "Mein Atlas": put yours there, have them '
            "drawn plainly for this product with --redraw --plain '#RRGGBB', or keep them as they are on purpose "
            "with --keep-masters" % (masters, profile.parent / "art-made-for.txt"))


def art_check_passes(profile):
    def faults():
        result = subprocess.run([KIT, "art", "check", str(profile)], capture_output=True, text=True, timeout=60)
        return [] if result.returncode == 0 else ["the art check refuses the art made: " + result.stderr]
    return faults


def sha(path):
    return hashlib.sha256(path.read_bytes()).hexdigest()


def renamed_example_relabelled(*options):
    def case(medium, tmp_path, launcher_exe):
        profile = example_copy(tmp_path, "Mein Atlas")
        return Case([*MAKE_ART, "--profile", str(profile), *options], 1, foreign_masters_line(profile),
                    unchanged=profile.parent)
    case.__name__ = "make-art %s on a renamed copy of the example" % " ".join(options)
    return case


def renamed_example_redrawn_without_a_colour(medium, tmp_path, launcher_exe):
    profile = example_copy(tmp_path, "Mein Atlas")
    return Case([*MAKE_ART, "--profile", str(profile), "--redraw"], 1,
                "make-art: --redraw draws every master anew, and the shipped background and emblem are never drawn "
                "for another product: give --plain '#RRGGBB' too, to have them drawn plainly", unchanged=profile.parent)


def renamed_example_redrawn_plainly(medium, tmp_path, launcher_exe):
    profile = example_copy(tmp_path, "Mein Atlas")
    background = profile.parent / "art" / "true-colour" / "background.bmp"
    before = sha(background)

    def faults():
        return art_check_passes(profile)() + (["the background was not drawn anew"] if sha(background) == before else [])
    return Case([*MAKE_ART, "--profile", str(profile), "--redraw", "--plain", "#1F5A8C"], 0, "make-art: done",
                then=faults)


def renamed_example_kept_on_purpose(medium, tmp_path, launcher_exe):
    """The example's masters kept, but its buttons drawn again for a caption of this product's own."""
    profile = example_copy(tmp_path, "Mein Atlas")
    with profile.open("a", encoding="utf-8") as f:
        f.write("caption_install = los\n")
    return Case([*MAKE_ART, "--profile", str(profile), "--keep-masters"], 0,
                "make-art: drawing %s" % (profile.parent / "art" / "masters" / "install-rest.png"),
                then=art_check_passes(profile))


def own_plain_art_renamed(medium, tmp_path, launcher_exe):
    """Masters make-art drew plainly in this folder are drawn again for the product's new name."""
    profile = example_copy(tmp_path)
    subprocess.run([*MAKE_ART, "--profile", str(profile), "--redraw", "--plain", "#2A6B4F"], check=True,
                   capture_output=True, timeout=300)
    set_in(profile, "product_name = Zyndra Atlas", "product_name = Mein Atlas")
    return Case([*MAKE_ART, "--profile", str(profile)], 0,
                "make-art: drawing %s" % (profile.parent / "art" / "masters" / "background.png"),
                then=art_check_passes(profile))


def copyright_changed_under_a_drawn_background(medium, tmp_path, launcher_exe):
    profile = example_copy(tmp_path)
    text = profile.read_text(encoding="utf-8")
    profile.write_text(text.replace("legal_copyright = \u00a9 2025", "legal_copyright = \u00a9 2026"), encoding="utf-8")
    master = profile.parent / "art" / "masters" / "background.png"
    return Case([*MAKE_ART, "--profile", str(profile)], 0, "make-art: drawing %s" % master, then=art_check_passes(profile))


def resource_folder_mistyped(medium, tmp_path, launcher_exe):
    """The art goes where the profile says, but not in silence into a folder that is not there."""
    profile = example_copy(tmp_path)
    set_in(profile, "resource_folder = .", "resource_folder = ressources")
    return Case([*MAKE_ART, "--profile", str(profile)], 0,
                "make-art: %s: found no folder; making it for the art" % (profile.parent / "ressources"))


def master_that_is_no_picture(medium, tmp_path, launcher_exe):
    profile = example_copy(tmp_path)
    master = profile.parent / "art" / "masters" / "cancel-rest.png"
    master.write_text("no picture\n")
    return Case([*MAKE_ART, "--profile", str(profile)], 1,
                "make-art: %s: found a file Pillow cannot read (cannot identify image file '%s'); required a PNG or "
                "24-bit BMP picture of 90x40 pixels" % (master, master),
                unchanged=profile.parent)


def sound_source_that_is_no_sound(medium, tmp_path, launcher_exe):
    profile = example_copy(tmp_path)
    source = profile.parent / "sounds" / "sources" / "welcome.wav"
    source.parent.mkdir()
    source.write_text("no sound\n")
    return Case([*MAKE_ART, "--profile", str(profile)], 1,
                "make-art: %s: found a file sox cannot read (/usr/bin/sox FAIL formats: can't open input file `%s': "
                "WAVE: RIFF header not found); required a sound file sox reads (WAVE, FLAC, Ogg or AIFF)"
                % (source, source), unchanged=profile.parent)


def background_with_a_busy_button_column(medium, tmp_path, launcher_exe):
    profile = example_copy(tmp_path)
    master = profile.parent / "art" / "masters" / "background.png"
    left, top, right, bottom = geometry.read().button_column()
    picture = Image.open(master).convert("RGB")
    for x in range(left, right):
        picture.putpixel((x, bottom - 20), (200, 30, 30))  # a red line across the last gap but one
    picture.save(master)
    return Case([*MAKE_ART, "--profile", str(profile)], 0,
                "make-art: warning: %s: the button column x %d..%d, y %d..%d holds %d pixels that are not plain light "
                "grey (192,192,192), the first at (%d,%d): the gaps between the buttons show them"
                % (master, left, right - 1, top, bottom - 1, right - left, left, bottom - 20))


# ---------------------------------------------------------------------------- make-medium, build trees (items 12, 14)

def source_date(value):
    def case(medium, tmp_path, launcher_exe):
        return Case(["bash", str(REPO / "scripts" / "make-medium.sh"), "--launch", str(launcher_exe),
                     "--out", str(tmp_path / "out")], 1,
                    "make-medium: SOURCE_DATE_EPOCH must be a number of seconds from 0 to 5869583999 (2155-12-31 "
                    "23:59:59 UTC, the latest time an ISO 9660 directory record holds), not '%s'" % value,
                    env=dict(os.environ, SOURCE_DATE_EPOCH=value), unchanged=tmp_path)
    case.__name__ = "SOURCE_DATE_EPOCH %s" % value
    return case


def paths_from_another_folder(medium, tmp_path, launcher_exe):
    """A profile and an output folder named from the caller's folder, outside the repository: the launcher's
    build tree (here the placeholder's) is configured with that profile, not with one beside the repository."""
    example_copy(tmp_path)
    return Case(["bash", str(REPO / "scripts" / "make-medium.sh"), "--profile", "product/product.profile",
                 "--launch", str(launcher_exe), "--out", "out"], 0,
                "make-medium: tree  %s (the start-up files)" % (tmp_path / "out" / "tree"), cwd=tmp_path)


def two_copies_of_one_product(medium, tmp_path, launcher_exe):
    """Two copies of the example keep its volume name; each gets a build tree of its own."""
    profiles = []
    for name in ("a", "b"):
        shutil.copytree(EXAMPLE, tmp_path / name)
        profiles.append(tmp_path / name / "product.profile")
    script = ". scripts/lib/product-option.sh; for p in \"$@\"; do profile=$p; locate_product; echo \"$trees\"; done"
    command = ["bash", "-c", script, "trees", *map(str, profiles)]

    def faults():
        trees = subprocess.run(command, cwd=REPO, capture_output=True, text=True, timeout=60).stdout.split()
        return [] if len(set(trees)) == 2 else ["two profiles share the build trees %s" % trees]
    return Case(command, 0, "", then=faults)


CASES = [
    cut_image(60000), cut_image(200000), launcher_without_resources, autorun_a_symbolic_link_to_itself,
    autorun_in_utf16, autorun_with_an_empty_open, report_folder_named_by_a_file, report_folder_that_cannot_be_made,
    renamed_example_relabelled(), renamed_example_relabelled("--plain", "#1F5A8C"),
    renamed_example_redrawn_without_a_colour, renamed_example_redrawn_plainly, renamed_example_kept_on_purpose,
    own_plain_art_renamed, resource_folder_mistyped,
    copyright_changed_under_a_drawn_background, master_that_is_no_picture, sound_source_that_is_no_sound,
    background_with_a_busy_button_column,
    source_date("253402300800"), source_date("12345678901234567890"), paths_from_another_folder,
    two_copies_of_one_product,
]


def snapshot(folder):
    return {path: path.read_bytes() for path in sorted(folder.rglob("*")) if path.is_file()} if folder else None


@pytest.mark.parametrize("hostile", CASES, ids=[case.__name__.replace("_", " ") for case in CASES])
def test_a_hostile_input_gets_its_line_and_changes_nothing(medium, tmp_path, launcher_exe, hostile):
    case = hostile(medium, tmp_path, launcher_exe)
    before = snapshot(case.unchanged)
    result = subprocess.run(case.command, env=case.env, cwd=case.cwd, capture_output=True, text=True, timeout=300)
    said = result.stderr + result.stdout
    faults = []
    if result.returncode != case.code:
        faults.append("exit code %d, required %d" % (result.returncode, case.code))
    if case.line and case.line not in said.splitlines():
        faults.append("no line %r" % case.line)
    for text in ("Traceback", case.absent):
        if text and text in said:
            faults.append("%r in the output" % text)
    if case.unchanged and snapshot(case.unchanged) != before:
        faults.append("%s changed" % case.unchanged)
    if case.then:
        faults += case.then()
    assert not faults, "\n".join(faults) + "\n--- output:\n" + said
