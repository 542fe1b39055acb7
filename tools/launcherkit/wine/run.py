"""tools/kit wine.run EXE [ARGS...]: runs a Windows test program in a fresh WineSession (CTest's
CMAKE_CROSSCOMPILING_EMULATOR); its output passes through, its exit code is this one's.
tools/kit wine.run --template: makes the build tree's Wine prefix template (CTest fixture e2e.wine_template).

Environment (CTest's): LAUNCHER_WINE_ARCH (win32 | win64), LAUNCHER_BUILD_DIR (the build tree, which holds the
template and the session folders), LAUNCHER_TEST_DEPTH (X screen depth: 24, the default, 16 or 8).
Exits 77 (CTest: skipped) when this host cannot run programs of that architecture."""
import os
import subprocess
import sys
import time

from launcherkit.wine.host import host_can_run
from launcherkit.wine.prefix import ensure_template
from launcherkit.wine.processes import stop_popen
from launcherkit.wine.session import WineSession


def main(argv):
    if len(argv) < 1:
        print("usage: tools/kit wine.run EXE [ARGS...] | --template", file=sys.stderr)
        return 2
    arch, build_dir = os.environ["LAUNCHER_WINE_ARCH"], os.environ["LAUNCHER_BUILD_DIR"]
    ok, reason = host_can_run(arch)
    if not ok:
        print("SKIPPED: " + reason, flush=True)
        return 77
    if argv == ["--template"]:
        started = time.monotonic()
        prefix = ensure_template(build_dir, arch)
        print("Wine prefix template %s ready (%s, %.1f s)" % (prefix, reason, time.monotonic() - started))
        return 0
    exe = os.path.abspath(argv[0])
    depth = int(os.environ.get("LAUNCHER_TEST_DEPTH", "24"))
    name = os.path.splitext(os.path.basename(exe))[0].lower() + "-depth%d" % depth
    with WineSession(build_dir, arch, depth=depth, name=name, keep=os.environ.get("LAUNCHER_KEEP_SESSIONS") == "1",
                     log=lambda text: print("wine.run: " + text, file=sys.stderr)) as session:
        process = subprocess.Popen(session.wine + [exe] + argv[1:], env=session.env,
                                   cwd=os.path.dirname(exe), stdin=subprocess.DEVNULL)
        try:
            return process.wait()
        finally:
            stop_popen(process)


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
