"""What was heard compared with the sound it should be (launcherkit.wine.sounds.difference): planted
streams made from the shipped launcher's own sounds. What the sound path adds under load, whole 10 ms
periods of silence on the stream's period grid (before, inside, after), is let through; whatever changes the sound itself is not, and the
line says what was heard and where it first differs."""
import array
import os

import pytest

from launcherkit.product import Product
from launcherkit.wine.sounds import Sound, difference

FOLDER = os.path.join(Product.load().resource_folder, "sounds")


def sound(file, name):
    with open(os.path.join(FOLDER, file), "rb") as f:
        return Sound.from_wav(f.read(), name)


CLICK, WELCOME = sound("hover.wav", "the click"), sound("welcome.wav", "the welcome")
PERIOD = 441 * 2  # samples of one 10 ms period, two channels at 44.1 kHz


def silence(periods, samples=PERIOD):
    return array.array("h", bytes(2 * periods * samples))


def changed(samples, index, by):
    samples = array.array("h", samples)
    samples[index] += by
    return samples


def heard(samples):
    return Sound(samples, 44100, 2, "the stream")


# (what was planted, the sound it should be, the samples heard, cut short allowed, the line or None)
PLANTED = [
    ("the click as it is", CLICK, CLICK.samples, False, None),
    ("the click and two periods of silence", CLICK, CLICK.samples + silence(2), False, None),
    ("a period of silence, the click, three more", CLICK, silence(1) + CLICK.samples + silence(3), False, None),
    ("the welcome sound, decoded as the system decodes it, and a period", WELCOME, WELCOME.samples + silence(1),
     False, None),
    # Seen under load: the device ran dry after 18 periods of the click and played one period of silence.
    ("a period of silence after 18 periods of the click", CLICK,
     CLICK.samples[:18 * PERIOD] + silence(1) + CLICK.samples[18 * PERIOD:], False, None),
    ("a period of silence inside a period of the click", CLICK,
     CLICK.samples[:18 * PERIOD + 200] + silence(1) + CLICK.samples[18 * PERIOD + 200:], False,
     "0.380 s (16758 frames); it differs from the click first at 0.182 s of it, 0.182 s of the stream "
     "(heard 0, required %d)" % CLICK.samples[18 * PERIOD + 200]),
    ("a period of the click played twice", CLICK,
     CLICK.samples[:3 * PERIOD] + CLICK.samples[2 * PERIOD:], False,
     "0.380 s (16758 frames); it differs from the click first at 0.030 s of it, 0.030 s of the stream "
     "(heard %d, required %d)" % (CLICK.samples[2 * PERIOD], CLICK.samples[3 * PERIOD])),
    ("the click with one sample changed", CLICK, changed(CLICK.samples, 2001, 1), False,
     "0.370 s (16317 frames); it differs from the click first at 0.023 s of it, 0.023 s of the stream "
     "(heard %d, required %d)"
     % (CLICK.samples[2001] + 1, CLICK.samples[2001])),
    ("the welcome sound in place of the click", CLICK, WELCOME.samples, False,
     "1.431 s (63116 frames); it differs from the click first at 0.000 s of it, 0.000 s of the stream "
     "(heard %d, required %d)"
     % (WELCOME.samples[2], CLICK.samples[2])),
    ("the click cut short", CLICK, CLICK.samples[:-PERIOD], False,
     "0.360 s (15876 frames); it ends at 0.360 s of the click, which lasts 0.370 s"),
    ("two clicks", CLICK, CLICK.samples + CLICK.samples, False,
     "0.740 s (32634 frames); after the whole of the click, sound again at 0.370 s of the stream"),
    ("the click and less than a period of silence", CLICK, CLICK.samples + silence(1, 300), False,
     "0.373 s (16467 frames); the click with 150 frames of silence around it, not whole 441-frame periods"),
    ("silence", CLICK, silence(37), False, "0.370 s (16317 frames); it ends at 0.000 s of the click, which lasts "
                                           "0.370 s"),
    ("the welcome sound cut off by a click", WELCOME, WELCOME.samples[:20000], True, None),
    # Seen under load: cut off inside a period, the rest of it and the next period silence.
    ("the welcome sound cut off inside a period, then silence", WELCOME,
     WELCOME.samples[:36250] + silence(1, 904), True, None),
    ("the same, where the whole sound is required", WELCOME, WELCOME.samples[:36250] + silence(1, 904), False,
     "0.421 s (18577 frames); it differs from the welcome first at 0.411 s of it, 0.411 s of the stream "
     "(heard 0, required %d)" % WELCOME.samples[36250]),
    ("the welcome sound cut off inside a period, then sound again", WELCOME,
     WELCOME.samples[:36250] + silence(1, 450) + CLICK.samples[:200], True,
     "0.418 s (18450 frames); it differs from the welcome first at 0.411 s of it, 0.411 s of the stream "
     "(heard 0, required %d)" % WELCOME.samples[36250]),
    ("the welcome sound cut off, with a changed sample", WELCOME, changed(WELCOME.samples[:20000], 19999, -1), True,
     "0.227 s (10000 frames); it differs from the welcome first at 0.227 s of it, 0.227 s of the stream "
     "(heard %d, required %d)"
     % (WELCOME.samples[19999] - 1, WELCOME.samples[19999])),
    ("nothing, where a cut-off sound is allowed", WELCOME, array.array("h"), True,
     "0.000 s (0 frames); it ends at 0.000 s of the welcome, which lasts 1.431 s"),
]


@pytest.mark.parametrize("expected, samples, prefix, line", [case[1:] for case in PLANTED],
                         ids=[case[0] for case in PLANTED])
def test_a_planted_stream_is_heard_as_what_it_is(expected, samples, prefix, line):
    assert difference(heard(samples), expected, prefix=prefix) == line


def test_the_welcome_sound_is_decoded_as_the_system_decodes_it():
    """The shipped welcome sound is MS ADPCM: 31 blocks of 2,036 samples, the last padded past the 61,800
    samples the fact chunk counts. The system's codec divides toward zero: at 0.231 s Wine played
    -1572, -1742 where a decoder that rounds down (sox's) gives -1573, -1743, and is off by up to 76 later."""
    assert WELCOME.frames == 31 * 2036
    assert WELCOME.samples[20360:20366].tolist() == [-2244, -1512, -1913, -1633, -1572, -1742]
