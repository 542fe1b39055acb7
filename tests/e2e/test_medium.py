"""The installation medium as a user gets it: scripts/make-medium.sh builds the CD for the build's product
(with the launcher under test, and the recorder stub as its setup program so that its start can be seen);
the files are read back out of the ISO image and put on CD-ROM drive D:; the program that AUTORUN.INF
names is started from there. Its window shows, and a click on the install button starts the medium's own
setup program; exit code 0. The launcher of a medium signed with a throwaway authority's key starts from
it too."""
import os
import re

import pytest

from launcherkit.pe import Executable
from launcherkit.wine.window import REST, SETUP
from throwaway_signing import ThrowawayAuthority


@pytest.fixture(scope="module")
def built_image(tmp_path_factory, make_medium, programs, product):
    """build(*options): the medium's image with the launcher under test, built by make-medium.sh."""
    def build(*options):
        out = str(tmp_path_factory.mktemp("medium"))
        # The start-up files alone, whatever content the product's profile names.
        nothing = str(tmp_path_factory.mktemp("no-content"))
        make_medium("--profile", product.profile_path, "--launch", programs.launcher,
                    "--setup", programs.recorder, "--content", nothing, "--out", out, *map(str, options))
        return os.path.join(out, product.image_name)
    return build


def test_the_medium_starts_its_launcher_and_the_launcher_its_setup(built_image, launcher, programs, product):
    disc = launcher.insert_disc(built_image())
    assert sorted(os.listdir(disc)) == sorted(["AUTORUN.INF", product.launcher_file, product.setup_program])
    with open(os.path.join(disc, "AUTORUN.INF"), "rb") as f:
        autorun = f.read().decode("cp1252")
    program = re.search(r"^open=(.+?)\r?$", autorun, re.M).group(1)
    assert program == product.launcher_file
    with open(os.path.join(disc, program), "rb") as f, open(programs.launcher, "rb") as g:
        assert f.read() == g.read(), "the medium's launcher is not the launcher under test"

    process, window = launcher.start(launcher.medium_path(program))
    assert window.geometry == launcher.window.origin + launcher.window.size
    launcher.assert_picture(REST, "the window from the medium")
    launcher.click(process, SETUP)
    assert launcher.stub_runs() == [launcher.setup_run()]


def test_the_signed_launcher_starts_from_its_medium(built_image, launcher, product, tmp_path_factory):
    key = ThrowawayAuthority(tmp_path_factory.mktemp("authority")).issue("Throwaway Publisher")
    disc = launcher.insert_disc(built_image("--sign-pkcs12", key.pkcs12, "--sign-password-file",
                                            key.password_file))
    signed = os.path.join(disc, product.launcher_file)
    assert Executable.open(signed).certificate_table[1] > 0, "the medium's launcher is not signed"
    process, _ = launcher.start()
    assert launcher.close_window(process) == 0
