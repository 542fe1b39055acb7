"""What LAUNCH.EXE shows beyond the pictures of each screen depth, which the checks of the launcher at work
hold (tools/launcherkit/acceptance, e2e.at_work): the 16-colour pictures in the test build that pretends a
16-colour screen, saved as <build>/screenshots/depth-4.png with its measured difference beside it, and
palette colours that come back after another program realized its own palette."""
import os

import pytest

from launcherkit.wine import images
from launcherkit.wine.processes import stop_popen
from launcherkit.wine.waiting import wait_until
from launcherkit.wine.window import BROWSE, CANCEL, REST, SETUP, hovered

def foreign_colour(i):
    """Entry i of the palette that POKE.EXE realizes (see tools/wineprograms/poke.c)."""
    return (255 - i, (i * 97) & 255, (i * 5 + 128) & 255)


def save_screenshot(folder, image, expected, tier, name):
    """The window as shown, and how far it is from the pictures: pixels not exactly equal, worst channel."""
    images.save(image, os.path.join(folder, name))
    exact = images.compare(image, expected, 0)
    with open(os.path.join(folder, name[:-4] + ".txt"), "w") as f:
        f.write("%d of %d pixels differ from the %d-bit pictures; largest channel difference %d\n"
                % (exact.count, image.width * image.height, tier, exact.worst))


def show_every_picture(launcher, exe, tier, tolerance, installed=False, screenshot=None):
    """Starts `exe` from D: and checks its window at rest, then with each button under the pointer in turn
    (button 0 only, for the remove pictures), then at rest again; closes it with exit code 0. `screenshot`:
    (folder, file name) where the window at rest is saved."""
    launcher.lay_medium(exe=exe)
    process, window = launcher.start()
    assert window.geometry == launcher.window.origin + launcher.window.size
    expected = launcher.window.expected(exe, tier, installed=installed)
    image, difference = launcher.wait_for_picture(expected, window, tolerance=tolerance)
    if screenshot:
        save_screenshot(screenshot[0], image, expected, tier, screenshot[1])
    assert not difference, "the window at rest is not the %d-bit pictures: %s" % (tier, difference)
    buttons = (SETUP,) if installed else (SETUP, BROWSE, CANCEL)
    for button in buttons:
        launcher.display.move(*launcher.window.button_centre(button))
        launcher.assert_picture(hovered(button), "button %d under the pointer" % button, tier=tier,
                                installed=installed, window=window, tolerance=tolerance, exe=exe)
    launcher.display.move(*launcher.window.background_point)
    launcher.assert_picture(REST, "at rest after the pointer left", tier=tier, installed=installed,
                            window=window, tolerance=tolerance, exe=exe)
    assert launcher.close_window(process) == 0


@pytest.mark.parametrize("launcher_session", [24], indirect=True, ids=["depth24"])
def test_16_colour_build_draws_the_16_colour_pictures(launcher, programs, screenshot_dir):
    show_every_picture(launcher, programs.launcher4, 4, 0, screenshot=(screenshot_dir, "depth-4.png"))


@pytest.mark.parametrize("launcher_session", [8], indirect=True, ids=["depth8"])
def test_256_colours_come_back_after_a_foreign_palette(launcher, programs, screenshot_dir):
    process, window = launcher.start()
    expected = launcher.window.expected(programs.launcher, 8)
    _, difference = launcher.wait_for_picture(expected, window)
    assert not difference, "the window before the foreign palette: %s" % difference
    palette = launcher.session.start(programs.poke, ["palette", "20000"], capture_stdout=True)
    try:
        wait_until(lambda: "ready" in palette.output() or not palette.running(),
                   what="POKE to realize its palette")
        assert "ready" in palette.output()
        # The other palette really is realized: POKE's window shows its colours (all but the 20 that the
        # system keeps for itself).
        poke_windows = wait_until(lambda: launcher.display.find_windows("^Poke Palette$"), what="POKE's window")
        poke_image = launcher.display.screenshot(poke_windows[0])
        exact = sum(poke_image.getpixel(((i % 16) * 3 + 1, (i // 16) * 3 + 1)) == foreign_colour(i)
                    for i in range(256))
        assert exact >= 236, "POKE's palette was not realized in the foreground"
        # While the other palette is in the foreground the launcher's colours may be off. (Under Wine on
        # Xvfb each process has a colour map of its own, so they stay right; nothing is asserted.)
        images.save(launcher.window_image(window), os.path.join(screenshot_dir, "depth-8-foreign-palette.png"))
        code, values = launcher.session.poke("focus")
        assert values.get("foreground") == "1", "the launcher did not get the focus back"
        _, difference = launcher.wait_for_picture(expected, window)
        assert not difference, "colours not restored after the focus came back: %s" % difference
    finally:
        stop_popen(palette.popen)
    assert launcher.close_window(process) == 0
