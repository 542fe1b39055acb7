"""Every input that scripts/make-medium.sh refuses, as one table: a content folder with a name Windows cannot
open from the disc or that the image's trees cannot hold, a link or a file that cannot be read as a file,
a setup program that Windows would not start, an unknown disc, an output folder inside the content
folder, and a medium too large for its disc. Each is refused with exactly its one line, and the medium an
earlier build left in --out is still there, byte for byte. The launcher is $LAUNCHER_EXE, built for
$LAUNCHER_PROFILE; the recorder stub ($LAUNCHER_BUILD_DIR/stubs/RECORDER.EXE) is the good setup program."""
import hashlib
import os
import re
import shutil
import subprocess
import tempfile
from pathlib import Path

import pefile
import pytest

from ctest_settings import CTEST
from medium_script import make_medium

PRODUCT = CTEST.product
RECORDER, LIBRARY = Path(CTEST.programs.recorder), Path(CTEST.programs.planted_winmm)
STARTUP = ", ".join(["AUTORUN.INF", PRODUCT.launcher_file, PRODUCT.setup_program])
FORBIDDEN = 'none of < > : " / \\ | ? * and no control characters (Windows forbids them in file names)'
PE_REQUIRED = "a PE executable for Windows with the GUI or the console subsystem"
NOBODY = 65534
# Folders a case made outside pytest's own, removed at the end.
LEFT_OUTSIDE = []


def snapshot(out):
    """{relative path: SHA-256} of every file below out."""
    return {str(p.relative_to(out)): hashlib.sha256(p.read_bytes()).hexdigest()
            for p in sorted(out.rglob("*")) if p.is_file()}


@pytest.fixture(scope="module")
def earlier_medium(launcher_exe, tmp_path_factory):
    """An output folder holding a good medium with a small content folder; (out, its snapshot)."""
    base = tmp_path_factory.mktemp("earlier")
    content = base / "content"
    (content / "Handbuch").mkdir(parents=True)
    (content / "Handbuch" / "Liesmich.txt").write_text("Handbuch\n")
    out = base / "out"
    result = make_medium(out, launcher_exe, PRODUCT, "--setup", RECORDER, "--content", content)
    assert result.returncode == 0, result.stdout + result.stderr
    return out, snapshot(out)


def content_with(tmp, *names, make=None):
    """A content folder holding a good file and the entries `names` (folders where a name ends in /)."""
    folder = tmp / "content"
    folder.mkdir()
    (folder / "gut.txt").write_text("gut\n")
    for name in names:
        path = folder / name
        if name.endswith("/"):
            path.mkdir(parents=True)
        else:
            path.parent.mkdir(parents=True, exist_ok=True)
            path.write_text("x\n")
    if make:
        make(folder)
    return folder


def refused_name(folder, name, found, required):
    return "%s/%s: name: found %s; required %s" % (folder, name, found, required)


# Each case: (tmp folder) -> (make-medium's options, the one line, run as the user nobody).

def startup_name_taken(tmp, name):
    folder = content_with(tmp, name)
    name = name.rstrip("/")
    return ["--content", folder], refused_name(
        folder, name, '"%s" at the top of the content folder' % name,
        "no file or folder named %s there in any letter case: the medium's root holds the start-up files under "
        "those names" % STARTUP), False


def launcher_name_in_other_case(tmp):
    return startup_name_taken(tmp, PRODUCT.launcher_file.lower())


def autorun_inf_as_a_folder(tmp):
    return startup_name_taken(tmp, "Autorun.inf/")


def setup_program_in_other_case(tmp):
    return startup_name_taken(tmp, PRODUCT.setup_program.capitalize())


DEVICE = ("a name other than CON, PRN, AUX, NUL, COM0 to COM9, LPT0 to LPT9, with or without an extension (Windows "
          "opens the device instead)")
TRAILING = "a name that ends in neither a dot nor a space (Windows drops them and finds no such file)"
LONG_NAME = "Handbuch " + "x" * 52 + ".pdf"
# Names refused as such: (case, the entries of the content folder, the refused one as the line shows it,
# found, required).
NAMES = [
    ("case_twins", ["Daten/Orte.csv", "Daten/ORTE.CSV"], "Daten/Orte.csv",
     '"Orte.csv" beside "ORTE.CSV", which differs only in letter case',
     "names that differ in more than letter case (Windows sees one file)"),
    ("device_name_with_extension", ["Daten/nul.txt"], "Daten/nul.txt", '"nul.txt", the name of the device NUL', DEVICE),
    ("device_name_as_folder", ["COM1/"], "COM1", '"COM1", the name of the device COM1', DEVICE),
    ("device_name_numbered_zero", ["Daten/lpt0.log"], "Daten/lpt0.log", '"lpt0.log", the name of the device LPT0',
     DEVICE),
    ("question_mark", ["Was nun?.txt"], "Was nun?.txt", '"Was nun?.txt" with "?" at character 8', FORBIDDEN),
    ("colon", ["Teil 1: Karten.txt"], "Teil 1: Karten.txt", '"Teil 1: Karten.txt" with ":" at character 7',
     FORBIDDEN),
    ("control_character", ["Zeile\tzwei.txt"], "Zeile\\x09zwei.txt",
     '"Zeile\\x09zwei.txt" with the control character U+0009 at character 6', FORBIDDEN),
    ("trailing_dot", ["Notizen."], "Notizen.", '"Notizen.", ending in a dot', TRAILING),
    ("trailing_space", ["Karten /"], "Karten ", '"Karten ", ending in a space', TRAILING),
    ("letter_outside_windows_1252", ["Pfeil \u2192 rechts.txt"], "Pfeil \u2192 rechts.txt",
     '"Pfeil \u2192 rechts.txt" with "\u2192" (U+2192) at character 7',
     "letters of Windows-1252 (Windows 95 and 98 read the disc's Joliet names in that code page)"),
    ("name_too_long_for_joliet", [LONG_NAME], LONG_NAME, '"%s", 65 characters long' % LONG_NAME,
     "at most 64 characters (the longest name Joliet keeps)"),
]


def refused_names_case(name, entries, shown, found, required):
    def case(tmp):
        folder = content_with(tmp, *entries)
        return ["--content", folder], refused_name(folder, shown, found, required), False
    case.__name__ = name
    return case


def path_too_long_for_joliet(tmp):
    level = "Kapitel " + "k" * 52
    path = "/".join([level] * 4) + "/"
    folder = content_with(tmp, path)
    return ["--content", folder], "%s/%s: path: found 243 characters below the content folder; required at " \
        "most 240 (the longest path Joliet keeps)" % (folder, path.rstrip("/")), False


def folders_too_deep_for_iso9660(tmp):
    path = "1/2/3/4/5/6/7/8/"
    folder = content_with(tmp, path + "tief.txt")
    return ["--content", folder], "%s/%s: folder: found a folder 8 levels below the medium's root; required at " \
        "most 7 (ISO 9660 keeps 8 levels of folders, the root included, as the oldest systems read them)" % (
            folder, path.rstrip("/")), False


def link_leaving_the_folder(tmp):
    outside = tmp / "geheim.txt"
    outside.write_text("geheim\n")
    folder = content_with(tmp, make=lambda f: os.symlink("../geheim.txt", f / "Verweis.txt"))
    return ["--content", folder], "%s/Verweis.txt: symbolic link: found a link to %s, outside the content " \
        "folder; required links that stay inside the content folder (the medium carries what they point to)" % (
            folder, outside), False


def fifo(tmp):
    folder = content_with(tmp, make=lambda f: os.mkfifo(f / "Rohr"))
    return ["--content", folder], "%s/Rohr: file: found a FIFO (named pipe); required regular files and " \
        "folders only" % folder, False


def unreadable_file(tmp):
    # Root reads every file: this case runs make-medium as the user nobody, with the content folder in a
    # folder that nobody may enter.
    shared = Path(tempfile.mkdtemp(prefix="medium-unreadable-"))
    LEFT_OUTSIDE.append(shared)
    os.chmod(shared, 0o755)
    folder = content_with(shared, "Geheim.txt")
    os.chmod(folder / "Geheim.txt", 0)
    return ["--content", folder], "%s/Geheim.txt: file: found a file that cannot be read (Permission denied); " \
        "required files the build can read" % folder, os.geteuid() == 0


def output_inside_the_content_folder(tmp):
    folder = content_with(tmp)
    return ["--content", folder, "--out-inside"], "%s/out: output folder: found a folder inside the content " \
        "folder %s; required an output folder outside the content folder, which goes on the medium whole" % (
            folder, folder), False


def setup_of_mz_and_noise(tmp):
    setup = tmp / "setup.exe"
    setup.write_bytes(b"MZ" + bytes(range(256)) * 4)
    return ["--setup", setup], "%s: setup program: found a DOS program or a damaged one (it begins with MZ, but " \
        "the PE header it names lies past its end); required %s" % (setup, PE_REQUIRED), False


def setup_that_is_a_library(tmp):
    return ["--setup", LIBRARY], "%s: setup program: found a library (DLL), not a program; required %s" % (
        LIBRARY, PE_REQUIRED), False


def setup_for_the_native_subsystem(tmp):
    program = pefile.PE(str(RECORDER))
    program.OPTIONAL_HEADER.Subsystem = pefile.SUBSYSTEM_TYPE["IMAGE_SUBSYSTEM_NATIVE"]
    setup = tmp / "driver.exe"
    program.write(str(setup))
    return ["--setup", setup], "%s: setup program: found the subsystem 1 (NATIVE); required %s" % (
        setup, PE_REQUIRED), False


def unknown_capacity(tmp):
    return ["--capacity", "cd800"], '--capacity: found "cd800"; required one of cd650, cd700, dvd', False


def larger_than_the_disc(tmp):
    # 700 MB that take no room: the size is taken before the image is written. The image holds them, the
    # launcher, the setup program, AUTORUN.INF, the file system and 150 sectors of padding.
    folder = content_with(tmp, make=lambda f: os.truncate(f / "gut.txt", 700 * 1024 * 1024))
    least = 700 * 512 + os.path.getsize(CTEST.launcher_exe) // 2048 + os.path.getsize(RECORDER) // 2048 + 150
    return ["--content", folder, "--capacity", "cd650"], lambda said: re.fullmatch(
        r"%s: size: found ([0-9.]+) MB \(([0-9,]+) sectors of 2,048 bytes, file system and padding included\); "
        r"required at most 650\.4 MB, what a cd650 disc holds \(333,000 sectors\); --capacity cd700 for a larger "
        r"disc" % re.escape(PRODUCT.image_name), said) and least <= int(
            re.search(r"\(([0-9,]+) sectors", said).group(1).replace(",", "")) <= least + 200, False


REFUSED = [launcher_name_in_other_case, autorun_inf_as_a_folder, setup_program_in_other_case,
           *[refused_names_case(*row) for row in NAMES], path_too_long_for_joliet,
           folders_too_deep_for_iso9660, link_leaving_the_folder, fifo, unreadable_file,
           output_inside_the_content_folder, setup_of_mz_and_noise, setup_that_is_a_library,
           setup_for_the_native_subsystem, unknown_capacity, larger_than_the_disc]


def as_nobody():
    """Run in the child: it becomes the user nobody."""
    os.setgroups([])
    os.setgid(NOBODY)
    os.setuid(NOBODY)


def test_each_refused_input_says_its_one_line_and_leaves_the_earlier_medium(earlier_medium, launcher_exe, tmp_path):
    out, before = earlier_medium
    try:
        faults = refusal_faults(out, before, launcher_exe, tmp_path)
    finally:
        for folder in LEFT_OUTSIDE:
            shutil.rmtree(folder, ignore_errors=True)
    assert not faults, "\n".join(faults)


def refusal_faults(out, before, launcher_exe, tmp_path):
    faults = []
    for number, case in enumerate(REFUSED):
        tmp = tmp_path / str(number)
        tmp.mkdir()
        options, line, nobody = case(tmp)
        if "--out-inside" in options:
            options.remove("--out-inside")
            target = Path(options[options.index("--content") + 1]) / "out"
        else:
            target = out
        result = make_medium(target, launcher_exe, PRODUCT, *options, preexec=as_nobody if nobody else None)
        said = [text for text in result.stderr.splitlines() if text.startswith("make-medium: ")]
        # A line, or a test of the line where it holds a size that depends on the launcher's.
        right = (len(said) == 1 and line(said[0][len("make-medium: "):])) if callable(line) else \
            said == ["make-medium: " + line]
        if result.returncode == 0 or not right:
            faults.append("%s: exit code %d, said %r; required %r" % (case.__name__, result.returncode, said,
                                                                      line if callable(line) else "make-medium: " + line))
        if snapshot(out) != before:
            faults.append("%s: the earlier medium in %s changed" % (case.__name__, out))
        if os.path.exists(os.path.join(target, ".make-medium-new")):
            faults.append("%s: left %s/.make-medium-new" % (case.__name__, target))
    return faults


def test_a_64_bit_setup_program_is_taken_with_a_warning(launcher_exe, tmp_path):
    source = tmp_path / "setup64.c"
    source.write_text("int main(void) { return 0; }\n")
    setup = tmp_path / "setup64.exe"
    subprocess.run(["x86_64-w64-mingw32-gcc", "-o", str(setup), str(source)], check=True, timeout=120)
    result = make_medium(tmp_path / "out", launcher_exe, PRODUCT, "--setup", setup)
    assert result.returncode == 0, result.stdout + result.stderr
    assert "make-medium: warning: %s: setup program: a 64-bit (x64) program, which does not start on 32-bit " \
           "Windows" % setup in result.stderr.splitlines()
    assert (tmp_path / "out" / "tree" / PRODUCT.setup_program).read_bytes() == setup.read_bytes()
