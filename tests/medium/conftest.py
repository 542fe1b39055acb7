"""Fixtures of the medium's tests."""
import os
from pathlib import Path

import pytest


@pytest.fixture(scope="module")
def launcher_exe():
    """The launcher of this build, to put on the medium."""
    path = os.environ.get("LAUNCHER_EXE")
    assert path, "LAUNCHER_EXE is not set: it names the launcher to put on the medium (CTest sets it)"
    return Path(path).resolve()
