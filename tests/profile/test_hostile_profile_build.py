"""The launcher built for a profile of hostile texts in a folder whose name has letters beyond ASCII,
spaces and punctuation: the build goes through (the asset check and the resource compiler reach the
resource folder by that name), the version block read back from LAUNCH.EXE holds the profile's texts
exactly, one of them so long that the block is as full as it may be, and under Wine the window bears the
product's name, letters of Windows-1252 beyond ASCII and all. One build for every case."""
import subprocess
from pathlib import Path

import pytest

from launcherkit import pe, version_block
from launcherkit import profile as product_profile
from launcherkit.art.folders import Folders
from launcherkit.art.manifest import write_manifest
from launcherkit.product import Product
from launcherkit.wine.host import host_can_run
from launcherkit.wine.launcher_session import LauncherSession
from launcherkit.wine.programs import Programs

REPO = Path(__file__).resolve().parents[2]
FOLDER = "Produkt f\u00fcr J\u00fcrgen (2024) #2 a+b,c=d@e%f"

# Every character of Windows-1252 that a text may hold (beginning with a space, which a text cannot).
WINDOWS_1252 = "".join(bytes([b]).decode("cp1252") for b in range(0x20, 0x100)
                       if b != 0x7F and b not in (0x81, 0x8D, 0x8F, 0x90, 0x9D))

HOSTILE = {
    "product_name": 'Nordlicht \u201eAtlas\u201c f\u00fcr J\u00fcrgen "100%" ??! \u20ac C:\\',
    "company_name": "Nordlicht\\Verlag GmbH \\",
    "file_description": '"Zitat" am Anfang, \'einfach\', "" doppelt, \\" und am Ende ein "',
    "internal_name": "??! ??( ??) ??< ??> ??= ??/ ??' ??- %s %d %% \\\\",
    "version_product_name": "[%s]" % WINDOWS_1252,
}


def hostile_values():
    """The shipped profile's values with the hostile texts; legal_copyright fills the version block."""
    values = dict(product_profile.read_profile(str(REPO / "resources" / "product.profile")).values, **HOSTILE)
    longest = version_block.longest_fitting(version_block.texts(values), "legal_copyright")
    values["legal_copyright"] = ("100%% ??! \\ \" %s " % WINDOWS_1252 + "L" * longest)[:longest]
    values.update(resource_folder="resources", art_masters="resources/art/masters",
                  sound_sources="resources/sounds/sources")
    return values


@pytest.fixture(scope="module")
def hostile_build(tmp_path_factory, ctest):
    """(The profile, LAUNCH.EXE built for it, the build's standard output)."""
    tmp_path = tmp_path_factory.mktemp("hostile")
    folder = tmp_path / FOLDER
    folder.mkdir()
    # The shipped pictures, sounds and icon, with a record of their own made for this product from the
    # shipped masters (the shipped record names the shipped product: the build would refuse the art).
    (folder / "resources").mkdir()
    for part in ("art", "sounds", "icon"):
        (folder / "resources" / part).symlink_to(REPO / "resources" / part)
    values = hostile_values()
    profile = folder / "product.profile"
    profile.write_text("".join("%s = %s\n" % item for item in values.items()), encoding="utf-8")
    assert product_profile.read_profile(str(profile)).values == values
    read = product_profile.read_profile(str(profile))
    write_manifest(Folders.of_profile(read), read, {})

    build = tmp_path / "build"
    toolchain = ctest("LAUNCHER_TOOLCHAIN_FILE")
    for command in (["cmake", "-S", str(REPO), "-B", str(build), "-G", "Ninja", "-DCMAKE_BUILD_TYPE=MinSizeRel",
                     "-DCMAKE_TOOLCHAIN_FILE=" + toolchain, "-DLAUNCHER_PROFILE=" + str(profile)],
                    ["cmake", "--build", str(build), "--target", "launch"]):
        result = subprocess.run(command, capture_output=True, text=True, timeout=600)
        assert result.returncode == 0, "%s failed:\n%s" % (command[:2], (result.stdout + result.stderr)[-3000:])
    return profile, build / "LAUNCH.EXE", result.stdout


def test_the_launcher_of_a_hostile_profile_holds_its_texts_exactly(hostile_build):
    profile, exe, output = hostile_build
    values = product_profile.read_profile(str(profile)).values
    assert "Checking the pictures, sounds and icon in %s" % (profile.parent / "resources") in output

    launcher = pe.Executable.open(str(exe))
    assert launcher.version_block().texts == version_block.texts(values)
    block = launcher.resource("VERSION", 1)
    assert len(block) == version_block.size(version_block.texts(values))
    assert version_block.MAX_SIZE - 4 < len(block) <= version_block.MAX_SIZE
    # The window's class name and title, compiled as a C string.
    assert values["product_name"].encode("cp1252") + b"\0" in launcher.data


def test_its_window_bears_the_products_name_under_wine(hostile_build, build_dir, arch, programs):
    can_run, reason = host_can_run(arch)
    if not can_run:
        pytest.skip(reason)
    profile, exe, _ = hostile_build
    product = Product.load(str(profile))
    with LauncherSession(build_dir, arch, Programs(launcher=str(exe), poke=programs.poke), product,
                         "hostile-name") as launcher:
        launcher.lay_medium(stubs=())
        process, _ = launcher.start()
        _, info = launcher.session.poke("info")
        assert launcher.close_window(process) == 0
    assert (info.get("class"), info.get("title")) == (product.name, product.name)
