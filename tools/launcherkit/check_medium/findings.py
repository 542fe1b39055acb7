"""The checks of a medium and their results: each check has a name and holds or not; each failure is one
line naming what, where, what was found and what is required."""


def failure(where, what, found, required):
    return "%s: %s: found %s; required %s" % (where, what, found, required)


class Check:
    def __init__(self, section, name):
        self.section, self.name = section, name
        self.failures = []
        self.notes = []

    @property
    def holds(self):
        return not self.failures

    def fail(self, where, what, found, required):
        self.failures.append(failure(where, what, found, required))

    def expect(self, condition, where, what, found, required):
        """Records a failure unless `condition`; returns the condition."""
        if not condition:
            self.fail(where, what, found, required)
        return condition


class Findings:
    """Every check made, in order, grouped by section ("The medium", "The launcher's resources", "At work
    on a 24-bit screen", ...), and what could not be checked and why."""

    def __init__(self):
        self.checks = []
        self.not_checked = []

    def check(self, section, name):
        """The check of that name in `section`: made at its first mention, the same one afterwards."""
        for made in self.checks:
            if (made.section, made.name) == (section, name):
                return made
        made = Check(section, name)
        self.checks.append(made)
        return made

    def skip(self, section, reason):
        self.not_checked.append((section, reason))

    @property
    def failures(self):
        return [line for check in self.checks for line in check.failures]

    @property
    def all_hold(self):
        return not self.failures

    def sections(self):
        order = []
        for check in self.checks:
            if check.section not in order:
                order.append(check.section)
        return [(section, [c for c in self.checks if c.section == section]) for section in order]
