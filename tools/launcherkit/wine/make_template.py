"""Makes the Wine prefix template of a build tree once (CTest fixture e2e.wine_template).

Environment: LAUNCHER_WINE_ARCH (win32 | win64), LAUNCHER_BUILD_DIR. Exits 77 when this host cannot run
programs of that architecture."""
import os
import sys
import time

import wine_session


def main():
    arch = wine_session.arch_from_environment()
    ok, reason = wine_session.host_can_run(arch)
    if not ok:
        print("SKIPPED: " + reason, flush=True)
        return 77
    started = time.monotonic()
    prefix = wine_session.ensure_template(wine_session.build_dir_from_environment(), arch)
    print("Wine prefix template %s ready (%s, %.1f s)" % (prefix, reason, time.monotonic() - started))
    return 0


if __name__ == "__main__":
    sys.exit(main())
