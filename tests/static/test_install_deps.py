"""scripts/install-deps.sh on a bad package mirror, with apt and dpkg played by stand-ins on the PATH (no
package is installed or removed): an index that fails to download does not stop the set-up; when the
32-bit half cannot be installed, the rest is, one line says so, and scripts/lib/wine-preset.sh then
chooses the 64-bit twin for the Wine tests."""
import os
import subprocess
from pathlib import Path

import pytest

REPO = Path(__file__).resolve().parents[2]
UPDATE_FAILS = ("E: Failed to fetch http://deb.debian.org/debian-security/dists/bookworm-security/main/"
                "binary-i386/Packages.xz  File has unexpected size (1234 != 5678). Mirror sync in progress?")
I386_FAILS = " libxml2:i386 : Depends: liblzma5:i386 (>= 5.4.1-1) but it is not going to be installed"
# The stand-ins: dpkg-query reports the packages in $FAKE_MISSING as not installed; apt-get logs each call
# and fails as $FAKE_FAILS says ("update", "i386": any 32-bit package, "all": every install).
STAND_INS = {
    "dpkg": 'echo i386\n',
    "dpkg-query": 'for p in $FAKE_MISSING; do [ "$p" = "$3" ] && { echo "unknown ok not-installed"; exit 1; }; done\n'
                  'echo "install ok installed"\n',
    "apt-get": 'echo "apt-get $*" >> "$FAKE_LOG"\n'
               'case " $* " in\n'
               '  *" update "*) case "$FAKE_FAILS" in *update*) echo "%s" >&2; exit 100;; esac; exit 0;;\n'
               'esac\n'
               'case "$FAKE_FAILS" in *all*) echo "E: Unable to locate package" >&2; exit 100;; esac\n'
               'case "$FAKE_FAILS $*" in *i386*" "*:i386*|*i386*" wine32"*) echo "%s"; '
               'echo "E: Unable to correct problems, you have held broken packages." >&2; exit 100;; esac\n'
               'exit 0\n' % (UPDATE_FAILS, I386_FAILS),
}


@pytest.fixture
def fake_apt(tmp_path):
    bin_dir = tmp_path / "bin"
    bin_dir.mkdir()
    for name, body in STAND_INS.items():
        (bin_dir / name).write_text("#!/bin/sh\n" + body)
        (bin_dir / name).chmod(0o755)

    def run(command, missing, fails):
        env = dict(os.environ, PATH="%s:%s" % (bin_dir, os.environ["PATH"]), FAKE_MISSING=" ".join(missing),
                   FAKE_FAILS=fails, FAKE_LOG=str(tmp_path / "apt.log"))
        result = subprocess.run(["bash", "-c", command], cwd=REPO, env=env, capture_output=True, text=True,
                                timeout=60)
        log = (tmp_path / "apt.log").read_text().splitlines() if (tmp_path / "apt.log").exists() else []
        return result, log
    return run


@pytest.mark.parametrize("fails, missing, code, line, installs", [
    # The security archive's i386 index fails; the packages still install from the other lists.
    ("update", ["sox"], 0, "install-deps: apt-get update failed for an index (see above); going on with the "
                           "package lists apt has", [["sox"]]),
    # ... and the 32-bit half cannot be had at the versions of the 64-bit one: the rest is installed.
    ("update i386", ["sox", "wine32", "libasound2:i386"], 0,
     "install-deps: the 32-bit half (wine32 libasound2:i386) could not be installed (libxml2:i386 : Depends: "
     "liblzma5:i386 (>= 5.4.1-1) but it is not going to be installed); everything else is, and the Wine tests "
     "will run against the 64-bit twin (build/windows-x64)", [["sox", "wine32", "libasound2:i386"], ["sox"]]),
    # Nothing installs: a failure, not a fallback.
    ("update all", ["sox", "wine32"], 1, "install-deps: the packages could not be installed: E: Unable to "
                                         "locate package", [["sox", "wine32"], ["sox"]]),
], ids=["index-fails", "i386-half-fails", "nothing-installs"])
def test_install_deps_on_a_bad_mirror(fake_apt, fails, missing, code, line, installs):
    result, log = fake_apt("scripts/install-deps.sh", missing, fails)
    assert result.returncode == code, result.stdout + result.stderr
    assert line in (result.stdout + result.stderr).splitlines(), result.stdout + result.stderr
    assert all("-o Acquire::Retries=3" in call for call in log), log
    assert [sorted(call.split("--no-install-recommends ")[1].split()) for call in log if " install " in call] == \
        [sorted(packages) for packages in installs]


@pytest.mark.parametrize("missing, preset", [([], "windows"), (["wine32"], "windows-x64")])
def test_the_wine_tests_run_against_the_64_bit_twin_without_32_bit_wine(fake_apt, missing, preset):
    if not os.access("/usr/lib/wine/wine", os.X_OK) and preset == "windows":
        pytest.skip("this host cannot run 32-bit Wine at all")
    result, _ = fake_apt(". scripts/lib/wine-preset.sh; echo $LAUNCHER_PRESET", missing, "")
    assert result.stdout.strip() == preset, result.stdout + result.stderr
