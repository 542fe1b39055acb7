"""The three buttons under the pointer: each lights up with its under-pointer picture and the hover sound
when the pointer enters it, goes back to rest when the pointer leaves, and a hover cuts the welcome sound
off for good. Pictures are checked pixel for pixel on a true-colour screen, sounds by the streams that
reach the (captured) sound device."""
import os
import sys
import time
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "harness"))
import e2e_support as e2e  # noqa: E402
import sounds  # noqa: E402


class ButtonTests(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        e2e.open_class_session(cls, "buttons")
        cls.launcher.lay_medium()
        cls.welcome_length = sounds.wav_duration(e2e.exe_sound(e2e.LAUNCHER_EXE, e2e.WELCOME_SOUND_ID))
        hover_wav = e2e.exe_sound(e2e.LAUNCHER_EXE, e2e.HOVER_SOUND_ID)
        cls.hover_length = sounds.wav_duration(hover_wav)
        cls.hover_samples = sounds.wav_data(hover_wav)

    def setUp(self):
        self.session.clear_sounds()
        self.process = None

    def tearDown(self):
        if self.process is not None and self.process.running():
            self.session.poke("close")
            self.assertEqual(self.process.exit_code(timeout=30), 0)

    def start_after_welcome(self):
        """Starts the launcher and waits until its welcome sound has played; then forgets that stream."""
        self.process, self.window = self.launcher.start()
        streams = self.session.captured_sounds(at_least=1)
        self.assertEqual(len(streams), 1, "the welcome sound: %s" % streams)
        self.session.clear_sounds()

    def assert_picture(self, states, what):
        expected = e2e.expected_window(e2e.LAUNCHER_EXE, 24, states)
        _, difference = self.launcher.wait_for_picture(expected)
        self.assertFalse(difference, "%s: %s" % (what, difference))

    def assert_hover_sound(self, stream):
        self.assertAlmostEqual(stream.duration, self.hover_length, delta=0.03)
        self.assertEqual(sounds.stream_data(stream), self.hover_samples,
                         "the stream is not the hover sound sample for sample")

    def test_each_button_lights_up_once_on_entering_and_goes_back_to_rest_on_leaving(self):
        self.start_after_welcome()
        for button in (e2e.SETUP, e2e.BROWSE, e2e.CANCEL):
            with self.subTest(button=button):
                self.session.move(*e2e.button_centre(button))
                self.assert_picture(e2e.hovered(button), "button %d under the pointer" % button)
                streams = self.session.captured_sounds(at_least=button + 1)
                self.assertEqual(len(streams), button + 1, "one hover sound per entered button: %s" % streams)
                self.assert_hover_sound(streams[-1])

                # Moving about inside the button changes nothing and plays nothing.
                for dx, dy in ((-40, -15), (40, 15), (-44, 19), (44, -20)):
                    self.session.move(*e2e.button_centre(button, dx, dy))
                self.assert_picture(e2e.hovered(button), "button %d after moves inside it" % button)

                # Leaving for the background: the rest picture again, no sound.
                self.session.move(*e2e.BACKGROUND_POINT)
                self.assert_picture(e2e.REST, "button %d after the pointer left" % button)
                streams = self.session.captured_sounds()
                self.assertEqual(len(streams), button + 1, "a sound played inside or on leaving: %s" % streams)

    def test_moving_straight_from_one_button_to_the_next_swaps_both_with_one_sound(self):
        self.start_after_welcome()
        self.session.move(*e2e.button_centre(e2e.SETUP))
        self.assert_picture(e2e.hovered(e2e.SETUP), "button 0 under the pointer")
        self.assertEqual(len(self.session.captured_sounds(at_least=1)), 1)
        for number, button in enumerate((e2e.BROWSE, e2e.CANCEL), start=2):
            # One pointer motion from inside one button to inside the next.
            self.session.move(*e2e.button_centre(button))
            self.assert_picture(e2e.hovered(button), "after moving straight onto button %d" % button)
            streams = self.session.captured_sounds(at_least=number)
            self.assertEqual(len(streams), number, "one sound per swap: %s" % streams)
            self.assert_hover_sound(streams[-1])
        # Onto the background: all at rest, nothing more to hear.
        self.session.move(*e2e.BACKGROUND_POINT)
        self.assert_picture(e2e.REST, "after the pointer left the buttons")
        self.assertEqual(len(self.session.captured_sounds()), 3)

    def test_a_hover_right_after_start_cuts_the_welcome_sound_off_for_good(self):
        self.process, self.window = self.launcher.start()
        # As soon as the welcome sound is being heard, the pointer enters the install button.
        e2e.wait_until(lambda: any(s.bytes > 0 for s in self.session.captured_sounds(settle=0)),
                       what="the welcome sound to begin")
        self.session.move(*e2e.button_centre(e2e.SETUP))
        self.assert_picture(e2e.hovered(e2e.SETUP), "button 0 under the pointer")
        streams = self.session.captured_sounds(at_least=2)
        self.assertEqual(len(streams), 2, "the welcome and the hover sound: %s" % streams)
        welcome, hover = streams
        self.assertGreater(welcome.duration, 0)
        self.assertLess(welcome.duration, self.welcome_length - 0.1, "the welcome sound was not cut off")
        self.assert_hover_sound(hover)
        # Past the time the whole welcome sound would have taken, it has not come back.
        time.sleep(self.welcome_length)
        streams = self.session.captured_sounds()
        self.assertEqual(len(streams), 2, "a sound came after the hover sound: %s" % streams)


if __name__ == "__main__":
    e2e.main()
