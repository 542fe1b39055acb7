"""The discs a medium is made for, and its size as a message gives it."""

from launcherkit import KitError

SECTOR = 2048
MB = 1024 * 1024
# Sectors of 2,048 bytes: a 74-minute CD, an 80-minute CD, a single-layer DVD (4.7 GB).
CAPACITIES = {"cd650": 333000, "cd700": 360000, "dvd": 2295104}
DEFAULT = "cd700"


def sectors_of(name):
    if name not in CAPACITIES:
        raise KitError('--capacity: found "%s"; required one of %s' % (name, ", ".join(CAPACITIES)))
    return CAPACITIES[name]


def megabytes(sectors):
    return "%s MB" % format(round(sectors * SECTOR / MB, 1), ",")


def too_large(sectors, capacity):
    """The line that refuses an image of `sectors` for the disc `capacity`, or None when it fits."""
    room = sectors_of(capacity)
    if sectors <= room:
        return None
    larger = [name for name, size in CAPACITIES.items() if size >= sectors]
    return ("size: found %s (%s sectors of %s bytes, file system and padding included); required at most %s, "
            "what a %s disc holds (%s sectors)%s"
            % (megabytes(sectors), format(sectors, ","), format(SECTOR, ","), megabytes(room), capacity,
               format(room, ","), "; --capacity %s for a larger disc" % larger[0] if larger else ""))


def share(sectors, capacity):
    """"1.6 MB of 703.1 MB on a cd700 (0.2 %)"."""
    room = sectors_of(capacity)
    return "%s of %s on a %s (%.1f %%)" % (megabytes(sectors), megabytes(room), capacity, 100.0 * sectors / room)
