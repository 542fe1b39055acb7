"""What a publisher must see before pressing discs, beside the checks: the launcher's icon in every size
and depth, its 16-colour pictures (composed: no virtual screen offers 16 colours), AUTORUN.INF, the
version block's strings and the Authenticode signature as osslsigncode verifies it."""

import io
import os
import re
import shutil
import subprocess

from PIL import Image

from launcherkit.acceptance import STATES
from launcherkit.pe import RT_NUMBERS
from launcherkit.resource_files import icon_file
from launcherkit.wine.window import REST, SETUP, LauncherWindow, hovered

SCREEN = (640, 480)
# The 16-colour states composed, as the contact sheet shows them (the last one with the product installed).
COMPOSED = list(zip(STATES, (REST, hovered(0), hovered(1), hovered(2), hovered(SETUP)), (False,) * 4 + (True,)))


def icon_pictures(executable, out):
    """[(file name, width, height, bits per pixel)] of every image of every icon group, each written as a
    PNG into `out`."""
    made = []
    for group in [r for r in executable.resources() if r.type == RT_NUMBERS["GROUP_ICON"]]:
        ico = icon_file(executable.resource_bytes(group), lambda i: executable.resource(RT_NUMBERS["ICON"], i))
        with Image.open(io.BytesIO(ico)) as icon:
            for i, entry in enumerate(icon.ico.entry):
                picture = icon.ico.frame(i).convert("RGBA")
                name = "icon-%s-%dx%d-%dbit.png" % (group.name, picture.width, picture.height, entry["bpp"])
                picture.save(os.path.join(out, name))
                made.append((name, picture.width, picture.height, entry["bpp"]))
    return made


def utf8_unescaped(text):
    """osslsigncode's text with the bytes over 0x7F it writes as \\xNN (a name's UTF-8 bytes, such as
    \\xC3\\x89 for É) as the letters they encode; a run that is no UTF-8 stays as written."""
    def letters(run):
        try:
            return bytes.fromhex(run.group(0).replace("\\x", "")).decode("utf-8")
        except UnicodeDecodeError:
            return run.group(0)
    return re.sub(r"(?:\\x[89A-F][0-9A-F])+", letters, text, flags=re.IGNORECASE)


def signature(exe, ca_file):
    """The report's lines on the launcher's Authenticode signature as osslsigncode verifies it, and what
    keeps it from verifying (None: it verifies)."""
    if shutil.which("osslsigncode") is None:
        missing = "osslsigncode is missing (scripts/install-deps.sh --sign)"
        return ["- not looked at: " + missing], missing
    result = subprocess.run(["osslsigncode", "verify", "-in", exe] + (["-CAfile", ca_file] if ca_file else []),
                            capture_output=True, text=True, timeout=120)
    text = utf8_unescaped(result.stdout + result.stderr)
    if "No signature found" in text:
        return ["- **unsigned**: Windows warns of an unknown publisher when it comes from a downloaded image"], "none"

    def first(pattern):
        found = re.search(pattern, text)
        return found.group(1).strip() if found else None
    verified = result.returncode == 0 and "Signature verification: ok" in text
    failure = "; ".join([line.strip() for line in text.splitlines()
                         if re.search(r"failed|error|Error|unable", line)][:3])
    stamped = first(r"(?m)^\s*Timestamp time: (.+)$") or first(r"(?m)^The signature is timestamped: (.+)$")
    against = "`%s`" % ca_file if ca_file else "Debian's certificate store (no --ca-file given)"
    said = "**ok**" if verified else "**fails**: " + (failure or "see osslsigncode verify")
    return ["- verified against %s: %s" % (against, said),
            "- signer: `%s`, issued by `%s`" % (first(r"Signer #0:\s*\n\s*Subject: (.+)"),
                                               first(r"Signer #0:\s*\n.*\n\s*Issuer : (.+)")),
            "- certificate valid from %s to %s" % (first(r"notBefore : (.+)"), first(r"notAfter : (.+)")),
            "- signing time: %s" % first(r"Signing time: (.+)"),
            "- time stamp: %s" % (stamped or "none: Windows accepts the signature only while the certificate is "
                                  "valid")], None if verified else failure or "not verified"


def publisher_section(executable, exe, autorun_text, product, out, ca_file):
    """The report's lines for the publisher, and what keeps the signature from verifying (None: nothing);
    writes the icon's pictures and the composed 16-colour set."""
    lines = ["", "## What the disc shows and says", "", "### The launcher's icon, every size and depth", ""]
    icons = icon_pictures(executable, out)
    lines.append(" ".join("![%dx%d, %d bits](%s)" % (w, h, bits, name) for name, w, h, bits in icons)
                 or "none")
    lines += [""] + ["- %d x %d at %d bits per pixel: `%s`" % (w, h, bits, name) for name, w, h, bits in icons]
    lines += ["", "### The 16-colour set (composed from the launcher's own pictures: no virtual screen offers "
                  "16 colours)", ""]
    window = LauncherWindow(product, SCREEN)
    for state, states, installed in COMPOSED:
        window.expected(exe, 4, states, installed).save(os.path.join(out, "depth-4-%s.png" % state.replace(" ", "-")))
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
    signed, fault = signature(exe, ca_file)
    return lines + ["", "### The signature", ""] + signed, fault
