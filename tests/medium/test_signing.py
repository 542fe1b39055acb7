"""The default product's medium with a signed launcher: scripts/make-medium.sh --sign-pkcs12, with a key
of a throwaway certificate authority made at test time.

Taken out of the image, the launcher passes `osslsigncode verify` with that authority and fails it once one
of its bytes changes; two builds (at different seconds of the clock) give the same image; the signing time
is the build's source date; the PE checksum is valid, every resource is as in the unsigned launcher, and
the signature lies past the last section; check-medium's report names its publisher with the letters of
the certificate's name, accents too. Every fault of the key or the tools stops the script with its
own message and leaves no medium. The time stamp server's URL reaches osslsigncode, and the password never
stands on a command line, in an environment or in the output.
"""
import calendar
import os
import shutil
import subprocess
import time

import pytest

from ctest_settings import CTEST
from launcherkit.check_medium.publisher import signature
from launcherkit.pe import Executable
from medium_script import make_medium as run_make_medium
from throwaway_signing import ThrowawayAuthority

PRODUCT = CTEST.product
TIMESTAMP_URL = "http://timestamp.invalid/rfc3161"
SOURCE_DATE = 1700000000  # 2023-11-14 22:13:20 UTC

# Stands in for osslsigncode: writes its arguments and environment to $SIGNING_STUB_LOG, then fails when
# $SIGNING_STUB_FAILS is set and otherwise copies -in to -out unsigned.
SIGNING_STUB = """#!/bin/sh
{ printf '%s\\n' "$@"; echo "--- environment"; env; } > "$SIGNING_STUB_LOG"
if [ -n "${SIGNING_STUB_FAILS:-}" ]; then echo "stub: no signature today"; exit 1; fi
while [ $# -gt 0 ]; do case "$1" in -in) in=$2 ;; -out) out=$2 ;; esac; shift; done
cp "$in" "$out"
"""


def make_medium(out, launch, *options, env=None):
    """make-medium.sh's run, its time stamps from SOURCE_DATE."""
    env = dict(env or os.environ, SOURCE_DATE_EPOCH=str(SOURCE_DATE))
    return run_make_medium(out, launch, PRODUCT, *options, env=env, timeout=120)


def signing_options(key):
    return ["--sign-pkcs12", key.pkcs12, "--sign-password-file", key.password_file]


def built_image(result, out):
    assert result.returncode == 0, "make-medium.sh failed (%d):\n%s%s" % (
        result.returncode, result.stdout, result.stderr)
    return out / PRODUCT.image_name


def launcher_from(image, folder):
    """The launcher's file as xorriso extracts it from the image."""
    target = folder / PRODUCT.launcher_file
    subprocess.run(["xorriso", "-no_rc", "-report_about", "WARNING", "-osirrox", "on", "-indev", str(image),
                    "-extract", "/" + PRODUCT.launcher_file, str(target)],
                   check=True, capture_output=True, timeout=60)
    return target


def verify(path, authority):
    """osslsigncode verify's (exit code, output)."""
    result = subprocess.run(["osslsigncode", "verify", "-CAfile", str(authority.certificate), "-in", str(path)],
                            capture_output=True, text=True, timeout=60)
    return result.returncode, result.stdout + result.stderr


def path_without(program, folder):
    """A PATH of one folder that links every program of this PATH but `program`."""
    folder.mkdir()
    for directory in os.environ["PATH"].split(os.pathsep):
        for name in (os.listdir(directory) if os.path.isdir(directory) else []):
            if name != program and not os.path.lexists(folder / name):
                (folder / name).symlink_to(os.path.join(directory, name))
    return str(folder)


def signing_stub(folder, fails=False):
    """An environment whose PATH finds the signing stub first; the stub's log file."""
    folder.mkdir()
    stub = folder / "osslsigncode"
    stub.write_text(SIGNING_STUB)
    stub.chmod(0o755)
    env = dict(os.environ, PATH=str(folder) + os.pathsep + os.environ["PATH"],
               SIGNING_STUB_LOG=str(folder / "stub.log"))
    if fails:
        env["SIGNING_STUB_FAILS"] = "1"
    return env, folder / "stub.log"


@pytest.fixture(scope="module", autouse=True)
def tools():
    for tool in ("osslsigncode", "openssl", "xorriso"):
        assert shutil.which(tool), "%s is missing (scripts/install-deps.sh --sign installs it)" % tool


@pytest.fixture(scope="module")
def authority(tmp_path_factory):
    return ThrowawayAuthority(tmp_path_factory.mktemp("authority"))


@pytest.fixture(scope="module")
def key(authority):
    return authority.issue("Throwaway Publisher")


def not_before(key):
    """The start of the key's certificate, in seconds since 1970."""
    start = subprocess.run(["openssl", "x509", "-noout", "-startdate", "-in", str(key.certificate)],
                           capture_output=True, text=True, check=True).stdout.strip().split("=", 1)[1]
    return calendar.timegm(time.strptime(start, "%b %d %H:%M:%S %Y GMT"))


def test_the_signed_launcher_verifies_and_keeps_the_unsigned_ones_contents(launcher_exe, authority, tmp_path):
    # The password file as a Windows editor writes it, ended by CR LF; a publisher's name with accents.
    key = authority.issue("\u00c9diteur Throwaway \u00e0 Windows")
    key.password_file.write_bytes(key.password.encode("ascii") + b"\r\n")
    first = built_image(make_medium(tmp_path / "a", launcher_exe, *signing_options(key)), tmp_path / "a")
    # The second build starts at a later second of the clock, so that a signing time taken from the clock
    # would differ between the two.
    started = int(time.time())
    while int(time.time()) == started:
        time.sleep(0.05)
    second = built_image(make_medium(tmp_path / "b", launcher_exe, *signing_options(key)), tmp_path / "b")
    signed_path = launcher_from(first, tmp_path)
    signed, unsigned = Executable.open(signed_path), Executable.open(launcher_exe)
    faults = []

    code, report = verify(signed_path, authority)
    if code != 0:
        faults.append("osslsigncode verify fails on the launcher from the image:\n" + report)
    # The certificate was made today, after the source date: a signature older than its certificate
    # would look invalid, so the signing time is the certificate's start.
    assert not_before(key) > SOURCE_DATE
    expected_time = time.strftime("Signing time: %b %e %H:%M:%S %Y GMT", time.gmtime(not_before(key)))
    if expected_time not in report:
        faults.append("the signing time is not the later of the source date and the certificate's start (%s):\n%s"
                      % (expected_time, report))
    signer = "- signer: `/CN=\u00c9diteur Throwaway \u00e0 Windows`, issued by `/CN=Throwaway Test Authority`"
    if signer not in signature(str(signed_path), str(authority.certificate))[0]:
        faults.append("check-medium's report lacks the line %r" % signer)
    tampered = tmp_path / "tampered.exe"
    data = bytearray(signed.data)
    data[len(unsigned.data) // 2] ^= 0x01
    tampered.write_bytes(data)
    if verify(tampered, authority)[0] == 0:
        faults.append("osslsigncode verify passes the launcher with one byte changed")
    if first.read_bytes() != second.read_bytes():
        faults.append("two builds with the same key give different images")
    if not signed.checksum_valid():
        faults.append("PE checksum %#x, computed %#x" % (signed.checksum, signed.computed_checksum()))
    signed_resources, unsigned_resources = ({r.key: image.resource_bytes(r) for r in image.resources()}
                                            for image in (signed, unsigned))
    changed = sorted((k for k in signed_resources.keys() | unsigned_resources.keys()
                      if signed_resources.get(k) != unsigned_resources.get(k)), key=str)
    if changed:
        faults.append("resources that differ from the unsigned launcher's (type, name, language): %s" % changed)
    offset, size = signed.certificate_table
    if size == 0 or offset < signed.sections_end() or offset + size != len(signed.data):
        faults.append("the signature (%d bytes at %#x) is not the file's end past the last section (%#x)"
                      % (size, offset, signed.sections_end()))
    assert not faults, "\n".join(faults)


def test_faults_of_the_key_or_the_tools_stop_the_script_and_leave_no_medium(launcher_exe, authority, key, tmp_path):
    web = authority.issue("Throwaway Web Server", extended_key_usage="serverAuth")
    expired = authority.issue("Throwaway Old Publisher", days=-1)
    later = authority.issue("Throwaway Future Publisher", starts_in_days=30)
    start = subprocess.run(["openssl", "x509", "-noout", "-startdate", "-in", str(later.certificate)],
                           capture_output=True, text=True, check=True).stdout.strip().split("=", 1)[1]
    weak, sha1, md5 = (authority.issue("Throwaway %s Publisher" % name, **options) for name, options in
                       (("Weak", dict(key_bits=1024)), ("SHA-1", dict(digest="sha1")), ("MD5", dict(digest="md5"))))
    keyless = authority.issue("Throwaway Keyless Publisher", with_key=False)
    end = subprocess.run(["openssl", "x509", "-noout", "-enddate", "-in", str(expired.certificate)],
                         capture_output=True, text=True, check=True).stdout.strip().split("=", 1)[1]
    text = tmp_path / "not-a-key.p12"
    text.write_text("not a key\n")
    wrong, empty, two_lines = (tmp_path / name for name in ("wrong.password", "empty.password", "two-lines.password"))
    wrong.write_text("not the password\n")
    empty.write_text("")
    two_lines.write_text(key.password + "\nand more\n")
    # One line break inside and none at the end: one line end, as wc -l counts them.
    split = tmp_path / "split.password"
    split.write_text(key.password[:3] + "\n" + key.password[3:])
    missing = tmp_path / "missing.p12"
    failing_env, _ = signing_stub(tmp_path / "failing-stub", fails=True)
    no_osslsigncode = dict(os.environ, PATH=path_without("osslsigncode", tmp_path / "no-osslsigncode"))
    cases = [
        (["--sign-pkcs12", missing], None, f"the signing certificate '{missing}' does not exist"),
        (["--sign-pkcs12", tmp_path], None, f"the signing certificate '{tmp_path}' cannot be read"),
        (["--sign-pkcs12", text], None,
         f"the signing certificate '{text}' is not a PKCS#12 file (.p12 or .pfx with certificate and key)"),
        (["--sign-pkcs12", key.pkcs12, "--sign-password-file", wrong], None,
         f"the password in '{wrong}' does not open the signing certificate '{key.pkcs12}'"),
        (["--sign-pkcs12", key.pkcs12], None,
         f"the signing certificate '{key.pkcs12}' needs a password (--sign-password-file FILE)"),
        (["--sign-pkcs12", key.pkcs12, "--sign-password-file", missing], None,
         f"the password file '{missing}' does not exist"),
        (["--sign-pkcs12", key.pkcs12, "--sign-password-file", empty], None,
         f"the password file '{empty}' is empty"),
        (["--sign-pkcs12", key.pkcs12, "--sign-password-file", two_lines], None,
         f"the password file '{two_lines}' holds more than one line; it must hold the password alone"),
        (signing_options(web), None, f"the signing certificate '{web.pkcs12}' is not for code signing "
                                     "(its extended key usage lacks codeSigning)"),
        (signing_options(expired), None, f"the signing certificate '{expired.pkcs12}' has expired (valid until {end})"),
        (["--sign-pkcs12", key.pkcs12, "--sign-password-file", split], None,
         f"the password file '{split}' holds more than one line; it must hold the password alone"),
        (signing_options(later), None, f"the signing certificate '{later.pkcs12}' is not yet valid (valid from {start})"),
        (signing_options(weak), None,
         f"the signing certificate '{weak.pkcs12}' has an RSA key of 1024 bits; Windows requires 2048 or more"),
        (signing_options(sha1), None, f"the signing certificate '{sha1.pkcs12}' is signed with sha1WithRSAEncryption; "
                                      "Windows requires SHA-256 or better"),
        (signing_options(md5), None, f"the signing certificate '{md5.pkcs12}' is signed with md5WithRSAEncryption; "
                                     "Windows requires SHA-256 or better"),
        (signing_options(keyless), None,
         f"the signing certificate '{keyless.pkcs12}' holds no private key (export it with its key)"),
        (["--timestamp-url", TIMESTAMP_URL], None,
         "--sign-password-file and --timestamp-url sign the launcher: they need --sign-pkcs12 FILE"),
        (signing_options(key), no_osslsigncode,
         "osslsigncode is missing (Debian package osslsigncode; scripts/install-deps.sh --sign installs it)"),
        # A failure while signing, after the tree was begun.
        (signing_options(key), failing_env,
         f"osslsigncode could not sign '{launcher_exe}' with '{key.pkcs12}' (its messages above)"),
    ]
    faults = []
    for number, (options, env, message) in enumerate(cases):
        out = tmp_path / ("out%d" % number)
        result = make_medium(out, launcher_exe, *options, env=env)
        last_line = (result.stderr.strip().splitlines() or [""])[-1]
        if result.returncode == 0 or last_line != "make-medium: " + message:
            faults.append("%s: exit code %d, said %r; required %r" % (options, result.returncode, last_line, message))
        left = [name for name in ("tree", PRODUCT.image_name) if (out / name).exists()]
        if left:
            faults.append("%s: left %s in %s" % (options, left, out))
    assert not faults, "\n".join(faults)


def test_the_timestamp_url_reaches_osslsigncode_and_the_password_shows_nowhere(launcher_exe, key, tmp_path):
    env, log = signing_stub(tmp_path / "stub")
    result = make_medium(tmp_path / "out", launcher_exe, *signing_options(key), "--timestamp-url", TIMESTAMP_URL,
                         env=env)
    built_image(result, tmp_path / "out")
    recorded = log.read_text()
    arguments = recorded.split("\n--- environment\n")[0].splitlines()
    faults = []
    for option, value in (("-ts", TIMESTAMP_URL), ("-readpass", str(key.password_file)), ("-h", "sha256"),
                          ("-time", str(max(SOURCE_DATE, not_before(key))))):
        if option not in arguments or arguments[arguments.index(option) + 1] != value:
            faults.append("osslsigncode was not given %s %s: %s" % (option, value, arguments))
    for where, text in (("osslsigncode's arguments or environment", recorded), ("the output", result.stdout),
                        ("the messages", result.stderr)):
        if key.password in text:
            faults.append("the password shows in " + where)
    assert not faults, "\n".join(faults)
