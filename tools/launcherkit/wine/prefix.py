"""Wine prefixes for the tests: one template per build tree and architecture, made once under a file
lock, and the cheap copies of it that every session works in."""

import fcntl
import os
import shutil
import subprocess
from contextlib import suppress
from pathlib import Path

from launcherkit import KitError
from launcherkit.wine.host import WINESERVER, HostCannotRun, base_environment, host_can_run, wine_command
from launcherkit.wine.processes import kill_marked_processes, kill_wineserver

# Settings of every prefix template (HKEY_CURRENT_USER): sound through ALSA, no crash dialog.
TEMPLATE_SETTINGS = {r"Software\Wine\Drivers": {"Audio": "alsa"},
                     r"Software\Wine\WineDbg": {"ShowCrashDialog": 0}}

# Files of the template below drive_c/windows that are shared with sessions by hard links instead of being
# copied: big program files that Wine never writes once the prefix exists. A test that replaces one must
# unlink it first (see LauncherSession.place_recorder).
SHARED_SUFFIXES = (".dll", ".exe", ".drv", ".sys", ".nls", ".tlb", ".acm", ".ax", ".cpl", ".ocx", ".ttf",
                   ".fon", ".ds", ".mui", ".vxd", ".msstyles")
SHARED_MIN_SIZE = 16 * 1024


class TemplateError(KitError):
    """The prefix template could not be made."""


def ensure_template(build_dir, arch, log=None):
    """The path of a ready prefix template; made (about 6-9 s) if missing or made by another Wine."""
    ok, version = host_can_run(arch)
    if not ok:
        raise HostCannotRun(version)
    root = os.path.join(build_dir, "wine-template", arch)
    os.makedirs(os.path.dirname(root), exist_ok=True)
    prefix, stamp = os.path.join(root, "prefix"), os.path.join(root, "ready")
    with open(root + ".lock", "w") as lock:
        fcntl.flock(lock, fcntl.LOCK_EX)
        if os.path.exists(stamp) and Path(stamp).read_text().strip() == version:
            return prefix
        shutil.rmtree(root, ignore_errors=True)
        home = os.path.join(root, "home")
        os.makedirs(home)
        env = base_environment(arch, prefix, home, root)
        with open(os.path.join(root, "make.log"), "w") as out:
            try:
                subprocess.run(wine_command(arch) + ["wineboot", "-i"], env=env, stdout=out, stderr=out,
                               timeout=300, cwd=root, check=True)
                # Let the template's wineserver write the registry and end by itself.
                try:
                    subprocess.run([WINESERVER, "-w"], env=env, stdout=out, stderr=out, timeout=60)
                except subprocess.TimeoutExpired:
                    kill_wineserver(env)
            finally:
                kill_marked_processes(root)
        for name in ("system.reg", "user.reg"):
            if not os.path.exists(os.path.join(prefix, name)):
                raise TemplateError("the prefix template has no %s (see %s/make.log)" % (name, root))
        for key, values in TEMPLATE_SETTINGS.items():
            append_registry(os.path.join(prefix, "user.reg"), key, values)
        Path(stamp).write_text(version + "\n")
        if log:
            log("made the Wine prefix template %s" % prefix)
    return prefix


def copy_prefix(template, target):
    """Copies the template; big program files under drive_c/windows are hard links to the template's."""
    windows_dir = os.path.join(template, "drive_c", "windows") + os.sep

    def link_or_copy(source, destination):
        if source.startswith(windows_dir) and source.lower().endswith(SHARED_SUFFIXES) and \
                os.path.getsize(source) >= SHARED_MIN_SIZE:
            with suppress(OSError):
                os.link(source, destination)
                return destination
        return shutil.copy2(source, destination)

    shutil.copytree(template, target, symlinks=True, copy_function=link_or_copy)


def append_registry(reg_file, key, values):
    """Adds values (texts, or numbers as DWORDs) to a Wine registry file (system.reg or user.reg) of a
    prefix whose wineserver is not running. `key` is relative to the file's root: r"Software\\Wine\\X11 Driver"."""
    lines = ["", "[%s] 0" % key.replace("\\", "\\\\")]
    for name, value in values.items():
        data = "dword:%08x" % value if isinstance(value, int) else \
            '"%s"' % value.replace("\\", "\\\\").replace('"', '\\"')
        lines.append('"%s"=%s' % (name, data))
    with open(reg_file, "a") as f:
        f.write("\n".join(lines) + "\n")
