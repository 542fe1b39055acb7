"""One product as every tool and test sees it: its profile (names, uninstall key, setup program,
medium), the launcher's geometry and its resource identifiers.

    product = Product.load("docs/examples/zyndra-atlas/product.profile")
    product.name, product.uninstall_key, product.setup_program, product.pictures(24).background
"""

import os

from launcherkit import SOURCE_DIR, geometry, identifiers, resource_table
from launcherkit.profile import read_profile

DEFAULT_PROFILE = os.path.join(SOURCE_DIR, "resources", "product.profile")
UNINSTALL_LIST = r"HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall"


class Product:
    def __init__(self, profile):
        self.profile, self.profile_path = profile, profile.path
        self.geometry = geometry.read()
        self.ids = identifiers.read()
        self.name = profile["product_name"]  # the window's class name and title
        # the product's key in the system's uninstall list, as reg.exe names it
        self.uninstall_key = UNINSTALL_LIST + "\\" + profile["uninstall_guid"]
        self.setup_program = profile["setup_program"]  # its file name beside the launcher
        self.launcher_file = profile["original_filename"]  # the launcher's file name on the medium
        self.volume_name = profile["volume_name"]
        self.image_name = self.volume_name + ".iso"
        self.welcome_sound_id, self.hover_sound_id = self.ids["IDW_WELCOME_SOUND"], self.ids["IDW_HOVER_SOUND"]
        self.version_block_id = self.ids["VS_VERSION_INFO"]

    @classmethod
    def load(cls, profile_path=DEFAULT_PROFILE):
        """The product of a profile file; raises profile.ProfileError when the profile has faults."""
        return cls(read_profile(profile_path))

    @property
    def resource_folder(self):
        return self.profile.folder("resource_folder")

    def pictures(self, bits_per_pixel):
        """The identifiers of one depth's picture set (resource_table.PictureSet)."""
        return resource_table.PictureSet(resource_table.read(ids=self.ids), bits_per_pixel)
