"""What a publisher must see before pressing discs, beside the checks: the launcher's icon in every size
and depth, its 16-colour pictures (composed from its own bitmaps, since no virtual screen offers 16
colours), AUTORUN.INF as written, the version block's strings, and the Authenticode signature as
osslsigncode verifies it. Each picture is written into the report's folder; publisher_section() gives the
report's lines."""

import io
import os
import re
import shutil
import struct
import subprocess

from PIL import Image

from launcherkit.pe import RT_NUMBERS
from launcherkit.resource_files import icon_file
from launcherkit.wine.window import REST, SETUP, LauncherWindow, hovered

SCREEN = (640, 480)
# The 16-colour states composed, in the contact sheet's order (acceptance.STATES).
COMPOSED = (("at rest", REST, False), ("install under the pointer", hovered(0), False),
            ("browse under the pointer", hovered(1), False), ("cancel under the pointer", hovered(2), False),
            ("remove under the pointer", hovered(SETUP), True))


def icon_pictures(executable, out):
    """[(file name, width, height, bits per pixel)] of every image of every icon group, each written as a
    PNG into `out`."""
    made = []
    for group in [r for r in executable.resources() if r.type == RT_NUMBERS["GROUP_ICON"]]:
        data = executable.resource_bytes(group)
        count = struct.unpack_from("<H", data, 4)[0]
        for i in range(count):
            entry = data[6 + 14 * i:6 + 14 * (i + 1)]
            single = struct.pack("<HHH", 0, 1, 1) + entry
            ico = icon_file(single, lambda image_id: executable.resource(RT_NUMBERS["ICON"], image_id))
            with Image.open(io.BytesIO(ico)) as icon:
                picture = icon.convert("RGBA")
            bits = struct.unpack_from("<H", entry, 6)[0]
            name = "icon-%s-%dx%d-%dbit.png" % (group.name, picture.width, picture.height, bits)
            picture.save(os.path.join(out, name))
            made.append((name, picture.width, picture.height, bits))
    return made


def composed_16_colours(exe, product, out):
    """{state: picture} of the 16-colour set as the launcher would show it, each also written as
    depth-4-<state>.png into `out`."""
    window = LauncherWindow(product, SCREEN)
    pictures = {}
    for state, states, installed in COMPOSED:
        picture = window.expected(exe, 4, states, installed)
        picture.save(os.path.join(out, "depth-4-%s.png" % state.replace(" ", "-")))
        pictures[state] = picture
    return pictures


def signature(exe, ca_file=None):
    """The launcher's Authenticode signature as osslsigncode verifies it: {"signed": bool, "verified": bool,
    "signer", "issuer", "valid": (from, to), "signing time", "time stamp", "failure": lines}."""
    if shutil.which("osslsigncode") is None:
        return {"signed": None, "failure": ["osslsigncode is missing (scripts/install-deps.sh --sign)"]}
    command = ["osslsigncode", "verify", "-in", exe] + (["-CAfile", ca_file] if ca_file else [])
    result = subprocess.run(command, capture_output=True, text=True, timeout=120)
    text = result.stdout + result.stderr
    if "No signature found" in text:
        return {"signed": False}

    def first(pattern):
        found = re.search(pattern, text)
        return found.group(1).strip() if found else None
    stamped = first(r"(?m)^\s*Timestamp time: (.+)$") or first(r"(?m)^The signature is timestamped: (.+)$")
    return {"signed": True, "verified": result.returncode == 0 and "Signature verification: ok" in text,
            "signer": first(r"Signer #0:\s*\n\s*Subject: (.+)"), "issuer": first(r"Signer #0:\s*\n.*\n\s*Issuer : (.+)"),
            "valid": (first(r"notBefore : (.+)"), first(r"notAfter : (.+)")),
            "signing time": first(r"Signing time: (.+)"), "time stamp": stamped,
            "failure": [line.strip() for line in text.splitlines()
                        if re.search(r"failed|error|Error|unable", line)][:3]}


def signature_lines(sign, ca_file):
    if sign["signed"] is None:
        return ["- not looked at: " + sign["failure"][0]]
    if not sign["signed"]:
        return ["- **unsigned**: Windows warns of an unknown publisher when it comes from a downloaded image"]
    against = "`%s`" % ca_file if ca_file else "Debian's certificate store (no --ca-file given)"
    failure = "; ".join(sign["failure"]) or "see osslsigncode verify"
    lines = ["- verified against %s: %s" % (against, "**ok**" if sign["verified"] else "**fails**: " + failure)]
    lines += ["- signer: `%s`, issued by `%s`" % (sign["signer"], sign["issuer"]),
              "- certificate valid from %s to %s" % sign["valid"],
              "- signing time: %s" % sign["signing time"],
              "- time stamp: %s" % (sign["time stamp"] or "none: Windows accepts the signature only while the "
                                    "certificate is valid")]
    return lines


def publisher_section(executable, exe, autorun_text, product, out, ca_file=None):
    """The report's lines for the publisher; writes the icon's pictures and the composed 16-colour set."""
    lines = ["", "## What the disc shows and says", "", "### The launcher's icon, every size and depth", ""]
    icons = icon_pictures(executable, out)
    lines.append(" ".join("![%dx%d, %d bits](%s)" % (w, h, bits, name) for name, w, h, bits in icons)
                 or "none")
    lines += [""] + ["- %d x %d at %d bits per pixel: `%s`" % (w, h, bits, name) for name, w, h, bits in icons]
    lines += ["", "### The 16-colour set (composed from the launcher's own pictures: no virtual screen offers "
                  "16 colours)", ""]
    composed_16_colours(exe, product, out)
    lines.append(" ".join("![%s](depth-4-%s.png)" % (state, state.replace(" ", "-")) for state, _, _ in COMPOSED))
    lines += ["", "### AUTORUN.INF", "", "```ini"] + autorun_text.rstrip("\r\n").split("\r\n") + ["```"]
    block = executable.version_block()
    lines += ["", "### The version block", ""]
    if block is None:
        lines.append("none")
    else:
        lines += ["- FileVersion (numbers): %s" % ".".join(map(str, block.file_version)),
                  "- ProductVersion (numbers): %s" % ".".join(map(str, block.product_version))]
        lines += ["- %s: `%s`" % (key, value) for key, value in block.texts.items()]
    lines += ["", "### The signature", ""] + signature_lines(signature(exe, ca_file), ca_file)
    return lines
