"""tools/kit wine.run EXE [ARGS...]: runs a Windows test program in a fresh WineSession and exits with its
exit code; its standard output and error pass through. CTest's CMAKE_CROSSCOMPILING_EMULATOR.

Environment (CTest's):
  LAUNCHER_WINE_ARCH   win32 | win64
  LAUNCHER_BUILD_DIR   the build tree (holds the prefix template and the session folders)
  LAUNCHER_TEST_DEPTH  X screen depth: 24 (default), 16 or 8 (8 also sets Wine's palette settings)
Exits 77 (CTest: skipped) when this host cannot run programs of that architecture."""
import os
import subprocess
import sys

from launcherkit.wine.host import host_can_run
from launcherkit.wine.processes import stop_popen
from launcherkit.wine.session import WineSession


def main(argv):
    if len(argv) < 1:
        print("usage: tools/kit wine.run EXE [ARGS...]", file=sys.stderr)
        return 2
    exe = os.path.abspath(argv[0])
    arch = os.environ["LAUNCHER_WINE_ARCH"]
    ok, reason = host_can_run(arch)
    if not ok:
        print("SKIPPED: " + reason, flush=True)
        return 77
    depth = int(os.environ.get("LAUNCHER_TEST_DEPTH", "24"))
    name = os.path.splitext(os.path.basename(exe))[0].lower() + "-depth%d" % depth
    with WineSession(os.environ["LAUNCHER_BUILD_DIR"], arch, depth=depth, name=name,
                     keep=os.environ.get("LAUNCHER_KEEP_SESSIONS") == "1",
                     log=lambda text: print("wine.run: " + text, file=sys.stderr)) as session:
        sys.stdout.flush()
        sys.stderr.flush()
        process = subprocess.Popen(session.wine + [exe] + argv[1:], env=session.env,
                                   cwd=os.path.dirname(exe), stdin=subprocess.DEVNULL)
        try:
            return process.wait()
        finally:
            stop_popen(process)


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
