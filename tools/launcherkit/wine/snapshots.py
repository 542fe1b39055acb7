"""Snapshots of what a program could write, and their comparison, for "the launcher wrote nothing": the
files below a folder, and the registry as Registry.export() gives it, less what Wine itself keeps."""

import hashlib
import os
import re


def file_snapshot(folder, ignore=()):
    """{relative path: (size, sha1)} of every file below `folder`, and the folders as (None, None)."""
    snapshot = {}
    for root, dirs, files in os.walk(folder):
        for name in dirs + files:
            path = os.path.join(root, name)
            rel = os.path.relpath(path, folder)
            if any(re.match(pattern, rel, re.I) for pattern in ignore):
                continue
            if name in dirs:
                snapshot[rel + "/"] = (None, None)
                continue
            try:
                with open(path, "rb") as f:
                    snapshot[rel] = (os.path.getsize(path), hashlib.sha1(f.read()).hexdigest())
            except OSError:
                snapshot[rel] = (None, "unreadable")
    return snapshot


def snapshot_changes(before, after):
    return [("new: " if path not in before else "gone: " if path not in after else "changed: ") + path
            for path in sorted(set(before) | set(after)) if before.get(path) != after.get(path)]


# Registry keys that Wine itself writes while any program runs (device enumeration of display and sound,
# the service counter, per-session temporary parameters); none is the launcher's doing. Key prefixes;
# HKEY_USERS\S-1-5-21-... (the user's own hive) is read as HKEY_CURRENT_USER.
WINE_REGISTRY_BOOKKEEPING = [
    "HKEY_LOCAL_MACHINE\\Hardware\\",
    "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\MMDevices",
    "HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Control\\Class\\",
    "HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Control\\DeviceClasses\\",
    "HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Control\\ServiceCurrent",
    "HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Control\\Video",
    "HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Enum\\",
    "HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Hardware Profiles\\",
    "HKEY_CURRENT_USER\\Software\\Wine\\Drivers\\winealsa.drv",
    "HKEY_CURRENT_USER\\Software\\Wine\\Temporary System Parameters",
    "HKEY_CURRENT_USER\\Volatile Environment",
]


def _bookkeeping(key):
    key = re.sub(r"^HKEY_USERS\\S-1-5-21-[0-9-]+", "HKEY_CURRENT_USER", key, flags=re.I).lower()
    return any(key.startswith(prefix.lower()) for prefix in WINE_REGISTRY_BOOKKEEPING)


def registry_changes(before, after):
    """Differences of two Registry.export()s outside WINE_REGISTRY_BOOKKEEPING."""
    changes = []
    for key in sorted(set(before) | set(after)):
        old, new = before.get(key), after.get(key)
        if old == new or _bookkeeping(key):
            continue
        if old is None:
            changes.append("new key: %s %s" % (key, new))
        elif new is None:
            changes.append("deleted key: %s" % key)
        else:
            for name in sorted(set(old) | set(new)):
                if old.get(name) != new.get(name):
                    changes.append("%s %s: %r -> %r" % (key, name, old.get(name), new.get(name)))
    return changes


# Below drive_c/users: what Wine keeps there for itself (none of it is written by the launcher).
WINE_USER_FILES = [r".*[/\\]AppData[/\\]Local[/\\]Temp([/\\]|$)"]
