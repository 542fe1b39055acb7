#!/usr/bin/env python3
"""Checks the built LAUNCH.EXE without running it: header versions, terminal-server awareness,
page-aligned sections, exactly the imports it calls, no TLS, no link time stamp, and every resource
with its language. Usage: check_executable.py EXE ARCH (win32|win64)."""
import re
import subprocess
import sys
import unittest

EXE = sys.argv.pop(1)
ARCH = sys.argv.pop(1)
OBJDUMP = "i686-w64-mingw32-objdump" if ARCH == "win32" else "x86_64-w64-mingw32-objdump"

# Exactly the operations the launcher calls through its import table, and the entry point's own. All
# exist on Windows 95. The sound library and the shell are loaded by full path when needed (LoadLibraryA,
# GetProcAddress), never imported: an imported library would be looked for beside the launcher first.
EXPECTED_IMPORTS = {
    "KERNEL32.DLL": {"ExitProcess", "GetModuleHandleA", "GetStartupInfoA", "GetProcAddress", "LoadLibraryA",
                     "GetSystemDirectoryA", "GetWindowsDirectoryA", "GetModuleFileNameA", "WinExec",
                     "GetLastError", "FindResourceA", "LoadResource", "LockResource", "SizeofResource",
                     "FreeResource", "GlobalAlloc", "GlobalLock", "GlobalUnlock", "GlobalHandle", "GlobalFree"},
    "USER32.DLL": {"RegisterClassA", "CreateWindowExA", "ShowWindow", "UpdateWindow", "MoveWindow",
                   "GetWindowRect", "GetParent", "DestroyWindow", "DefWindowProcA", "InvalidateRect",
                   "GetSystemMetrics", "GetMessageA", "TranslateMessage", "DispatchMessageA", "PostQuitMessage",
                   "SetTimer", "KillTimer", "SetCapture", "ReleaseCapture", "LoadCursorA", "LoadIconA",
                   "LoadBitmapA", "GetDC", "ReleaseDC", "BeginPaint", "EndPaint"},
    "GDI32.DLL": {"GetDeviceCaps", "CreateCompatibleDC", "DeleteDC", "SelectObject", "DeleteObject",
                  "GetStockObject", "BitBlt", "SetDIBitsToDevice", "CreatePalette", "SelectPalette",
                  "RealizePalette"},
    "ADVAPI32.DLL": {"RegOpenKeyExA", "RegQueryValueExA", "RegCloseKey"},
}
IMAGE_DLLCHARACTERISTICS_TERMINAL_SERVER_AWARE = 0x8000

BITMAP_IDS = [104, 108, 107, 165, 166, 112, 111, 184, 185, 123, 120, 119, 167, 168, 116, 115, 186, 187,
              132, 129, 128, 169, 170, 125, 124, 188, 189]
GERMAN = 1031


def objdump_private_headers():
    return subprocess.run([OBJDUMP, "-p", EXE], check=True, capture_output=True, text=True).stdout


def imports(dump):
    table = {}
    current = None
    for line in dump.splitlines():
        m = re.match(r"\s*DLL Name: (\S+)", line)
        if m:
            current = table.setdefault(m.group(1).upper(), set())
            continue
        m = re.match(r"\s*[0-9a-f]+\s+[0-9]+\s+(\w+)$", line)
        if current is not None and m:
            current.add(m.group(1))
        elif current is not None and not line.strip():
            current = None
    return table


def resources():
    listing = subprocess.run(["wrestool", "-l", EXE], check=True, capture_output=True, text=True).stdout
    found = []
    for line in listing.splitlines():
        m = re.match(r"--type=(\S+) --name=(\d+) --language=(\d+) \[.*size=(\d+)\]", line)
        if m:
            found.append((m.group(1).strip("'"), int(m.group(2)), int(m.group(3)), int(m.group(4))))
    return found


class Header(unittest.TestCase):
    dump = objdump_private_headers()

    def field(self, name):
        m = re.search(r"^%s\s+(\S+)" % name, self.dump, re.M)
        self.assertIsNotNone(m, name)
        return m.group(1)

    def test_gui_program_for_windows_4(self):
        self.assertEqual(self.field("Subsystem"), "00000002")
        if ARCH == "win32":
            self.assertIn("file format pei-i386", self.dump)
            for name in ("MajorSubsystemVersion", "MajorOSystemVersion"):
                self.assertEqual(self.field(name), "4", name)
            for name in ("MinorSubsystemVersion", "MinorOSystemVersion"):
                self.assertEqual(self.field(name), "0", name)

    def test_aware_of_terminal_servers(self):
        # Else a terminal server hands the launcher a per-user copy of the Windows folder.
        characteristics = int(self.field("DllCharacteristics"), 16)
        self.assertTrue(characteristics & IMAGE_DLLCHARACTERISTICS_TERMINAL_SERVER_AWARE, hex(characteristics))

    def test_sections_on_page_boundaries_in_the_file(self):
        # The loader maps such an image page by page and reads only what a start touches.
        self.assertEqual(int(self.field("FileAlignment"), 16), 4096)
        self.assertEqual(int(self.field("SectionAlignment"), 16), 4096)
        sections = subprocess.run([OBJDUMP, "-h", EXE], check=True, capture_output=True, text=True).stdout
        offsets = [int(m, 16) for m in re.findall(r"^\s+\d+\s+\S+\s+\S+\s+\S+\s+\S+\s+(\S+)", sections, re.M)]
        self.assertTrue(offsets)
        self.assertEqual([o % 4096 for o in offsets], [0] * len(offsets))

    def test_no_link_time_stamp(self):
        m = re.search(r"^Time/Date\s+(.*)$", self.dump, re.M)
        self.assertEqual(m.group(1).strip(), "Thu Jan  1 00:00:00 1970")  # the epoch: no time stamp

    def test_no_thread_local_storage(self):
        m = re.search(r"Entry 9 ([0-9a-f]+) ([0-9a-f]+) Thread Storage Directory", self.dump)
        self.assertIsNotNone(m)
        self.assertEqual(int(m.group(1), 16), 0)
        sections = subprocess.run([OBJDUMP, "-h", EXE], check=True, capture_output=True, text=True).stdout
        names = re.findall(r"^\s+\d+\s+(\S+)", sections, re.M)
        self.assertNotIn(".tls", names)


def import_differences(found, expected):
    """Lines naming each import that `found` has beyond `expected` and each one it lacks."""
    def names(table):
        return {"%s!%s" % (dll, function) for dll, functions in table.items() for function in functions}
    return (["imported but not expected: " + name for name in sorted(names(found) - names(expected))] +
            ["expected but not imported: " + name for name in sorted(names(expected) - names(found))])


class Imports(unittest.TestCase):
    table = imports(objdump_private_headers())

    def test_exactly_the_operations_the_launcher_calls(self):
        self.assertTrue(self.table)
        self.assertEqual(import_differences(self.table, EXPECTED_IMPORTS), [])

    def test_a_difference_either_way_is_named(self):
        found = {"KERNEL32.DLL": {"WinExec", "lstrcpyA"}, "WINMM.DLL": {"PlaySoundA"}}
        expected = {"KERNEL32.DLL": {"WinExec", "LoadLibraryA"}}
        self.assertEqual(import_differences(found, expected),
                         ["imported but not expected: KERNEL32.DLL!lstrcpyA",
                          "imported but not expected: WINMM.DLL!PlaySoundA",
                          "expected but not imported: KERNEL32.DLL!LoadLibraryA"])


class Resources(unittest.TestCase):
    found = resources()

    def ids_of(self, kind):
        return [name for (t, name, language, size) in self.found if t == kind]

    def test_all_in_german(self):
        self.assertTrue(self.found)
        self.assertEqual({language for (_, _, language, _) in self.found}, {GERMAN})

    def test_every_picture_sound_icon_and_version(self):
        self.assertEqual(sorted(self.ids_of("2")), sorted(BITMAP_IDS))
        self.assertEqual(sorted(self.ids_of("WAVE")), [145, 146])
        self.assertEqual(self.ids_of("14"), [141])
        self.assertEqual(len(self.ids_of("3")), 6)
        self.assertEqual(self.ids_of("16"), [1])

    def test_version_block(self):
        raw = subprocess.run(["wrestool", "-x", "--raw", "--type=16", "--name=1", EXE], check=True,
                             capture_output=True).stdout
        text = raw.decode("utf-16-le", errors="ignore")
        for key in ("040704b0", "CompanyName", "FileDescription", "FileVersion", "InternalName",
                    "LegalCopyright", "OriginalFilename", "ProductName", "ProductVersion", "Translation",
                    "1, 0, 0, 1"):
            self.assertIn(key, text)


if __name__ == "__main__":
    unittest.main(verbosity=2)
