"""What CTest tells the Python tests, read in this one place, each value once and only when a test first
asks for it: every test directory's CMakeLists.txt sets it in the tests' environment. The root conftest
(tests/conftest.py) gives the same values to the tests as fixtures. A variable that is not set stops the
run with a line that says so (tools/launcherkit/wine/README.md says how to run a case by hand)."""
import functools
import os

import pytest

from launcherkit.product import Product
from launcherkit.wine.programs import Programs


def variable(name):
    """A variable of CTest's environment."""
    value = os.environ.get(name)
    if not value:
        raise pytest.UsageError("%s is not set: CTest sets it; tools/launcherkit/wine/README.md says how to "
                                "run a case by hand" % name)
    return value


class Settings:
    """The build tree, its launcher, the Wine architecture and the product the tree is configured for."""

    @functools.cached_property
    def build_dir(self):
        return os.path.abspath(variable("LAUNCHER_BUILD_DIR"))

    @functools.cached_property
    def launcher_exe(self):
        return os.path.realpath(variable("LAUNCHER_EXE"))

    @functools.cached_property
    def arch(self):
        return variable("LAUNCHER_WINE_ARCH")

    @functools.cached_property
    def product(self):
        return Product.load(variable("LAUNCHER_PROFILE"))

    @functools.cached_property
    def programs(self):
        """The build tree's programs (launcherkit.wine.programs)."""
        return Programs.in_build(self.build_dir)


CTEST = Settings()
