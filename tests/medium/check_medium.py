#!/usr/bin/env python3
"""Checks of the installation medium that scripts/make-medium.sh builds.

    check_medium.py LAUNCH.EXE

Builds the medium twice into temporary folders from the given launcher and checks that
  - the two images are byte-identical, although the second build runs at another second of the
    clock, from a launcher copy with another modification time and under another umask;
  - xorriso lists exactly AUTORUN.INF, LAUNCH.EXE and SETUP32.EXE, as 8.3 upper-case ISO 9660 names
    and as Joliet names;
  - the volume descriptors carry the volume id, a Joliet descriptor and the fixed time stamps, and
    so does every directory record;
  - AUTORUN.INF holds the autorun section with label and AutoPlay text, DOS line endings, the image's LAUNCH.EXE is the given
    launcher byte for byte, and SETUP32.EXE is the placeholder that says it is one;
then builds once more with a given setup program and checks that it is the SETUP32.EXE on the image,
and that a file which is not a Windows program is refused as setup program.
"""
import datetime
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time
from pathlib import Path

REPO = Path(__file__).resolve().parents[2]
MAKE_MEDIUM = REPO / "scripts" / "make-medium.sh"
IMAGE_NAME = "QELVAR_LUMIVANE.iso"
VOLUME_ID = "QELVAR_LUMIVANE"
FILES = ["AUTORUN.INF", "LAUNCH.EXE", "SETUP32.EXE"]
# The default product's: its drive label and AutoPlay text in German, in Windows-1252.
AUTORUN = ("[autorun]\r\nopen=LAUNCH.EXE\r\nicon=LAUNCH.EXE,0\r\nlabel=Qelvar Lumivane\r\n"
           "action=Startprogramm von Qelvar Lumivane ausf\u00fchren\r\n").encode("cp1252")
SECTOR = 2048
FIXED_EPOCH = 1700000000  # 2023-11-14 22:13:20 UTC

failures = []


def check(condition, message):
    print(("ok    " if condition else "FAIL  ") + message)
    if not condition:
        failures.append(message)
    return condition


def make_medium(out, launch, setup=None, env_extra=None, umask=None):
    args = ["bash", str(MAKE_MEDIUM), "--launch", str(launch), "--out", str(out)]
    if setup is not None:
        args += ["--setup", str(setup)]
    env = dict(os.environ)
    env.update(env_extra or {})
    old_umask = os.umask(umask) if umask is not None else None
    try:
        return subprocess.run(args, env=env, cwd=out.parent, capture_output=True, text=True)
    finally:
        if old_umask is not None:
            os.umask(old_umask)


def built(result, what):
    if result.returncode != 0:
        sys.stdout.write(result.stdout + result.stderr)
    return check(result.returncode == 0, what)


# --- Listing through xorriso -------------------------------------------------------------------

def xorriso_names(image, read_fs, name_map):
    """The file names below / as xorriso loads them with the given -read_fs and -ecma119_map."""
    result = subprocess.run(
        ["xorriso", "-no_rc", "-read_fs", read_fs, "-ecma119_map", name_map, "-indev", str(image),
         "-find", "/", "-type", "f", "-exec", "lsdl"],
        capture_output=True, text=True)
    if result.returncode != 0:
        sys.stdout.write(result.stderr)
        return None
    return sorted(re.findall(r"'/([^'/]+)'$", result.stdout, re.MULTILINE))


# --- Reading the image directly ------------------------------------------------------------------

def volume_descriptors(data):
    """(type, descriptor bytes) for each volume descriptor up to the terminator."""
    found = []
    sector = 16
    while (sector + 1) * SECTOR <= len(data):
        vd = data[sector * SECTOR:(sector + 1) * SECTOR]
        if vd[1:6] != b"CD001":
            break
        found.append((vd[0], vd))
        if vd[0] == 255:
            break
        sector += 1
    return found


def directory_records(data, extent, size):
    """The records of the directory at extent, without "." and ".."."""
    records = []
    raw = data[extent * SECTOR:extent * SECTOR + size]
    pos = 0
    while pos < len(raw):
        length = raw[pos]
        if length == 0:  # records do not cross sectors: the rest of this one is padding
            pos = (pos // SECTOR + 1) * SECTOR
            continue
        rec = raw[pos:pos + length]
        name = rec[33:33 + rec[32]]
        if name not in (b"\x00", b"\x01"):
            records.append(rec)
        pos += length
    return records


def record_extent(rec):
    return int.from_bytes(rec[2:6], "little"), int.from_bytes(rec[10:14], "little")


def record_time(rec):
    year, month, day, hour, minute, second, offset = rec[18:25]
    if offset > 127:
        offset -= 256
    local = datetime.datetime(1900 + year, month, day, hour, minute, second)
    return int((local - datetime.timedelta(minutes=15 * offset))
               .replace(tzinfo=datetime.timezone.utc).timestamp())


def descriptor_time(field):
    """A 17-byte volume descriptor time: 16 digits and a 15-minute offset from GMT."""
    if field[:16] == b"0" * 16:
        return None
    offset = field[16] - 256 if field[16] > 127 else field[16]
    local = datetime.datetime.strptime(field[:14].decode("ascii"), "%Y%m%d%H%M%S")
    return int((local - datetime.timedelta(minutes=15 * offset))
               .replace(tzinfo=datetime.timezone.utc).timestamp())


def read_image(path):
    """Volume ids, descriptor times and {name: (record, contents)} of the ISO 9660 and Joliet roots."""
    data = Path(path).read_bytes()
    info = {"pvd": None, "joliet": None}
    for kind, vd in volume_descriptors(data):
        if kind == 1:
            info["pvd"] = vd
        elif kind == 2 and vd[88:91] in (b"%/@", b"%/C", b"%/E"):
            info["joliet"] = vd
    trees = {}
    for key, decode in (("pvd", lambda n: n.decode("ascii")), ("joliet", lambda n: n.decode("utf-16-be"))):
        vd = info[key]
        if vd is None:
            continue
        root = vd[156:190]
        extent, size = record_extent(root)
        tree = {"/": (root, None)}
        for rec in directory_records(data, extent, size):
            f_extent, f_size = record_extent(rec)
            tree[decode(rec[33:33 + rec[32]])] = (rec, data[f_extent * SECTOR:f_extent * SECTOR + f_size])
        trees[key] = tree
    return info, trees


def check_image(image, launch, epoch, setup_check):
    info, trees = read_image(image)
    pvd, joliet = info["pvd"], info["joliet"]
    if not check(pvd is not None, "the image has a primary volume descriptor"):
        return
    check(pvd[40:72].decode("ascii").rstrip() == VOLUME_ID, f"the volume id is {VOLUME_ID}")
    check(joliet is not None, "the image has a Joliet volume descriptor")
    if joliet is not None:
        check(joliet[40:72].decode("utf-16-be").rstrip() == VOLUME_ID, f"the Joliet volume id is {VOLUME_ID}")
    for key in ("pvd", "joliet") if joliet is not None else ("pvd",):
        vd = info[key]
        check(descriptor_time(vd[813:830]) == epoch and descriptor_time(vd[830:847]) == epoch,
              f"{key}: creation and modification time are the build epoch {epoch}")
        check(descriptor_time(vd[847:864]) is None and descriptor_time(vd[864:881]) is None,
              f"{key}: expiration and effective time are left unset")
        times = {name: record_time(rec) for name, (rec, _) in trees[key].items()}
        check(set(times.values()) == {epoch}, f"{key}: every directory record has the build epoch: {times}")

    iso_names = sorted(n for n in trees["pvd"] if n != "/")
    check(iso_names == [f + ";1" for f in FILES], f"ISO 9660 names are {FILES} with ;1: {iso_names}")
    check(all(re.fullmatch(r"[A-Z0-9_]{1,8}\.[A-Z0-9_]{0,3};1", n) for n in iso_names),
          "ISO 9660 names are 8.3 upper case (level 1)")
    if "joliet" in trees:
        joliet_names = sorted(n for n in trees["joliet"] if n != "/")
        check(joliet_names == FILES, f"Joliet names are {FILES}: {joliet_names}")

    files = {n.split(";")[0]: contents for n, (_, contents) in trees["pvd"].items() if n != "/"}
    check(files.get("AUTORUN.INF") == AUTORUN,
          f"AUTORUN.INF is the autorun section with DOS line endings: {files.get('AUTORUN.INF')!r}")
    check(files.get("LAUNCH.EXE") == Path(launch).read_bytes(), "LAUNCH.EXE on the image is the built launcher")
    setup_check(files.get("SETUP32.EXE") or b"")
    if "joliet" in trees:
        joliet_files = {n: contents for n, (_, contents) in trees["joliet"].items() if n != "/"}
        check(joliet_files == files, "the Joliet names lead to the same file contents")


def is_placeholder(contents):
    check(contents[:2] == b"MZ", "SETUP32.EXE is a Windows program")
    check("Platzhalter".encode("utf-16-le") in contents and "SETUP32.EXE".encode("utf-16-le") in contents,
          "SETUP32.EXE is the placeholder whose message names itself a placeholder for SETUP32.EXE")


def main():
    if len(sys.argv) != 2:
        sys.exit("usage: check_medium.py LAUNCH.EXE")
    launch = Path(sys.argv[1]).resolve()
    if shutil.which("xorriso") is None:
        sys.exit("check_medium: xorriso is missing")

    with tempfile.TemporaryDirectory(prefix="medium-check-") as tmp:
        tmp = Path(tmp)
        # Two copies of the launcher with different modification times: the image must not show them.
        launch_a, launch_b = tmp / "a-LAUNCH.EXE", tmp / "b-LAUNCH.EXE"
        shutil.copyfile(launch, launch_a)
        shutil.copyfile(launch, launch_b)
        os.utime(launch_a, (1000000000, 1000000000))
        os.utime(launch_b, (1200000000, 1200000000))

        # The first two builds take their time stamps from the last commit, as a plain build does.
        os.environ.pop("SOURCE_DATE_EPOCH", None)
        first = make_medium(tmp / "a", launch_a, umask=0o022)
        # The second build starts at a later second of the clock, so that a time stamp taken from the
        # clock would differ between the two images.
        started = int(time.time())
        while int(time.time()) == started:
            time.sleep(0.05)
        second = make_medium(tmp / "b", launch_b, umask=0o077)
        if not (built(first, "first build of the medium") and built(second, "second build of the medium")):
            return
        image_a, image_b = tmp / "a" / IMAGE_NAME, tmp / "b" / IMAGE_NAME
        check(image_a.read_bytes() == image_b.read_bytes(), "the two builds give byte-identical images")

        iso_names = xorriso_names(image_a, "ecma119", "unmapped")
        check(iso_names == [f + ";1" for f in FILES], f"xorriso lists the ISO 9660 names: {iso_names}")
        # Where no Joliet tree is found, xorriso falls back to the ISO 9660 names mapped to lower case;
        # upper-case names here come from the Joliet tree.
        joliet_names = xorriso_names(image_a, "norock", "lowercase")
        check(joliet_names == FILES, f"xorriso lists the Joliet names: {joliet_names}")

        epoch = int(subprocess.run(["git", "-C", str(REPO), "log", "-1", "--format=%ct"],
                                   capture_output=True, text=True).stdout.strip() or 1704067200)
        check_image(image_a, launch, epoch, is_placeholder)

        # A given setup program goes on the medium as SETUP32.EXE; the time stamps follow SOURCE_DATE_EPOCH.
        product_setup = tmp / "product-setup.exe"
        product_setup.write_bytes(b"MZ" + b"\x90" * 62 + b"stands in for the product's setup program")
        third = make_medium(tmp / "c", launch, setup=product_setup,
                            env_extra={"SOURCE_DATE_EPOCH": str(FIXED_EPOCH)})
        if built(third, "build of the medium with a given setup program"):
            check_image(tmp / "c" / IMAGE_NAME, launch, FIXED_EPOCH,
                        lambda contents: check(contents == product_setup.read_bytes(),
                                               "SETUP32.EXE on the image is the given setup program"))

        not_a_program = tmp / "readme.txt"
        not_a_program.write_text("not a program\n")
        refused = make_medium(tmp / "d", launch, setup=not_a_program)
        check(refused.returncode != 0 and not (tmp / "d" / IMAGE_NAME).exists(),
              "a setup program without MZ header is refused and no image is made")


if __name__ == "__main__":
    main()
    print(f"medium: {'all checks passed' if not failures else f'{len(failures)} checks failed'}")
    sys.exit(1 if failures else 0)
