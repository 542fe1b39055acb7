"""The example product (docs/examples/zyndra-atlas), end to end: scripts/make-medium.sh --profile builds its
launcher and medium, and the medium's acceptance check (tools/kit check-medium) holds the image to the
example's profile: AUTORUN.INF and the files in both trees, the launcher's resources and version block, and
the launcher at work under Wine on 24-, 16- and 8-bit screens (window, pictures, sounds, every button's
program, the remove state, nothing written, no crash). Keeps its contact sheet and window at rest as
<build>/screenshots/example-contact-sheet.png and example-depth-24.png."""
import os
import shutil
import subprocess

import pytest

from launcherkit import SOURCE_DIR
from launcherkit.product import Product

EXAMPLE_PROFILE = os.path.join(SOURCE_DIR, "docs", "examples", "zyndra-atlas", "product.profile")
KIT = os.path.join(SOURCE_DIR, "tools", "kit")


@pytest.fixture(scope="module")
def image(make_medium, build_dir, arch, programs):
    """The example's medium, built by make-medium.sh --profile."""
    # Kept between runs, so that the example's launcher is built anew only when something changed.
    out = os.path.join(build_dir, "profile-example")
    make_medium("--profile", EXAMPLE_PROFILE, "--setup", programs.recorder, "--out", out,
                "--preset", "windows" if arch == "win32" else "windows-x64", timeout=800)
    return os.path.join(out, Product.load(EXAMPLE_PROFILE).image_name)


def test_the_example_products_medium_passes_its_acceptance_check(image, build_dir, screenshot_dir):
    out = os.path.join(build_dir, "profile-example", "check")
    shutil.rmtree(out, ignore_errors=True)
    result = subprocess.run([KIT, "check-medium", image, "--build", build_dir, "--profile", EXAMPLE_PROFILE,
                             "--out", out], capture_output=True, text=True, timeout=800)
    assert result.returncode == 0, "check-medium (%d):\n%s%s" % (result.returncode, result.stdout, result.stderr)
    assert "NOT CHECKED" not in result.stdout
    report = open(os.path.join(out, "report.md"), encoding="utf-8").read()
    for depth in (24, 16, 8):  # every depth, without --depths
        assert "## The launcher at work on a %d-bit screen" % depth in report
    os.makedirs(screenshot_dir, exist_ok=True)
    shutil.copyfile(os.path.join(out, "contact-sheet.png"), os.path.join(screenshot_dir, "example-contact-sheet.png"))
    shutil.copyfile(os.path.join(out, "depth-24-at-rest.png"), os.path.join(screenshot_dir, "example-depth-24.png"))
