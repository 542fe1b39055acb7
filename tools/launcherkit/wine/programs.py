"""The Windows programs a Wine session works with: the launcher, its test builds, and the stand-ins that
record or act (tools/wineprograms; the planted libraries: tests/stubs)."""

import os
from dataclasses import dataclass, fields
from typing import Optional


@dataclass(frozen=True)
class Programs:
    """Each a Unix path, or None where there is none."""

    launcher: Optional[str] = None          # the launcher under test
    launcher4: Optional[str] = None         # test build: pretends a 16-colour screen
    launcher740: Optional[str] = None       # test build: every start fails with 740 (elevation required)
    launcher5: Optional[str] = None         # test build: every start fails with 5 (access denied)
    launcher_fault: Optional[str] = None    # test build: the cancel button writes through a null pointer
    launcher_writes: Optional[str] = None   # test build: the cancel button writes a file and a registry key
    launcher_xp: Optional[str] = None       # test build: a system without SetDefaultDllDirectories
    # test build: its sound library and shell lack PlaySoundA and ShellExecuteExA; every start fails with 740
    launcher_without_functions: Optional[str] = None
    recorder: Optional[str] = None          # RECORDER.EXE: logs how it was started, in place of a program
    poke: Optional[str] = None              # POKE.EXE: acts on the launcher's window from inside Wine
    msi_setup: Optional[str] = None         # MSISETUP.EXE: installs the Windows Installer package of its name
    planted_winmm: Optional[str] = None     # WINMM.DLL and MSACM32.DLL planted beside the launcher: log
    planted_msacm32: Optional[str] = None   # when a process loads them

    @classmethod
    def in_build(cls, build_dir):
        """The programs a build tree holds: the launcher's builds by their targets in its launchers.txt
        (cmake/WindowsBuild.cmake; `launch` is the product), the stand-ins in stubs/."""
        build_dir = os.path.abspath(build_dir)
        places = {}
        if os.path.isfile(os.path.join(build_dir, "launchers.txt")):
            with open(os.path.join(build_dir, "launchers.txt")) as listing:
                places = {"launcher" if target == "launch" else target:
                          os.path.join(build_dir, name) for target, name in map(str.split, listing)}
        for name, file in (("recorder", "RECORDER.EXE"), ("poke", "POKE.EXE"), ("msi_setup", "MSISETUP.EXE"),
                           ("planted_winmm", "WINMM.DLL"), ("planted_msacm32", "MSACM32.DLL")):
            places[name] = os.path.join(build_dir, "stubs", file)
        return cls(**{field.name: places[field.name] if os.path.isfile(places.get(field.name, "")) else None
                      for field in fields(cls)})

    def missing(self, *names):
        return [name for name in names if getattr(self, name) is None]
