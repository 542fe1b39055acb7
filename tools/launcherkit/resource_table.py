"""The launcher's pictures, sounds and icon, read from their one table (resources/resource_table.txt):
each resource's identifier, kind, file in a product's resource folder, start-up group and required form.

    tools/kit resource-table generate OUTDIR

holds the table's identifiers to resources/resource_ids.h and writes into OUTDIR resource_files.rc (the
resource script's BITMAP, WAVE and ICON statements) and resource_forms.h (the pictures' required forms for
the asset check and the unit tests). A fault is one line naming the table's line, and exit 1."""

import os
import sys
from dataclasses import dataclass

from launcherkit import SOURCE_DIR, KitError, identifiers, write_if_changed

TABLE = os.path.join(SOURCE_DIR, "resources", "resource_table.txt")
KINDS = ("BITMAP", "WAVE", "ICON")
# A picture's colour-table rule: its entries (None: the shared colours' count).
COLOUR_TABLES = {"none": 0, "vga": 16, "palette": 256, "whole": 256, "shared": None}
WAVE_FORMATS = {"pcm": 1, "adpcm": 2}
FIELDS = {"BITMAP": {"bpp", "slot", "colours"}, "WAVE": {"format", "channels", "rate", "bits", "align"},
          "ICON": {"images"}, "COLOURS": {"first", "count"}}
WHOLE_NUMBERS = {"first", "count", "channels", "rate", "bits", "align", "samples"}


@dataclass
class Entry:
    """One resource: `name` (its identifier), `kind`, `path` (in the resource folder), `group` (its start-up
    group, None for none), `form` ({field: text}) and `id`, its number in resource_ids.h."""
    name: str
    kind: str
    path: str
    group: str
    form: dict
    id: int

    @property
    def bits_per_pixel(self):
        return int(self.form["bpp"])

    @property
    def slot(self):
        """The picture's slot: "background", or "BUTTON-rest" / "BUTTON-hover"; also its master's name."""
        return self.form["slot"]

    def button(self):
        """(button 0..2, under the pointer, shown once installed: True, False or None for either) of a
        button's picture; None for the background."""
        if self.slot == "background":
            return None
        word, _, state = self.slot.partition("-")
        if word == "remove":
            return 0, state == "hover", True
        return identifiers.BUTTON_NAMES.index(word.upper()), state == "hover", False if word == "install" else None


class Table:
    """`entries` in the table's order; `shared_first` and `shared_count`, the shared colours."""

    def __init__(self, entries, shared_first, shared_count):
        self.entries, self.shared_first, self.shared_count = entries, shared_first, shared_count

    def of_kind(self, kind):
        return [e for e in self.entries if e.kind == kind]

    def picture(self, bits_per_pixel, slot):
        return next(e for e in self.of_kind("BITMAP") if e.bits_per_pixel == bits_per_pixel and e.slot == slot)


class PictureSet:
    """The bitmap identifiers of one depth's pictures: `background`, and `rest` and `hover` (the buttons at rest
    and under the pointer, in button order)."""

    def __init__(self, table, bits_per_pixel):
        self.table, self.bits_per_pixel = table, bits_per_pixel
        self.background = table.picture(bits_per_pixel, "background").id
        self.rest, self.hover = (tuple(self.button(button, hover) for button in range(len(identifiers.BUTTON_NAMES)))
                                 for hover in (False, True))

    def button(self, button, under_pointer, installed=False):
        """The picture of `button` at rest or under the pointer; button 0's remove picture once installed."""
        word = "remove" if button == 0 and installed else identifiers.BUTTON_NAMES[button].lower()
        return self.table.picture(self.bits_per_pixel, word + ("-hover" if under_pointer else "-rest")).id


def check_form(where, kind, form):
    missing = sorted(FIELDS[kind] - set(form))
    if kind == "WAVE" and not {"samples", "seconds"} & set(form):
        missing.append("samples or seconds")
    if missing:
        raise KitError("%s: %s lacks %s" % (where, kind, ", ".join(missing)))
    for key in sorted(WHOLE_NUMBERS & set(form)):
        if not form[key].isdigit():
            raise KitError("%s: %s=%s, required a whole number" % (where, key, form[key]))
    if kind == "BITMAP":
        slot = form["slot"]
        word, _, state = slot.partition("-")
        buttons = [b.lower() for b in identifiers.BUTTON_NAMES] + ["remove"]
        if form["bpp"] not in ("4", "8", "24") or form["colours"] not in COLOUR_TABLES or not (
                slot == "background" or (word in buttons and state in ("rest", "hover"))):
            raise KitError("%s: bpp=%s slot=%s colours=%s; required bpp 4, 8 or 24, slot background or "
                             "BUTTON-rest/-hover (BUTTON one of %s), colours one of %s"
                             % (where, form["bpp"], slot, form["colours"], ", ".join(buttons),
                                ", ".join(COLOUR_TABLES)))
    if kind == "WAVE" and form["format"] not in WAVE_FORMATS:
        raise KitError("%s: format=%s, required one of %s" % (where, form["format"], ", ".join(WAVE_FORMATS)))


def read(path=TABLE, ids=None):
    """The table; raises KitError naming the line of a fault, or an identifier resource_ids.h lacks."""
    ids = ids if ids is not None else identifiers.read()
    entries, shared = [], None
    with open(path) as f:
        for number, line in enumerate(f, 1):
            words = line.split("#", 1)[0].split()
            if not words:
                continue
            where = "%s:%d" % (path, number)
            if len(words) < 4 or words[1] not in KINDS + ("COLOURS",):
                raise KitError("%s: expected IDENTIFIER KIND FILE GROUP FIELD=VALUE..., KIND one of %s or COLOURS"
                                 % (where, ", ".join(KINDS)))
            name, kind, file, group = words[:4]
            form = dict(word.partition("=")[::2] for word in words[4:])
            check_form(where, kind, form)
            if kind == "COLOURS":
                shared = int(form["first"]), int(form["count"])
                continue
            if name not in ids:
                raise KitError("%s: %s is not defined in %s" % (where, name, identifiers.HEADER))
            if any(e.name == name or e.path == file for e in entries):
                raise KitError("%s: %s or %s is named twice" % (where, name, file))
            entries.append(Entry(name, kind, file, None if group == "-" else group, form, ids[name]))
    if shared is None:
        raise KitError("%s: no COLOURS line giving the shared colours" % path)
    listed = {e.name for e in entries}
    unlisted = sorted(n for n in ids if n.split("_")[0] in ("IDB", "IDW", "IDI") and n not in listed)
    if unlisted:
        raise KitError("%s: %s defined in %s but not in the table" % (path, ", ".join(unlisted), identifiers.HEADER))
    return Table(entries, *shared)


def picture_form(table, e):
    index, under_pointer, installed = e.button() or (-1, False, None)
    entries = COLOUR_TABLES[e.form["colours"]]
    # How findings name the picture: "256-colour button 0 under the pointer, installed".
    what = "background" if index < 0 else "button %d %s" % (index, "under the pointer" if under_pointer else "at rest")
    what = "%s %s%s" % ({4: "16-colour", 8: "256-colour", 24: "true-colour"}[e.bits_per_pixel], what,
                        {None: "", True: ", installed", False: ", not installed"}[installed])
    return 'PICTURE(%s, "%s", "%s", %d, %d, %s, %d, %d, %s)' % (
        e.name, e.path, what, e.bits_per_pixel, index, "true" if under_pointer else "false",
        -1 if installed is None else int(installed), table.shared_count if entries is None else entries,
        "true" if e.form["colours"] == "palette" else "false")


def generated(table):
    """{file name: text} of what the build generates from the table."""
    source = "the table %s, by tools/kit resource-table" % os.path.relpath(TABLE, SOURCE_DIR)
    script = ["// The pictures, sounds and icon, generated from %s." % source]
    script += ['%s %s "%s"' % (e.name, e.kind, e.path) for e in table.entries]
    header = ["// The required forms of the pictures, generated from %s." % source, "#pragma once", "",
              "#define RESOURCE_PICTURE_FORMS \\"]
    header += ["    %s \\" % picture_form(table, e) for e in table.of_kind("BITMAP")] + [""]
    return {"resource_files.rc": "\n".join(script) + "\n", "resource_forms.h": "\n".join(header) + "\n"}


def main(argv):
    if len(argv) != 2 or argv[0] != "generate":
        print("usage: tools/kit resource-table generate OUTDIR", file=sys.stderr)
        return 2
    try:
        for name, text in generated(read()).items():
            write_if_changed(os.path.join(argv[1], name), text.encode())
    except (KitError, OSError) as error:
        print("resource-table: %s" % error, file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
