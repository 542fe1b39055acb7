"""Waiting for an observable state: a window, a picture, a stream, a process end. The timeout only guards
against a hang; it is never what is measured or asserted."""

import time


def wait_until(predicate, timeout=20, interval=0.05, what="condition", error=AssertionError):
    """Polls until predicate() is true; returns its value. Raises `error` after `timeout` seconds."""
    deadline = time.monotonic() + timeout
    while True:
        value = predicate()
        if value:
            return value
        if time.monotonic() > deadline:
            raise error("gave up waiting for %s after %d s" % (what, timeout))
        time.sleep(interval)
