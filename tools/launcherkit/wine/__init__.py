"""Windows programs of this project under Wine on a virtual X screen, with nothing shared between
sessions and nothing left running afterwards: the end-to-end tests, the Wine test programs, the
benchmark and the scripts that show the launcher use it. Nothing is read from the environment; a session
is given its build tree, Wine architecture, programs and product. See README.md beside this file.

    session           WineSession: a private display, prefix, HOME and wineserver; the programs it starts
    launcher_session  LauncherSession: the launcher on CD-ROM drive D:, the stub log, its pictures, crashes
    window            LauncherWindow: where the launcher's window stands, where its buttons are, what it shows
    programs          Programs: the launcher, its test builds and the stand-ins of a build tree
    snapshots         files and registry before and after, less what Wine itself keeps
    display, sound_capture, sounds, images, registry, host, prefix, processes, waiting
    run, make_template   commands for CTest: tools/kit wine.run EXE, tools/kit wine.make-template
"""
