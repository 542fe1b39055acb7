"""Where a start's time goes, read from Wine's trace of it (WINEDEBUG=+timestamp,+loaddll): the moments
the program's image is mapped, its imports are loaded, the display driver is loaded and its first
window is activated, and the phases between them."""

import re

PHASES = ("process start and the first paint reaching the screen (spawn to the image mapped, activation to the pixels on the screen)",
          "the program's imports and theirs loaded (the image mapped to the last DLL before imm32)",
          "DLL initialisation and the display driver (to winex11.drv loaded)",
          "window created (WM_CREATE's work: the launcher loads its pictures), shown and activated")


def trace_marks(text):
    """Time stamps (s) in a +timestamp,+loaddll log: the program's image mapped, the last DLL loaded before
    imm32 (the imports done), winex11.drv loaded, the first activation of a window (Wine's imm32 reports
    ImeSetActiveContext)."""
    marks = {}
    last_dll = None
    for line in text.splitlines():
        match = re.match(r"^(\d+\.\d+):[0-9a-f]+:(\w+):(\w+):", line)
        if not match:
            continue
        stamp = float(match.group(1))
        lowered = line.lower()
        if 'loaded l"' in lowered:
            if lowered.rstrip().endswith(": native") and "image" not in marks:
                marks["image"] = stamp
            elif '\\imm32.dll"' in lowered:
                marks.setdefault("imports", last_dll)
            elif '\\winex11.drv"' in lowered:
                marks.setdefault("winex11", stamp)
            last_dll = stamp
        elif "imesetactivecontext" in lowered:
            marks.setdefault("active", stamp)
    if len(marks) < 4 or None in marks.values():
        return []
    return [marks["image"], marks["imports"], marks["winex11"], marks["active"]]


def phase_lengths(total, marks):
    """The phases' lengths: what the log cannot see (the total less the log's span) and the log's spans."""
    spans = [b - a for a, b in zip(marks, marks[1:])]
    return [total - sum(spans)] + spans
