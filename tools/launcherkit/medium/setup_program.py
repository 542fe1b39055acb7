"""The setup program the medium carries, read through the kit's PE reader: a program for Windows that the
install button can start, with the GUI or the console subsystem. A 64-bit one is taken with a warning,
since it does not start on 32-bit Windows. The kit's placeholder says in its version block what it is."""

import pefile

from launcherkit.pe import MACHINE_AMD64, MACHINE_I386, Executable, PeError

SUBSYSTEMS = {pefile.SUBSYSTEM_TYPE["IMAGE_SUBSYSTEM_WINDOWS_GUI"]: "Windows GUI",
              pefile.SUBSYSTEM_TYPE["IMAGE_SUBSYSTEM_WINDOWS_CUI"]: "Windows console"}
REQUIRED = "a PE executable for Windows with the GUI or the console subsystem"
# tools/medium/placeholder.rc gives the placeholder this InternalName.
PLACEHOLDER_INTERNAL_NAME = "PLACEHOLDER"


def examine(data):
    """(fault, warning) of a setup program's bytes: fault (found, required) when the install button could
    not start it, else None; warning a text when it starts on 64-bit Windows only, else None."""
    try:
        program = Executable(data)
    except PeError as error:
        return (str(error), REQUIRED), None
    if program.pe.FILE_HEADER.Characteristics & pefile.IMAGE_CHARACTERISTICS["IMAGE_FILE_DLL"]:
        return ("a library (DLL), not a program", REQUIRED), None
    if program.machine not in (MACHINE_I386, MACHINE_AMD64):
        name = pefile.MACHINE_TYPE.get(program.machine, "unknown").replace("IMAGE_FILE_MACHINE_", "")
        return ("a program for the machine 0x%04X (%s)" % (program.machine, name),
                "a program for x86 (0x014C), or x64 (0x8664)"), None
    if program.subsystem not in SUBSYSTEMS:
        name = pefile.SUBSYSTEM_TYPE.get(program.subsystem, "unknown").replace("IMAGE_SUBSYSTEM_", "")
        return ("the subsystem %d (%s)" % (program.subsystem, name), REQUIRED), None
    if program.machine == MACHINE_AMD64:
        return None, "a 64-bit (x64) program, which does not start on 32-bit Windows"
    return None, None


def is_placeholder(data):
    """Whether the bytes are the kit's placeholder, as its version block says."""
    try:
        block = Executable(data).version_block()
    except PeError:
        return False
    return block is not None and block.texts.get("InternalName") == PLACEHOLDER_INTERNAL_NAME
