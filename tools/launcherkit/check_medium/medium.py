"""The medium itself: AUTORUN.INF as Windows reads it, the files it names in both of the image's trees,
and the setup program beside the launcher."""

import re

from launcherkit.iso_image import ImageError

SECTION = "The medium"
AUTORUN = "AUTORUN.INF"
KEYS = ("open", "icon", "label", "action")


class MediumFacts:
    """What the medium says of itself: the launcher AUTORUN.INF opens, the setup program beside it and
    AUTORUN.INF's values; names are None where the medium does not say."""

    def __init__(self):
        self.launcher = None
        self.setup = None
        self.autorun = {}


def quoted(text):
    return '"%s"' % text


# Byte order marks of the texts Windows-1252 is not: their NUL bytes would read as bare line ends and
# their keys as none.
UNICODE_MARKS = ((b"\xff\xfe", "UTF-16 (little-endian)"), (b"\xfe\xff", "UTF-16 (big-endian)"),
                 (b"\xef\xbb\xbf", "UTF-8"))


def autorun_lines(data, where, check):
    """The decoded lines of AUTORUN.INF, after checking its code page and line endings; None when it is
    a Unicode text, which is not read further."""
    for mark, name in UNICODE_MARKS:
        if data.startswith(mark):
            check.fail(where, "byte 0", "a %s text (byte order mark %s)" % (name, mark.hex(" ").upper()),
                       "a text in the ANSI code page Windows-1252, which every Windows reads")
            return None
    try:
        text = data.decode("cp1252")
    except UnicodeDecodeError as error:
        check.fail(where, "byte %d" % error.start, "0x%02X, which Windows-1252 does not have" % data[error.start],
                   "a text in the ANSI code page Windows-1252")
        text = data.decode("cp1252", "replace")
    lines = text.split("\r\n")
    for number, line in enumerate(lines, 1):
        if "\r" in line or "\n" in line:
            check.fail("%s:%d" % (where, number), "line ending", "a bare %s" % ("CR" if "\r" in line else "LF"),
                       "CR LF at the end of every line, as Windows reads an INI file")
            break
    if lines[-1] != "":
        check.fail("%s:%d" % (where, len(lines)), "last line", "no CR LF after it", "CR LF at the end of every line")
    return lines


def autorun_values(lines, where, check):
    """{key: (line number, value)} of the [autorun] section."""
    values = {}
    section = None
    for number, line in enumerate(lines, 1):
        line = line.strip()
        if not line or line.startswith(";"):
            continue
        header = re.fullmatch(r"\[(.*)\]", line)
        if header:
            section = header.group(1).strip().lower()
            continue
        if section == "autorun" and "=" in line:
            key, value = (part.strip() for part in line.split("=", 1))
            values.setdefault(key.lower(), (number, value))
    for key in KEYS:
        check.expect(key in values, where, "%s=" % key, "no such line in [autorun]",
                     "a line %s=... in the [autorun] section" % key)
    return values


def named_file(key, value):
    """The file that an open= or icon= value names: open's program, icon's file before its ",index"."""
    value = value.strip()
    if key == "icon":
        value = value.rsplit(",", 1)[0] if re.search(r",\s*-?\d+$", value) else value
    elif value.startswith('"'):
        return value[1:].split('"', 1)[0]
    else:
        value = value.split()[0] if value.split() else value
    return value.strip('"')


def check_in_both_trees(image, name, where, check, required="the file AUTORUN.INF names, under that name"):
    for tree in ("iso9660", "joliet"):
        check.expect(image.find(tree, name) is not None, where, "%s in the %s tree" % (name, "ISO 9660" if tree ==
                     "iso9660" else "Joliet"), "no such file (the root holds %s)" % ", ".join(image.names(tree)),
                     required)


def check_medium(image, product, findings, label):
    """Checks the medium `image` (an IsoImage; `label` names it in messages) and returns its MediumFacts;
    `product` (or None) says which names to expect."""
    facts = MediumFacts()
    where = "%s:/%s" % (label, AUTORUN)
    trees = findings.check(SECTION, "the image has an ISO 9660 and a Joliet tree, and AUTORUN.INF in both")
    trees.expect("joliet" in image.roots, label, "Joliet tree", "none", "Joliet names beside the ISO 9660 names")
    check_in_both_trees(image, AUTORUN, label, trees, "AUTORUN.INF on the root, where AutoPlay reads it")
    if image.find("iso9660", AUTORUN) is None:
        return facts

    form = findings.check(SECTION, "AUTORUN.INF is Windows-1252 text with CR LF lines and open=, icon=, label=, "
                                   "action=")
    try:
        data = image.read(image.find("iso9660", AUTORUN))
    except ImageError as error:
        form.fail(where, "file", "no bytes that can be read (%s)" % error, "the file's bytes, whole, in the image")
        return facts
    lines = autorun_lines(data, where, form)
    if lines is None:
        return facts
    values = autorun_values(lines, where, form)
    facts.autorun = {key: value for key, (_, value) in values.items()}

    names = findings.check(SECTION, "every file AUTORUN.INF names is on the image in both trees")
    for key in ("open", "icon"):
        if key in values:
            number, value = values[key]
            if not names.expect(named_file(key, value) != "", "%s:%d" % (where, number), key + "=",
                                "an empty value" if not value else "no file name in %s" % quoted(value),
                                "the name of a file on the image"):
                del values[key]
                continue
            check_in_both_trees(image, named_file(key, value), "%s:%d" % (where, number), names)
    if "open" in values:
        facts.launcher = image.find("iso9660", named_file("open", values["open"][1]))

    if product is not None:
        expected = {"open": product.launcher_file, "icon": product.launcher_file + ",0",
                    "label": product.profile["autorun_label"], "action": product.profile["autorun_action"]}
        own = findings.check(SECTION, "AUTORUN.INF and the volume name are the profile's")
        for key, required in expected.items():
            if key in values:
                number, value = values[key]
                own.expect(value == required, "%s:%d" % (where, number), key + "=", quoted(value),
                           "%s, as the profile %s gives it" % (quoted(required), product.profile_path))
        own.expect(image.volume_name == product.volume_name, label, "volume name", quoted(image.volume_name),
                   "%s (the profile's volume_name)" % quoted(product.volume_name))

    setup = findings.check(SECTION, "the setup program is on the image")
    if product is not None:
        check_in_both_trees(image, product.setup_program, label, setup,
                            "the setup program the profile names, beside the launcher")
        facts.setup = image.find("iso9660", product.setup_program)
    else:
        others = [n for n in image.names("iso9660") if n.upper().endswith(".EXE") and n != facts.launcher]
        if setup.expect(len(others) == 1, label, "setup program", "%d programs beside the launcher (%s)"
                        % (len(others), ", ".join(others) or "none"), "exactly one, or a profile naming it"):
            facts.setup = others[0]
    return facts
