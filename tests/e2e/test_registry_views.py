"""A product whose installer is a 64-bit program registers its uninstaller in the 64-bit view of the
registry only. On 64-bit Windows the launcher, a 32-bit program, reads the 32-bit view; where that holds
nothing it reads the 64-bit view too. Here a 64-bit Wine prefix runs the launcher under WoW64, the value
written to one view only (reg /reg:32 or /reg:64): either way button 0 offers the removal and starts the
registered uninstaller."""
import pytest

from launcherkit.wine.host import host_can_run
from launcherkit.wine.window import REST, SETUP

CAN_RUN_64, REASON_64 = host_can_run("win64")
pytestmark = pytest.mark.skipif(not CAN_RUN_64, reason=REASON_64)


@pytest.fixture(scope="module")
def launcher_session(request, open_launcher_session, product, uninstaller):
    with open_launcher_session(request, 24, product, prefix_arch="win64") as launcher:
        launcher.place_recorder(uninstaller[0])
        launcher.lay_medium()
        yield launcher


@pytest.mark.parametrize("view", [64, 32])
def test_a_product_registered_in_one_view_only_is_installed(launcher, uninstaller, view):
    launcher.set_installed(uninstaller[1], view=view)
    try:
        process, _ = launcher.start()
        launcher.assert_picture(REST, "button 0 does not offer the removal", installed=True)
        launcher.click(process, SETUP, installed=True)
        assert launcher.stub_runs() == [uninstaller]
    finally:
        launcher.set_installed(None, view=view)
