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
    def __init__(self, profile, geometry_=None, ids=None):
        self.profile = profile
        self.geometry = geometry_ or geometry.read()
        self.ids = ids or identifiers.read()

    @classmethod
    def load(cls, profile_path=DEFAULT_PROFILE):
        """The product of a profile file; raises profile.ProfileError when the profile has faults."""
        return cls(read_profile(profile_path))

    @property
    def profile_path(self):
        return self.profile.path

    @property
    def name(self):
        """The window's class name and title."""
        return self.profile["product_name"]

    @property
    def uninstall_key(self):
        """The product's key in the system's uninstall list, as reg.exe names it."""
        return UNINSTALL_LIST + "\\" + self.profile["uninstall_guid"]

    @property
    def setup_program(self):
        """The setup program's file name beside the launcher."""
        return self.profile["setup_program"]

    @property
    def launcher_file(self):
        """The launcher's file name on the medium."""
        return self.profile["original_filename"]

    @property
    def volume_name(self):
        return self.profile["volume_name"]

    @property
    def image_name(self):
        """The medium's image file name."""
        return self.volume_name + ".iso"

    @property
    def resource_folder(self):
        return self.profile.folder("resource_folder")

    def pictures(self, bits_per_pixel):
        """The identifiers of one depth's picture set (resource_table.PictureSet)."""
        return resource_table.PictureSet(resource_table.read(ids=self.ids), bits_per_pixel)

    @property
    def welcome_sound_id(self):
        return self.ids["IDW_WELCOME_SOUND"]

    @property
    def hover_sound_id(self):
        return self.ids["IDW_HOVER_SOUND"]

    @property
    def version_block_id(self):
        return self.ids["VS_VERSION_INFO"]
