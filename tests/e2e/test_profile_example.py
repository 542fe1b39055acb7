"""The example products (docs/examples: zyndra-atlas, in German, and corvand-tidebook, in English), end to
end: scripts/make-medium.sh --profile builds each one's launcher and medium, and the medium's acceptance
check (tools/kit check-medium) holds the image to the example's profile: AUTORUN.INF and the files in both
trees, the launcher's resources, their language and the version block, and the launcher at work under Wine
on 24-, 16- and 8-bit screens (window, pictures, sounds, every button's program, the remove state, nothing
written, no crash). Keeps each one's contact sheet and window at rest as <build>/screenshots/
<prefix>contact-sheet.png and <prefix>depth-24.png."""
import os
import shutil
import subprocess

import pytest

from launcherkit import SOURCE_DIR
from launcherkit.product import Product

KIT = os.path.join(SOURCE_DIR, "tools", "kit")
# (example folder, the prefix of its screenshots' names)
EXAMPLES = [("zyndra-atlas", "example-"), ("corvand-tidebook", "example-english-")]


@pytest.fixture(scope="module", params=EXAMPLES, ids=[folder for folder, _ in EXAMPLES])
def example(request, make_medium, build_dir, arch, programs):
    """(profile, the medium built by make-medium.sh --profile, its folder, the screenshots' prefix)."""
    folder, prefix = request.param
    profile = os.path.join(SOURCE_DIR, "docs", "examples", folder, "product.profile")
    # Kept between runs, so that the example's launcher is built anew only when something changed.
    out = os.path.join(build_dir, "profile-example", folder)
    make_medium("--profile", profile, "--setup", programs.recorder, "--out", out,
                "--preset", "windows" if arch == "win32" else "windows-x64", timeout=800)
    return profile, os.path.join(out, Product.load(profile).image_name), out, prefix


def test_the_example_products_medium_passes_its_acceptance_check(example, build_dir, screenshot_dir):
    profile, image, folder, prefix = example
    out = os.path.join(folder, "check")
    shutil.rmtree(out, ignore_errors=True)
    result = subprocess.run([KIT, "check-medium", image, "--build", build_dir, "--profile", profile,
                             "--out", out], capture_output=True, text=True, timeout=800)
    assert result.returncode == 0, "check-medium (%d):\n%s%s" % (result.returncode, result.stdout, result.stderr)
    assert "NOT CHECKED" not in result.stdout
    product = Product.load(profile)
    with open(os.path.join(out, "report.md"), encoding="utf-8") as f:
        report = f.read()
    assert "- captions, as the profile gives them (not read from the pictures): " + ", ".join(
        '%s "%s"' % (key.split("_")[1], product.profile[key].replace(" | ", " / "))
        for key in ("caption_install", "caption_remove", "caption_browse", "caption_cancel")) in report
    for depth in (24, 16, 8):  # every depth, without --depths
        assert "## The launcher at work on a %d-bit screen" % depth in report
    os.makedirs(screenshot_dir, exist_ok=True)
    shutil.copyfile(os.path.join(out, "contact-sheet.png"), os.path.join(screenshot_dir, prefix + "contact-sheet.png"))
    shutil.copyfile(os.path.join(out, "depth-24-at-rest.png"), os.path.join(screenshot_dir, prefix + "depth-24.png"))
