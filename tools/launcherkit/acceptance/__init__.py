"""The launcher at work: the end-to-end checks of what a publisher's disc does when it is inserted
(test_at_work.py), which check-medium runs against a disc image (AtWork.run()) and CTest as e2e.at_work
against the build's launcher. A failing test says each fault in a line of its own."""

import dataclasses
import os
from typing import Optional

import pytest

from launcherkit import KitError
from launcherkit.medium.content import refusal
from launcherkit.pe import MACHINE_AMD64

AT_WORK_TESTS = os.path.join(os.path.dirname(os.path.abspath(__file__)), "test_at_work.py")
SECTION = "The launcher at work"
# The screen depths a launcher can be shown on under Wine (bits per pixel) -> (the picture set shown there,
# how far a channel may be off: a 16-bit screen keeps 5 or 6 bits of each channel, so up to 7 off).
SCREENS = {24: (24, 0), 16: (24, 7), 8: (8, 0)}
DEPTHS = tuple(SCREENS)
# The states of the window kept as depth-<N>-<state>.png, in the contact sheet's order.
STATES = ("at rest", "install under the pointer", "browse under the pointer", "cancel under the pointer",
          "remove under the pointer")
GIVEN = pytest.StashKey()


def wine_arch(executable):
    """The Wine that runs a launcher (a pe.Executable)."""
    return "win64" if executable.machine == MACHINE_AMD64 else "win32"


class CheckFailed(KitError, AssertionError):
    """A check that does not hold; its text is one line per fault."""


class Checks(list):
    """The faults one test finds, so that one test can name several: expect() notes a fault, hold() ends
    the test with every fault noted."""

    def __init__(self, where):
        super().__init__()
        self.where = where

    def expect(self, condition, what, found, required):
        if not condition:
            self.append(refusal(self.where, what, found, required))
        return condition

    def hold(self):
        if self:
            raise CheckFailed("\n".join(self))


@dataclasses.dataclass(eq=False)  # a pytest plugin, known by its identity
class AtWork:
    """What the at-work tests run against: image None is the build's own launcher, laid out as a medium;
    `out` keeps the pictures seen and any stream not heard as required; `findings` (check-medium's) get
    each test at each depth as a check."""
    build: str
    product: object
    arch: str
    out: str
    depths: tuple = DEPTHS
    image: Optional[str] = None
    label: str = "the launcher"
    findings: object = None

    def run(self):
        """Runs the at-work tests in this process, as a pytest plugin; returns pytest's exit code."""
        return pytest.main([AT_WORK_TESTS, "-p", "no:cacheprovider", "-q", "--tb=no", "-rN",
                            "--rootdir", os.path.dirname(AT_WORK_TESTS), "-c", os.devnull], plugins=[self])

    def pytest_configure(self, config):
        config.stash[GIVEN] = self

    @pytest.hookimpl(hookwrapper=True)
    def pytest_runtest_makereport(self, item, call):
        report = (yield).get_result()
        section = "%s on a %d-bit screen" % (SECTION, item.callspec.params["depth"])
        if report.skipped:
            self.findings.skip(section, report.longrepr[2] if isinstance(report.longrepr, tuple)
                               else str(report.longrepr))
        elif report.failed or report.when == "call":
            name = (item.function.__doc__ or item.name).strip().split("\n\n")[0].replace("\n    ", " ").rstrip(".")
            check = self.findings.check(section, name[0].lower() + name[1:])
            error = call.excinfo.value if report.failed else None
            if isinstance(error, CheckFailed):
                check.failures += str(error).splitlines()
            elif error is not None:  # anything else: its type and text
                text = str(error).split("\nassert ")[0].strip().replace("\n", " ")
                check.failures.append("%s%s: %s" % ({"setup": "before the check: ", "teardown": "after the check: "}
                                                    .get(report.when, ""), type(error).__name__, text))
