"""The check's short Markdown report: each check and whether it holds, each failure on a line of its own,
what could not be checked and why, and the contact sheet."""

import os


def markdown(findings, image, profile_path, sheet_name=None, captions=None, headline=None, shown=()):
    """`captions`: [(button, caption)] as the profile gives them, shown beside the contact sheet;
    `headline`: a line that comes before everything (another product's image); `shown`: the lines of what
    the disc shows and says (publisher.publisher_section)."""
    failing = [check for check in findings.checks if not check.holds]
    lines = ["# Medium check: %s" % os.path.basename(image), ""] + (["**%s**" % headline, ""] if headline else []) + [
             "- image: `%s`" % os.path.abspath(image),
             "- profile: %s" % ("`%s`" % profile_path if profile_path else "none; names as the image itself gives them"),
             "- result: %s" % ("**every check holds** (%d)" % len(findings.checks) if not failing else
                               "**%d of %d checks fail**" % (len(failing), len(findings.checks)))]
    if findings.not_checked:
        lines.append("- **not checked:** " + "; ".join("%s: %s" % item for item in findings.not_checked))
    if captions:
        lines.append("- captions, as the profile gives them (not read from the pictures): " + ", ".join(
            '%s "%s"' % (button, caption.replace(" | ", " / ")) for button, caption in captions))
    if sheet_name:
        lines += ["", "![contact sheet](%s)" % sheet_name]
    for section, checks in findings.sections():
        lines += ["", "## " + section, ""]
        for check in checks:
            lines.append("- %s %s" % ("holds:" if check.holds else "**FAILS:**", check.name))
            lines += ["  - `%s`" % line for line in check.failures]
            lines += ["  - note: `%s`" % line for line in check.notes]
    lines += list(shown)
    return "\n".join(lines) + "\n"


def write(path, text):
    os.makedirs(os.path.dirname(os.path.abspath(path)), exist_ok=True)
    with open(path, "w", encoding="utf-8") as f:
        f.write(text)
