"""The launcher at work on a screen of each depth, from the medium on drive D: with the recorder in place of
every program it starts: its window, pictures, sounds, what each button starts, exit code 0, no crash, nothing
written. Each picture seen is kept in AtWork's `out` as depth-<N>-<state>.png, with a .txt of its difference."""
import os

import pytest

from launcherkit.acceptance import SCREENS, STATES
from launcherkit.identifiers import BUTTON_NAMES
from launcherkit.wine import images
from launcherkit.wine.launcher_session import BROWSER_RUN
from launcherkit.wine.snapshots import registry_changes
from launcherkit.wine.sounds import Sound
from launcherkit.wine.window import BROWSE, CANCEL, REST, SETUP, hovered


def see(launcher, at_work, checks, window, states, state, installed=False):
    """Waits for the window to show the launcher's pictures with the buttons in `states`; keeps what it
    showed as `state` and notes a fault when it does not show them."""
    tier, tolerance = SCREENS[launcher.depth]
    expected = launcher.window.expected(launcher.exe, tier, states, installed)
    image, difference = launcher.wait_for_picture(expected, window, tolerance=tolerance)
    name = os.path.join(at_work.out, "depth-%d-%s" % (launcher.depth, state.replace(" ", "-")))
    images.save(image, name + ".png")
    exact = images.compare(image, expected)
    with open(name + ".txt", "w") as f:
        f.write("%d of %d pixels differ from the %d-bit pictures; largest channel difference %d\n"
                % (exact.count, image.width * image.height, tier, exact.worst))
    checks.expect(not difference, state, difference, "the launcher's %d-bit pictures%s" % (
        tier, " within %d per channel" % tolerance if tolerance else ", pixel for pixel"))


def heard(launcher, checks, what, expected):
    """One stream, `expected` as the sounds.Sound it should be."""
    streams = launcher.sound.streams(at_least=1)
    if checks.expect(len(streams) == 1, what, "%d sounds" % len(streams), "one, %s" % expected.name):
        try:
            launcher.sound.assert_heard(streams[0], expected)
        except AssertionError as error:
            checks.expect(False, what, str(error), "%s, sample for sample" % expected.name)


def ended(launcher, checks, process, runs, what):
    code = process.exit_code(timeout=30)
    checks.expect(code == 0, "%s: exit code" % what, code if code >= 0 else "%d (the Wine process was killed by "
                  "signal %d)" % (code, -code), "0")
    found = launcher.stub_runs()
    checks.expect(found == runs, "%s: programs started" % what, found or "none", runs or "none")


def test_the_window_is_centred_and_titled_with_the_products_name(launcher, at_work, checks):
    """The window is centred and titled with the product's name."""
    process, window = launcher.start()
    required = launcher.window.origin + launcher.window.size
    checks.expect(window.geometry == required, "window (x, y, width, height)", window.geometry,
                  "%s, centred on the %d x %d screen" % (required, *launcher.session.screen_size))
    _, info = launcher.session.poke("info")
    name = at_work.product.name
    checks.expect(info.get("title") == name, "window title", info.get("title"), '"%s"' % name)
    launcher.close_window(process)
    checks.hold()


def test_the_welcome_sound_plays_once_whole(launcher, at_work, checks):
    """The welcome sound plays once, whole, and is not silence."""
    welcome = Sound.from_exe(launcher.exe, at_work.product.welcome_sound_id, "the welcome sound")
    checks.expect(not welcome.silent, "the welcome sound", "%s of silence" % welcome.at(welcome.frames),
                  "a sound to be heard")
    process, _ = launcher.start()
    heard(launcher, checks, "sounds after the start", welcome)
    launcher.close_window(process)
    checks.hold()


def test_the_screen_shows_the_pictures_and_each_button_lights_up_with_the_click(launcher, at_work, checks):
    """The screen shows the launcher's pictures of its depth, and each button lights up under the pointer
    with the click."""
    click = Sound.from_exe(launcher.exe, at_work.product.hover_sound_id, "the click")
    process, window = launcher.start()
    see(launcher, at_work, checks, window, REST, STATES[0])
    launcher.sound.streams(at_least=1)
    launcher.sound.clear()
    for button, name in enumerate(BUTTON_NAMES):
        launcher.display.move(*launcher.window.button_centre(button))
        see(launcher, at_work, checks, window, hovered(button), STATES[1 + button])
        heard(launcher, checks, "sound as the pointer enters %s" % name.lower(), click)
        launcher.sound.clear()
    launcher.display.move(*launcher.window.background_point)
    see(launcher, at_work, checks, window, REST, "after the pointer left the buttons")
    launcher.close_window(process)
    checks.hold()


def test_each_button_starts_its_program_and_the_launcher_ends_with_exit_code_0(launcher, checks):
    """Install starts the medium's setup program by its full quoted path, browse the Windows folder's
    browser on D:\\, cancel and a click off the buttons nothing; each closes it with exit code 0."""
    tier, tolerance = SCREENS[launcher.depth]
    for button, what, runs in ((SETUP, "install", [launcher.setup_run()]), (BROWSE, "browse", [BROWSER_RUN]),
                               (CANCEL, "cancel", []), (None, "a click off the buttons", [])):
        launcher.clear_stub_log()
        process, window = launcher.start()
        if button is None:
            launcher.display.move(*launcher.window.background_point)
        else:  # clicked once it is lit: the launcher has seen the pointer arrive
            launcher.hover(button, tier=tier, tolerance=tolerance, window=window)
        launcher.display.click()
        ended(launcher, checks, process, runs, what)
    checks.hold()


def test_with_the_uninstall_key_registered_it_offers_the_removal(launcher, at_work, checks, uninstaller):
    """With the uninstall key registered, the remove picture shows and the registered command starts."""
    if not at_work.product.profile["uninstall_guid"]:
        pytest.skip("the launcher names no uninstall key, so the remove state was not shown")
    launcher.set_installed(uninstaller[1])
    try:
        process, window = launcher.start()
        see(launcher, at_work, checks, window, REST, "the installed product at rest", installed=True)
        launcher.display.move(*launcher.window.button_centre(SETUP))
        see(launcher, at_work, checks, window, hovered(SETUP), STATES[4], installed=True)
        launcher.display.click()
        ended(launcher, checks, process, [uninstaller], "remove")
    finally:
        launcher.set_installed(None)
    checks.hold()


def test_nothing_is_written_to_the_disk_or_the_registry(launcher, checks):
    """Nothing is written to the disk or the registry (over every run above)."""
    files, registry = launcher.before
    changes = launcher.file_changes(files, launcher.file_snapshot())
    changes += registry_changes(registry, launcher.registry.export())
    checks.expect(not changes, "changes", "; ".join(changes[:5]), "none")
    checks.hold()
