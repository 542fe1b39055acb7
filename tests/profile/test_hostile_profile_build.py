"""The launcher built for a profile of hostile texts in a folder whose name has letters beyond ASCII,
spaces and punctuation: the build goes through (the asset check and the resource compiler reach the
resource folder by that name), and the version block read back from LAUNCH.EXE holds the profile's texts
exactly, one of them so long that the block is as full as it may be. One build for every case."""
import subprocess
from pathlib import Path

from launcherkit import pe, version_block
from launcherkit import profile as product_profile
from launcherkit.art.folders import Folders
from launcherkit.art.manifest import write_manifest

REPO = Path(__file__).resolve().parents[2]
FOLDER = "Produkt f\u00fcr J\u00fcrgen (2024) #2 a+b,c=d@e%f"

# Every character of Windows-1252 that a text may hold (beginning with a space, which a text cannot).
WINDOWS_1252 = "".join(bytes([b]).decode("cp1252") for b in range(0x20, 0x100)
                       if b != 0x7F and b not in (0x81, 0x8D, 0x8F, 0x90, 0x9D))

HOSTILE = {
    "product_name": 'Nordlicht "Atlas" 100% ??! C:\\',
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


def test_the_launcher_of_a_hostile_profile_holds_its_texts_exactly(tmp_path, ctest):
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
    assert "Checking the pictures, sounds and icon in %s" % (folder / "resources") in result.stdout

    launcher = pe.Executable.open(str(build / "LAUNCH.EXE"))
    assert launcher.version_block().texts == version_block.texts(values)
    block = launcher.resource("VERSION", 1)
    assert len(block) == version_block.size(version_block.texts(values))
    assert version_block.MAX_SIZE - 4 < len(block) <= version_block.MAX_SIZE
    # The window's class name and title, compiled as a C string.
    assert values["product_name"].encode("cp1252") + b"\0" in launcher.data
