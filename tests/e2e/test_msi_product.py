"""A real product, from install to removal: a Windows Installer package built here with wixl from a small
WiX source (the product's name, its uninstall GUID as ProductCode, ARPNOMODIFY=1, one file installed under
Program Files), on the medium beside a setup program that installs it (MSISETUP.EXE: msiexec /i of the
package of its own name), built by make-medium.sh --content. Under Wine, from the image on drive D: the
launcher shows install; a click installs the product (the uninstall key and the installed file appear);
started again it shows remove; a click runs the command Windows Installer registered (REG_EXPAND_SZ
"MsiExec.exe /X{GUID}", a bare name found in the system folder) and the product is gone; started again it
shows install."""
import os
import shutil
import subprocess

import pytest

from launcherkit.wine.waiting import wait_until
from launcherkit.wine.window import REST, SETUP

WIX = """<?xml version="1.0" encoding="utf-8"?>
<Wix xmlns="http://schemas.microsoft.com/wix/2006/wi">
  <Product Id="{guid}" Name="{name}" Language="1031" Version="1.0.0" Manufacturer="{company}"
           UpgradeCode="{{6A0C3E52-19B4-4D7A-8F3E-2B5C7D9E1F04}}">
    <Package InstallerVersion="200" Compressed="yes" InstallScope="perMachine"/>
    <Media Id="1" Cabinet="product.cab" EmbedCab="yes"/>
    <!-- Without it Windows Installer registers MsiExec.exe /I{{...}}, which opens maintenance instead. -->
    <Property Id="ARPNOMODIFY" Value="1"/>
    <Directory Id="TARGETDIR" Name="SourceDir">
      <Directory Id="ProgramFilesFolder">
        <Directory Id="INSTALLDIR" Name="{name}">
          <Component Id="Manual" Guid="{{3D8E1B7A-5C24-4F9E-A0B6-7E2D4C1F8A93}}">
            <File Id="Manual" Name="{installed}" Source="{installed}" KeyPath="yes"/>
          </Component>
        </Directory>
      </Directory>
    </Directory>
    <Feature Id="Product" Level="1">
      <ComponentRef Id="Manual"/>
    </Feature>
  </Product>
</Wix>
"""
INSTALLED = "Handbuch.txt"


@pytest.fixture(scope="module")
def image(tmp_path_factory, make_medium, programs, product):
    """The medium: the launcher under test, MSISETUP.EXE as the setup program and its package beside it."""
    if shutil.which("wixl") is None:
        pytest.fail("wixl is missing (Debian package wixl; scripts/install-deps.sh installs it)")
    work = tmp_path_factory.mktemp("msi")
    (work / INSTALLED).write_bytes(b"installed by the product's package\r\n")
    (work / "product.wxs").write_text(WIX.format(guid=product.profile["uninstall_guid"], name=product.name,
                                                 company=product.profile["company_name"], installed=INSTALLED),
                                      encoding="utf-8")
    content = work / "content"
    content.mkdir()
    package = content / (os.path.splitext(product.setup_program)[0] + ".MSI")
    subprocess.run(["wixl", "-o", str(package), "product.wxs"], cwd=work, check=True, capture_output=True,
                   timeout=120)
    out = work / "medium"
    make_medium("--profile", product.profile_path, "--launch", programs.launcher, "--setup", programs.msi_setup,
                "--content", str(content), "--out", str(out))
    return str(out / product.image_name)


def under_wow64(launcher):
    """Whether the package, a 32-bit one, installs under WoW64 (a win64 prefix): then into Program Files (x86),
    its uninstall key in the registry's 32-bit view."""
    return launcher.session.prefix_arch == "win64"


def uninstall_command(launcher, product):
    """(type, data) of the product's UninstallString; None while the product is not installed."""
    view = ["/reg:32"] if under_wow64(launcher) else []
    code, text = launcher.session.run("reg", ["query", product.uninstall_key, "/v", "UninstallString", *view])
    if code != 0:
        return None
    fields = next(line for line in text.splitlines() if "UninstallString" in line).split(None, 2)
    return fields[1], fields[2].strip()


def click_install_button(launcher, installed):
    process, _ = launcher.start()
    launcher.assert_picture(REST, "the launcher at rest", installed=installed)
    launcher.click(process, SETUP, installed)


def test_the_product_is_installed_and_removed_through_the_launcher(image, launcher, product):
    disc = launcher.insert_disc(image, whole_tree=True)
    package = os.path.splitext(product.setup_program)[0] + ".MSI"
    assert sorted(os.listdir(disc)) == sorted(["AUTORUN.INF", product.launcher_file, product.setup_program, package])
    program_files = "Program Files (x86)" if under_wow64(launcher) else "Program Files"
    installed_file = os.path.join(launcher.session.prefix, "drive_c", program_files, product.name, INSTALLED)
    assert uninstall_command(launcher, product) is None

    # Not installed: install; a click starts the setup program, which installs the package from the disc.
    click_install_button(launcher, installed=False)
    wait_until(lambda: uninstall_command(launcher, product) is not None and os.path.exists(installed_file),
               timeout=120, interval=1, what="the product installed")
    assert uninstall_command(launcher, product) == ("REG_EXPAND_SZ", "MsiExec.exe /X%s"
                                                    % product.profile["uninstall_guid"])
    launcher.session.wait_programs_ended(timeout=120)

    # Installed: remove; a click runs the registered command, which removes the product.
    click_install_button(launcher, installed=True)
    wait_until(lambda: uninstall_command(launcher, product) is None and not os.path.exists(installed_file),
               timeout=120, interval=1, what="the product removed")
    launcher.session.wait_programs_ended(timeout=120)

    # Gone: install again.
    process, _ = launcher.start()
    launcher.assert_picture(REST, "the launcher after the removal", installed=False)
    assert launcher.close_window(process) == 0
