"""The launcher at work: the end-to-end checks of what a publisher's disc does when it is inserted, written
once as a pytest module (test_at_work.py) that runs against a launcher on CD-ROM drive D: under Wine, on
virtual screens of each depth. Run two ways:

- by `tools/kit check-medium` against the files of a disc image (`AtWork(...).run()`, pytest in the same
  process), which turns the results into its report and contact sheet;
- by CTest as `e2e.at_work` against the launcher of a build tree (CTest's LAUNCHER_BUILD_DIR and
  LAUNCHER_PROFILE), like every other end-to-end test.

Each test is one check; a failing one says each fault in a line of its own ("where: what: found ...;
required ...")."""

import dataclasses
import os
from typing import Optional

from launcherkit import KitError

AT_WORK_TESTS = os.path.join(os.path.dirname(os.path.abspath(__file__)), "test_at_work.py")
# The screen depths a launcher can be shown on under Wine (bits per pixel).
DEPTHS = (24, 16, 8)
# Screen depth -> (the picture set shown there, how far a channel may be off: a 16-bit screen keeps 5 or
# 6 bits of each channel, so up to 7 off).
SCREENS = {24: (24, 0), 16: (24, 7), 8: (8, 0)}
# The states of the window kept as depth-<N>-<state>.png, in the contact sheet's order.
STATES = ("at rest", "install under the pointer", "browse under the pointer", "cancel under the pointer",
          "remove under the pointer")


class CheckFailed(KitError, AssertionError):
    """A check that does not hold; its text is one line per fault."""


def failure(where, what, found, required):
    return "%s: %s: found %s; required %s" % (where, what, found, required)


class Checks:
    """The faults one test finds, so that one test can name several: expect() notes a fault, hold() ends
    the test with every fault noted."""

    def __init__(self, where):
        self.where = where
        self.lines = []

    def expect(self, condition, what, found, required):
        if not condition:
            self.lines.append(failure(self.where, what, found, required))
        return condition

    def hold(self):
        if self.lines:
            raise CheckFailed("\n".join(self.lines))


@dataclasses.dataclass
class Result:
    """One check at one depth: `failures` (lines), or `skipped` (the reason), or neither: it holds."""
    depth: int
    name: str
    failures: list
    skipped: Optional[str] = None


@dataclasses.dataclass
class AtWork:
    """What the at-work tests run against. image: the disc image whose files go onto drive D: (None: the
    build's own launcher, laid out as a medium); product (launcherkit.product.Product); build: the kit's
    build tree (recorder, POKE.EXE, the Wine prefix template); out: where the pictures seen, the pixel
    differences and any stream not heard as required are kept; label: the image's name in messages."""
    build: str
    product: object
    depths: tuple = DEPTHS
    image: Optional[str] = None
    launcher_file: Optional[str] = None
    out: Optional[str] = None
    label: str = "the launcher"
    results: list = dataclasses.field(default_factory=list)

    def run(self):
        """Runs the at-work tests in this process; returns pytest's exit code, the results in `results`."""
        import pytest
        from launcherkit.acceptance import plugin
        arguments = [AT_WORK_TESTS, "-p", "no:cacheprovider", "-q", "--tb=no", "-rN",
                     "--rootdir", os.path.dirname(AT_WORK_TESTS), "-c", os.devnull]
        return pytest.main(arguments, plugins=[plugin.Given(self)])
