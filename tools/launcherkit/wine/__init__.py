"""Windows programs of this project under Wine on a virtual X screen, with nothing shared between sessions
and nothing left running afterwards (see README.md beside this file)."""
