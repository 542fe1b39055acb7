"""tools/kit wine.make-template: makes the Wine prefix template of a build tree once (CTest fixture
e2e.wine_template).

Environment (CTest's): LAUNCHER_WINE_ARCH (win32 | win64), LAUNCHER_BUILD_DIR. Exits 77 when this host
cannot run programs of that architecture."""
import os
import sys
import time

from launcherkit.wine.host import host_can_run
from launcherkit.wine.prefix import ensure_template


def main():
    arch = os.environ["LAUNCHER_WINE_ARCH"]
    ok, reason = host_can_run(arch)
    if not ok:
        print("SKIPPED: " + reason, flush=True)
        return 77
    started = time.monotonic()
    prefix = ensure_template(os.environ["LAUNCHER_BUILD_DIR"], arch)
    print("Wine prefix template %s ready (%s, %.1f s)" % (prefix, reason, time.monotonic() - started))
    return 0


if __name__ == "__main__":
    sys.exit(main())
