"""The medium and the product's files on it: scripts/make-medium.sh --content puts a content folder of long
names, Windows-1252 letters, spaces, nested, empty and linked entries on the image, byte for byte under the
same paths in the Joliet tree, with unique 8.3 names in the ISO 9660 tree; the root holds AUTORUN.INF, the
launcher as built and the given setup program; the start-up files at the lowest blocks in the order
AutoPlay reads them; every time stamp the build's (SOURCE_DATE_EPOCH, else the last commit's); two builds
from other file times, umasks and seconds of the clock byte-identical; the tree printed at the end. The medium's acceptance check (check_medium.medium) holds such an image and fails,
each with its line, an image whose start-up files do not lie first, whose trees name different files,
that is too large for its disc, whose content differs from the folder, whose setup program is not a
Windows program or is the kit's placeholder (unless a trial). No Wine: the launcher at work is the
example's end-to-end test."""
import datetime
import hashlib
import io
import os
import shutil
import subprocess
import time
from pathlib import Path

import pycdlib
import pytest

from ctest_settings import CTEST
from launcherkit.check_medium import medium
from launcherkit.check_medium.report import Findings
from launcherkit.iso_image import IsoImage
from medium_script import make_medium

PRODUCT, RECORDER = CTEST.product, Path(CTEST.programs.recorder)
REPO = Path(__file__).resolve().parents[2]
KIT = REPO / "tools" / "kit"
STARTUP = ["AUTORUN.INF", PRODUCT.launcher_file, PRODUCT.setup_program]
EPOCH = 1700000000
# Path below the content folder: bytes. Two names alike in their first eight letters, so that their
# 8.3 names must be made unique.
FILES = {
    "Liesmich zuerst \u2013 \u00dcbersicht.txt": "Zyndra Atlas: zuerst lesen\r\n".encode("cp1252"),
    "Liesmich zuerst \u2013 Anhang.txt": b"Anhang\r\n",
    "Handbuch/Zyndra Atlas \u2013 Benutzerhandbuch.txt": b"Handbuch\r\n" * 500,
    "Handbuch/Stra\u00dfen & Pl\u00e4tze (Liste).csv": "Ort;Stra\u00dfe\r\n".encode("cp1252"),
    "Daten/Karten/Europa/west.dat": bytes(range(256)) * 64,
    "Daten/leer.dat": b"",
    "Treiber/Ordner ohne Dateien/": None,
}
LINK, LINK_TARGET = "Daten/Kopie von west.dat", "Karten/Europa/west.dat"


def content_folder(folder):
    for path, data in FILES.items():
        target = folder / path
        if data is None:
            target.mkdir(parents=True)
            continue
        target.parent.mkdir(parents=True, exist_ok=True)
        target.write_bytes(data)
    os.symlink(LINK_TARGET, folder / LINK)
    return folder


def expected_tree():
    """{Joliet path: bytes, or None for a folder} of the content."""
    tree = {}
    for path, data in FILES.items():
        parts = path.rstrip("/").split("/")
        for level in range(1, len(parts)):
            tree["/".join(parts[:level])] = None
        tree[path.rstrip("/")] = data
    tree[LINK] = FILES["Daten/Karten/Europa/west.dat"]
    return tree


def build(out, launcher, *options, epoch=EPOCH):
    """Builds the medium; epoch None: without SOURCE_DATE_EPOCH, as a plain build."""
    env = {name: value for name, value in os.environ.items() if name != "SOURCE_DATE_EPOCH"}
    if epoch is not None:
        env["SOURCE_DATE_EPOCH"] = str(epoch)
    result = make_medium(out, launcher, PRODUCT, *options, env=env)
    assert result.returncode == 0, result.stdout + result.stderr
    return out / PRODUCT.image_name, result.stdout


@pytest.fixture(scope="module")
def folder(tmp_path_factory):
    return content_folder(tmp_path_factory.mktemp("content") / "cd")


@pytest.fixture(scope="module")
def built(launcher_exe, folder, tmp_path_factory):
    """(image, make-medium's output) of the medium with the content and the recorder as setup program."""
    return build(tmp_path_factory.mktemp("built"), launcher_exe, "--setup", RECORDER, "--content", folder)


@pytest.fixture
def image(built):
    with IsoImage(str(built[0])) as iso:
        yield iso


def test_the_joliet_tree_is_the_content_folder_byte_for_byte(image):
    found = {}
    for entry in image.entries("joliet"):
        if entry.path not in STARTUP:
            found[entry.path] = None if entry.is_folder else image.sha256("joliet", entry.path)
    expected = {path: None if data is None else hashlib.sha256(data).hexdigest()
                for path, data in expected_tree().items()}
    assert found == expected


def test_the_iso9660_names_are_unique_8_3_names_of_the_same_files(image):
    check = Findings().check("the medium's content", "the same files")
    medium.check_same_files(image, "image", check)
    assert check.failures == []
    names = [e.path for e in image.entries("iso9660")]
    assert len(names) == len(image.entries("joliet")) and len({n.upper() for n in names}) == len(names)


def test_the_startup_files_lie_first_in_autoplay_order(image):
    blocks = {e.path: e.block for e in image.entries("iso9660") if not e.is_folder and e.size}
    startup = [blocks[name] for name in STARTUP]
    assert startup == sorted(startup) and startup[-1] < min(b for p, b in blocks.items() if p not in STARTUP), blocks


def test_the_root_holds_autorun_inf_the_launcher_as_built_and_the_given_setup_program(image, launcher_exe):
    autorun = "[autorun]\r\nopen=%s\r\nicon=%s,0\r\nlabel=%s\r\naction=%s\r\n" % (
        PRODUCT.launcher_file, PRODUCT.launcher_file, PRODUCT.profile["autorun_label"],
        PRODUCT.profile["autorun_action"])
    assert all(set(STARTUP) <= set(image.names(tree)) for tree in ("iso9660", "joliet")), image.roots
    assert image.read("AUTORUN.INF") == autorun.encode("cp1252")
    same = (image.read(PRODUCT.launcher_file), image.read(PRODUCT.setup_program)) == (
        launcher_exe.read_bytes(), RECORDER.read_bytes())
    assert same, "the launcher or the setup program on the image is not the one given"


def time_stamps(image_path):
    """Every time stamp of the image, as seconds since the epoch: those of both volume descriptors (creation
    and modification; expiration and effective are unset, None) and of every directory record."""
    def seconds(year, month, day, hour, minute, second, quarter_hours):
        if year == 0:
            return None
        local = datetime.datetime(year, month, day, hour, minute, second)
        return int((local - datetime.timedelta(minutes=15 * quarter_hours))
                   .replace(tzinfo=datetime.timezone.utc).timestamp())

    iso = pycdlib.PyCdlib()
    iso.open(str(image_path))
    try:
        seen = set()
        for descriptor in (iso.pvd, iso.joliet_vd):
            for date in (descriptor.volume_creation_date, descriptor.volume_modification_date):
                seen.add(seconds(date.year, date.month, date.dayofmonth, date.hour, date.minute, date.second,
                                 date.gmtoffset))
            unset = (descriptor.volume_expiration_date, descriptor.volume_effective_date)
            assert [date.year for date in unset] == [0, 0], "expiration or effective time set"
        for key in ("iso_path", "joliet_path"):
            for path, folders, files in iso.walk(**{key: "/"}):
                for name in [""] + folders + files:
                    d = iso.get_record(**{key: (path.rstrip("/") + "/" + name) if name else path}).date
                    seen.add(seconds(1900 + d.years_since_1900, d.month, d.day_of_month, d.hour, d.minute, d.second,
                                     d.gmtoffset))
    finally:
        iso.close()
    return seen


def test_every_time_stamp_is_the_source_date(built):
    assert time_stamps(built[0]) == {EPOCH}


def test_two_builds_of_the_same_inputs_are_byte_identical(built, launcher_exe, folder, tmp_path):
    """The second build from copies of other modification times, under another umask, at a later second of
    the clock: the image shows none of them."""
    again, launcher = tmp_path / "cd", tmp_path / "LAUNCH.EXE"
    shutil.copytree(folder, again, symlinks=True)
    shutil.copyfile(launcher_exe, launcher)
    for path in [launcher, *again.rglob("*")]:
        os.utime(path, (1200000000, 1200000000), follow_symlinks=False)
    started = int(time.time())
    while int(time.time()) == started:
        time.sleep(0.05)
    old_umask = os.umask(0o077)
    try:
        second, _ = build(tmp_path / "out", launcher, "--setup", RECORDER, "--content", again)
    finally:
        os.umask(old_umask)
    same = second.read_bytes() == built[0].read_bytes()
    assert same, "the two images differ"


def test_the_tree_is_printed_with_the_total(built):
    said = [line[len("make-medium: "):] for line in built[1].splitlines() if line.startswith("make-medium: ")]
    for line in ("|-- Daten/", "|   |-- Karten/", "|   |   `-- Europa/", "|   |       `-- west.dat  (16,384 bytes)",
                 "`-- Treiber/", "    `-- Ordner ohne Dateien/"):
        assert line in said, "no line %r in %s" % (line, said)
    startup = sum(os.path.getsize(built[0].parent / "tree" / name) for name in STARTUP)
    total = startup + sum(len(data) for data in expected_tree().values() if data)
    assert "10 files in 6 folders and the root, %s bytes; the image %.1f MB of 703.1 MB on a cd700" % (
        format(total, ","), os.path.getsize(built[0]) / 1048576) in " ".join(said), said


# --- The acceptance check's checks of the whole medium -------------------------------------------------------

def check(image_path, folder=None, capacity="cd700", trial=False):
    """(failures, notes, the report's listing) of check_medium.medium over an image."""
    findings = Findings()
    with IsoImage(str(image_path)) as iso:
        facts = medium.check_medium(iso, PRODUCT, findings, image_path.name)
        listing = medium.check_content(iso, facts, folder, capacity, trial, image_path.name, findings)
    notes = [note for c in findings.checks for note in c.notes]
    return findings.failures, notes, listing


def xorriso_image(tree, image, *extra):
    subprocess.run(["xorriso", "-no_rc", "-report_about", "WARNING", "-outdev", "stdio:%s" % image,
                    "-compliance", "iso_9660_level=1", "-joliet", "on", "-volid", PRODUCT.volume_name,
                    "-map", str(tree), "/", *extra], check=True, capture_output=True, timeout=120)
    return image


def startup_not_first(built, folder, tmp):
    image = tmp / "unordered.iso"
    subprocess.run([str(KIT), "medium", "build", "--profile", PRODUCT.profile_path, "--root",
                    str(built[0].parent / "tree"), "--content", str(folder), "--image", str(image), "--epoch",
                    str(EPOCH), "--startup-order", "off"], check=True, capture_output=True, timeout=120)
    with IsoImage(str(image)) as iso:
        files = [e for e in iso.entries("iso9660") if not e.is_folder and e.size]
    last = max((e for e in files if e.path in STARTUP), key=lambda e: e.block)
    first = next(e for e in files if e.path not in STARTUP and e.block < last.block)
    return image, {}, "%s:/%s: first block: found %d, before %s's block %d; required every other file after the " \
        "start-up files, so that a start reads them without a seek across the disc" % (
            image.name, first.path, first.block, last.path, last.block)


def file_in_the_iso9660_tree_only(built, folder, tmp):
    image = tmp / "iso-only.iso"
    iso = pycdlib.PyCdlib()
    iso.open(str(built[0]))
    iso.add_fp(io.BytesIO(b"extra"), 5, "/EXTRA.TXT;1")
    iso.write(str(image))
    iso.close()
    with IsoImage(str(image)) as iso:
        block = next(e.block for e in iso.entries("iso9660") if e.path == "EXTRA.TXT")
    return image, {}, "%s:/EXTRA.TXT: ISO 9660 file: found no Joliet file with its data (block %d, 5 bytes) at its " \
        "depth; required the same files in both trees" % (image.name, block)


def larger_than_a_cd650(built, folder, tmp):
    image = tmp / "large.iso"
    shutil.copyfile(built[0], image)
    os.truncate(image, 340000 * 2048)
    return image, {"capacity": "cd650"}, "%s: size: found 664.1 MB (340,000 sectors of 2,048 bytes, file system " \
        "and padding included); required at most 650.4 MB, what a cd650 disc holds (333,000 sectors); --capacity " \
        "cd700 for a larger disc" % image.name


def content_changed_since(built, folder, tmp):
    changed = tmp / "cd"
    shutil.copytree(folder, changed, symlinks=True)
    west = changed / "Daten" / "Karten" / "Europa" / "west.dat"
    west.write_bytes(b"\xff" + west.read_bytes()[1:])
    return built[0], {"folder": changed}, "%s:/Daten/Karten/Europa/west.dat: bytes: found other bytes than the " \
        "content folder's; required the bytes of %s/Daten/Karten/Europa/west.dat" % (built[0].name, changed)


def file_missing_from_the_image(built, folder, tmp):
    more = tmp / "cd"
    shutil.copytree(folder, more, symlinks=True)
    (more / "Handbuch" / "Nachtrag.txt").write_bytes(b"neu\r\n")
    return built[0], {"folder": more}, "%s:/Handbuch/Nachtrag.txt: file: found no such file in the Joliet tree; " \
        "required the content folder's file Handbuch/Nachtrag.txt" % built[0].name


def file_the_folder_lacks(built, folder, tmp):
    fewer = tmp / "cd"
    shutil.copytree(folder, fewer, symlinks=True)
    (fewer / "Liesmich zuerst \u2013 Anhang.txt").unlink()
    return built[0], {"folder": fewer}, "%s:/Liesmich zuerst \u2013 Anhang.txt: file: found an entry the content " \
        "folder does not hold; required the content folder's files and the start-up files only" % built[0].name


def setup_program_of_noise(built, folder, tmp):
    tree = tmp / "tree"
    shutil.copytree(built[0].parent / "tree", tree)
    (tree / PRODUCT.setup_program).write_bytes(b"MZ" + bytes(62) + b"noise")
    image = xorriso_image(tree, tmp / "noise.iso")
    return image, {}, "%s:/%s: setup program: found a DOS program or a damaged one (it begins with MZ, but holds " \
        "no PE header where it names one); required a PE executable for Windows with the GUI or the console " \
        "subsystem" % (
            image.name, PRODUCT.setup_program)


FAILING = [startup_not_first, file_in_the_iso9660_tree_only, larger_than_a_cd650, content_changed_since,
           file_missing_from_the_image, file_the_folder_lacks, setup_program_of_noise]


def test_the_check_holds_the_built_medium_and_lists_its_files(built, folder):
    failures, notes, listing = check(built[0], folder)
    assert failures == []
    assert "- setup program: the product's own" in listing
    path = "Handbuch/Stra\u00dfen & Pl\u00e4tze (Liste).csv"
    assert any(line.startswith("| %s | %d | " % (path, len(FILES[path]))) for line in listing), listing


@pytest.mark.parametrize("case", FAILING, ids=[case.__name__ for case in FAILING])
def test_a_medium_that_is_not_whole_fails_with_its_line(built, folder, tmp_path, case):
    image, options, line = case(built, folder, tmp_path)
    failures, _, _ = check(image, options.get("folder", folder), options.get("capacity", "cd700"))
    assert line in failures, "\n".join(failures)


def test_the_placeholder_fails_unless_the_image_is_a_trial(launcher_exe, tmp_path):
    """Built without --setup and without SOURCE_DATE_EPOCH: the placeholder, the last commit's time stamps."""
    image, _ = build(tmp_path / "out", launcher_exe, epoch=None)
    commit = subprocess.run(["git", "-C", str(REPO), "log", "-1", "--format=%ct"], capture_output=True, text=True)
    assert time_stamps(image) == {int(commit.stdout.strip() or 1704067200)}
    where = "%s:/%s" % (image.name, PRODUCT.setup_program)
    failures, notes, listing = check(image)
    assert failures == ["%s: setup program: found the kit's placeholder (its version block says so), which installs "
                        "nothing; required the product's setup program (make-medium.sh --setup), or --trial for a "
                        "trial image" % where]
    assert "- setup program: **the kit's placeholder**" in listing
    failures, notes, listing = check(image, trial=True)
    assert failures == [] and "%s: the kit's placeholder (a trial image, as --trial says)" % where in notes
    assert "- setup program: **the kit's placeholder** (a trial image)" in listing
