"""Start-up of the launcher from CD-ROM drive D:: the window, the welcome sound, the show command and the
ways the system closes it."""
import re
import time

from launcherkit.wine.waiting import wait_until

WS_POPUP = 0x80000000
WS_VISIBLE = 0x10000000
WS_BORDER = 0x00800000
WS_DLGFRAME = 0x00400000
WS_CAPTION = WS_BORDER | WS_DLGFRAME
WS_THICKFRAME = 0x00040000
WS_SYSMENU = 0x00080000
WS_CHILD = 0x40000000

SND_ASYNC = 0x0001
SND_NODEFAULT = 0x0002
SND_NOSTOP = 0x0010
SND_RESOURCE = 0x00040004

SW_HIDE = 0


def play_sound_calls(log_text):
    """(sound, flags) of each PlaySound call in a WINEDEBUG=+winmm log; the sound is a resource number
    or a name."""
    calls = []
    for match in re.finditer(r"MULTIMEDIA_PlaySound pszSound='([^']*)' hmod=\S+ fdwSound=([0-9A-Fa-f]+)", log_text):
        sound, flags = match.group(1), int(match.group(2), 16)
        calls.append((int(sound, 16) if re.fullmatch(r"[0-9A-Fa-f]{8,16}", sound) else sound, flags))
    return calls


def close_by_system_command(launcher, process):
    code, values = launcher.session.poke("close")
    assert values.get("posted") == "1", "the system close command could not be posted"
    assert process.exit_code(timeout=30) == 0


def test_window_is_a_centred_popup_without_caption_or_border_and_plays_the_welcome_sound_once(
        launcher, product, welcome_sound):
    process, window = launcher.start(debug="+winmm")
    assert (window.width, window.height) == launcher.window.size
    assert (window.x, window.y) == launcher.window.origin
    assert window.border == 0, "the X window has a border"
    code, info = launcher.session.poke("info")
    assert code == 0, "POKE found no window of class %r" % product.name
    assert info["class"] == product.name
    assert info["title"] == product.name
    style = int(info["style"], 16)
    assert style & WS_POPUP, "WS_POPUP missing from style 0x%08x" % style
    for flag, name in ((WS_CAPTION, "WS_CAPTION"), (WS_BORDER, "WS_BORDER"), (WS_DLGFRAME, "WS_DLGFRAME"),
                       (WS_THICKFRAME, "WS_THICKFRAME"), (WS_SYSMENU, "WS_SYSMENU"), (WS_CHILD, "WS_CHILD")):
        assert not style & flag, "%s set in style 0x%08x" % (name, style)
    assert style & WS_VISIBLE
    assert info["rect"] == "%d,%d,%d,%d" % launcher.window.rect, "the window rectangle is not the whole window"
    # Nothing of a frame around it: the X window that shows the launcher is exactly its client area.
    assert launcher.windows(process) == [window.id]
    # Let the welcome sound play out: closing the launcher ends its sound with it.
    time.sleep(welcome_sound.duration + 0.5)
    close_by_system_command(launcher, process)

    # The welcome sound: requested once, with SND_NOSTOP, and heard once, whole and not silent.
    calls = play_sound_calls(process.log())
    assert len(calls) == 1, "PlaySound calls: %s" % calls
    sound, flags = calls[0]
    assert sound == product.welcome_sound_id
    assert flags == SND_RESOURCE | SND_ASYNC | SND_NODEFAULT | SND_NOSTOP, "PlaySound flags 0x%x" % flags
    streams = launcher.sound.streams(at_least=1)
    assert len(streams) == 1, "streams: %s" % streams
    launcher.sound.assert_heard(streams[0], welcome_sound)


def test_the_system_close_command_ends_the_launcher_with_exit_code_0(launcher):
    process, _ = launcher.start()
    close_by_system_command(launcher, process)


def test_wm_close_ends_the_launcher_with_exit_code_0(launcher):
    process, _ = launcher.start()
    code, values = launcher.session.poke("wmclose")
    assert values.get("posted") == "1"
    assert process.exit_code(timeout=30) == 0


def test_alt_f4_ends_the_launcher_with_exit_code_0(launcher):
    process, window = launcher.start()
    # The keyboard reaches the window once it has the X input focus.
    wait_until(lambda: launcher.session.poke("focus")[1].get("foreground") == "1", what="foreground")
    launcher.display.focus(window)
    launcher.display.key("Alt_L+F4")
    assert process.exit_code(timeout=30) == 0


def test_hidden_start_shows_no_window_but_plays_the_welcome_sound(launcher, welcome_sound):
    process, _ = launcher.start(show=SW_HIDE, wait=False)
    info = wait_until(lambda: (lambda r: r[1] if r[0] == 0 else None)(launcher.session.poke("info")),
                          what="the launcher window to exist")
    assert info["visible"] == "0", "SW_HIDE was not respected"
    streams = launcher.sound.streams(at_least=1)
    assert len(streams) == 1, "streams: %s" % streams
    launcher.sound.assert_heard(streams[0], welcome_sound)
    assert launcher.windows() == [], "a visible X window appeared"
    # POKE's exit code is the launcher's.
    close_by_system_command(launcher, process)
