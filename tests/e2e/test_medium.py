"""The installation medium as a user gets it: scripts/make-medium.sh builds the CD (with the launcher under
test, and the recorder stub as its SETUP32.EXE so that its start can be seen); the files are read back out
of the ISO image and put on CD-ROM drive D:; the program that AUTORUN.INF names is started from there.
Its window shows, and a click on the install button starts the medium's own SETUP32.EXE; exit code 0.
The launcher of a medium signed with a throwaway authority's key starts from it too."""
import os
import re
import shutil
import subprocess

import pytest

import e2e_support as e2e
from launcherkit.pe import Executable
from launcherkit.product import Product
from throwaway_signing import ThrowawayAuthority

MAKE_MEDIUM = os.path.join(e2e.SOURCE_DIR, "scripts", "make-medium.sh")
PRODUCT = Product.load()


def built_disc(out, *options):
    """make-medium.sh's image built into out and its files extracted, as a drive shows them."""
    if shutil.which("xorriso") is None:
        pytest.skip("xorriso is missing (scripts/install-deps.sh installs it)")
    result = subprocess.run([MAKE_MEDIUM, "--launch", e2e.LAUNCHER_EXE, "--setup", e2e.RECORDER_EXE,
                             "--out", str(out), *map(str, options)], capture_output=True, text=True, timeout=300)
    assert result.returncode == 0, "make-medium.sh failed (%d):\n%s%s" % (result.returncode, result.stdout,
                                                                          result.stderr)
    folder = out / "disc"
    subprocess.run(["xorriso", "-no_rc", "-report_about", "WARNING", "-osirrox", "on",
                    "-indev", str(out / PRODUCT.image_name), "-extract", "/", str(folder)],
                   check=True, capture_output=True, timeout=120)
    return str(folder)


@pytest.fixture(scope="module")
def disc(tmp_path_factory):
    return built_disc(tmp_path_factory.mktemp("medium"))


@pytest.fixture(scope="module")
def signed_disc(tmp_path_factory):
    key = ThrowawayAuthority(tmp_path_factory.mktemp("authority")).issue("Throwaway Publisher")
    return built_disc(tmp_path_factory.mktemp("signed-medium"),
                      "--sign-pkcs12", key.pkcs12, "--sign-password-file", key.password_file)


def test_the_medium_starts_its_launcher_and_the_launcher_its_setup(disc, launcher):
    assert sorted(os.listdir(disc)) == ["AUTORUN.INF", "LAUNCH.EXE", "SETUP32.EXE"]
    with open(os.path.join(disc, "AUTORUN.INF"), "rb") as f:
        autorun = f.read().decode("cp1252")
    program = re.search(r"^open=(.+?)\r?$", autorun, re.M).group(1)
    assert program == "LAUNCH.EXE"
    with open(os.path.join(disc, "LAUNCH.EXE"), "rb") as f, open(e2e.LAUNCHER_EXE, "rb") as g:
        assert f.read() == g.read(), "the medium's LAUNCH.EXE is not the launcher under test"

    launcher.session.map_cdrom("d", disc)
    process, window = launcher.start("D:\\" + program)
    assert window.geometry == e2e.WINDOW_ORIGIN + e2e.WINDOW_SIZE
    launcher.assert_picture(e2e.REST, "the window from the medium")
    launcher.display.move(*e2e.button_centre(e2e.SETUP))
    launcher.assert_picture(e2e.hovered(e2e.SETUP), "button 0 is not lit")
    launcher.display.click()
    assert process.exit_code(timeout=30) == 0
    assert launcher.stub_runs() == [("D:\\SETUP32.EXE", '"D:\\SETUP32.EXE"')]


def test_the_signed_launcher_starts_from_its_medium(signed_disc, launcher):
    signed = os.path.join(signed_disc, PRODUCT.launcher_file)
    assert Executable.open(signed).certificate_table[1] > 0, "the medium's launcher is not signed"
    launcher.session.map_cdrom("d", signed_disc)
    process, _ = launcher.start("D:\\" + PRODUCT.launcher_file)
    assert launcher.close_window(process) == 0
