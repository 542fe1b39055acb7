"""run_in_wine.py EXE [ARGS...]: runs a Windows test program in a fresh WineSession and exits with its
exit code; its standard output and error pass through. Used as CMAKE_CROSSCOMPILING_EMULATOR.

Environment:
  LAUNCHER_WINE_ARCH   win32 | win64 (default win64)
  LAUNCHER_TEST_DEPTH  X screen depth: 24 (default), 16 or 8 (8 also sets Wine's palette settings)
  LAUNCHER_BUILD_DIR   the build tree (holds the prefix template and the session folders)
Exits 77 (CTest: skipped) when this host cannot run programs of that architecture."""
import os
import sys
import subprocess

import wine_session


def main(argv):
    if len(argv) < 2:
        print("usage: run_in_wine.py EXE [ARGS...]", file=sys.stderr)
        return 2
    exe = os.path.abspath(argv[1])
    arch = wine_session.arch_from_environment()
    ok, reason = wine_session.host_can_run(arch)
    if not ok:
        print("SKIPPED: " + reason, flush=True)
        return 77
    depth = int(os.environ.get("LAUNCHER_TEST_DEPTH", "24"))
    name = os.path.splitext(os.path.basename(exe))[0].lower() + "-depth%d" % depth
    with wine_session.WineSession(arch, depth=depth, name=name,
                                  log=lambda text: print("run_in_wine: " + text, file=sys.stderr)) as session:
        sys.stdout.flush()
        sys.stderr.flush()
        process = subprocess.Popen(session.wine + [exe] + argv[2:], env=session.env,
                                   cwd=os.path.dirname(exe), stdin=subprocess.DEVNULL)
        try:
            return process.wait()
        finally:
            wine_session.stop_popen(process)


if __name__ == "__main__":
    sys.exit(main(sys.argv))
