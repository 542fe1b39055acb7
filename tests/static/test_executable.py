"""Checks the built launcher without running it: header versions, terminal-server awareness, page-aligned
sections without gaps, the code that only a click runs last, exactly the imports it calls, no TLS, no link
time stamp, every resource with its language, and the version block with the product's texts. The
executable is $LAUNCHER_EXE, built for $LAUNCHER_WINE_ARCH (win32 or win64) from the product profile
$LAUNCHER_PROFILE."""
import pytest

from ctest_settings import CTEST
from launcherkit import version_block
from launcherkit.pe import MACHINE_I386, Executable, align

# Exactly the operations the launcher calls through its import table, and the entry point's own. All
# exist on Windows 95, GetModuleFileNameW as a function that fails there (Windows 95 has no wide-character
# paths); what it lacks (IsWow64Process, SetDefaultDllDirectories) is looked up with GetProcAddress. The sound library and the shell are loaded by full path when needed (LoadLibraryExA,
# GetProcAddress), never imported: an imported library would be looked for beside the launcher first.
EXPECTED_IMPORTS = {
    "KERNEL32.DLL": {"ExitProcess", "GetModuleHandleA", "GetStartupInfoA", "GetProcAddress", "LoadLibraryExA",
                     "GetSystemDirectoryA", "GetWindowsDirectoryA", "GetModuleFileNameA", "WinExec",
                     "GetFileAttributesA", "GetEnvironmentVariableA", "GetCurrentProcess",
                     "ExpandEnvironmentStringsA", "GetFullPathNameA", "GetModuleFileNameW", "MultiByteToWideChar",
                     "SetErrorMode",
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
if CTEST.arch == "win64":
    # Only the 32-bit build asks whether its process runs on 64-bit Windows (IsWow64Process).
    EXPECTED_IMPORTS["KERNEL32.DLL"] = EXPECTED_IMPORTS["KERNEL32.DLL"] - {"GetCurrentProcess"}
IMAGE_SUBSYSTEM_WINDOWS_GUI = 2
IMAGE_SCN_CNT_CODE = 0x20
IMAGE_DLLCHARACTERISTICS_TERMINAL_SERVER_AWARE = 0x8000
RT_BITMAP, RT_ICON, RT_GROUP_ICON, RT_VERSION = 2, 3, 14, 16


@pytest.fixture(scope="module")
def image(launcher_exe):
    return Executable.open(str(launcher_exe))


def test_gui_program_for_windows_4(image, arch):
    assert image.subsystem == IMAGE_SUBSYSTEM_WINDOWS_GUI
    if arch == "win32":
        assert image.machine == MACHINE_I386
        assert (image.subsystem_version, image.os_version) == ((4, 0), (4, 0))


def test_aware_of_terminal_servers(image):
    # Else a terminal server hands the launcher a per-user copy of the Windows folder.
    assert image.dll_characteristics & IMAGE_DLLCHARACTERISTICS_TERMINAL_SERVER_AWARE, hex(image.dll_characteristics)


def test_sections_on_page_boundaries_in_the_file(image):
    # The loader maps such an image page by page and reads only what a start touches.
    assert (image.file_alignment, image.section_alignment) == (4096, 4096)
    assert [s.raw_offset % 4096 for s in image.sections] == [0] * len(image.sections)


def test_sections_follow_one_another_in_memory_and_in_the_file(image):
    # The loader of Windows NT refuses an image with a gap in memory between two sections.
    page = image.section_alignment
    end = align(image.size_of_headers, page)
    for section in image.sections:
        assert section.rva == end, "a gap before %s" % section.name
        end += align(section.virtual_size or section.raw_size, page)
    assert image.size_of_image == end
    in_file = [s for s in image.sections if s.raw_size]
    assert [s.raw_offset for s in in_file] == sorted(s.raw_offset for s in in_file)


def test_the_code_only_a_click_runs_on_the_last_pages(image, arch):
    # A start reads the front of the file: the headers, the code it runs (.text), the constant and import
    # data and the resource data it shows. The code of what a button starts comes last, in memory and in
    # the file, so that a start neither reads its pages nor reads past them.
    code = [s.name for s in image.sections if s.characteristics & IMAGE_SCN_CNT_CODE]
    assert code == [".text", ".actions"]
    # Only the 64-bit build's relocations may follow (the 32-bit launcher is linked without).
    last = [".actions"] if arch == "win32" else [".actions", ".reloc"]
    in_file = sorted((s for s in image.sections if s.raw_size), key=lambda s: s.raw_offset)
    assert [s.name for s in image.sections[-len(last):]] == last
    assert [s.name for s in in_file[-len(last):]] == last
    assert in_file[-1].raw_offset + in_file[-1].raw_size == len(image.data)


def test_no_link_time_stamp_and_no_thread_local_storage(image):
    assert image.time_stamp == 0
    assert not image.has_thread_local_storage()


def test_exactly_the_operations_the_launcher_calls(image):
    def names(table):
        return {"%s!%s" % (library, function) for library, functions in table.items() for function in functions}
    found, expected = names(image.imports()), names(EXPECTED_IMPORTS)
    assert (sorted(found - expected), sorted(expected - found)) == ([], []), \
        "(imported but not expected, expected but not imported)"


def test_every_resource_the_identifier_header_names_and_all_in_the_profiles_language(image, product):
    resources = image.resources()
    assert {r.language for r in resources} == {product.profile.language.id}

    def found(type_):
        return sorted(r.name for r in resources if r.type == type_)

    def named(prefix):
        return sorted(number for name, number in product.ids.items() if name.startswith(prefix))
    assert found(RT_BITMAP) == named("IDB_")
    assert found("WAVE") == named("IDW_")
    assert found(RT_GROUP_ICON) == named("IDI_")
    assert len(found(RT_ICON)) == 6
    assert found(RT_VERSION) == [product.version_block_id]


def test_version_block_holds_the_products_texts_and_numbers(image, product):
    profile = product.profile
    block = image.version_block()
    file_version = tuple(profile.version_numbers("file_version"))
    product_version = tuple(profile.version_numbers("product_version"))
    assert (block.file_version, block.product_version) == (file_version, product_version)
    language = profile.language
    assert (block.language, block.translations) == (language.string_table_key, [(language.id, 1200)])
    assert (block.file_type, block.file_os) == (1, 0x40004)
    assert block.texts == version_block.texts(profile.values)
