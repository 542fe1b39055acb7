"""Where one run of make-art reads its masters and sound sources and writes the art."""

import os

MASTER_EXTENSIONS = (".png", ".bmp")  # a PNG wins when both are there
SOUND_EXTENSIONS = (".wav", ".flac", ".ogg", ".aiff")
# The record of the product and the masters the art in a resource folder was made for.
MANIFEST = "art-made-for.txt"


def first_existing(folder, name, extensions):
    for ext in extensions:
        path = os.path.join(folder, name + ext)
        if os.path.exists(path):
            return path
    return None


def write_file(path, data):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(data)


class Folders:
    """`masters` and `sound_sources`, read; `resources`, which receives art/, sounds/, icon/ and the
    manifest. Paths stay as they were given (relative to the working folder) or absolute."""

    def __init__(self, masters, sound_sources, resources):
        self.masters = masters
        self.sound_sources = sound_sources
        self.resources = resources

    @classmethod
    def of_profile(cls, profile):
        return cls(profile.folder("art_masters"), profile.folder("sound_sources"),
                   profile.folder("resource_folder"))

    def master(self, name):
        """The master's file, or None."""
        return first_existing(self.masters, name, MASTER_EXTENSIONS)

    def drawn_master(self, name):
        """Where a drawn master is written."""
        return os.path.join(self.masters, name + ".png")

    def sound_source(self, name):
        """The sound's source file, or None: the sound is then synthesised."""
        return first_existing(self.sound_sources, name, SOUND_EXTENSIONS)

    def output(self, *parts):
        return os.path.join(self.resources, *parts)

    @property
    def manifest(self):
        return self.output(MANIFEST)
