"""The pytest plugin through which check-medium hands the at-work tests what they run against (an AtWork)
and takes their results back, one Result per test and depth."""

import pytest

from launcherkit.acceptance import Result

GIVEN = pytest.StashKey()


class Given:
    def __init__(self, at_work):
        self.at_work = at_work

    def pytest_configure(self, config):
        config.stash[GIVEN] = self.at_work

    @pytest.hookimpl(hookwrapper=True)
    def pytest_runtest_makereport(self, item, call):
        outcome = yield
        report = outcome.get_result()
        depth = item.callspec.params.get("depth") if hasattr(item, "callspec") else None
        name = (item.function.__doc__ or item.name).strip().split("\n\n")[0].replace("\n    ", " ").rstrip(".")
        name = name[0].lower() + name[1:]
        result = next((r for r in self.at_work.results if (r.depth, r.name) == (depth, name)), None)
        if result is None:
            result = Result(depth, name, [])
            self.at_work.results.append(result)
        if report.skipped:
            result.skipped = report.longrepr[2] if isinstance(report.longrepr, tuple) else str(report.longrepr)
        elif report.failed:
            result.failures += message_lines(call.excinfo, report.when)


def message_lines(excinfo, when):
    """The lines a failing test gives: a CheckFailed's own lines; of anything else, its type and text."""
    from launcherkit.acceptance import CheckFailed
    error = excinfo.value
    if isinstance(error, CheckFailed):
        return str(error).splitlines()
    text = str(error).split("\nassert ")[0].strip().replace("\n", " ")
    return ["%s%s: %s" % ({"setup": "before the check: ", "teardown": "after the check: "}.get(when, ""),
                          type(error).__name__, text)]
