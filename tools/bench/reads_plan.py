"""What the start-up reads are measured of: the launcher as linked and as built, the 16-colour test
build's two layouts and the NSIS peer (on the peer's screen), each in a folder of its own on the slow
medium with the recorder in place of the programs it starts; and the least each picture set's start can
read, from the built launcher's layout."""

import os

from launcherkit.pe import Executable
from launcherkit.wine.launcher_session import BROWSER_DECOY

from bench.depth_bench import PEER_DEPTH
from bench.startup_reads import floor_bytes

# Folder on the medium -> the program in it: the build's launcher or 16-colour test build, or one of the
# benchmark's own programs (Subjects.bench).
FOLDERS = (("ORDERED", "launcher"), ("LINKED", "launcher_as_linked"), ("ORDERED4", "launcher4"),
           ("LINKED4", "launcher4_as_linked"), ("PEER", "peer"))


def program(subjects, key):
    if key in ("launcher", "launcher4"):
        return getattr(subjects.programs, key)
    return subjects.bench.get(key)


def file_name(subjects, key):
    return "PEER.EXE" if key == "peer" else subjects.product.launcher_file


def medium_files(subjects):
    """{path on the medium: file} of every program measured, with the recorder beside each."""
    files = {}
    for folder, key in FOLDERS:
        if program(subjects, key):
            files["%s/%s" % (folder, file_name(subjects, key))] = program(subjects, key)
            for stub in (subjects.product.setup_program, BROWSER_DECOY):
                files["%s/%s" % (folder, stub)] = subjects.programs.recorder
    return files


def variants(depth, subjects):
    """What is measured at `depth`: [(row label, tier of the pictures shown, {layout: path on the medium},
    the executable whose pictures it shows)]."""
    def layouts(linked, ordered, key):
        name = file_name(subjects, key)
        return {"as linked": "%s/%s" % (linked, name), "ordered": "%s/%s" % (ordered, name)}

    launcher = subjects.programs.launcher
    found = [(os.path.basename(launcher), 8 if depth == 8 else 24, layouts("LINKED", "ORDERED", "launcher"),
              launcher)]
    launcher4 = subjects.programs.launcher4
    if depth == PEER_DEPTH and launcher4:
        found.append(("%s, the 16-colour test build" % os.path.basename(launcher4), 4,
                      layouts("LINKED4", "ORDERED4", "launcher4"), launcher4))
    if depth == PEER_DEPTH and subjects.bench.get("peer"):
        found.append(("NSIS peer", 24, {"peer": "PEER/PEER.EXE"}, launcher))
    return found


def floors(subjects):
    """The floor of each picture set's start, from the layout of the built launcher."""
    image = Executable.open(subjects.programs.launcher)
    floor = {}
    for tier in (24, 8, 4):
        pictures = subjects.product.pictures(tier)
        floor[str(tier)] = floor_bytes(image, [pictures.background, *pictures.rest, *pictures.hover])
    return floor
