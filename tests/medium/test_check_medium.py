"""The medium's acceptance check (tools/kit check-medium) refuses a broken image with one line naming what,
where, what was found and what is required, and then starts no launcher: an AUTORUN.INF that names a
missing program, a launcher built for another product than the profile given, a picture that does not
match its depth. (A good image, with the launcher at work under Wine, is the example product's end-to-end
test.) The launcher is $LAUNCHER_EXE of the build tree $LAUNCHER_BUILD_DIR, for the profile
$LAUNCHER_PROFILE."""
import os
import re
import struct
import subprocess
from pathlib import Path

import pytest

from launcherkit import identifiers, languages, resource_script
from launcherkit.pe import Executable
from launcherkit.product import Product
from medium_script import make_medium

REPO = Path(__file__).resolve().parents[2]
BUILD = os.environ["LAUNCHER_BUILD_DIR"]
PRODUCT = Product.load(os.environ["LAUNCHER_PROFILE"])
# Another product than this build's: the example, or the shipped one when this build is the example's.
EXAMPLE = Product.load(str(REPO / "docs" / "examples" / "zyndra-atlas" / "product.profile"))
OTHER = EXAMPLE if EXAMPLE.name != PRODUCT.name else Product.load()
NOT_STARTED = "check-medium: NOT CHECKED: The launcher at work: the launcher was not started: "


def built_medium(out, launcher, product):
    result = make_medium(out, launcher, product)
    assert result.returncode == 0, result.stdout + result.stderr
    return out / product.image_name


def image_of(tree, image):
    subprocess.run(["xorriso", "-no_rc", "-report_about", "WARNING", "-outdev", "stdio:%s" % image,
                    "-joliet", "on", "-volid", PRODUCT.volume_name, "-map", str(tree), "/", "-commit"],
                   check=True, capture_output=True, timeout=120)
    return image


def autorun_naming_a_missing_program(tmp_path, launcher_exe):
    tree = built_medium(tmp_path, launcher_exe, PRODUCT).parent / "tree"
    autorun = tree / "AUTORUN.INF"
    autorun.write_bytes(autorun.read_bytes().replace(b"open=" + PRODUCT.launcher_file.encode(), b"open=MISSING.EXE"))
    image = image_of(tree, tmp_path / "broken.iso")
    names = ", ".join(sorted(["AUTORUN.INF", PRODUCT.launcher_file, PRODUCT.setup_program]))
    return image, PRODUCT, ("broken.iso:/AUTORUN.INF:2: MISSING.EXE in the ISO 9660 tree: found no such file (the "
                            "root holds %s); required the file AUTORUN.INF names, under that name" % names)


def launcher_of_another_product(tmp_path, launcher_exe):
    image = built_medium(tmp_path, launcher_exe, OTHER)
    ours, theirs = PRODUCT.profile["version_product_name"], OTHER.profile["version_product_name"]
    return image, OTHER, ('%s:/%s: version block ProductName: found "%s"; required "%s" (%s)'
                          % (image.name, OTHER.launcher_file, ours, theirs, OTHER.profile_path))


def picture_of_another_depth(tmp_path, launcher_exe):
    """The true-colour browse button's header says 32 bits per pixel."""
    browse = identifiers.read()["IDB_BROWSE_REST_24BPP"]
    path = next(e.path for e in resource_script.entries() if e.id == browse)
    launcher = Executable.open(str(launcher_exe))
    data = bytearray(launcher.data)
    entry = next(r for r in launcher.resources() if (r.type, r.name) == (2, browse))
    struct.pack_into("<H", data, launcher.file_offset(entry.rva) + 14, 32)
    broken = tmp_path / "broken.exe"
    broken.write_bytes(data)
    image = built_medium(tmp_path / "medium", broken, PRODUCT)
    return image, PRODUCT, "%s:/%s resource %s: bits per pixel is 32, required 24" % (
        image.name, PRODUCT.launcher_file, path)


def another_language():
    """A language other than the profile's: (its identifier, the end of the lines that name the profile's)."""
    ours = PRODUCT.profile.language
    other = 0x0409 if ours.id != 0x0409 else 0x0407
    return other, "0x%04X (%s), the language of %s" % (ours.id, ours.tag, PRODUCT.profile_path)


def medium_of_patched_launcher(tmp_path, launcher_exe, patch):
    launcher = Executable.open(str(launcher_exe))
    launcher.resources()
    data = bytearray(launcher.data)
    patch(launcher, data)
    broken = tmp_path / "broken.exe"
    broken.write_bytes(data)
    return built_medium(tmp_path / "medium", broken, PRODUCT)


def resource_in_another_language(tmp_path, launcher_exe):
    """The hover sound's entry in the resource directory names another language."""
    hover = identifiers.read()["IDW_HOVER_SOUND"]
    other, ours = another_language()

    def patch(launcher, data):
        wave = next(t for t in launcher.pe.DIRECTORY_ENTRY_RESOURCE.entries if str(t.name) == "WAVE")
        entry = next(n for n in wave.directory.entries if n.id == hover).directory.entries[0]
        struct.pack_into("<H", data, entry.struct.get_file_offset(), other)
    image = medium_of_patched_launcher(tmp_path, launcher_exe, patch)
    return image, PRODUCT, ["%s:/%s: language of WAVE %d: found 0x%04X (%s); required %s" % (
        image.name, PRODUCT.launcher_file, hover, other, languages.of_id(other).tag, ours)]


def version_block_in_another_language(tmp_path, launcher_exe):
    """The version block's string table key and its Translation name another language."""
    other, ours = another_language()
    language = PRODUCT.profile.language

    def patch(launcher, data):
        key = language.string_table_key.encode("utf-16-le")
        at = data.index(key)
        data[at:at + len(key)] = languages.string_table_key(other).encode("utf-16-le")
        at = data.index(struct.pack("<HH", language.id, 1200), data.index("Translation".encode("utf-16-le")))
        struct.pack_into("<H", data, at, other)
    image = medium_of_patched_launcher(tmp_path, launcher_exe, patch)
    where = "%s:/%s" % (image.name, PRODUCT.launcher_file)
    return image, PRODUCT, [
        '%s: version block string table: found "%s"; required "%s" (%s)' % (
            where, languages.string_table_key(other), language.string_table_key, ours),
        "%s: version block Translation: found 0x%04X 1200; required 0x%04X 1200 (%s, in Unicode)" % (
            where, other, language.id, ours)]


BROKEN = [autorun_naming_a_missing_program, launcher_of_another_product, picture_of_another_depth,
          resource_in_another_language, version_block_in_another_language]


@pytest.mark.parametrize("broken", BROKEN, ids=[case.__name__.replace("_", " ") for case in BROKEN])
def test_a_broken_image_fails_with_its_line_and_no_launcher_is_started(tmp_path, launcher_exe, broken):
    image, product, lines = broken(tmp_path, launcher_exe)
    lines = [lines] if isinstance(lines, str) else lines
    result = subprocess.run([str(REPO / "tools" / "kit"), "check-medium", str(image), "--build", BUILD,
                             "--profile", product.profile_path, "--out", str(tmp_path / "check")],
                            capture_output=True, text=True, timeout=300)
    assert result.returncode == 1, result.stdout + result.stderr
    assert [line for line in lines if line not in result.stderr.splitlines()] == [], result.stderr
    assert any(line.startswith(NOT_STARTED) for line in result.stdout.splitlines()), result.stdout
    report = (tmp_path / "check" / "report.md").read_text()
    assert re.search(r"\*\*\d+ of \d+ checks fail\*\*", report) and all("`%s`" % line in report for line in lines)
