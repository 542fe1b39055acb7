"""scripts/make-medium.sh as the medium's tests run it: for a product, with a given launcher, into a
folder; the finished process, so that a test can hold its exit code and messages too."""
import os
import subprocess

from launcherkit import SOURCE_DIR

MAKE_MEDIUM = os.path.join(SOURCE_DIR, "scripts", "make-medium.sh")


def make_medium(out, launch, product, *options, env=None, cwd=None, timeout=300, preexec=None):
    """Runs make-medium.sh --profile (the product's) --launch LAUNCH --out OUT OPTIONS...; preexec: run in the
    child before the script (to change its user, say)."""
    return subprocess.run(["bash", MAKE_MEDIUM, "--profile", product.profile_path, "--launch", str(launch),
                           "--out", str(out), *map(str, options)],
                          env=env, cwd=cwd, capture_output=True, text=True, timeout=timeout, preexec_fn=preexec)
