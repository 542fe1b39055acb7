"""Which program a registered uninstall command starts, with programs planted on the medium and in the
current folder (C:\\): the one table of registered commands and folders. A click on "entfernen" starts
the program the installer registered, or nothing: a bare name by the full path found in the system
folder, the 16-bit system folder, the Windows folder or PATH (Wine prepends WINEPATH to it), never
beside the launcher or in a PATH folder that names the launcher's folder in another spelling; an
expandable value expanded first; an unquoted full path at its longest prefix that names a file, never a
decoy at a shorter one; a program relative to some folder not at all. The recorder stands in for every
program (Wine is told to prefer it to its own msiexec), and the stub log names the program that ran."""
import pytest

from launcherkit.wine.host import DLL_OVERRIDES
from launcherkit.wine.launcher_session import WINDOWS_BROWSER
from launcherkit.wine.window import BROWSE, SETUP

SYSTEM = "C:\\windows\\system32\\"
PREFER_RECORDERS = DLL_OVERRIDES + ";msiexec.exe,cmd.exe=n"
TOOLS = "C:\\tools\\"
# Recorders on drive C:, in the places a registered program may lie, and a decoy in the current folder.
PROGRAMS_ON_C = [SYSTEM + "msiexec.exe", SYSTEM + "cmd.exe", "C:\\windows\\system\\OLDUN.EXE", TOOLS + "My Uninstaller.exe",
                 TOOLS + "TOOLUN.EXE", "C:\\x.exe"]
GUID = "{0F1E2D3C-4B5A-4968-8776-655443322110}"  # any GUID: only passed on as a parameter


def unquoted_uninstaller(product):
    """The product's uninstaller in a folder with spaces, and a decoy at the first prefix the system tries
    (for a product "First Rest", "C:\\Program Files\\First" Rest\\uninst.exe)."""
    folder = "C:\\Program Files\\%s\\" % product.name
    return folder + "uninst.exe", "C:\\Program Files\\%s.exe" % product.name.split()[0]


@pytest.fixture(scope="module")
def launcher_session(launcher_session, product):
    for path in PROGRAMS_ON_C + list(unquoted_uninstaller(product)) + [WINDOWS_BROWSER]:
        launcher_session.place_recorder(path)
    return launcher_session


def padded(command, length):
    return command + " " + "x" * (length - len(command) - 1)


# (id, value type, registered command, files planted on the medium, WINEPATH, the program started and
# its command line, or None for no start). {UNINSTALLER} and {DECOY} are the product's (unquoted_uninstaller).
CASES = [
    ("msiexec", "REG_SZ", "MsiExec.exe /X" + GUID, ["MSIEXEC.EXE"], None,
     (SYSTEM + "msiexec.exe", '"C:\\windows\\system32\\MsiExec.exe" /X' + GUID)),
    ("cmd", "REG_SZ", "cmd /c exit", ["CMD.EXE"], None, (SYSTEM + "cmd.exe", '"C:\\windows\\system32\\cmd.EXE" /c exit')),
    ("expandable", "REG_EXPAND_SZ", "%SystemRoot%\\system32\\msiexec.exe /x" + GUID,
     ["%SystemRoot%/system32/msiexec.exe"], None, (SYSTEM + "msiexec.exe", '"C:\\windows\\system32\\msiexec.exe" /x' + GUID)),
    ("unexpanded-as-text", "REG_SZ", "%SystemRoot%\\system32\\msiexec.exe /x" + GUID,
     ["%SystemRoot%/system32/msiexec.exe"], None, None),
    ("relative-folder", "REG_SZ", "sub\\x.exe /x", ["sub/x.exe"], None, None),
    ("relative-root", "REG_SZ", "\\x.exe /x", ["x.exe"], None, None),
    ("drive-relative", "REG_SZ", "D:x.exe /x", ["x.exe"], None, None),
    ("unquoted-path", "REG_SZ", "{UNINSTALLER} /S", [], None, ("{UNINSTALLER}", '"{UNINSTALLER}" /S')),
    ("bare-with-space", "REG_SZ", "My Uninstaller.exe /x", ["My.exe"], TOOLS,
     (TOOLS + "My Uninstaller.exe", '"C:\\tools\\My Uninstaller.exe" /x')),
    ("16-bit-system-folder", "REG_SZ", "OLDUN.EXE /x", ["OLDUN.EXE"], None,
     ("C:\\windows\\system\\OLDUN.EXE", '"C:\\windows\\SYSTEM\\OLDUN.EXE" /x')),
    ("found-through-path", "REG_SZ", "TOOLUN.EXE /x", ["TOOLUN.EXE"], TOOLS,
     (TOOLS + "TOOLUN.EXE", '"C:\\tools\\TOOLUN.EXE" /x')),
    ("only-on-the-medium", "REG_SZ", "UNKNOWNX.EXE /x", ["UNKNOWNX.EXE"], None, None),
    ("path-names-the-medium", "REG_SZ", "UNKNOWNX.EXE /x", ["UNKNOWNX.EXE"], "D:\\", None),
    ("path-names-the-medium-as-dot", "REG_SZ", "UNKNOWNX.EXE /x", ["UNKNOWNX.EXE"], "D:\\.", None),
    ("path-names-the-medium-through-dotdot", "REG_SZ", "UNKNOWNX.EXE /x", ["UNKNOWNX.EXE", "sub/keep"],
     "D:\\sub\\..", None),
    ("bare-name-of-259-characters", "REG_SZ", padded("MsiExec.exe /X" + GUID, 259), ["MSIEXEC.EXE"], None,
     (SYSTEM + "msiexec.exe", '"C:\\windows\\system32\\MsiExec.exe" ' + padded("MsiExec.exe /X" + GUID, 259)[12:])),
]


@pytest.mark.parametrize("kind, registered, planted, wine_path, started", [case[1:] for case in CASES],
                         ids=[case[0] for case in CASES])
def test_the_program_a_registered_command_starts(launcher, programs, product, kind, registered, planted,
                                                 wine_path, started):
    uninstaller, decoy = unquoted_uninstaller(product)

    def named(text):
        return text.replace("{UNINSTALLER}", uninstaller).replace("{DECOY}", decoy)
    launcher.registry.add(product.uninstall_key, "UninstallString", kind, named(registered))
    try:
        launcher.lay_medium(extra={path: programs.recorder for path in planted})
        env = {"WINEDLLOVERRIDES": PREFER_RECORDERS}
        if wine_path:
            env["WINEPATH"] = wine_path
        process, _ = launcher.start(env=env)
        launcher.click(process, SETUP, installed=True)
        runs = launcher.stub_runs()
    finally:
        launcher.set_installed(None)
    expected = [] if started is None else [(named(started[0]).lower(), named(started[1]))]
    assert [(module.lower(), command) for module, command in runs] == expected


# The launcher in a folder of the medium whose name the ANSI code page lacks: the system hands the launcher
# its path with lookalike characters, which would name another file or folder; then neither the setup nor
# the browser is started. A name the code page holds is exact, and the setup beside the launcher starts.
# (id, the launcher's folder, files planted on the medium, button, whether the setup beside it starts)
FOLDERS = [
    ("full-width-quote", "a\uff02 b", ["a.exe"], SETUP, False),
    ("full-width-backslashes", "x\uff3c..\uff3cy", ["y/SETUP32.EXE"], SETUP, False),
    ("greek-letter", "\u03a9mega", ["Omega/SETUP32.EXE"], SETUP, False),
    ("greek-letter-browse", "\u03a9mega", [], BROWSE, False),
    ("in-the-code-page", "M\u00e4nner", ["SETUP32.EXE"], SETUP, True),
]


@pytest.mark.parametrize("folder, planted, button, starts", [case[1:] for case in FOLDERS],
                         ids=[case[0] for case in FOLDERS])
def test_a_launcher_whose_folder_name_the_code_page_lacks_starts_nothing(launcher, programs, folder, planted,
                                                                          button, starts):
    path = launcher.lay_medium(folder=folder, extra={name: programs.recorder for name in planted})
    process, _ = launcher.start(path)
    launcher.click(process, button)
    assert launcher.stub_runs() == ([launcher.setup_run(folder)] if starts else [])
