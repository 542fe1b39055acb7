#!/usr/bin/python3
"""Shows the launcher running under Wine, started as D:\\LAUNCH.EXE from a folder mapped as a CD-ROM drive.

With a display ($DISPLAY) the launcher appears there and this waits until it is closed. Without one it runs
on a private virtual screen, saves a screenshot, closes the launcher and reports its exit code.
Usage: show_launcher.py EXE BUILD_DIR ARCH"""
import os
import shutil
import subprocess
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "harness"))
import images  # noqa: E402
import wine_session  # noqa: E402

EXE, BUILD_DIR, ARCH = sys.argv[1:4]
os.environ["LAUNCHER_BUILD_DIR"] = BUILD_DIR
os.environ["LAUNCHER_WINE_ARCH"] = ARCH


def lay_medium(folder):
    os.makedirs(folder, exist_ok=True)
    shutil.copy(EXE, os.path.join(folder, "LAUNCH.EXE"))


def on_the_users_display():
    """A private prefix under the build tree, kept between runs; the user's own display."""
    run_dir = os.path.join(BUILD_DIR, "run")
    prefix = os.path.join(run_dir, "prefix")
    medium = os.path.join(run_dir, "medium")
    lay_medium(medium)
    env = dict(os.environ)
    env.update(wine_session.base_environment(ARCH, prefix, os.environ.get("HOME", run_dir), "show-launcher"))
    wine = wine_session.wine_command(ARCH)
    if not os.path.exists(os.path.join(prefix, "system.reg")):
        print("run: creating a Wine prefix for the launcher (once, about 10 s)")
        subprocess.run(wine + ["wineboot", "-i"], env=env, check=True,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    drive = os.path.join(prefix, "dosdevices", "d:")
    if os.path.islink(drive) or os.path.exists(drive):
        os.remove(drive)
    os.symlink(os.path.abspath(medium), drive)
    subprocess.run(wine + ["reg", "add", r"HKLM\Software\Wine\Drives", "/v", "d:", "/d", "cdrom", "/f"],
                   env=env, check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    print("run: the launcher is on %s; close it with a click on a button or off them" % os.environ["DISPLAY"])
    try:
        code = subprocess.run(wine + [r"D:\LAUNCH.EXE"], env=env).returncode
    finally:
        subprocess.run([wine_session.WINESERVER, "-k"], env=env, stderr=subprocess.DEVNULL)
    print("run: the launcher ended with exit code %d" % code)
    return code


def on_a_private_screen():
    screenshot = os.path.join(BUILD_DIR, "screenshots", "run.png")
    with wine_session.WineSession(depth=24, name="run", log=lambda text: None) as session:
        medium = os.path.join(session.dir, "medium")
        lay_medium(medium)
        session.map_cdrom("d", medium)
        process = session.start(r"D:\LAUNCH.EXE")
        window = session.display.wait_window("^Qelvar Lumivane$", process.pid, process=process)
        time.sleep(1.0)  # the welcome chime plays; the window has long been painted
        images.save(session.display.pixels(window.x, window.y, window.width, window.height), screenshot)
        print("run: the launcher's window, %d x %d at (%d, %d), saved as %s"
              % (window.width, window.height, window.x, window.y, screenshot))
        session.poke("close")
        code = process.exit_code(timeout=30)
    print("run: closed; the launcher ended with exit code %d" % code)
    return code


ok, reason = wine_session.host_can_run(ARCH)
if not ok:
    sys.exit("run: " + reason)
sys.exit(on_the_users_display() if os.environ.get("DISPLAY") else on_a_private_screen())
