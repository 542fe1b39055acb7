"""Where one run of make-art reads its masters and sound sources and writes the art."""

import os


def first_existing(folder, name, extensions):
    return next((path for path in (os.path.join(folder, name + ext) for ext in extensions) if os.path.exists(path)),
                None)


class Folders:
    """`masters` and `sound_sources`, read; `resources`, which receives art/, sounds/, icon/ and the `manifest`."""

    def __init__(self, masters, sound_sources, resources):
        self.masters, self.sound_sources, self.resources = masters, sound_sources, resources
        self.manifest = os.path.join(resources, "art-made-for.txt")

    @classmethod
    def of_profile(cls, profile):
        return cls(profile.folder("art_masters"), profile.folder("sound_sources"), profile.folder("resource_folder"))

    @property
    def masters_place(self):
        """The masters folder as the record names where make-art drew: its real path, links resolved."""
        return os.path.realpath(self.masters)

    def master(self, name):
        """The master's file (a PNG wins over a BMP), or None."""
        return first_existing(self.masters, name, (".png", ".bmp"))

    def drawn_master(self, name):
        return os.path.join(self.masters, name + ".png")

    def sound_source(self, name):
        """The sound's source file, or None: the sound is then synthesised."""
        return first_existing(self.sound_sources, name, (".wav", ".flac", ".ogg", ".aiff"))

    def output(self, *parts):
        return os.path.join(self.resources, *parts)
