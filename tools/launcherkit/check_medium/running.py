"""The launcher at work: check-medium runs the end-to-end checks of the launcher (launcherkit.acceptance)
against the image's files, and turns their results into checks of its report and the pictures they kept
into its contact sheet."""

import os
import re

from PIL import Image

from launcherkit.acceptance import STATES, AtWork
from launcherkit.check_medium.sheet import contact_sheet
from launcherkit.pe import MACHINE_AMD64, Executable
from launcherkit.wine.host import host_can_run
from launcherkit.wine.programs import Programs

SECTION = "The launcher at work"


def check_at_work(image, launcher_data, product, build_dir, depths, out, findings, label):
    """Runs the at-work tests against `image` (its launcher's bytes `launcher_data`) on screens of `depths`,
    each result a check of `findings`; the pictures they saw are kept in `out`."""
    arch = "win64" if Executable(launcher_data).machine == MACHINE_AMD64 else "win32"
    can_run, reason = host_can_run(arch)
    if not can_run:
        findings.skip(SECTION, "the launcher was not started: " + reason)
        return
    missing = Programs.in_build(build_dir).missing("recorder", "poke")
    if missing:
        findings.skip(SECTION, "the launcher was not started: %s has no %s (scripts/check-medium.sh builds them)"
                      % (build_dir, " and ".join(missing)))
        return
    os.makedirs(out, exist_ok=True)
    for name in os.listdir(out):  # what an earlier check of the image kept
        if re.match(r"depth-(8|16|24)-|stream-", name):
            os.remove(os.path.join(out, name))
    launcher_file = os.path.join(out, product.launcher_file)
    with open(launcher_file, "wb") as f:
        f.write(launcher_data)
    at_work = AtWork(build=build_dir, product=product, depths=tuple(depths), image=image,
                     launcher_file=launcher_file, out=out, label=label)
    code = at_work.run()
    os.remove(launcher_file)
    for result in at_work.results:
        section = "%s on a %d-bit screen" % (SECTION, result.depth)
        if result.skipped:
            findings.skip(section, result.skipped)
            continue
        findings.check(section, result.name).failures.extend(result.failures)
    if not at_work.results:
        findings.check(SECTION, "the checks of the launcher at work run").fail(
            label, "the at-work tests", "pytest exit code %d and no result" % code, "a result of every check")


def sheet(out, depths, product):
    """contact-sheet.png from the pictures kept in `out` (depth 4: the composed 16-colour set); None when
    there are none."""
    shown = {}
    for depth in depths:
        for state in STATES:
            path = os.path.join(out, "depth-%d-%s.png" % (depth, state.replace(" ", "-")))
            if os.path.exists(path):
                with Image.open(path) as picture:
                    shown.setdefault(depth, {})[state] = picture.convert("RGB")
    if not shown:
        return None
    contact_sheet(shown, STATES, product.geometry.window_size).save(os.path.join(out, "contact-sheet.png"))
    return "contact-sheet.png"
