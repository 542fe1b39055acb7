#!/usr/bin/python3
"""junit_counts.py FILE...: the passed, failed and skipped tests of CTest's JUnit reports, as
"PASSED FAILED SKIPPED". A test that CTest did not run counts once: as skipped when it asked to be
skipped (SKIP_RETURN_CODE or SKIP_REGULAR_EXPRESSION, e.g. a host that cannot run the build's Wine) or
was disabled, otherwise (its program missing, a fixture failed) as failed."""
import sys
import xml.etree.ElementTree as ElementTree


def counts(paths):
    passed = failed = skipped = 0
    for path in paths:
        for case in ElementTree.parse(path).getroot().iter("testcase"):
            status = case.get("status")
            if status == "run":
                passed += 1
            elif status == "disabled":
                skipped += 1
            elif status == "notrun":
                reason = case.find("skipped")
                message = reason.get("message", "") if reason is not None else ""
                if message.startswith(("SKIP_RETURN_CODE", "SKIP_REGULAR_EXPRESSION")):
                    skipped += 1
                else:
                    failed += 1
            else:
                failed += 1
    return passed, failed, skipped


if __name__ == "__main__":
    print("%d %d %d" % counts(sys.argv[1:]))
