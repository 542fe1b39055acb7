"""Another product from its profile, end to end: scripts/make-medium.sh --profile builds the example product's
launcher (docs/examples/zyndra-atlas) and medium, with the recorder stub as its setup program; the files are
read back out of the image and put on CD-ROM drive D:, and the launcher AUTORUN.INF names is started there.
Its medium, window class and title, pictures, uninstall key, setup program and version block are what the
example's profile says, and another product's uninstall key does not touch it. Also saves
<build>/screenshots/example-depth-24.png."""
import os
import re
import subprocess

import pytest

from launcherkit import SOURCE_DIR
from launcherkit.pe import Executable
from launcherkit.product import Product
from launcherkit.wine import images
from launcherkit.wine.window import SETUP

EXAMPLE_PROFILE = os.path.join(SOURCE_DIR, "docs", "examples", "zyndra-atlas", "product.profile")


@pytest.fixture(scope="module")
def example():
    return Product.load(EXAMPLE_PROFILE)


@pytest.fixture(scope="module")
def other_product(example):
    """A product that is not the example: the shipped one."""
    other = Product.load()
    assert other.uninstall_key != example.uninstall_key
    return other


@pytest.fixture(scope="module")
def launcher_session(request, open_launcher_session, example):
    """The module's session for the example product, whose window is found by the example's name."""
    with open_launcher_session(request, 24, example) as launcher:
        yield launcher


@pytest.fixture(scope="module")
def image(make_medium, build_dir, arch, programs, example):
    """The example's medium, built by make-medium.sh --profile."""
    # Kept between runs, so that the example's launcher is built anew only when something changed.
    out = os.path.join(build_dir, "profile-example")
    make_medium("--profile", EXAMPLE_PROFILE, "--setup", programs.recorder, "--out", out,
                "--preset", "windows" if arch == "win32" else "windows-x64", timeout=800)
    return os.path.join(out, example.image_name)


def version_texts(profile):
    """The version block's texts as the profile gives them."""
    def numbers(key):
        return ", ".join(str(n) for n in profile.version_numbers(key))

    return {"CompanyName": profile["company_name"], "FileDescription": profile["file_description"],
            "FileVersion": numbers("file_version"), "InternalName": profile["internal_name"],
            "LegalCopyright": profile["legal_copyright"], "OriginalFilename": profile["original_filename"],
            "ProductName": profile["version_product_name"], "ProductVersion": numbers("product_version")}


def background_file(product):
    with open(os.path.join(product.resource_folder, "art", "true-colour", "background.bmp"), "rb") as f:
        return images.from_bytes(f.read())


def test_the_example_products_medium_and_launcher(image, launcher, example, other_product, screenshot_dir):
    profile = example.profile
    # The medium: its files, volume name and AUTORUN.INF.
    disc = launcher.insert_disc(image)
    assert sorted(os.listdir(disc)) == sorted(["AUTORUN.INF", example.launcher_file, example.setup_program])
    with open(os.path.join(disc, "AUTORUN.INF"), "rb") as f:
        autorun = f.read().decode("cp1252")
    assert autorun.startswith("[autorun]\r\n")
    assert dict(re.findall(r"(?m)^(\w+)=(.*)\r$", autorun)) == {
        "open": example.launcher_file, "icon": example.launcher_file + ",0",
        "label": profile["autorun_label"], "action": profile["autorun_action"]}
    pvd = subprocess.run(["xorriso", "-no_rc", "-indev", image, "-pvd_info"], capture_output=True, text=True,
                         timeout=60).stdout
    assert re.search(r"(?m)^Volume Id\s*:\s*%s$" % re.escape(example.volume_name), pvd), pvd
    exe = os.path.join(disc, example.launcher_file)

    # The version block.
    version = Executable.open(exe).version_block()
    assert [list(version.file_version), list(version.product_version)] == \
        [profile.version_numbers("file_version"), profile.version_numbers("product_version")]
    assert version.texts == version_texts(profile)

    # Its own pictures: the example's background, not the other product's.
    background = images.exe_picture(exe, example.pictures(24).background)
    assert not images.compare(background, background_file(example))
    assert images.compare(background, background_file(other_product))

    # The other product installed changes nothing: install pictures, and the setup program starts.
    launcher.registry.add(other_product.uninstall_key, "UninstallString", "REG_SZ",
                          '"C:\\Program Files\\%s\\UNINST.EXE" /remove' % other_product.name)
    process, _ = launcher.start()
    code, info = launcher.session.poke("info")
    assert (code, info.get("class"), info.get("title")) == (0, example.name, example.name)
    shown, difference = launcher.wait_for_picture(launcher.window.expected(exe, 24))
    assert not difference, "the example's window, not installed: %s" % difference
    images.save(shown, os.path.join(screenshot_dir, "example-depth-24.png"))
    launcher.display.move(*launcher.window.button_centre(SETUP))
    launcher.display.click()
    assert process.exit_code(timeout=30) == 0
    assert launcher.stub_runs() == [launcher.setup_run()]

    # Its own key installed: remove pictures, and the registered command starts.
    launcher.clear_stub_log()
    remove_command = '"%s" /remove' % launcher.medium_path(example.setup_program)
    launcher.set_installed(remove_command)
    process, _ = launcher.start()
    _, difference = launcher.wait_for_picture(launcher.window.expected(exe, 24, installed=True))
    assert not difference, "the example's window, installed: %s" % difference
    launcher.display.move(*launcher.window.button_centre(SETUP))
    launcher.display.click()
    assert process.exit_code(timeout=30) == 0
    assert launcher.stub_runs() == [(launcher.medium_path(example.setup_program), remove_command)]
