"""Another product from its profile, end to end: scripts/make-medium.sh --profile builds the example product's
launcher (docs/examples/zyndra-atlas) and medium, with the recorder stub as its setup program; the files are
read back out of the image and put on CD-ROM drive D:, and the launcher AUTORUN.INF names is started there.
Its window class and title, pictures, uninstall key, setup program and version block are the example's,
and the shipped product's uninstall key does not touch it. Also saves <build>/screenshots/example-depth-24.png."""
import os
import re
import shutil
import struct
import subprocess

import pytest

import e2e_support as e2e
import images

MAKE_MEDIUM = os.path.join(e2e.SOURCE_DIR, "scripts", "make-medium.sh")
EXAMPLE = os.path.join(e2e.SOURCE_DIR, "docs", "examples", "zyndra-atlas")

# What docs/examples/zyndra-atlas/product.profile says, written out here as the user expects to see it.
TITLE = "Zyndra Atlas"
UNINSTALL_KEY = r"HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\{0E7A4C19-3D52-4B8E-9F21-6C0D8B5A7E43}"
AUTORUN = ("[autorun]\r\nopen=ZSTART.EXE\r\nicon=ZSTART.EXE,0\r\nlabel=Zyndra Atlas\r\n"
           "action=Zyndra Atlas \u00f6ffnen\r\n").encode("cp1252")
VERSION_TEXTS = {
    "CompanyName": "Zyndra Musterverlag GmbH",
    "FileDescription": "Zyndra Atlas \u2013 Startprogramm",
    "FileVersion": "2, 3, 0, 17",
    "InternalName": "ZSTART",
    "LegalCopyright": "\u00a9 2025 Zyndra Musterverlag GmbH (fiktiv)",
    "OriginalFilename": "ZSTART.EXE",
    "ProductName": "Zyndra Atlas",
    "ProductVersion": "2, 3, 0, 0",
}
VERSION_NUMBERS = ((2, 3, 0, 17), (2, 3, 0, 0))  # file, product


def version_block(exe):
    """(file version, product version, {key: text}) of the version resource of `exe`, read with wrestool."""
    data = subprocess.run(["wrestool", "-x", "--raw", "--type=16", exe], capture_output=True, check=True,
                          timeout=60).stdout
    texts = {}

    def node(at):
        """Reads the node at `at` (length, value length, type, key, value, children); returns its end."""
        length, value_length, kind = struct.unpack_from("<HHH", data, at)
        end = at + length
        key_end = at + 6
        while data[key_end:key_end + 2] != b"\0\0":
            key_end += 2
        key = data[at + 6:key_end].decode("utf-16-le")
        value_at = (key_end + 2 + 3) & ~3
        if kind == 1 and value_length:  # text; its length counts UTF-16 units with the terminator
            texts[key] = data[value_at:value_at + 2 * value_length].decode("utf-16-le").rstrip("\0")
            value_end = value_at + 2 * value_length
        else:
            value_end = value_at + value_length
        child = (value_end + 3) & ~3
        while child < end:
            child = (node(child) + 3) & ~3
        return end

    node(0)
    fixed = data.index(struct.pack("<I", 0xFEEF04BD))
    file_ms, file_ls, product_ms, product_ls = struct.unpack_from("<IIII", data, fixed + 8)
    numbers = tuple((ms >> 16, ms & 0xFFFF, ls >> 16, ls & 0xFFFF)
                    for ms, ls in ((file_ms, file_ls), (product_ms, product_ls)))
    return numbers[0], numbers[1], texts


@pytest.fixture(scope="module")
def medium():
    """The example's medium, built by make-medium.sh --profile: (image, the files as a drive shows them)."""
    if shutil.which("xorriso") is None:
        pytest.skip("xorriso is missing (scripts/install-deps.sh installs it)")
    # Kept between runs, so that the example's launcher is built anew only when something changed.
    out = os.path.join(e2e.BUILD_DIR, "profile-example")
    preset = "windows" if os.environ.get("LAUNCHER_WINE_ARCH", "win32") == "win32" else "windows-x64"
    result = subprocess.run([MAKE_MEDIUM, "--profile", os.path.join(EXAMPLE, "product.profile"),
                             "--setup", e2e.RECORDER_EXE, "--out", out, "--preset", preset],
                            capture_output=True, text=True, timeout=800)
    assert result.returncode == 0, "make-medium.sh failed (%d):\n%s%s" % (result.returncode, result.stdout,
                                                                          result.stderr)
    image = os.path.join(out, "ZYNDRA_ATLAS.iso")
    disc = os.path.join(out, "disc")
    if os.path.isdir(disc):  # the image's folders come out read-only
        for root, _, _ in os.walk(disc):
            os.chmod(root, 0o755)
        shutil.rmtree(disc)
    subprocess.run(["xorriso", "-no_rc", "-report_about", "WARNING", "-osirrox", "on", "-indev", image,
                    "-extract", "/", disc], check=True, capture_output=True, timeout=120)
    return image, disc


def start_example(launcher):
    process, _ = launcher.start(r"D:\ZSTART.EXE", wait=False)
    launcher.display.wait_window("^%s$" % re.escape(TITLE), process.pid, process=process)
    return process


def test_the_example_products_medium_and_launcher(medium, launcher):
    image_path, disc = medium
    # The medium: its files, volume name and AUTORUN.INF.
    assert sorted(os.listdir(disc)) == ["AUTORUN.INF", "ZATLAS.EXE", "ZSTART.EXE"]
    with open(os.path.join(disc, "AUTORUN.INF"), "rb") as f:
        assert f.read() == AUTORUN
    pvd = subprocess.run(["xorriso", "-no_rc", "-indev", image_path, "-pvd_info"], capture_output=True,
                         text=True, timeout=60).stdout
    assert re.search(r"(?m)^Volume Id\s*:\s*ZYNDRA_ATLAS$", pvd), pvd
    exe = os.path.join(disc, "ZSTART.EXE")

    # The version block.
    file_version, product_version, texts = version_block(exe)
    assert (file_version, product_version) == VERSION_NUMBERS
    assert texts == VERSION_TEXTS

    # Its own pictures: the example's background, not the shipped one.
    with open(os.path.join(EXAMPLE, "art", "true-colour", "background.bmp"), "rb") as f:
        example_background = images.from_bytes(f.read())
    background = e2e.TIERS[24]["background"]
    assert not images.compare(images.exe_picture(exe, background), example_background)
    assert images.compare(images.exe_picture(exe, background), images.exe_picture(e2e.LAUNCHER_EXE, background))

    launcher.session.map_cdrom("d", disc)
    launcher.session.env["LAUNCHER_CLASS_NAME"] = TITLE  # POKE.EXE finds the launcher window by this class

    # The shipped product installed changes nothing: install pictures, and the setup program starts.
    launcher.set_installed(r'"C:\Program Files\Qelvar\UNINST.EXE" /remove')
    process = start_example(launcher)
    code, info = launcher.session.poke("info")
    assert (code, info.get("class"), info.get("title")) == (0, TITLE, TITLE)
    image, difference = launcher.wait_for_picture(e2e.expected_window(exe, 24))
    assert not difference, "the example's window, not installed: %s" % difference
    images.save(image, os.path.join(e2e.SCREENSHOT_DIR, "example-depth-24.png"))
    launcher.display.move(*e2e.button_centre(e2e.SETUP))
    launcher.display.click()
    assert process.exit_code(timeout=30) == 0
    assert launcher.stub_runs() == [("D:\\ZATLAS.EXE", '"D:\\ZATLAS.EXE"')]

    # Its own key installed: remove pictures, and the registered command starts.
    launcher.clear_stub_log()
    launcher.registry.add(UNINSTALL_KEY, "UninstallString", "REG_SZ", r'"D:\ZATLAS.EXE" /remove')
    process = start_example(launcher)
    _, difference = launcher.wait_for_picture(e2e.expected_window(exe, 24, installed=True))
    assert not difference, "the example's window, installed: %s" % difference
    launcher.display.move(*e2e.button_centre(e2e.SETUP))
    launcher.display.click()
    assert process.exit_code(timeout=30) == 0
    assert launcher.stub_runs() == [("D:\\ZATLAS.EXE", '"D:\\ZATLAS.EXE" /remove')]
