"""Watchdog of one WineSession: python3 -m launcherkit.wine.reaper SESSION_FOLDER WINESERVER.

Started by the session in a process session of its own with a pipe on its standard input. When the
session closes normally it writes "done" and the watchdog exits. If the pipe ends without "done" (the
test process died, even by SIGKILL), the watchdog ends what the session left: `wineserver -k` for the
session's prefix, then every process whose environment carries LAUNCHER_TEST_SESSION=SESSION_FOLDER
(Xvfb, wineserver, Wine processes, sound capture writers), and removes the session's prefix.
"""
import os
import sys
import shutil
import subprocess

from launcherkit.wine.processes import kill_marked_processes


def main():
    session_dir, wineserver = sys.argv[1], sys.argv[2]
    message = sys.stdin.buffer.read()
    if message.strip() == b"done":
        return 0
    try:
        subprocess.run([wineserver, "-k"], timeout=30, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    except (OSError, subprocess.TimeoutExpired):
        pass
    kill_marked_processes(session_dir)
    shutil.rmtree(os.path.join(session_dir, "prefix"), ignore_errors=True)
    return 0


if __name__ == "__main__":
    sys.exit(main())
