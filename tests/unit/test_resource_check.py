"""The kit's check of a resource folder (tools/kit resource-check): the shipped and the example folders
pass without findings; a copy of the shipped folder with one fault in a sound, the icon or a 256-colour
button's colours gives exactly its findings, naming the file, the field, what was found and what is
required."""
import shutil
import struct
import subprocess
from pathlib import Path

import pytest

from launcherkit import resource_check

REPO = Path(__file__).resolve().parents[2]
SHIPPED = REPO / "resources"


def wav(tag, channels, rate, bits, align, data_bytes):
    """A RIFF WAVE file with a 16-byte format chunk, no fact chunk and `data_bytes` of silence."""
    body = b"WAVE" + b"fmt " + struct.pack("<IHHIIHH", 16, tag, channels, rate, rate * align, align, bits)
    body += b"data" + struct.pack("<I", data_bytes) + bytes(data_bytes)
    return b"RIFF" + struct.pack("<I", len(body)) + body


def chunk_at(data, kind):
    at = 12
    while data[at:at + 4] != kind:
        at += 8 + struct.unpack_from("<I", data, at + 4)[0]
    return at


def hide(kind):
    """The chunk renamed to one that readers pass over."""
    def change(data):
        at = chunk_at(data, kind)
        return data[:at] + b"junk" + data[at + 4:]
    return change


def put32(at, value):
    return lambda data: data[:at] + struct.pack("<I", value) + data[at + 4:]


def colour_in_entry_0(rgb):
    """An 8-bit picture's bottom-left pixel set to table entry 0, which becomes `rgb`."""
    def change(data):
        data = bytearray(data)
        struct.pack_into("<I", data, 54, rgb)
        data[struct.unpack_from("<I", data, 10)[0]] = 0
        return bytes(data)
    return change


CASES = {
    # sounds
    "pcm where adpcm is required": ("sounds/welcome.wav", lambda d: wav(1, 2, 44100, 16, 4, 61800 * 4), [
        "sounds/welcome.wav: format tag is 1 (PCM), required 2 (Microsoft ADPCM)",
        "sounds/welcome.wav: bits per sample is 16, required 4", "sounds/welcome.wav: block align is 4, required 2048",
        "sounds/welcome.wav: no 'fact' chunk, required one stating 61800 samples"]),
    "mono click": ("sounds/hover.wav", lambda d: wav(1, 1, 44100, 16, 2, 16317 * 2), [
        "sounds/hover.wav: channels is 1, required 2", "sounds/hover.wav: block align is 2, required 4"]),
    "click at the wrong rate": ("sounds/hover.wav", lambda d: wav(1, 2, 22050, 16, 4, 8159 * 4), [
        "sounds/hover.wav: sample rate is 22050 Hz, required 44100 Hz"]),
    "click far too short": ("sounds/hover.wav", lambda d: wav(1, 2, 44100, 16, 4, 4410 * 4), [
        "sounds/hover.wav: 'data' chunk of 17640 bytes lasts 0.10 s, required about 0.37 s"]),
    "chime without fact chunk": ("sounds/welcome.wav", hide(b"fact"), [
        "sounds/welcome.wav: no 'fact' chunk, required one stating 61800 samples"]),
    "chime with wrong sample count": ("sounds/welcome.wav", lambda d: put32(chunk_at(d, b"fact") + 8, 60000)(d), [
        "sounds/welcome.wav: 'fact' sample count is 60000, required 61800"]),
    "chime without data": ("sounds/welcome.wav", hide(b"data"), ["sounds/welcome.wav: no 'data' chunk"]),
    "chime cut short": ("sounds/welcome.wav", lambda d: d[:1000], [
        "sounds/welcome.wav: RIFF size says %d bytes, the file has 1000 (truncated)"
        % (8 + struct.unpack_from("<I", (SHIPPED / "sounds/welcome.wav").read_bytes(), 4)[0])]),
    "click with bytes after its riff chunk": ("sounds/hover.wav", lambda d: d + bytes(6), [
        "sounds/hover.wav: warning: 6 bytes follow the RIFF chunk and are stored for nothing"]),
    "click missing": ("sounds/hover.wav", None, [
        "sounds/hover.wav: cannot read the file (missing, or not a file), required for WAVE 146 (IDW_HOVER_SOUND)"]),
    # the icon: a 6-byte header, then a 16-byte directory entry for each image (size at 8, offset at 12)
    "icon missing an image": ("icon/launcher.ico", lambda d: d[:4] + struct.pack("<H", 5) + d[6:], [
        "icon/launcher.ico: icon image 32x32 at 4 bits per pixel is missing"]),
    "icon with a png image": ("icon/launcher.ico",
                              lambda d: d[:struct.unpack_from("<I", d, 18)[0]] + b"\x89PNG"
                              + d[struct.unpack_from("<I", d, 18)[0] + 4:], [
                                  "icon/launcher.ico: image 1 (48x48) is a PNG image, required a BMP-format image "
                                  "with an AND mask",
                                  "icon/launcher.ico: icon image 48x48 at 24 bits per pixel is missing"]),
    "icon image without half its mask": ("icon/launcher.ico",
                                         lambda d: put32(30, struct.unpack_from("<I", d, 30)[0] - 48 * 8 // 2)(d), [
                                             "icon/launcher.ico: image 2 (48x48) at 8 bits per pixel is 3560 bytes, "
                                             "required 3752 (header, colours, image and AND mask)",
                                             "icon/launcher.ico: icon image 48x48 at 8 bits per pixel is missing"]),
    # 256-colour buttons whose colours the background's palette lacks: warnings only. Entries 0..9 and
    # 246..255 are Windows' own colours, so a shortened table may not count on them (#C0DCC0 is entry 8).
    "shared table button colour outside the palette": ("art/256-colour/install-rest.bmp",
                                                       colour_in_entry_0(0x123456), [
        "art/256-colour/install-rest.bmp: warning: uses 1 colour that entries 10..245 of the palette of "
        "art/256-colour/background.bmp lacks: #123456 (table entry 0)"]),
    "whole table button colour outside the palette": ("art/256-colour/cancel-hover.bmp", colour_in_entry_0(0x123456), [
        "art/256-colour/cancel-hover.bmp: warning: uses 1 colour that the palette of art/256-colour/background.bmp "
        "lacks: #123456 (table entry 0)"]),
    "shared table button using a static colour": ("art/256-colour/browse-rest.bmp", colour_in_entry_0(0xC0DCC0), [
        "art/256-colour/browse-rest.bmp: warning: uses 1 colour that entries 10..245 of the palette of "
        "art/256-colour/background.bmp lacks: #C0DCC0 (table entry 0)"]),
}


@pytest.mark.parametrize("folder", [SHIPPED, REPO / "docs" / "examples" / "zyndra-atlas"], ids=["shipped", "example"])
def test_a_made_folder_has_no_findings(folder):
    findings, checked = resource_check.check_folder(str(folder))
    assert (findings.lines, checked) == ([], 3)


@pytest.mark.parametrize("case", CASES)
def test_one_fault_gives_exactly_its_findings(tmp_path, case):
    name, change, expected = CASES[case]
    copy = tmp_path / "resources"
    shutil.copytree(SHIPPED, copy)
    if change:
        (copy / name).write_bytes(change((copy / name).read_bytes()))
    else:
        (copy / name).unlink()
    findings, _ = resource_check.check_folder(str(copy))
    assert [line.replace(str(copy) + "/", "") for line in findings.lines] == expected


def test_the_command_stops_on_an_error_with_its_lines(tmp_path):
    copy = tmp_path / "resources"
    shutil.copytree(SHIPPED, copy)
    (copy / "sounds" / "hover.wav").write_bytes(wav(1, 1, 44100, 16, 4, 16317 * 4))
    result = subprocess.run([REPO / "tools" / "kit", "resource-check", copy], capture_output=True, text=True)
    assert (result.returncode, result.stderr) == (1, "%s/sounds/hover.wav: channels is 1, required 2\n"
                                                     "resource-check: 1 error(s), 0 warning(s) in the files of %s\n"
                                                  % (copy, copy))
