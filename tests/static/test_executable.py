"""Checks the built LAUNCH.EXE without running it: header versions, terminal-server awareness,
page-aligned sections, exactly the imports it calls, no TLS, no link time stamp, and every resource
with its language. The executable is $LAUNCHER_EXE, built for $LAUNCHER_WINE_ARCH (win32 or win64)."""
import os
import re
import subprocess

import pytest

import resource_ids

EXE = os.environ["LAUNCHER_EXE"]
ARCH = os.environ["LAUNCHER_WINE_ARCH"]
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

IDS = resource_ids.read()
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


@pytest.fixture(scope="module")
def dump():
    return objdump_private_headers()


def field(dump, name):
    m = re.search(r"^%s\s+(\S+)" % name, dump, re.M)
    assert m, name
    return m.group(1)


def section_headers():
    return subprocess.run([OBJDUMP, "-h", EXE], check=True, capture_output=True, text=True).stdout


def test_gui_program_for_windows_4(dump):
    assert field(dump, "Subsystem") == "00000002"
    if ARCH == "win32":
        assert "file format pei-i386" in dump
        for name in ("MajorSubsystemVersion", "MajorOSystemVersion"):
            assert field(dump, name) == "4", name
        for name in ("MinorSubsystemVersion", "MinorOSystemVersion"):
            assert field(dump, name) == "0", name


def test_aware_of_terminal_servers(dump):
    # Else a terminal server hands the launcher a per-user copy of the Windows folder.
    characteristics = int(field(dump, "DllCharacteristics"), 16)
    assert characteristics & IMAGE_DLLCHARACTERISTICS_TERMINAL_SERVER_AWARE, hex(characteristics)


def test_sections_on_page_boundaries_in_the_file(dump):
    # The loader maps such an image page by page and reads only what a start touches.
    assert int(field(dump, "FileAlignment"), 16) == 4096
    assert int(field(dump, "SectionAlignment"), 16) == 4096
    offsets = [int(m, 16) for m in re.findall(r"^\s+\d+\s+\S+\s+\S+\s+\S+\s+\S+\s+(\S+)", section_headers(), re.M)]
    assert offsets
    assert [o % 4096 for o in offsets] == [0] * len(offsets)


def test_no_link_time_stamp(dump):
    m = re.search(r"^Time/Date\s+(.*)$", dump, re.M)
    assert m.group(1).strip() == "Thu Jan  1 00:00:00 1970"  # the epoch: no time stamp


def test_no_thread_local_storage(dump):
    m = re.search(r"Entry 9 ([0-9a-f]+) ([0-9a-f]+) Thread Storage Directory", dump)
    assert m
    assert int(m.group(1), 16) == 0
    assert ".tls" not in re.findall(r"^\s+\d+\s+(\S+)", section_headers(), re.M)


def import_differences(found, expected):
    """Lines naming each import that `found` has beyond `expected` and each one it lacks."""
    def names(table):
        return {"%s!%s" % (dll, function) for dll, functions in table.items() for function in functions}
    return (["imported but not expected: " + name for name in sorted(names(found) - names(expected))] +
            ["expected but not imported: " + name for name in sorted(names(expected) - names(found))])


def test_exactly_the_operations_the_launcher_calls(dump):
    table = imports(dump)
    assert table
    assert import_differences(table, EXPECTED_IMPORTS) == []


def test_a_difference_either_way_is_named():
    found = {"KERNEL32.DLL": {"WinExec", "lstrcpyA"}, "WINMM.DLL": {"PlaySoundA"}}
    expected = {"KERNEL32.DLL": {"WinExec", "LoadLibraryA"}}
    assert import_differences(found, expected) == [
        "imported but not expected: KERNEL32.DLL!lstrcpyA",
        "imported but not expected: WINMM.DLL!PlaySoundA",
        "expected but not imported: KERNEL32.DLL!LoadLibraryA"]


@pytest.fixture(scope="module")
def found():
    return resources()


def ids_of(found, kind):
    return sorted(name for (t, name, language, size) in found if t == kind)


def named(prefix):
    return sorted(number for name, number in IDS.items() if name.startswith(prefix))


def test_all_in_german(found):
    assert found
    assert {language for (_, _, language, _) in found} == {GERMAN}


def test_every_picture_sound_icon_and_version_the_identifier_header_names(found):
    assert ids_of(found, "2") == named("IDB_")
    assert len(named("IDB_")) == 27
    assert ids_of(found, "WAVE") == named("IDW_")
    assert ids_of(found, "14") == named("IDI_")
    assert len(ids_of(found, "3")) == 6
    assert ids_of(found, "16") == [IDS["VS_VERSION_INFO"]]


def test_version_block():
    raw = subprocess.run(["wrestool", "-x", "--raw", "--type=16", "--name=%d" % IDS["VS_VERSION_INFO"], EXE],
                         check=True, capture_output=True).stdout
    text = raw.decode("utf-16-le", errors="ignore")
    for key in ("040704b0", "CompanyName", "FileDescription", "FileVersion", "InternalName",
                "LegalCopyright", "OriginalFilename", "ProductName", "ProductVersion", "Translation",
                "1, 0, 0, 1"):
        assert key in text
