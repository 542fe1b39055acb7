"""The installation medium that scripts/make-medium.sh builds from the launcher under test (LAUNCHER_EXE)
for its product (the profile LAUNCHER_PROFILE).

Built twice, from launcher copies with different modification times, under different umasks and at
different seconds of the clock, the two images are byte-identical. Read directly, an image carries the
volume id, a Joliet descriptor and the build's time stamps everywhere; its roots hold exactly
AUTORUN.INF, the launcher and the setup program under the profile's names, as 8.3 upper-case ISO 9660
names and as Joliet names, with the launcher byte for byte and the placeholder (or a given setup
program) as the setup program; xorriso lists the same names. A file that is not a Windows program is
refused as setup program.
"""
import datetime
import io
import os
import re
import shutil
import subprocess
import time
from pathlib import Path

import pycdlib
import pytest

from ctest_settings import CTEST
from medium_script import make_medium as run_make_medium

REPO = Path(__file__).resolve().parents[2]
PRODUCT = CTEST.product
IMAGE_NAME = PRODUCT.image_name
VOLUME_ID = PRODUCT.volume_name
LAUNCHER, SETUP = PRODUCT.launcher_file, PRODUCT.setup_program
FILES = sorted(["AUTORUN.INF", LAUNCHER, SETUP])
# An INI file in the ANSI code page with DOS line endings: the launcher, its icon, the drive's label and
# the AutoPlay entry.
AUTORUN = ("[autorun]\r\nopen=%s\r\nicon=%s,0\r\nlabel=%s\r\naction=%s\r\n" % (
    LAUNCHER, LAUNCHER, PRODUCT.profile["autorun_label"], PRODUCT.profile["autorun_action"])).encode("cp1252")
FIXED_EPOCH = 1700000000  # 2023-11-14 22:13:20 UTC
VOLUMES = ["iso9660", "joliet"]


# --- Building ----------------------------------------------------------------------------------------------

def make_medium(out, launch, setup=None, source_date_epoch=None, umask=None):
    """Runs make-medium.sh into out. Without source_date_epoch the time stamps come from the last commit,
    as in a plain build."""
    # The start-up files alone, whatever content the product's profile names (test_medium_content.py
    # builds with content).
    nothing = out.parent / ("%s-no-content" % out.name)
    nothing.mkdir(exist_ok=True)
    options = ["--content", nothing] + (["--setup", setup] if setup is not None else [])
    env = {name: value for name, value in os.environ.items() if name != "SOURCE_DATE_EPOCH"}
    if source_date_epoch is not None:
        env["SOURCE_DATE_EPOCH"] = str(source_date_epoch)
    old_umask = os.umask(umask) if umask is not None else None
    try:
        return run_make_medium(out, launch, PRODUCT, *options, env=env, cwd=out.parent, timeout=120)
    finally:
        if old_umask is not None:
            os.umask(old_umask)


def assert_built(result, what):
    assert result.returncode == 0, f"{what} failed ({result.returncode}):\n{result.stdout}{result.stderr}"


def last_commit_epoch():
    result = subprocess.run(["git", "-C", str(REPO), "log", "-1", "--format=%ct"], capture_output=True, text=True)
    return int(result.stdout.strip() or 1704067200)


def first_difference(a, b):
    """Where two byte strings first differ, for a message (comparing whole images in an assert would
    print both)."""
    offset = next((i for i, (x, y) in enumerate(zip(a, b)) if x != y), min(len(a), len(b)))
    return f"first difference at offset {offset:#x}; sizes {len(a)} and {len(b)}"


# --- Listing through xorriso ---------------------------------------------------------------------------------

def xorriso_names(image, read_fs, name_map):
    """The file names below / as xorriso loads them with the given -read_fs and -ecma119_map."""
    result = subprocess.run(
        ["xorriso", "-no_rc", "-read_fs", read_fs, "-ecma119_map", name_map, "-indev", str(image),
         "-find", "/", "-type", "f", "-exec", "lsdl"],
        capture_output=True, text=True, timeout=60)
    assert result.returncode == 0, f"xorriso cannot read {image}:\n{result.stderr}"
    return sorted(re.findall(r"'/([^'/]+)'$", result.stdout, re.MULTILINE))


# --- Reading the image directly (pycdlib) -----------------------------------------------------------------------

def utc_seconds(year, month, day, hour, minute, second, quarter_hours):
    """Seconds since the epoch of a time stamp given in local time with its offset from GMT."""
    local = datetime.datetime(year, month, day, hour, minute, second)
    return int((local - datetime.timedelta(minutes=15 * quarter_hours)).replace(tzinfo=datetime.timezone.utc)
               .timestamp())


def descriptor_time(date):
    """A volume descriptor's time stamp; None where it is unset (all digits zero)."""
    if date.year == 0:
        return None
    return utc_seconds(date.year, date.month, date.dayofmonth, date.hour, date.minute, date.second, date.gmtoffset)


def record_time(record):
    d = record.date
    return utc_seconds(1900 + d.years_since_1900, d.month, d.day_of_month, d.hour, d.minute, d.second, d.gmtoffset)


class Medium:
    """A built image as pycdlib reads it, and the epoch its time stamps must have: per volume ("iso9660",
    "joliet") its descriptor and {name: (directory record, contents)} of the root, "/" the root's own
    record. ISO 9660 names keep their version ";1"."""
    PATH = {"iso9660": "iso_path", "joliet": "joliet_path"}
    DECODE = {"iso9660": lambda name: name.decode("ascii"), "joliet": lambda name: name.decode("utf-16-be")}

    def __init__(self, image, epoch):
        self.image, self.epoch = image, epoch
        iso = pycdlib.PyCdlib()
        iso.open(str(image))
        self.descriptors = {"iso9660": iso.pvd, "joliet": iso.joliet_vd if iso.has_joliet() else None}
        self.roots = {}
        for volume, path in self.PATH.items():
            if self.descriptors[volume] is None:
                continue
            tree = {"/": (iso.get_record(**{path: "/"}), None)}
            for record in iso.list_children(**{path: "/"}):
                if record.is_dot() or record.is_dotdot():
                    continue
                name = self.DECODE[volume](record.file_identifier())
                contents = io.BytesIO()
                iso.get_file_from_iso_fp(contents, **{path: "/" + name})
                tree[name] = (record, contents.getvalue())
            self.roots[volume] = tree
        iso.close()

    def descriptor(self, volume):
        vd = self.descriptors[volume]
        assert vd is not None, f"the image has no {volume} volume descriptor"
        return vd

    def volume_id(self, volume):
        return self.DECODE[volume](self.descriptor(volume).volume_identifier).rstrip()

    def root(self, volume):
        self.descriptor(volume)
        return self.roots[volume]

    def names(self, volume):
        return sorted(name for name in self.root(volume) if name != "/")

    def files(self, volume):
        """{name: contents} of the root; ISO 9660 names without their version ";1"."""
        return {name.split(";")[0]: contents for name, (_, contents) in self.root(volume).items() if name != "/"}


# --- Fixtures --------------------------------------------------------------------------------------------------

@pytest.fixture(scope="module", autouse=True)
def xorriso():
    assert shutil.which("xorriso"), "xorriso is missing (scripts/install-deps.sh installs it)"


@pytest.fixture(scope="module")
def two_builds(launcher_exe, tmp_path_factory):
    """The images of two builds from the same launcher, both with the time stamps of the last commit."""
    tmp = tmp_path_factory.mktemp("two-builds")
    # Two copies of the launcher with different modification times: the image must not show them.
    launch_a, launch_b = tmp / "a-LAUNCH.EXE", tmp / "b-LAUNCH.EXE"
    shutil.copyfile(launcher_exe, launch_a)
    shutil.copyfile(launcher_exe, launch_b)
    os.utime(launch_a, (1000000000, 1000000000))
    os.utime(launch_b, (1200000000, 1200000000))
    first = make_medium(tmp / "a", launch_a, umask=0o022)
    # The second build starts at a later second of the clock, so that a time stamp taken from the clock
    # would differ between the two images.
    started = int(time.time())
    while int(time.time()) == started:
        time.sleep(0.05)
    second = make_medium(tmp / "b", launch_b, umask=0o077)
    assert_built(first, "the first build of the medium")
    assert_built(second, "the second build of the medium")
    return tmp / "a" / IMAGE_NAME, tmp / "b" / IMAGE_NAME


@pytest.fixture(scope="module")
def placeholder_medium(two_builds):
    """The first of the two builds: the placeholder as the setup program, the last commit's time stamps."""
    return Medium(two_builds[0], last_commit_epoch())


@pytest.fixture(scope="module")
def product_setup(tmp_path_factory):
    """A Windows program under another name: the recorder stub of this build stands in for the product's setup."""
    path = tmp_path_factory.mktemp("setup") / "product-setup.exe"
    shutil.copyfile(CTEST.programs.recorder, path)
    return path


@pytest.fixture(scope="module")
def given_setup_medium(launcher_exe, product_setup, tmp_path_factory):
    """A build with a given setup program, its time stamps from SOURCE_DATE_EPOCH."""
    out = tmp_path_factory.mktemp("given-setup") / "c"
    assert_built(make_medium(out, launcher_exe, setup=product_setup, source_date_epoch=FIXED_EPOCH),
                 "the build of the medium with a given setup program")
    return Medium(out / IMAGE_NAME, FIXED_EPOCH)


@pytest.fixture(scope="module", params=["placeholder_medium", "given_setup_medium"],
                ids=["placeholder", "given_setup"])
def medium(request):
    """Each built medium in turn; what holds for both."""
    return request.getfixturevalue(request.param)


# --- Two builds, and xorriso's view --------------------------------------------------------------------------

def test_the_two_builds_give_byte_identical_images(two_builds):
    a, b = (image.read_bytes() for image in two_builds)
    same = a == b
    assert same, f"the two images differ: {first_difference(a, b)}"


@pytest.mark.parametrize("read_fs, name_map, expected", [
    ("ecma119", "unmapped", [f + ";1" for f in FILES]),
    # Where no Joliet tree is found, xorriso falls back to the ISO 9660 names mapped to lower case;
    # upper-case names here come from the Joliet tree.
    ("norock", "lowercase", FILES),
], ids=["iso9660", "joliet"])
def test_xorriso_lists_the_names(two_builds, read_fs, name_map, expected):
    assert xorriso_names(two_builds[0], read_fs, name_map) == expected


# --- Each image read directly ----------------------------------------------------------------------------------

@pytest.mark.parametrize("volume", VOLUMES)
def test_the_volume_id(medium, volume):
    assert medium.volume_id(volume) == VOLUME_ID


@pytest.mark.parametrize("volume", VOLUMES)
def test_creation_and_modification_times_are_the_build_epoch(medium, volume):
    vd = medium.descriptor(volume)
    assert (descriptor_time(vd.volume_creation_date), descriptor_time(vd.volume_modification_date)) == \
        (medium.epoch, medium.epoch)


@pytest.mark.parametrize("volume", VOLUMES)
def test_expiration_and_effective_times_are_unset(medium, volume):
    vd = medium.descriptor(volume)
    assert (descriptor_time(vd.volume_expiration_date), descriptor_time(vd.volume_effective_date)) == (None, None)


@pytest.mark.parametrize("volume", VOLUMES)
def test_every_directory_record_has_the_build_epoch(medium, volume):
    times = {name: record_time(rec) for name, (rec, _) in medium.root(volume).items()}
    assert set(times.values()) == {medium.epoch}, f"directory record times: {times}"


def test_iso9660_names_are_the_files_as_8_3_upper_case(medium):
    names = medium.names("iso9660")
    assert names == [f + ";1" for f in FILES]
    assert all(re.fullmatch(r"[A-Z0-9_]{1,8}\.[A-Z0-9_]{0,3};1", n) for n in names), \
        f"not all 8.3 upper case (level 1): {names}"


def test_joliet_names_are_the_files(medium):
    assert medium.names("joliet") == FILES


def test_joliet_names_lead_to_the_same_contents(medium):
    iso9660, joliet = medium.files("iso9660"), medium.files("joliet")
    assert joliet.keys() == iso9660.keys()
    differing = [name for name in iso9660 if joliet[name] != iso9660[name]]
    assert not differing, f"the Joliet and ISO 9660 names lead to different contents: {differing}"


def test_autorun_inf_is_the_autorun_section_with_dos_line_endings(medium):
    assert medium.files("iso9660").get("AUTORUN.INF") == AUTORUN


def test_the_launcher_is_the_one_built(medium, launcher_exe):
    on_image, built = medium.files("iso9660").get(LAUNCHER) or b"", launcher_exe.read_bytes()
    same = on_image == built
    assert same, f"{LAUNCHER} on the image is not the launcher: {first_difference(on_image, built)}"


# --- The setup program -----------------------------------------------------------------------------------------

def test_the_setup_program_is_the_placeholder(placeholder_medium):
    contents = placeholder_medium.files("iso9660").get(SETUP) or b""
    assert contents[:2] == b"MZ", f"{SETUP} is not a Windows program"
    assert "Platzhalter".encode("utf-16-le") in contents and SETUP.encode("utf-16-le") in contents, \
        f"{SETUP} is not the placeholder whose message names itself a placeholder for {SETUP}"


def test_the_setup_program_is_the_given_one(given_setup_medium, product_setup):
    assert given_setup_medium.files("iso9660").get(SETUP) == product_setup.read_bytes()


def test_a_setup_program_without_mz_header_is_refused(launcher_exe, tmp_path):
    not_a_program = tmp_path / "readme.txt"
    not_a_program.write_text("not a program\n")
    result = make_medium(tmp_path / "d", launcher_exe, setup=not_a_program)
    assert result.returncode != 0, "make-medium.sh accepted a setup program without MZ header"
    assert not (tmp_path / "d" / IMAGE_NAME).exists(), "an image was made with a setup program that was refused"
