"""The medium's folder tree as the build prints it at the end: each folder and file under its Joliet
name (as Windows shows it), files with their sizes, then the totals and the share of the disc."""

from launcherkit.medium import capacity as discs


def tree_lines(image, capacity):
    """Lines of `tree`-like text for an IsoImage."""
    tree = "joliet" if "joliet" in image.roots else "iso9660"
    entries = image.entries(tree)
    last_child = {}
    for entry in entries:
        last_child[entry.path.rpartition("/")[0]] = entry.path
    lines = ["/"]
    for entry in entries:
        parts = entry.path.split("/")
        # A bar below each folder above that has entries still to come.
        guides = "".join("    " if last_child[("/".join(parts[:level - 1]))] == "/".join(parts[:level]) else "|   "
                         for level in range(1, len(parts)))
        branch = "`-- " if last_child[entry.path.rpartition("/")[0]] == entry.path else "|-- "
        lines.append(guides + branch + parts[-1] +
                     ("/" if entry.is_folder else "  (%s bytes)" % format(entry.size, ",")))
    files = [e for e in entries if not e.is_folder]
    lines.append("%d files in %d folders and the root, %s bytes; the image %s"
                 % (len(files), len(entries) - len(files), format(sum(e.size for e in files), ","),
                    discs.share(image.file_sectors, capacity)))
    return lines
