"""The checks of a medium and their report: each check, in its section, holds or names each fault in a line
of its own ("where: what: found ...; required ..."); report.md says which hold, what could not be checked
and why, and shows contact-sheet.png, the window as seen at each depth."""

import itertools
import os

from PIL import Image, ImageDraw

from launcherkit.acceptance import STATES
from launcherkit.medium.content import refusal


class Check:
    def __init__(self, section, name):
        self.section, self.name = section, name
        self.failures, self.notes = [], []

    @property
    def holds(self):
        return not self.failures

    def fail(self, where, what, found, required):
        self.failures.append(refusal(where, what, found, required))

    def expect(self, condition, where, what, found, required):
        """Records a failure unless `condition`; returns the condition."""
        if not condition:
            self.fail(where, what, found, required)
        return condition


class Findings:
    """Every check made, in order, and what could not be checked and why (section, reason)."""

    def __init__(self):
        self.checks, self.not_checked = [], []

    def check(self, section, name):
        """The check of that name in `section`: made at its first mention, the same one afterwards."""
        made = next((c for c in self.checks if (c.section, c.name) == (section, name)), None)
        if made is None:
            made = Check(section, name)
            self.checks.append(made)
        return made

    def skip(self, section, reason):
        self.not_checked.append((section, reason))

    @property
    def failures(self):
        return [line for check in self.checks for line in check.failures]


def markdown(findings, image, profile_path, sheet_name, captions, headline, shown):
    """`captions`: [(button, caption)] as the profile gives them; `headline`: a line before everything
    (another product's image); `shown`: the lines of what the disc shows and says, and of its files."""
    failing = [check for check in findings.checks if not check.holds]
    lines = ["# Medium check: %s" % os.path.basename(image), ""] + (["**%s**" % headline, ""] if headline else [])
    lines += ["- image: `%s`" % os.path.abspath(image),
              "- profile: %s" % ("`%s`" % profile_path if profile_path else
                                 "none; names as the image itself gives them"),
              "- result: %s" % ("**every check holds** (%d)" % len(findings.checks) if not failing else
                                "**%d of %d checks fail**" % (len(failing), len(findings.checks)))]
    if findings.not_checked:
        lines.append("- **not checked:** " + "; ".join("%s: %s" % item for item in findings.not_checked))
    if captions:
        lines.append("- captions, as the profile gives them (not read from the pictures): " + ", ".join(
            '%s "%s"' % (button, caption.replace(" | ", " / ")) for button, caption in captions))
    if sheet_name:
        lines += ["", "![contact sheet](%s)" % sheet_name]
    sections = {}
    for check in findings.checks:
        sections.setdefault(check.section, []).append(check)
    for section, checks in sections.items():
        lines += ["", "## " + section, ""]
        for check in checks:
            lines.append("- %s %s" % ("holds:" if check.holds else "**FAILS:**", check.name))
            lines += ["  - `%s`" % line for line in check.failures]
            lines += ["  - note: `%s`" % line for line in check.notes]
    return "\n".join(lines + shown) + "\n"


def contact_sheet(out, depths, window_size):
    """Writes contact-sheet.png into `out` from the depth-N-STATE.png kept there, a row for each depth (4: the
    16-colour set, composed), a column for each state; returns its name, None when there are no pictures."""
    shown = {}
    for depth, state in itertools.product(depths, STATES):
        path = os.path.join(out, "depth-%d-%s.png" % (depth, state.replace(" ", "-")))
        if os.path.exists(path):
            with Image.open(path) as picture:
                shown.setdefault(depth, {})[state] = picture.convert("RGB")
    if not shown:
        return None
    scale, margin, label, left = 2, 8, 16, 70
    width, height = window_size[0] // scale, window_size[1] // scale
    sheet = Image.new("RGB", (left + len(STATES) * (width + margin) + margin,
                              label + len(shown) * (height + margin) + margin), (255, 255, 255))
    draw = ImageDraw.Draw(sheet)
    for c, state in enumerate(STATES):
        draw.text((left + c * (width + margin) + margin, 2), state, fill=(0, 0, 0))
    for r, depth in enumerate(sorted(shown, reverse=True)):
        top = label + r * (height + margin) + margin
        draw.text((margin, top + height // 2), "%d bits" % depth if depth != 4 else "16 colours\n(composed)",
                  fill=(0, 0, 0))
        for c, state in enumerate(STATES):
            x = left + c * (width + margin) + margin
            picture = shown[depth].get(state)
            if picture is None:
                draw.rectangle((x, top, x + width - 1, top + height - 1), fill=(200, 200, 200))
                draw.text((x + 4, top + 4), "not shown", fill=(0, 0, 0))
            else:
                sheet.paste(picture.resize((width, height), Image.LANCZOS), (x, top))
    sheet.save(os.path.join(out, "contact-sheet.png"))
    return "contact-sheet.png"
