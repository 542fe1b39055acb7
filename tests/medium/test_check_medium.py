"""The medium's acceptance check (tools/kit check-medium) refuses a broken image with one line naming what,
where, what was found and what is required: one table of images, each built to fail one check, those of
the medium without starting the launcher, those of the launcher at work under Wine on a 24-bit screen
(a launcher that never opens, exits 1, plays a welcome sound of silence or is titled otherwise); and a
build tree without the recorder is not taken for a pass. (A good image is the example product's
end-to-end test.) The launcher is $LAUNCHER_EXE of the build tree $LAUNCHER_BUILD_DIR, for the profile
$LAUNCHER_PROFILE."""
import re
import struct
import subprocess
from pathlib import Path

import pytest

from ctest_settings import CTEST
from launcherkit import identifiers, languages, resource_table
from launcherkit.acceptance import wine_arch
from launcherkit.pe import MACHINE_I386, Executable
from launcherkit.product import Product
from launcherkit.wine.host import host_can_run
from medium_script import make_medium

REPO = Path(__file__).resolve().parents[2]
BUILD, PRODUCT = CTEST.build_dir, CTEST.product
# Another product than this build's: the example, or the shipped one when this build is the example's.
EXAMPLE = Product.load(str(REPO / "docs" / "examples" / "zyndra-atlas" / "product.profile"))
OTHER = EXAMPLE if EXAMPLE.name != PRODUCT.name else Product.load()


def built_medium(out, launcher, product):
    result = make_medium(out, launcher, product)
    assert result.returncode == 0, result.stdout + result.stderr
    return out / product.image_name


def image_of(tree, image, *xorriso):
    """An image of `tree` with Joliet names, made as make-medium.sh makes it but with the xorriso commands
    `xorriso` added (-joliet off, -hide joliet PATH ...)."""
    subprocess.run(["xorriso", "-no_rc", "-report_about", "WARNING", "-outdev", "stdio:%s" % image,
                    "-joliet", "on", "-volid", PRODUCT.volume_name, "-map", str(tree), "/", *xorriso, "-commit"],
                   check=True, capture_output=True, timeout=120)
    return image


def medium_tree(tmp_path, launcher_exe):
    return built_medium(tmp_path, launcher_exe, PRODUCT).parent / "tree"


def patched_launcher(tmp_path, launcher_exe, patch):
    """The launcher with `patch(data)` applied to its bytes (a bytearray), on a medium of its own."""
    data = bytearray(Path(launcher_exe).read_bytes())
    launcher = Executable(bytes(data))
    launcher.resources()
    patch(data, launcher)
    broken = tmp_path / "broken.exe"
    broken.write_bytes(data)
    return built_medium(tmp_path / "medium", broken, PRODUCT)


def autorun_naming_a_missing_program(tmp_path, launcher_exe):
    tree = medium_tree(tmp_path, launcher_exe)
    autorun = tree / "AUTORUN.INF"
    autorun.write_bytes(autorun.read_bytes().replace(b"open=" + PRODUCT.launcher_file.encode(), b"open=MISSING.EXE"))
    image = image_of(tree, tmp_path / "broken.iso")
    names = ", ".join(sorted(["AUTORUN.INF", PRODUCT.launcher_file, PRODUCT.setup_program]))
    return image, PRODUCT, ("broken.iso:/AUTORUN.INF:2: MISSING.EXE in the ISO 9660 tree: found no such file (the "
                            "root holds %s); required the file AUTORUN.INF names, under that name" % names)


def autorun_whose_icon_file_is_missing(tmp_path, launcher_exe):
    tree = medium_tree(tmp_path, launcher_exe)
    autorun = tree / "AUTORUN.INF"
    autorun.write_bytes(autorun.read_bytes().replace(b"icon=" + PRODUCT.launcher_file.encode(), b"icon=MISSING.ICO"))
    return image_of(tree, tmp_path / "broken.iso"), PRODUCT, "broken.iso:/AUTORUN.INF:3: MISSING.ICO in the ISO 9660 tree"


def launcher_of_another_product(tmp_path, launcher_exe):
    image = built_medium(tmp_path, launcher_exe, OTHER)
    return image, OTHER, ('check-medium: %s is an image of "%s", not of "%s", which the profile %s describes: check '
                          'it with the profile of "%s"' % (image.name, PRODUCT.profile["version_product_name"],
                                                           OTHER.profile["version_product_name"], OTHER.profile_path,
                                                           PRODUCT.profile["version_product_name"]))


def picture_of_another_depth(tmp_path, launcher_exe):
    """The true-colour browse button's header says 32 bits per pixel."""
    picture = resource_table.read().picture(24, "browse-rest")
    browse, path = picture.id, picture.path

    def patch(data, launcher):
        entry = next(r for r in launcher.resources() if (r.type, r.name) == (2, browse))
        struct.pack_into("<H", data, launcher.file_offset(entry.rva) + 14, 32)
    image = patched_launcher(tmp_path, launcher_exe, patch)
    return image, PRODUCT, "%s:/%s resource %s: bits per pixel is 32, required 24" % (
        image.name, PRODUCT.launcher_file, path)


def image_without_joliet_names(tmp_path, launcher_exe):
    image = image_of(medium_tree(tmp_path, launcher_exe), tmp_path / "broken.iso", "-joliet", "off")
    return image, PRODUCT, "broken.iso: Joliet tree: found none; required Joliet names beside the ISO 9660 names"


def autorun_only_in_the_joliet_tree(tmp_path, launcher_exe):
    image = image_of(medium_tree(tmp_path, launcher_exe), tmp_path / "broken.iso", "-hide", "iso_rr", "/AUTORUN.INF", "--")
    return image, PRODUCT, "broken.iso: AUTORUN.INF in the ISO 9660 tree: found no such file"


def autorun_only_in_the_iso_9660_tree(tmp_path, launcher_exe):
    image = image_of(medium_tree(tmp_path, launcher_exe), tmp_path / "broken.iso", "-hide", "joliet", "/AUTORUN.INF", "--")
    return image, PRODUCT, "broken.iso: AUTORUN.INF in the Joliet tree: found no such file"


def launcher_hidden_from_joliet(tmp_path, launcher_exe):
    image = image_of(medium_tree(tmp_path, launcher_exe), tmp_path / "broken.iso", "-hide", "joliet",
                     "/" + PRODUCT.launcher_file, "--")
    return image, PRODUCT, "broken.iso:/AUTORUN.INF:2: %s in the Joliet tree: found no such file" % PRODUCT.launcher_file


def another_language():
    """A language other than the profile's: (its identifier, the end of the lines that name the profile's)."""
    ours = PRODUCT.profile.language
    other = 0x0409 if ours.id != 0x0409 else 0x0407
    return other, "0x%04X (%s), the language of %s" % (ours.id, ours.tag, PRODUCT.profile_path)


def resource_in_another_language(tmp_path, launcher_exe):
    """The hover sound's entry in the resource directory names another language."""
    hover = identifiers.read()["IDW_HOVER_SOUND"]
    other, ours = another_language()

    def patch(data, launcher):
        wave = next(t for t in launcher.pe.DIRECTORY_ENTRY_RESOURCE.entries if str(t.name) == "WAVE")
        entry = next(n for n in wave.directory.entries if n.id == hover).directory.entries[0]
        struct.pack_into("<H", data, entry.struct.get_file_offset(), other)
    image = patched_launcher(tmp_path, launcher_exe, patch)
    return image, PRODUCT, ["%s:/%s: language of WAVE %d: found 0x%04X (%s); required %s" % (
        image.name, PRODUCT.launcher_file, hover, other, languages.of_id(other).tag, ours)]


def version_block_in_another_language(tmp_path, launcher_exe):
    """The version block's string table key and its Translation name another language."""
    other, ours = another_language()
    language = PRODUCT.profile.language

    def patch(data, launcher):
        key = language.string_table_key.encode("utf-16-le")
        at = data.index(key)
        data[at:at + len(key)] = languages.string_table_key(other).encode("utf-16-le")
        at = data.index(struct.pack("<HH", language.id, 1200), data.index("Translation".encode("utf-16-le")))
        struct.pack_into("<H", data, at, other)
    image = patched_launcher(tmp_path, launcher_exe, patch)
    where = "%s:/%s" % (image.name, PRODUCT.launcher_file)
    return image, PRODUCT, [
        '%s: version block string table: found "%s"; required "%s" (%s)' % (
            where, languages.string_table_key(other), language.string_table_key, ours),
        "%s: version block Translation: found 0x%04X 1200; required 0x%04X 1200 (%s, in Unicode)" % (
            where, other, language.id, ours)]


# The launcher at work under Wine (the 32-bit build's code patched; on the 64-bit twin these are skipped).
EXIT_PROCESS_CALL = re.compile(rb"\x83\xec\x0c\x50\xff\x15")  # sub esp,12; push eax; call [ExitProcess]


def launcher_that_never_opens(tmp_path, launcher_exe):
    """The entry point returns at once."""
    def patch(data, launcher):
        data[launcher.file_offset(launcher.pe.OPTIONAL_HEADER.AddressOfEntryPoint)] = 0xC3
    return (patched_launcher(tmp_path, launcher_exe, patch), PRODUCT,
            "before the check: DisplayError: the program ended (exit code 1) before its window appeared")


def launcher_that_exits_1(tmp_path, launcher_exe):
    """ExitProcess(1) in place of ExitProcess(the message loop's 0)."""
    def patch(data, launcher):
        launcher.imports()  # reads the import table
        exit_process = next(i.address for e in launcher.pe.DIRECTORY_ENTRY_IMPORT for i in e.imports
                            if i.name == b"ExitProcess")
        calls = [m.start() for m in EXIT_PROCESS_CALL.finditer(data)
                 if struct.unpack_from("<I", data, m.end())[0] == exit_process]
        assert len(calls) == 1, "found %d calls of ExitProcess after push eax" % len(calls)
        data[calls[0]:calls[0] + 4] = b"\x6a\x01\x90\x90"  # push 1
    return (patched_launcher(tmp_path, launcher_exe, patch), PRODUCT,
            "install: exit code: found 1; required 0")


def welcome_sound_of_silence(tmp_path, launcher_exe):
    """The welcome sound's samples all 0 (its MS ADPCM blocks zeroed), at its length."""
    def patch(data, launcher):
        entry = next(r for r in launcher.resources() if (r.type, r.name) == (RT_WAVE, PRODUCT.welcome_sound_id))
        start = launcher.file_offset(entry.rva)
        wave = bytes(data[start:start + entry.size])
        body = wave.index(b"data") + 8
        data[start + body:start + entry.size] = bytes(entry.size - body)
    return patched_launcher(tmp_path, launcher_exe, patch), PRODUCT, "the welcome sound: found 1.431 s of silence"


def title_that_is_not_the_products(tmp_path, launcher_exe):
    """The window's name (its class and title) patched; checked without a profile, so that the name the
    image gives (its version block's) is required of the window at work."""
    def patch(data, launcher):
        name = PRODUCT.name.encode("cp1252") + b"\0"
        data[:] = data.replace(name, name[:-2] + b"#\0")
    return (patched_launcher(tmp_path, launcher_exe, patch), None,
            "before the check: DisplayError: no window %r" % ("^%s$" % re.escape(PRODUCT.name)))


def launcher_that_writes_a_file_and_a_registry_key(tmp_path, launcher_exe):
    """The test build whose cancel button writes WRITTEN.TXT in the user's folder and the registry key
    "Written by the launcher": both are named, the one not hiding the other."""
    image = built_medium(tmp_path, Path(CTEST.programs.launcher_writes), PRODUCT)
    return image, PRODUCT, ["changes: found ", "WRITTEN.TXT", "Written by the launcher"]


RT_WAVE = "WAVE"
AT_WORK = [launcher_that_never_opens, launcher_that_exits_1, welcome_sound_of_silence, title_that_is_not_the_products,
           launcher_that_writes_a_file_and_a_registry_key]
BROKEN = [autorun_naming_a_missing_program, autorun_whose_icon_file_is_missing, launcher_of_another_product,
          picture_of_another_depth, image_without_joliet_names, autorun_only_in_the_joliet_tree,
          autorun_only_in_the_iso_9660_tree, launcher_hidden_from_joliet, resource_in_another_language,
          version_block_in_another_language] + AT_WORK


def check_medium(image, product, out, build=BUILD, depths="24"):
    # --trial: the media here carry the kit's placeholder as their setup program.
    return subprocess.run([str(REPO / "tools" / "kit"), "check-medium", str(image), "--build", build, "--depths", depths, "--trial",
                           *(["--profile", product.profile_path] if product else []), "--out", str(out)],
                          capture_output=True, text=True, timeout=600)


@pytest.mark.parametrize("broken", BROKEN, ids=[case.__name__.replace("_", " ") for case in BROKEN])
def test_a_broken_image_fails_with_its_line(tmp_path, launcher_exe, broken):
    if broken in AT_WORK and Executable.open(str(launcher_exe)).machine != MACHINE_I386:
        pytest.skip("the patches are made for the 32-bit build's code")
    if broken in AT_WORK:
        can_run, reason = host_can_run("win32")
        if not can_run:
            pytest.skip(reason)
    image, product, lines = broken(tmp_path, launcher_exe)
    lines = [lines] if isinstance(lines, str) else lines
    result = check_medium(image, product, tmp_path / "check")
    assert result.returncode == 1, result.stdout + result.stderr
    assert [line for line in lines if not any(line in found for found in result.stderr.splitlines())] == [], \
        result.stderr
    report = (tmp_path / "check" / "report.md").read_text()
    if broken in AT_WORK:
        assert re.search(r"\*\*\d+ of \d+ checks fail\*\*", report)
    else:
        assert "NOT CHECKED: The launcher at work: the launcher was not started: " in result.stdout, result.stdout
        assert all(line in report for line in lines)


def test_a_build_tree_without_the_recorder_is_not_a_pass(tmp_path, launcher_exe):
    """The image holds, but the launcher cannot be started without the recorder: exit 77, saying so."""
    can_run, reason = host_can_run(wine_arch(Executable.open(str(launcher_exe))))
    if not can_run:
        pytest.skip(reason)  # check-medium would give the host's reason first
    build = tmp_path / "build"
    build.mkdir()
    (build / "host").symlink_to(Path(BUILD, "host"))
    result = check_medium(built_medium(tmp_path, launcher_exe, PRODUCT), PRODUCT, tmp_path / "check", str(build))
    assert result.returncode == 77, result.stdout + result.stderr
    assert "%s has no recorder and poke" % build in result.stdout
