"""The acceptance check of a built installation medium, for any product (README.md, "Check it").

Reads only the image, and the profile when given (without it, the names the image gives): the medium, the
launcher's resources and the medium as a whole; then the launcher at work under Wine on a virtual screen of
each depth (launcherkit.acceptance). Writes OUT/report.md, OUT/contact-sheet.png, OUT/depth-N-STATE.png.

Exit code 0: every check holds. 1: a check fails (each failure is one line on standard error). 2: the command was
called wrongly or the image cannot be read. 77: the image and its resources hold, but this host cannot run the
launcher under Wine, so it was not started.
"""

import argparse
import os
import re
import sys
import tempfile

from launcherkit import KitError, languages
from launcherkit import profile as product_profile
from launcherkit.acceptance import DEPTHS, SECTION, AtWork, wine_arch
from launcherkit.check_medium import launcher, medium, publisher
from launcherkit.check_medium.report import Findings, contact_sheet, markdown
from launcherkit.iso_image import ImageError, IsoImage
from launcherkit.medium import capacity as discs
from launcherkit.medium.content import content_folder
from launcherkit.product import Product
from launcherkit.wine.host import host_can_run
from launcherkit.wine.programs import Programs

NOT_STARTED = 77


def depths(text):
    if any(d not in map(str, DEPTHS) for d in text.split(",")):
        raise argparse.ArgumentTypeError("found %s; required 24, 16 or 8 bits per pixel, such as 24,16,8" % text)
    return [int(d) for d in text.split(",")]


def parse(argv):
    parser = argparse.ArgumentParser(prog="check-medium", description=__doc__.split("\n\n")[0],
                                     epilog=__doc__.split("\n\n", 1)[1],
                                     formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("image")
    parser.add_argument("--build", required=True, help="the kit's build tree (scripts/check-medium.sh builds it)")
    parser.add_argument("--profile", help="the product profile the image was built for")
    parser.add_argument("--depths", type=depths, default=list(DEPTHS), help="screen depths, such as 24,16,8")
    parser.add_argument("--out", help="where the report and the pictures go (default: IMAGE's name with -check)")
    parser.add_argument("--ca-file", help="the authority's certificate (PEM) to verify the signature against")
    parser.add_argument("--content", help="the content folder (default: the profile's content_folder)")
    parser.add_argument("--capacity", default=discs.DEFAULT, choices=sorted(discs.CAPACITIES))
    parser.add_argument("--trial", action="store_true",
                        help="a trial image: the kit's placeholder may stand in for the setup program")
    options = parser.parse_args(argv)
    options.out = options.out or os.path.splitext(os.path.abspath(options.image))[0] + "-check"
    return options


def product_of_the_image(image, facts, launcher_facts):
    """The product as the image gives it, where no profile is: the launcher's ProductName as the window's
    name, the uninstall key its code names, the setup program beside it."""
    block = launcher_facts.executable.version_block()
    values = {"product_name": block.texts.get("ProductName", "") if block else "",
              "uninstall_guid": launcher_facts.uninstall_guid or "", "setup_program": facts.setup,
              "original_filename": facts.launcher, "volume_name": image.volume_name}
    return Product(product_profile.Profile(None, values))


def another_product(image, launcher_facts, product, label):
    """The line saying that the image is of another product than the profile's, or None: the product its
    launcher's version block names (or, without one, its volume name) is not the profile's."""
    block = launcher_facts.executable.version_block() if launcher_facts else None
    if block is not None and block.texts.get("ProductName") is not None:
        theirs, ours = block.texts["ProductName"], product.profile["version_product_name"]
    else:
        theirs, ours = image.volume_name, product.volume_name
    if theirs == ours:
        return None
    return ('check-medium: %s is an image of "%s", not of "%s", which the profile %s describes: check it with '
            'the profile of "%s"' % (label, theirs, ours, product.profile_path, theirs))


def check_at_work(options, launcher_facts, product, findings, label):
    """Runs the at-work tests against the image's files on screens of each depth, each test at each depth
    a check of `findings`; the pictures they saw are kept in the report's folder."""
    build, arch = os.path.abspath(options.build), wine_arch(launcher_facts.executable)
    can_run, reason = host_can_run(arch)
    missing = Programs.in_build(build).missing("recorder", "poke")
    if not can_run or missing:
        findings.skip(SECTION, "the launcher was not started: " + (reason if not can_run else "%s has no %s "
                      "(scripts/check-medium.sh builds them)" % (build, " and ".join(missing))))
        return
    for name in os.listdir(options.out):  # what an earlier check of the image kept
        if re.match(r"depth-(8|16|24)-|stream-", name):
            os.remove(os.path.join(options.out, name))
    made = len(findings.checks) + len(findings.not_checked)
    code = AtWork(build=build, product=product, arch=arch, depths=tuple(options.depths), image=options.image,
                  out=options.out, label=label, findings=findings).run()
    if len(findings.checks) + len(findings.not_checked) == made:
        findings.check(SECTION, "the checks of the launcher at work run").fail(
            label, "the at-work tests", "pytest exit code %d and no result" % code, "a result of every check")


def prepare(options):
    """The asset check, the report's folder (made first, so that one that cannot be made is said before
    any check runs), the product (None without a profile) and the image, or a KitError."""
    asset_check = os.path.join(options.build, "host", "assetcheck", "asset_check")
    if not os.access(asset_check, os.X_OK):
        raise KitError("check-medium: %s: found no asset check; required the kit's build tree "
                       "(scripts/check-medium.sh builds it)" % options.build)
    try:
        os.makedirs(options.out, exist_ok=True)
    except OSError as error:
        raise KitError("check-medium: --out %s: found %s; required a folder for the report that can be made or "
                       "written" % (options.out, "a file" if os.path.isfile(options.out) else
                                    "no folder that can be made (%s)" % error.strerror)) from None
    product = Product.load(options.profile) if options.profile else None
    try:
        return asset_check, product, IsoImage(options.image)
    except (ImageError, OSError) as error:
        raise KitError("check-medium: %s: found no ISO 9660 image that can be read (%s); required a medium's "
                       "image" % (options.image, error)) from None


def main(argv):
    options = parse(argv)
    try:
        return check(options)
    except KitError as error:  # the profile's faults, a line each, or what keeps the check from being made
        print(error, file=sys.stderr)
        return 2


def check(options):
    asset_check, product, image = prepare(options)
    label, findings, headline, shown = os.path.basename(options.image), Findings(), None, []
    with image:
        facts = medium.check_medium(image, product, findings, label)
        launcher_facts = launcher.check_launcher(image, facts, product, asset_check, label, findings)
        folder = options.content or (content_folder(product.profile) if product else None)
        listing = medium.check_content(image, facts, folder, options.capacity, options.trial, label, findings)
        ready = launcher_facts is not None and facts.setup is not None
        if product is not None:
            headline = another_product(image, launcher_facts, product, label)
        elif ready:
            product = product_of_the_image(image, facts, launcher_facts)

    if launcher_facts is not None and product is not None and headline is None:
        with tempfile.NamedTemporaryFile(prefix="check-medium-", suffix=".exe") as exe:
            exe.write(launcher_facts.data)
            exe.flush()
            shown, fault = publisher.publisher_section(launcher_facts.executable, exe.name, facts.autorun_text,
                                                       product, options.out, options.ca_file)
        if options.ca_file:
            findings.check(launcher.SECTION, "the launcher's signature verifies against the given authority").expect(
                fault is None, "%s:/%s" % (label, facts.launcher), "signature", fault,
                "an Authenticode signature that osslsigncode verifies with %s" % options.ca_file)
    if headline:
        findings.skip(SECTION, "the launcher was not started: the image is of another product")
    elif not ready:
        findings.skip(SECTION, "the launcher was not started: the image has no launcher and setup program to "
                               "start (see above)")
    elif findings.failures:
        findings.skip(SECTION, "the launcher was not started: the image fails the checks above")
    else:
        check_at_work(options, launcher_facts, product, findings, label)
    sheet = contact_sheet(options.out, options.depths + [4], product.geometry.window_size) if product else None
    captions = [(key.split("_", 1)[1], product.profile[key]) for key in languages.CAPTION_KEYS] \
        if options.profile else None
    report = os.path.join(options.out, "report.md")
    with open(report, "w", encoding="utf-8") as f:
        f.write(markdown(findings, options.image, options.profile, sheet, captions, headline, shown + listing))
    if headline:
        print(headline, file=sys.stderr)
        print("check-medium: NOT CHECKED: %s: %s" % findings.not_checked[-1])
        print("check-medium: report %s" % report)
        return 1
    for line in findings.failures:
        print(line, file=sys.stderr)
    for section, reason in findings.not_checked:
        print("check-medium: NOT CHECKED: %s: %s" % (section, reason))
    held = sum(check.holds for check in findings.checks)
    print("check-medium: %d of %d checks hold; report %s" % (held, len(findings.checks), report))
    if findings.failures:
        return 1
    return NOT_STARTED if findings.not_checked else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
