"""How this host's Wine starts a Windows program of each architecture, whether it can, and the environment."""

import os
import subprocess

from launcherkit import KitError

WINE_DIR = "/usr/lib/wine"
WINESERVER = os.path.join(WINE_DIR, "wineserver")

# The DLLs that would pop up .NET, Gecko or desktop-menu installers, or write menu files into HOME.
DLL_OVERRIDES = "mscoree,mshtml=;winemenubuilder.exe=d"


class HostCannotRun(KitError):
    """This host cannot run Wine programs of the requested architecture."""


def wine_command(arch):
    """The command that runs a Windows program of `arch` with Debian's Wine."""
    if arch not in ("win32", "win64"):
        raise ValueError("unknown Wine architecture %r (win32 or win64)" % arch)
    return ["wine"] if arch == "win32" else [os.path.join(WINE_DIR, "wine64")]


def host_can_run(arch):
    """(True, version) if this host can run Wine programs of `arch`, else (False, one-line reason)."""
    loader = os.path.join(WINE_DIR, wine_command(arch)[0])
    try:
        result = subprocess.run([loader, "--version"], capture_output=True, text=True, timeout=60)
        problem = result.returncode and "exit status %d" % result.returncode
    except (OSError, subprocess.TimeoutExpired) as error:
        problem = getattr(error, "strerror", None) or "no answer"
    if problem:
        return False, "%s --version failed on this host (%s): %s programs cannot run here" % (loader, problem, arch)
    return True, result.stdout.strip()


def windows_path(unix_path):
    """The path under which a Windows program sees a Unix file (through drive Z:)."""
    return "Z:" + os.path.abspath(unix_path).replace("/", "\\")


def base_environment(arch, prefix, home, marker, program_arch=None):
    """The environment of programs of `program_arch` (default: `arch`) in a private prefix of `arch`, every
    process tagged with `marker` (LAUNCHER_TEST_SESSION), so that whatever is left can be found."""
    env = dict(os.environ)
    for name in ("WINEDEBUG", "WINESERVER", "WINELOADER", "DISPLAY", "WINEDLLPATH"):
        env.pop(name, None)
    # Wine takes its ANSI code page from the locale: Windows-1252 under C.UTF-8, the code page of the Western
    # systems the launcher's texts are compiled for, whatever locale the caller has.
    env.update(WINEPREFIX=prefix, WINEARCH=arch, HOME=home, WINEDEBUG="-all", WINEDLLOVERRIDES=DLL_OVERRIDES,
               LAUNCHER_TEST_SESSION=marker, LC_ALL="C.UTF-8")
    if (program_arch or arch) == "win64":
        # On a host that cannot execute 32-bit code, `wine` would pick the 32-bit loader and fail.
        env["WINELOADER"] = os.path.join(WINE_DIR, "wine64")
    return env
