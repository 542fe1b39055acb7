"""The acceptance check of a built installation medium, for any product.

    tools/kit check-medium IMAGE --build DIR [--profile FILE] [--content DIR] [--capacity cd700] [--trial]
                           [--depths 24,16,8] [--out DIR]

Reads only the image (and the profile, when given, for the names to expect and the uninstall key;
without it, what the image itself says): AUTORUN.INF and the files it names in both trees, the launcher's
pictures, sounds and icon in their required forms, and whether the launcher was built for the profile;
the medium as a whole (both trees naming the same files, the start-up files first, the size against the
disc --capacity, the setup program a Windows program and not the kit's placeholder unless --trial, and
every file of the content folder --content, or the profile's content_folder, on the image and equal);
then starts the launcher under Wine on a virtual screen of each depth, from a scratch copy of the image's
files as CD-ROM drive D: with the setup program replaced by a recorder, and checks what it shows, plays
and starts. Writes OUT/report.md, OUT/contact-sheet.png and each picture it saw whole as
OUT/depth-N-STATE.png (OUT defaults to a folder beside the image, named after it).

--build names the launcher kit's build tree (scripts/check-medium.sh builds it): the asset check, the
recorder and poke programs and the Wine prefix template live there.

Exit code 0: every check holds. 1: a check fails (each failure is one line on standard error). 2: the
command was called wrongly or the image cannot be read. 77: the image and its resources hold, but this
host cannot run the launcher under Wine, so it was not started.
"""

import argparse
import os
import sys

from launcherkit import languages
from launcherkit import profile as product_profile
from launcherkit.acceptance import DEPTHS
from launcherkit.check_medium import content, launcher, medium, publisher, report, running
from launcherkit.check_medium.findings import Findings
from launcherkit.iso_image import ImageError, IsoImage
from launcherkit.medium import capacity as discs
from launcherkit.product import Product

NOT_STARTED = 77


def parse(argv):
    parser = argparse.ArgumentParser(prog="check-medium", description=__doc__.split("\n\n")[0])
    parser.add_argument("image")
    parser.add_argument("--build", required=True, help="the kit's build tree (asset check, stubs, Wine template)")
    parser.add_argument("--profile", help="the product profile the image was built for")
    parser.add_argument("--depths", default=",".join(map(str, DEPTHS)),
                        help="screen depths to start the launcher on (24, 16, 8)")
    parser.add_argument("--out", help="where the report and the contact sheet go")
    parser.add_argument("--ca-file", help="the certificate (PEM) of the authority that issued the publisher's "
                                          "signing certificate, to verify the launcher's signature against")
    parser.add_argument("--content", help="the content folder the image was built with (default: the profile's "
                                          "content_folder)")
    parser.add_argument("--capacity", default=discs.DEFAULT, choices=sorted(discs.CAPACITIES),
                        help="the disc the image is for (default %s)" % discs.DEFAULT)
    parser.add_argument("--trial", action="store_true",
                        help="a trial image: the kit's placeholder may stand in for the setup program")
    options = parser.parse_args(argv)
    try:
        options.depths = [int(d) for d in options.depths.split(",")]
    except ValueError:
        parser.error("--depths takes numbers such as 24,16,8, not %s" % options.depths)
    if any(d not in DEPTHS for d in options.depths):
        parser.error("--depths: only 24, 16 and 8 bits per pixel can be shown, not %s" % options.depths)
    options.out = options.out or os.path.splitext(os.path.abspath(options.image))[0] + "-check"
    return options


def product_of_the_image(image, medium_facts, launcher_facts):
    """The product as the image itself gives it, where no profile is given: the window's name from the
    launcher's version block (ProductName), the uninstall key its code names, the setup program beside
    it."""
    block = launcher_facts.executable.version_block()
    values = {"product_name": block.texts.get("ProductName", "") if block else "",
              "uninstall_guid": launcher_facts.uninstall_guid or "",
              "setup_program": medium_facts.setup, "original_filename": medium_facts.launcher,
              "volume_name": image.volume_name}
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


def shown_autorun(image):
    """AUTORUN.INF's text as the report shows it; empty where the image has none that can be read (the
    medium's checks say why)."""
    autorun = image.find("iso9660", medium.AUTORUN)
    try:
        return image.read(autorun).decode("cp1252", "replace") if autorun else ""
    except ImageError:
        return ""


def main(argv):
    options = parse(argv)
    asset_check = os.path.join(options.build, "host", "assetcheck", "asset_check")
    if not os.access(asset_check, os.X_OK):
        print("check-medium: %s: found no asset check; required the kit's build tree (scripts/check-medium.sh "
              "builds it)" % options.build, file=sys.stderr)
        return 2
    # The report's folder is made first: a folder that cannot be made is said before any check runs.
    try:
        os.makedirs(options.out, exist_ok=True)
    except OSError as error:
        print("check-medium: --out %s: found %s; required a folder for the report that can be made or written"
              % (options.out, "a file" if os.path.isfile(options.out) else "no folder that can be made (%s)"
                 % error.strerror), file=sys.stderr)
        return 2
    product = None
    if options.profile:
        try:
            product = Product.load(options.profile)
        except product_profile.ProfileError as error:
            print("\n".join(error.messages), file=sys.stderr)
            return 2
    try:
        image = IsoImage(options.image)
    except (ImageError, OSError) as error:
        print("check-medium: %s: found no ISO 9660 image that can be read (%s); required a medium's image"
              % (options.image, error), file=sys.stderr)
        return 2
    label = os.path.basename(options.image)
    findings = Findings()
    headline, shown = None, []
    try:
        facts = medium.check_medium(image, product, findings, label)
        launcher_facts = launcher.check_launcher(image, facts, product, asset_check, label, findings)
        content_folder = options.content or (product.profile.folder("content_folder")
                                              if product is not None and product.profile.get("content_folder")
                                              else None)
        listing = content.check_content(image, facts, product, content_folder, options.capacity, options.trial,
                                        label, findings)
        ready = launcher_facts is not None and facts.setup is not None
        if product is not None:
            headline = another_product(image, launcher_facts, product, label)
        elif ready:
            product = product_of_the_image(image, facts, launcher_facts)
        autorun_text = shown_autorun(image)
    finally:
        image.close()

    if launcher_facts is not None and product is not None and headline is None:
        exe = os.path.join(options.out, "launcher-as-on-the-image.exe")
        with open(exe, "wb") as f:
            f.write(launcher_facts.data)
        try:
            shown = publisher.publisher_section(launcher_facts.executable, exe, autorun_text, product, options.out,
                                                options.ca_file)
            if options.ca_file:
                sign = publisher.signature(exe, options.ca_file)
                findings.check(launcher.SECTION, "the launcher's signature verifies against the given authority") \
                    .expect(bool(sign.get("verified")), "%s:/%s" % (label, facts.launcher), "signature",
                            "none" if sign["signed"] is False else "; ".join(sign.get("failure") or ["not verified"]),
                            "an Authenticode signature that osslsigncode verifies with %s" % options.ca_file)
        finally:
            os.remove(exe)
    if headline:
        findings.skip(running.SECTION, "the launcher was not started: the image is of another product")
    elif not ready:
        findings.skip(running.SECTION, "the launcher was not started: the image has no launcher and setup "
                                       "program to start (see above)")
    elif not findings.all_hold:
        findings.skip(running.SECTION, "the launcher was not started: the image fails the checks above")
    else:
        running.check_at_work(options.image, launcher_facts.data, product, os.path.abspath(options.build),
                              options.depths, options.out, findings, label)
    sheet = running.sheet(options.out, list(options.depths) + [4], product) if product else None
    captions = None
    if options.profile:
        captions = [(key.split("_", 1)[1], product.profile[key]) for key in languages.CAPTION_KEYS]
    report.write(os.path.join(options.out, "report.md"),
                 report.markdown(findings, options.image, options.profile, sheet, captions, headline, shown)
                 + "\n".join(listing) + "\n")
    if headline:
        print(headline, file=sys.stderr)
        print("check-medium: NOT CHECKED: %s: %s" % findings.not_checked[-1])
        print("check-medium: report %s" % os.path.join(options.out, "report.md"))
        return 1
    for line in findings.failures:
        print(line, file=sys.stderr)
    for section, reason in findings.not_checked:
        print("check-medium: NOT CHECKED: %s: %s" % (section, reason))
    held = sum(check.holds for check in findings.checks)
    print("check-medium: %d of %d checks hold; report %s" % (held, len(findings.checks),
                                                           os.path.join(options.out, "report.md")))
    if not findings.all_hold:
        return 1
    return NOT_STARTED if findings.not_checked else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
