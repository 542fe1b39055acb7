"""Shows the launcher under Wine from CD-ROM drive D:: on $DISPLAY until it is closed, or without one on a
private screen, saved as a screenshot, and closed; prints its exit code.
Usage: tools/kit wine.show EXE BUILD_DIR ARCH [PROFILE]   (scripts/run.sh runs it)
PROFILE is the product profile the launcher was built for (by default the shipped product's)."""
import os
import shutil
import subprocess
import sys
import time

from launcherkit.product import DEFAULT_PROFILE, Product
from launcherkit.wine import images
from launcherkit.wine.host import base_environment, host_can_run, wine_command
from launcherkit.wine.launcher_session import LauncherSession
from launcherkit.wine.prefix import append_registry, copy_prefix, ensure_template
from launcherkit.wine.processes import kill_wineserver
from launcherkit.wine.programs import Programs


def on_the_users_display(exe, build_dir, arch, product):
    """A private prefix under the build tree, kept between runs; the user's own display."""
    run_dir = os.path.join(os.path.abspath(build_dir), "run")
    prefix, medium = os.path.join(run_dir, "prefix"), os.path.join(run_dir, "medium")
    if not os.path.exists(os.path.join(prefix, "system.reg")):
        shutil.rmtree(run_dir, ignore_errors=True)
        copy_prefix(ensure_template(build_dir, arch), prefix)
        append_registry(os.path.join(prefix, "system.reg"), r"Software\Wine\Drives", {"d:": "cdrom"})
        os.makedirs(medium)
        os.symlink(medium, os.path.join(prefix, "dosdevices", "d:"))
    shutil.copy(exe, os.path.join(medium, product.launcher_file))
    env = base_environment(arch, prefix, os.environ.get("HOME", run_dir), "show-launcher")
    env["DISPLAY"] = os.environ["DISPLAY"]
    print("run: the launcher is on %s; close it with a click on a button or off them" % env["DISPLAY"])
    try:
        code = subprocess.run(wine_command(arch) + ["D:\\" + product.launcher_file], env=env).returncode
    finally:
        kill_wineserver(env)
    print("run: the launcher ended with exit code %d" % code)
    return code


def on_a_private_screen(exe, build_dir, arch, product):
    screenshot = os.path.join(build_dir, "screenshots", "run.png")
    programs = Programs(launcher=exe, poke=Programs.in_build(build_dir).poke)
    with LauncherSession(build_dir, arch, programs, product, "run") as launcher:
        launcher.lay_medium(stubs=())
        process, window = launcher.start()
        time.sleep(1.0)  # the welcome chime plays; the window has long been painted
        # The whole screen, so that the window's place on it shows.
        images.save(launcher.display.screenshot(window if launcher.depth == 8 else None), screenshot)
        _, info = launcher.session.poke("info")
        width, height = launcher.session.screen_size
        print('run: the launcher\'s window "%s", %d x %d at (%d, %d) on a %d x %d screen; the screen saved as %s'
              % (info.get("title"), window.width, window.height, window.x, window.y, width, height, screenshot))
        code = launcher.close_window(process)
    print("run: closed; the launcher ended with exit code %d" % code)
    return code


def main(argv):
    if len(argv) not in (3, 4):
        sys.exit(__doc__)
    exe, build_dir, arch = argv[:3]
    product = Product.load(argv[3] if len(argv) == 4 else DEFAULT_PROFILE)
    ok, reason = host_can_run(arch)
    if not ok:
        sys.exit("run: " + reason)
    show = on_the_users_display if os.environ.get("DISPLAY") else on_a_private_screen
    return show(exe, build_dir, arch, product)


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
